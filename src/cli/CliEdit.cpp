#include "cli/CliEdit.h"

#include "engine/edit/ColorCount.h"
#include "engine/edit/EditOperations.h"

void ApplyEdit(CPictureEx& picture, const CliEditStep& step)
{
    const EditOperation* operation = FindEditOperation(step.name);
    if (!operation)
        throw CTextException(ErrUnsupported, "--" + step.name + " is not an edit option.");
    RunEditOperation(picture, *operation, ParseEditArguments(*operation, step.argument));
}

std::string DescribeColorCount(const CBmp& bmp)
{
    const int64_t limit = ColorCountLimit(bmp);
    const int64_t count = CountDistinctColors(bmp, limit);
    if (count < 0)
        return "more than " + std::to_string(limit) + " colors";
    return std::to_string(count) + " colors";
}
