// The "key=value" lines of the small files kept beside the settings file
// (window.ini, save.ini).
#pragma once

#include <charconv>
#include <fstream>
#include <istream>
#include <sstream>
#include <string>

namespace vksettings {

// Hands `take` the key and value of every line whose value is a whole
// number; damaged lines are skipped, and a line ending in "\r" is read
// without it.
template <class Take> void ForEachNumberLine(const std::string& text, Take take)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq + 1 == line.size())
            continue;
        int value = 0;
        const char* end = line.data() + line.size();
        const auto [ptr, ec] = std::from_chars(line.data() + eq + 1, end, value);
        if (ec == std::errc() && ptr == end)
            take(line.substr(0, eq), value);
    }
}

// The first `limit` bytes of the file at `path` (these files are a few
// lines; anything far larger is not ours); false when it cannot be opened.
inline bool ReadSmallFile(const std::string& path, size_t limit, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.assign(limit, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(size_t(in.gcount()));
    return true;
}

} // namespace vksettings
