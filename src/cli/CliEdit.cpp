#include "CliEdit.h"

void ApplyEdit(CWinBmp&, const CliEditStep& step)
{
    RaiseError(ErrUnsupported, "--" + step.name + " is not built yet.");
}

std::string DescribeColorCount(CWinBmp&)
{
    RaiseError(ErrUnsupported, "Counting colours is not built yet.");
}
