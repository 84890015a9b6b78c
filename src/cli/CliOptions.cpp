#include "CliOptions.h"

#include <cstdlib>
#include <set>

namespace {

bool ParseInt(const std::string& text, int& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < -1000000 || v > 1000000)
        return false;
    value = int(v);
    return true;
}

} // namespace

bool IsEditOptionWithArgument(const std::string& name)
{
    static const std::set<std::string> names = {"brightness", "contrast", "gamma", "balance", "rotate",
                                                "shear", "resize", "canvas"};
    return names.count(name) != 0;
}

bool IsEditOptionWithoutArgument(const std::string& name)
{
    static const std::set<std::string> names = {"invert", "gray", "swap-red-blue", "flip-horizontal",
                                                "flip-vertical", "transpose"};
    return names.count(name) != 0;
}

bool ParseCommandLine(int argc, char** argv, CliRequest& request, std::string& error)
{
    if (argc < 2) {
        error = "usage: velkor-cli info FILE... | convert [OPTIONS] INPUT OUTPUT | "
                "convert [OPTIONS] --to EXT -o DIR INPUT... | colors FILE";
        return false;
    }
    request.command = argv[1];
    if (request.command != "info" && request.command != "convert" && request.command != "colors") {
        error = "unknown command: " + request.command;
        return false;
    }
    std::vector<std::string> positional;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = "missing value after " + arg;
                return false;
            }
            out = argv[++i];
            return true;
        };
        auto intValue = [&](int& out) {
            std::string text;
            if (!value(text))
                return false;
            if (!ParseInt(text, out)) {
                error = "not a number after " + arg + ": " + text;
                return false;
            }
            return true;
        };
        if (arg.rfind("--", 0) != 0 || arg == "--") {
            if (arg == "--") {
                for (++i; i < argc; ++i)
                    positional.emplace_back(argv[i]);
                break;
            }
            if (arg == "-o") {
                if (!value(request.outputDir))
                    return false;
                continue;
            }
            positional.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        bool ok = true;
        if (name == "depth") {
            ok = intValue(request.save.depth);
            if (ok && request.save.depth != 8 && request.save.depth != 24) {
                error = "--depth takes 8 or 24";
                return false;
            }
        } else if (name == "rle") {
            request.save.rle = 1;
        } else if (name == "no-rle") {
            request.save.rle = 0;
        } else if (name == "interlace") {
            request.save.interlace = true;
        } else if (name == "quality") {
            ok = intValue(request.save.quality);
        } else if (name == "smoothing") {
            ok = intValue(request.save.smoothing);
        } else if (name == "progressive") {
            request.save.progressive = true;
        } else if (name == "optimize") {
            request.save.optimize = true;
        } else if (name == "compression") {
            ok = value(request.save.compression);
            if (ok && request.save.compression != "none" && request.save.compression != "packbits" &&
                request.save.compression != "lzw") {
                error = "--compression takes none, packbits or lzw";
                return false;
            }
        } else if (name == "no-orient") {
            request.orient = false;
        } else if (name == "to") {
            ok = value(request.toExt);
        } else if (IsEditOptionWithArgument(name)) {
            CliEditStep step{name, {}};
            ok = value(step.argument);
            request.edits.push_back(step);
        } else if (IsEditOptionWithoutArgument(name)) {
            request.edits.push_back({name, {}});
        } else {
            error = "unknown option: " + arg;
            return false;
        }
        if (!ok)
            return false;
    }
    if (request.command == "convert") {
        if (!request.toExt.empty()) {
            if (request.outputDir.empty() || positional.empty()) {
                error = "convert --to EXT needs -o DIR and at least one INPUT";
                return false;
            }
            request.inputs = positional;
        } else {
            if (positional.size() != 2) {
                error = "convert needs INPUT and OUTPUT";
                return false;
            }
            request.inputs = {positional[0]};
            request.output = positional[1];
        }
    } else {
        if (positional.empty() || (request.command == "colors" && positional.size() != 1)) {
            error = request.command + " needs " + (request.command == "colors" ? "one FILE" : "FILE...");
            return false;
        }
        request.inputs = positional;
    }
    return true;
}
