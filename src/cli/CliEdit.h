// Edit options of velkor-cli, applied to the decoded picture in order.
#pragma once

#include "cli/CliOptions.h"
#include "engine/edit/PictureEx.h"
#include "engine/picture/TextException.h"

#include <string>

// Applies one edit step; throws CTextException on a bad argument or failure.
void ApplyEdit(CPictureEx& picture, const CliEditStep& step);

// "N colors" or "more than L colors" for velkor-cli colors.
std::string DescribeColorCount(const CBmp& bmp);
