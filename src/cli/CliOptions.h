// Command line of velkor-cli: the parsed request.
#pragma once

#include <string>
#include <vector>

// Writer options; -1 or empty means the remembered default.
struct CliSaveOptions {
    int depth = -1;          // --depth 8|24 (bmp, pcx, tga, ras)
    int rle = -1;            // --rle / --no-rle (tga, ras, pct)
    bool interlace = false;  // --interlace (gif, png)
    int quality = -1;        // --quality N (jpg)
    int smoothing = -1;      // --smoothing N (jpg)
    bool progressive = false;
    bool optimize = false;
    std::string compression; // --compression none|packbits|lzw (tif)
};

// One edit option, in the order given: its name without the dashes and its
// argument ("" for options without one).
struct CliEditStep {
    std::string name;
    std::string argument;
};

struct CliRequest {
    std::string command; // info, convert, colors
    std::vector<std::string> inputs;
    std::string output;    // convert INPUT OUTPUT
    std::string toExt;     // convert --to EXT -o DIR
    std::string outputDir;
    CliSaveOptions save;
    std::vector<CliEditStep> edits;
    bool orient = true; // turn pictures upright as their EXIF data says
};

// Parses argv; on a usage error returns false with a message.
bool ParseCommandLine(int argc, char** argv, CliRequest& request, std::string& error);

// Edit options that take an argument, and those that do not.
bool IsEditOptionWithArgument(const std::string& name);
bool IsEditOptionWithoutArgument(const std::string& name);
