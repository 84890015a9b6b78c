// Edit options of velkor-cli, applied to the decoded picture in order.
#pragma once

#include "CliOptions.h"
#include "picture/except.h"
#include "picture/winbmp.h"

// Applies one edit step; throws CTextException on a bad argument or failure.
void ApplyEdit(CWinBmp& bmp, const CliEditStep& step);

// "N colors" or "more than L colors" for velkor-cli colors.
std::string DescribeColorCount(CWinBmp& bmp);
