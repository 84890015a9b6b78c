// Runs the built velkor-cli from the tests of the command line tool.
#pragma once

#include "TestSupport.h"
#include "engine/save/BmpEncoder.h"

#include <initializer_list>
#include <string>

namespace vkclitest {

// Standard output and error of `velkor-cli ARGS`; `status` gets its exit status.
inline std::string Cli(const std::string& args, int* status)
{
    std::string out;
    *status = vktest::Run(std::string(VELKOR_CLI) + " " + args + " 2>&1", &out);
    return out;
}

// Standard output alone, its messages discarded.
inline std::string CliOut(const std::string& args, int* status)
{
    std::string out;
    *status = vktest::Run(std::string(VELKOR_CLI) + " " + args + " 2>/dev/null", &out);
    return out;
}

// The paths quoted for the shell, each after a space.
inline std::string Paths(std::initializer_list<std::string> paths)
{
    std::string words;
    for (const std::string& p : paths)
        words += " " + vktest::Quote(p);
    return words;
}

inline bool Has(const std::string& text, const std::string& word)
{
    return text.find(word) != std::string::npos;
}

// A 24-bit BMP of the test picture.
inline void Picture(const std::string& path, int width, int height, unsigned seed = 1)
{
    CWinBmp bmp;
    vktest::MakeTestPicture(bmp, width, height, seed);
    SaveAsBmpFile(bmp, path);
}

} // namespace vkclitest
