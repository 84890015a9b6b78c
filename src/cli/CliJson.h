// JSON text for velkor-cli info --json.
#pragma once

#include <string>

// text as a JSON string with its quotes: quotes, backslashes and control
// characters escaped; bytes that are not UTF-8 become U+FFFD, so the
// result is always valid JSON.
std::string JsonString(const std::string& text);
