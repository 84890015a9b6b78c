#include "cli/CliOptions.h"

#include "engine/edit/LosslessJpeg.h"

#include "cli/CliFormats.h"
#include "engine/edit/EditOperations.h"
#include "engine/picture/TextException.h"
#include "engine/save/JXLEncoder.h"
#include "engine/save/SaveDispatch.h"
#include "engine/thumbnail/Thumbnailer.h"

#include <cctype>
#include <charconv>

namespace {

bool ParseInt(const std::string& text, int minimum, int maximum, int& value)
{
    int v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v < minimum || v > maximum)
        return false;
    value = v;
    return true;
}

std::string Upper(std::string s)
{
    for (char& c : s)
        c = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : (c == '-' ? '_' : c);
    return s;
}

std::string Join(const std::vector<std::string>& words, const char* separator)
{
    std::string text;
    for (const std::string& w : words)
        text += (text.empty() ? "" : separator) + w;
    return text;
}

// A whole-number option in minimum..maximum stored through `store`.
CliOption IntegerOption(std::string name, std::string help, int minimum, int maximum, std::string defaults,
                        std::function<void(CliRequest&, int)> store)
{
    CliOption option;
    option.name = name;
    option.value = "N";
    option.help = std::move(help);
    option.range = std::to_string(minimum) + ".." + std::to_string(maximum);
    option.defaults = std::move(defaults);
    option.apply = [=](CliRequest& r, const std::string& text, std::string& error) {
        int v = 0;
        if (!ParseInt(text, minimum, maximum, v)) {
            error = "--" + name + " takes a whole number from " + std::to_string(minimum) + " to " +
                    std::to_string(maximum) + ", not \"" + text + "\"";
            return false;
        }
        store(r, v);
        return true;
    };
    return option;
}

// An option without a value.
CliOption FlagOption(std::string name, char shortName, std::string help, std::function<void(CliRequest&)> set)
{
    CliOption option;
    option.name = std::move(name);
    option.shortName = shortName;
    option.help = std::move(help);
    option.apply = [=](CliRequest& r, const std::string&, std::string&) {
        set(r);
        return true;
    };
    return option;
}

// One word out of `choices`; store gets its position.
CliOption ChoiceOption(std::string name, std::string help, std::vector<std::string> choices,
                       std::string defaults, std::function<void(CliRequest&, size_t)> store)
{
    CliOption option;
    option.name = name;
    option.value = Upper(name);
    option.help = std::move(help);
    option.range = Join(choices, "|");
    option.defaults = std::move(defaults);
    option.choices = choices;
    option.apply = [=](CliRequest& r, const std::string& text, std::string& error) {
        for (size_t i = 0; i < choices.size(); ++i) {
            if (text == choices[i]) {
                store(r, i);
                return true;
            }
        }
        error = "--" + name + " takes " + Join(choices, ", ") + ", not \"" + text + "\"";
        return false;
    };
    return option;
}

const char* OnOff(int32_t v)
{
    return v ? "on" : "off";
}

std::vector<CliOption> SaveOptionRows()
{
    const SaveOptionValues d; // the remembered defaults
    std::vector<CliOption> rows;
    {
        CliOption o = ChoiceOption("depth", "bits per pixel written", {"8", "24"},
                                   "24 for a picture of more than 256 colours, else 8",
                                   [](CliRequest& r, size_t i) { r.save.depth = i == 0 ? 8 : 24; });
        o.value = "BITS";
        o.formats = WritableTypeNames({kSaveBmp, kSavePcx, kSaveTga, kSaveRas});
        rows.push_back(o);
    }
    rows.push_back(FlagOption("rle", 0, "run-length compression", [](CliRequest& r) { r.save.rle = 1; }));
    rows.back().formats = WritableTypeNames({kSaveTga, kSaveRas, kSavePct});
    rows.back().defaults =
        std::string("tga ") + OnOff(d.tgaRle) + ", ras " + OnOff(d.rasRle) + ", pct " + OnOff(d.pictRle);
    rows.push_back(
        FlagOption("no-rle", 0, "no run-length compression", [](CliRequest& r) { r.save.rle = 0; }));
    rows.back().formats = WritableTypeNames({kSaveTga, kSaveRas, kSavePct});
    rows.push_back(
        FlagOption("interlace", 0, "interlaced lines", [](CliRequest& r) { r.save.interlace = true; }));
    rows.back().formats = WritableTypeNames({kSaveGif, kSavePng});
    rows.back().defaults = OnOff(d.pngInterlace);
    {
        // Every writer whose row takes a quality, with its default.
        std::vector<int> codes;
        std::string defaults;
        for (const SaveTarget& t : kSaveTargets) {
            if (!t.options.quality)
                continue;
            codes.push_back(t.code);
            const int value = t.code == kSaveJpg ? CliSaveOptions::kJpegQuality : d.*t.options.quality;
            defaults +=
                (defaults.empty() ? "" : ", ") + std::string(t.extension) + " " + std::to_string(value);
        }
        rows.push_back(IntegerOption("quality", "quality of lossy writing", 0, 100, defaults,
                                     [](CliRequest& r, int v) { r.save.quality = v; }));
        rows.back().formats = WritableTypeNames(codes);
    }
    rows.push_back(IntegerOption("smoothing", "JPEG smoothing", 0, 100, std::to_string(d.jpegSmoothing),
                                 [](CliRequest& r, int v) { r.save.smoothing = v; }));
    rows.back().formats = WritableTypeNames({kSaveJpg});
    rows.push_back(
        FlagOption("progressive", 0, "progressive JPEG", [](CliRequest& r) { r.save.progressive = true; }));
    rows.back().formats = WritableTypeNames({kSaveJpg});
    rows.back().defaults = OnOff(d.jpegProgressive);
    rows.push_back(
        FlagOption("optimize", 0, "optimized Huffman codes", [](CliRequest& r) { r.save.optimize = true; }));
    rows.back().formats = WritableTypeNames({kSaveJpg});
    rows.back().defaults = OnOff(d.jpegOptimize);
    {
        static const std::vector<std::string> kinds = {"none", "packbits", "lzw"};
        const size_t current = d.tiffCompression >= 0 && size_t(d.tiffCompression) < kinds.size()
                                   ? size_t(d.tiffCompression)
                                   : 0;
        CliOption o = ChoiceOption("compression", "TIFF compression", kinds, kinds[current],
                                   [](CliRequest& r, size_t i) { r.save.compression = kinds[i]; });
        o.value = "KIND";
        o.formats = WritableTypeNames({kSaveTif});
        rows.push_back(o);
    }
    rows.push_back(IntegerOption(
        "png-level", "PNG packing: 0 stores, 1..6 fast, chosen per picture, 7..9 slowest", 0, 9,
        std::to_string(CliSaveOptions().pngLevel), [](CliRequest& r, int v) { r.save.pngLevel = v; }));
    rows.back().formats = WritableTypeNames({kSavePng});
    rows.push_back(FlagOption("lossless", 0, "lossless WebP or JPEG XL (no quality)",
                              [](CliRequest& r) { r.save.lossless = true; }));
    rows.back().formats = WritableTypeNames({kSaveWebp, kSaveJxl});
    rows.back().defaults = OnOff(d.webpLossless);
    rows.push_back(IntegerOption("speed", "AVIF encoder speed: 0 slowest and smallest, 10 fastest", 0, 10,
                                 std::to_string(d.avifSpeed),
                                 [](CliRequest& r, int v) { r.save.speed = v; }));
    rows.back().formats = WritableTypeNames({kSaveAvif});
    rows.push_back(IntegerOption("effort", "JPEG XL effort: 1 fastest, 9 slowest and smallest", 1, 9,
                                 std::to_string(d.jxlEffort),
                                 [](CliRequest& r, int v) { r.save.effort = v; }));
    rows.back().formats = WritableTypeNames({kSaveJxl});
    {
        CliOption o;
        o.name = "distance";
        o.value = "D";
        o.help = "JPEG XL distance instead of a quality: 0 lossless, 1 visually lossless, larger smaller";
        o.range = "0.." + std::to_string(int(CJXLEncoder::kMaxDistance));
        o.defaults = "from --quality";
        o.formats = WritableTypeNames({kSaveJxl});
        o.apply = [](CliRequest& r, const std::string& text, std::string& error) {
            double v = -1;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
            if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !(v >= 0) ||
                v > CJXLEncoder::kMaxDistance) {
                error = "--distance takes a number from 0 to " +
                        std::to_string(int(CJXLEncoder::kMaxDistance)) + ", not \"" + text + "\"";
                return false;
            }
            r.save.distance = int(v * 100 + 0.5);
            return true;
        };
        rows.push_back(o);
    }
    for (CliOption& o : rows)
        o.group = CliOptionGroup::Save;
    return rows;
}

// Help line of an edit operation; the status text when none is written here.
std::string EditHelp(const EditOperation& operation)
{
    static const std::pair<const char*, const char*> texts[] = {
        {"invert", "invert the colours"},
        {"swap-red-blue", "swap the red and blue channels"},
        {"brightness", "adjust brightness"},
        {"contrast", "adjust contrast (pictures of up to 256 colours)"},
        {"gamma", "adjust gamma, as the dialog's value"},
        {"gray", "convert to gray shades"},
        {"balance", "adjust the colour balance"},
        {"flip-horizontal", "flip about the horizontal axis: top and bottom change places"},
        {"flip-vertical", "flip about the vertical axis: left and right change places"},
        {"transpose", "transpose (swap rows and columns)"},
        {"rotate", "rotate clockwise"},
        {"shear", "shear"},
        {"canvas",
         "change the canvas size; ANCHOR places the picture: 0 centre, 1 2 3 top left, centre, right, "
         "4 5 middle left, right, 6 7 8 bottom left, centre, right"},
        {"resize", "resize to the given size"},
    };
    for (auto [name, text] : texts)
        if (operation.name == std::string_view(name))
            return text;
    std::string text = operation.progressText;
    while (!text.empty() && (text.front() == ' '))
        text.erase(text.begin());
    while (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

CliOption EditOptionRow(const EditOperation& operation)
{
    CliOption option;
    option.name = operation.name;
    option.help = EditHelp(operation);
    option.group = CliOptionGroup::Edit;
    std::vector<std::string> ranges, defaults;
    std::string value;
    bool optional = false;
    for (size_t i = 0; i < operation.arguments.size(); ++i) {
        const EditArgument& a = operation.arguments[i];
        std::string part;
        if (a.kind == EditArgumentKind::Choice) {
            std::vector<std::string> words(a.choices.begin(), a.choices.end());
            part = Join(words, "|");
            if (a.defaultValue >= 0 && size_t(a.defaultValue) < words.size())
                defaults.push_back(std::string(a.name) + " " + words[size_t(a.defaultValue)]);
            for (const std::string& w : words)
                option.choices.push_back(w);
        } else {
            part = Upper(a.name);
            ranges.push_back(std::string(a.name) + " " + std::to_string(a.minimum) + ".." +
                             std::to_string(a.maximum));
            if (!a.required)
                defaults.push_back(std::string(a.name) + " " + std::to_string(a.defaultValue));
        }
        // Width and height read as WIDTHxHEIGHT.
        const bool afterWidth = i > 0 && std::string_view(operation.arguments[i - 1].name) == "width" &&
                                std::string_view(a.name) == "height";
        const char* separator = value.empty() ? "" : afterWidth ? "x" : ",";
        if (!a.required) {
            value += "[" + std::string(separator) + part;
            optional = true;
        } else {
            value += separator + part;
        }
    }
    if (optional)
        for (const EditArgument& a : operation.arguments)
            if (!a.required)
                value += "]";
    option.value = value;
    option.range = Join(ranges, ", ");
    option.defaults = Join(defaults, ", ");
    const EditOperation* op = &operation;
    option.apply = [op](CliRequest& r, const std::string& text, std::string& error) {
        // Checked now, so a bad argument stops the run before any picture.
        try {
            ParseEditArguments(*op, text);
        } catch (const CTextException& e) {
            error = "error " + std::to_string(e.GetCode()) + ": " + e.GetText();
            return false;
        }
        r.edits.push_back({op->name, text});
        return true;
    };
    return option;
}

// The turns of jpeg-turn, in JpegTurn's order, and --trim.
std::vector<CliOption> TurnOptionRows()
{
    std::vector<CliOption> rows;
    const auto give = [](CliRequest& r, JpegTurn turn) {
        r.turn = int(turn);
        ++r.turnsGiven;
    };
    rows.push_back(ChoiceOption(
        "rotate", "turn clockwise by this many degrees, as the picture shows", {"90", "180", "270"}, "",
        [give](CliRequest& r, size_t i) {
            static const JpegTurn turns[] = {JpegTurn::Rotate90, JpegTurn::Rotate180, JpegTurn::Rotate270};
            give(r, turns[i]);
        }));
    rows.back().value = "DEGREES";
    // The flips mean what convert's do.
    rows.push_back(FlagOption("flip-horizontal", 0,
                              "flip about the horizontal axis: top and bottom change places",
                              [give](CliRequest& r) { give(r, JpegTurn::FlipHorizontal); }));
    rows.push_back(FlagOption("flip-vertical", 0,
                              "flip about the vertical axis: left and right change places",
                              [give](CliRequest& r) { give(r, JpegTurn::FlipVertical); }));
    rows.push_back(FlagOption("transpose", 0, "mirror about the top-left to bottom-right diagonal",
                              [give](CliRequest& r) { give(r, JpegTurn::Transpose); }));
    rows.push_back(FlagOption("upright", 0,
                              "turn as the EXIF orientation says; files stored upright are left alone",
                              [give](CliRequest& r) { give(r, JpegTurn::Upright); }));
    rows.push_back(FlagOption("trim", 0,
                              "drop the partial blocks at the right or bottom edge that the turn cannot move "
                              "(without it such files are left alone and count as failed)",
                              [](CliRequest& r) { r.trim = true; }));
    for (CliOption& o : rows) {
        o.group = CliOptionGroup::Turn;
        o.commands = kCmdJpegTurn;
    }
    return rows;
}

std::vector<CliOption> BuildOptions()
{
    std::vector<CliOption> rows;
    rows.push_back(
        FlagOption("help", 'h', "show this help, or the command's", [](CliRequest& r) { r.help = true; }));
    rows.back().commands = kCmdAll;
    rows.push_back(FlagOption("version", 0, "show the version", [](CliRequest& r) { r.version = true; }));
    rows.back().commands = kCmdAll;
    rows.push_back(FlagOption(
        "no-orient", 0, "keep pictures as stored instead of turning them upright by their EXIF orientation",
        [](CliRequest& r) { r.orient = false; }));
    // Thumbnails are always upright, as the desktop shows them.
    rows.back().commands = kCmdAll & ~kCmdThumbnails;
    rows.push_back(IntegerOption("page", "the page of a multi-page TIFF or the image of an icon file to read",
                                 1, 65535, "1", [](CliRequest& r, int v) { r.page = v - 1; }));
    rows.back().commands = kCmdInfo | kCmdConvert | kCmdColors;
    rows.push_back(FlagOption("json", 0,
                              "one JSON object per file (path, status ok, damaged or error, warnings, "
                              "format, width, height, bits per pixel, pages, orientation, camera data, "
                              "error)",
                              [](CliRequest& r) { r.json = true; }));
    rows.back().commands = kCmdInfo;
    rows.push_back(FlagOption("all-tags", 0,
                              "list every EXIF, IPTC and XMP tag of each file (key, type, value)",
                              [](CliRequest& r) { r.allTags = true; }));
    rows.back().commands = kCmdInfo;

    std::vector<CliOption> batch;
    {
        CliOption o;
        o.name = "to";
        o.value = "TYPE";
        o.help = "output type of the batch form (any case)";
        o.range = Join(WritableTypes(), "|");
        o.choices = WritableTypes();
        o.apply = [](CliRequest& r, const std::string& v, std::string&) {
            r.toExt = v;
            return true;
        };
        batch.push_back(o);
    }
    {
        CliOption o;
        o.name = "output-dir";
        o.shortName = 'o';
        o.value = "DIR";
        o.help = "folder the batch writes into (made when missing)";
        o.apply = [](CliRequest& r, const std::string& v, std::string&) {
            r.outputDir = v;
            return true;
        };
        batch.push_back(o);
    }
    batch.push_back(FlagOption("recursive", 'r',
                               "take folders and their subfolders (the types the browser lists), "
                               "keeping their layout under DIR",
                               [](CliRequest& r) { r.recursive = true; }));
    batch.push_back(IntegerOption("jobs", "pictures converted at once, each by one worker", 1, 256,
                                  "the number of cores", [](CliRequest& r, int v) { r.jobs = v; }));
    batch.back().shortName = 'j';
    batch.push_back(ChoiceOption(
        "exists",
        "when an output file exists: ask (on a terminal), replace it, "
        "rename the new one name_2.ext, or skip the picture",
        {"ask", "replace", "rename", "skip"}, "refuse: the file is kept and the picture counts as failed",
        [](CliRequest& r, size_t i) {
            static const ExistsPolicy policies[] = {ExistsPolicy::Ask, ExistsPolicy::Replace,
                                                    ExistsPolicy::Rename, ExistsPolicy::Skip};
            r.exists = policies[i];
            r.existsGiven = true;
        }));
    batch.back().value = "POLICY";
    batch.push_back(FlagOption("to-srgb", 0,
                               "turn the colours from the picture's embedded profile into sRGB "
                               "before any edit; the file written is sRGB",
                               [](CliRequest& r) { r.toSrgb = true; }));
    batch.push_back(FlagOption("quiet", 'q', "no summary line", [](CliRequest& r) { r.quiet = true; }));
    batch.push_back(FlagOption("strip", 0,
                               "write no camera data (EXIF, IPTC, XMP) and no colour profile; without it "
                               "JPEG, PNG, TIFF, WebP, AVIF, JPEG XL and HEIC files keep the input's, "
                               "orientation set to 1",
                               [](CliRequest& r) { r.strip = true; }));
    for (CliOption& o : batch) {
        o.group = CliOptionGroup::Batch;
        if (o.name == "jobs")
            o.commands |= kCmdJpegTurn;
        // Thumbnails walk folders and use every core the same way.
        if (o.name == "recursive" || o.name == "jobs" || o.name == "quiet")
            o.commands |= kCmdThumbnails;
        rows.push_back(o);
    }
    for (CliOption& o : TurnOptionRows())
        rows.push_back(o);
    {
        std::vector<std::string> sizes;
        for (const ThumbnailSize& size : kThumbnailSizes)
            sizes.push_back(size.name);
        rows.push_back(ChoiceOption(
            "size", "the thumbnail cache's size: normal 128, large 256, x-large 512, xx-large 1024 pixels",
            sizes, "large", [](CliRequest& r, size_t i) { r.thumbnailSize = kThumbnailSizes[i].name; }));
        rows.back().commands = kCmdThumbnails;
        rows.back().group = CliOptionGroup::Thumbnails;
    }
    for (CliOption& o : SaveOptionRows())
        rows.push_back(o);
    for (const EditOperation& operation : EditOperations())
        rows.push_back(EditOptionRow(operation));
    return rows;
}

} // namespace

const std::vector<CliCommand>& CliCommands()
{
    static const std::vector<CliCommand> commands = {
        {"info",
         kCmdInfo,
         {"info [--json] [--all-tags] [--no-orient] FILE..."},
         "print the format, size and bits per pixel of each file, and its camera data"},
        {"convert",
         kCmdConvert,
         {"convert [OPTIONS] INPUT OUTPUT", "convert [OPTIONS] --to TYPE -o DIR [-r] [-j N] INPUT..."},
         "decode, apply the edit options in the order given, write in the type of OUTPUT's extension or "
         "TYPE"},
        {"colors", kCmdColors, {"colors FILE"}, "count the distinct colours of a picture"},
        {"jpeg-turn",
         kCmdJpegTurn,
         {"jpeg-turn (--rotate 90|180|270 | --flip-horizontal | --flip-vertical | --transpose | --upright) "
          "[--trim] [-j N] FILE..."},
         "turn JPEG files in place without loss, keeping their camera data with the orientation set to 1"},
        {"thumbnails",
         kCmdThumbnails,
         {"thumbnails [-r] [--size SIZE] [-j N] PATH..."},
         "fill the desktop's thumbnail cache ($XDG_CACHE_HOME/thumbnails) for the pictures named, or in "
         "the folders named with -r; thumbnails that are current are kept"},
    };
    return commands;
}

const CliCommand* FindCliCommand(const std::string& name)
{
    for (const CliCommand& c : CliCommands())
        if (c.name == name)
            return &c;
    return nullptr;
}

const std::vector<CliOption>& CliOptions()
{
    static const std::vector<CliOption> options = BuildOptions();
    return options;
}

const CliOption* FindCliOption(const std::string& name, unsigned commandBit)
{
    for (const CliOption& o : CliOptions())
        if (o.name == name && (o.commands & commandBit))
            return &o;
    return FindCliOption(name);
}

const CliOption* FindCliOption(const std::string& name)
{
    for (const CliOption& o : CliOptions())
        if (o.name == name)
            return &o;
    return nullptr;
}

const char* ExistsPolicyName(ExistsPolicy policy)
{
    switch (policy) {
    case ExistsPolicy::Ask:
        return "ask";
    case ExistsPolicy::Replace:
        return "replace";
    case ExistsPolicy::Rename:
        return "rename";
    case ExistsPolicy::Skip:
        return "skip";
    case ExistsPolicy::Refuse:
        break;
    }
    return "refuse";
}

bool ParseCommandLine(int argc, char** argv, CliRequest& request, std::string& error)
{
    int first = 1;
    if (argc >= 2) {
        const std::string word = argv[1];
        if (word == "help") {
            request.command = "help";
            request.help = true;
            for (int i = 2; i < argc; ++i)
                request.inputs.emplace_back(argv[i]);
            return true;
        }
        if (FindCliCommand(word)) {
            request.command = word;
            first = 2;
        }
    }
    std::vector<std::string> positional;
    for (int i = first; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--") {
            for (++i; i < argc; ++i)
                positional.emplace_back(argv[i]);
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        // Hidden generators of the manual page and the completion script.
        if (arg == "--man") {
            request.generate = "man";
            continue;
        }
        if (arg == "--completion") {
            if (i + 1 >= argc || std::string(argv[i + 1]) != "bash") {
                error = "--completion takes bash";
                return false;
            }
            ++i;
            request.generate = "completion";
            continue;
        }
        const CliOption* option = nullptr;
        std::string value;
        bool hasValue = false;
        if (arg[1] == '-') {
            std::string name = arg.substr(2);
            const auto equals = name.find('=');
            if (equals != std::string::npos) {
                value = name.substr(equals + 1);
                name.resize(equals);
                hasValue = true;
            }
            // jpeg-turn's turns share their names with convert's edits.
            option = request.command.empty() ? FindCliOption(name)
                                             : FindCliOption(name, FindCliCommand(request.command)->bit);
        } else {
            for (const CliOption& o : CliOptions())
                if (o.shortName == arg[1])
                    option = &o;
            if (option && arg.size() > 2) {
                value = arg.substr(2);
                hasValue = true;
            }
        }
        if (!option) {
            error = "unknown option: " + arg;
            return false;
        }
        if (!request.command.empty() && !(option->commands & FindCliCommand(request.command)->bit)) {
            error = arg + " does not apply to " + request.command;
            return false;
        }
        if (option->value.empty()) {
            if (hasValue) {
                error = arg + " takes no value";
                return false;
            }
        } else if (!hasValue) {
            if (i + 1 >= argc) {
                error = "missing value after " + arg;
                return false;
            }
            value = argv[++i];
        }
        if (!option->apply(request, value, error))
            return false;
    }
    if (request.help || request.version || !request.generate.empty())
        return true;
    if (request.command.empty()) {
        error = positional.empty() ? "no command given" : "unknown command: " + positional[0];
        return false;
    }
    if (request.command == "convert") {
        if (!request.toExt.empty() || !request.outputDir.empty() || request.recursive) {
            if (request.toExt.empty() || request.outputDir.empty() || positional.empty()) {
                error = "convert --to TYPE needs -o DIR and at least one INPUT";
                return false;
            }
            request.inputs = positional;
        } else {
            if (positional.size() != 2) {
                error = "convert needs INPUT and OUTPUT, or --to TYPE -o DIR INPUT...";
                return false;
            }
            request.inputs = {positional[0]};
            request.output = positional[1];
        }
    } else if (request.command == "jpeg-turn") {
        if (request.turnsGiven != 1 || positional.empty()) {
            error = "jpeg-turn needs one of --rotate, --flip-horizontal, --flip-vertical, --transpose, "
                    "--upright and at least one FILE";
            return false;
        }
        request.inputs = positional;
    } else {
        if (positional.empty() || (request.command == "colors" && positional.size() != 1)) {
            error = request.command + " needs " +
                    (request.command == "colors"       ? "one FILE"
                     : request.command == "thumbnails" ? "PATH..."
                                                       : "FILE...");
            return false;
        }
        request.inputs = positional;
    }
    return true;
}
