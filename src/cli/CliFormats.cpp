#include "CliFormats.h"

#include "picture/AnyPicDecoder.h"
#include "save/SaveDispatch.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

} // namespace

const std::vector<std::string>& WritableTypes()
{
    static const std::vector<std::string> types = [] {
        std::vector<std::string> list;
        for (const SaveExtension& e : kSaveExtensions)
            list.emplace_back(e.extension);
        return list;
    }();
    return types;
}

bool IsWritableType(const std::string& ext)
{
    const auto& types = WritableTypes();
    return std::find(types.begin(), types.end(), Lower(ext)) != types.end();
}

const std::vector<std::string>& ReadableFormatNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (int code = 0; code < 64; ++code) {
            const std::string name = FormatName(code);
            if (!name.empty())
                list.push_back(name);
        }
        std::sort(list.begin(), list.end());
        return list;
    }();
    return names;
}

const std::vector<std::string>& ListedExtensions()
{
    // The browser's patterns with the modern types it shows.
    static const std::vector<std::string> extensions = {
        "bmp", "dib", "eps", "gif", "ico", "iff", "ilbm", "jpg", "pbm", "pct", "pcx", "pgm",
        "pict", "png", "ppm", "ras", "rle", "tga", "tif", "webp", "avif", "heic", "heif", "jxl",
    };
    return extensions;
}

bool HasListedExtension(const std::string& name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    const std::string ext = Lower(name.substr(dot + 1));
    const auto& list = ListedExtensions();
    return std::find(list.begin(), list.end(), ext) != list.end();
}
