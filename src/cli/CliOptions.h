// Command line of velkor-cli: its commands and options described once, in
// tables the parser, the help text, the manual page and the completion all
// read, and the parsed request.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Writer options; -1 or empty means the remembered default. No dialog
// remembers them here, so the defaults favour fidelity: JPEG quality 90, and
// without --depth 24 bits for a picture of more than 256 colours.
struct CliSaveOptions {
    int depth = -1;         // --depth 8|24 (bmp, pcx, tga, ras); -1 by the colours
    int rle = -1;           // --rle / --no-rle (tga, ras, pct)
    bool interlace = false; // --interlace (gif, png)
    int quality =
        -1; // --quality N (jpg webp avif jxl heic); -1: kJpegQuality for JPEG, else the format's default
    int smoothing = -1; // --smoothing N (jpg)
    bool progressive = false;
    bool optimize = false;
    std::string compression; // --compression none|packbits|lzw (tif)
    int pngLevel = 6;        // --png-level 0..9: the fastest levels that still pack well
    bool lossless = false;   // --lossless (webp jxl)
    int speed = -1;          // --speed N (avif)
    int effort = -1;         // --effort N (jxl)
    int distance = -1;       // --distance D (jxl), in hundredths

    static constexpr int kJpegQuality = 90;
};

// One edit option, in the order given: its name without the dashes and its
// argument ("" for options without one).
struct CliEditStep {
    std::string name;
    std::string argument;
};

// What to do when an output file exists already.
enum class ExistsPolicy {
    Refuse, // default of the batch form: not replaced, reported as failed
    Ask,    // ask on a terminal; refuse otherwise
    Replace,
    Rename, // name_2.ext, counting up
    Skip,
};

struct CliRequest {
    std::string command; // info, convert, colors, thumbnails, help
    std::vector<std::string> inputs;
    std::string output; // convert INPUT OUTPUT
    std::string toExt;  // convert --to EXT -o DIR
    std::string outputDir;
    CliSaveOptions save;
    std::vector<CliEditStep> edits;
    int page = 0;         // --page N: the page of a multi-page file, from 0
    bool orient = true;   // turn pictures upright as their EXIF data says
    bool toSrgb = false;  // convert --to-srgb: pixels turned from their profile to sRGB
    bool json = false;    // info --json
    bool allTags = false; // info --all-tags
    bool strip = false;   // convert --strip: no camera data in the written files
    int turn = -1;        // jpeg-turn: a JpegTurn value; -1 none given
    int turnsGiven = 0;
    bool trim = false; // jpeg-turn --trim
    bool recursive = false;
    int jobs = 0; // 0: one per core
    ExistsPolicy exists = ExistsPolicy::Refuse;
    bool existsGiven = false;
    bool quiet = false;
    std::string thumbnailSize = "large"; // thumbnails --size
    // Set by --help, --version and the hidden generators.
    bool help = false;
    bool version = false;
    std::string generate; // "man" or "completion"
};

// The commands, in the order help lists them.
enum CliCommandBit : unsigned {
    kCmdInfo = 1,
    kCmdConvert = 2,
    kCmdColors = 4,
    kCmdJpegTurn = 8,
    kCmdThumbnails = 16,
    kCmdAll = 31,
};

struct CliCommand {
    std::string name;
    unsigned bit;
    std::vector<std::string> usages; // each without the program name
    std::string summary;
};
const std::vector<CliCommand>& CliCommands();
const CliCommand* FindCliCommand(const std::string& name);

enum class CliOptionGroup {
    General,    // every command
    Batch,      // convert: output, folders, workers, existing files
    Save,       // writer options
    Edit,       // edit operations, applied in the order given
    Turn,       // jpeg-turn: the turn and what to do with edge blocks
    Thumbnails, // thumbnails: the cache's size
};

struct CliOption {
    std::string name;                 // long name without dashes
    char shortName = 0;               // -X, 0 for none
    std::string value;                // placeholder of the value ("N", "WxH"), "" for none
    std::string help;                 // one line
    std::string range;                // allowed values, "" when free
    std::string defaults;             // default as the user sees it, "" for none
    std::vector<std::string> choices; // words the value takes, for completion
    std::string formats;              // output types a save option applies to
    unsigned commands = kCmdConvert;
    CliOptionGroup group = CliOptionGroup::General;
    // Applies the value; returns false with a message when it does not fit.
    std::function<bool(CliRequest&, const std::string&, std::string&)> apply;
};

// Every option, edit options built from the edit operation table.
const std::vector<CliOption>& CliOptions();
const CliOption* FindCliOption(const std::string& name);
// The option of that name that applies to the command, else the first.
const CliOption* FindCliOption(const std::string& name, unsigned commandBit);

// Parses argv; on a usage error returns false with a message.
bool ParseCommandLine(int argc, char** argv, CliRequest& request, std::string& error);

// Words of a policy and back.
const char* ExistsPolicyName(ExistsPolicy policy);
