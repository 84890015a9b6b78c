// Runs the built velkor-cli from the tests of the command line tool.
#pragma once

#include "TestSupport.h"

#include <string>

namespace vkclitest {

// Standard output and error of `velkor-cli ARGS`; `status` gets its exit status.
inline std::string Cli(const std::string& args, int* status)
{
    std::string out;
    *status = vktest::Run(std::string(VELKOR_CLI) + " " + args + " 2>&1", &out);
    return out;
}

inline bool Has(const std::string& text, const std::string& word) { return text.find(word) != std::string::npos; }

} // namespace vkclitest
