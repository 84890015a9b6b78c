// Splitting a file name or path at its extension, one rule for all of
// Velkor (the window, the models and velkor-cli):
// - the extension is the text after the last dot of the last component:
//   "a.tar.gz" has "gz", "photo.JPG" has "JPG" (its case kept);
// - dots that start the component begin a hidden name, not an extension:
//   ".bashrc", "..", "dir/.profile" have none, ".a.b" has "b";
// - a dot in a folder's name is not one: "dir.d/file" has none;
// - a trailing dot gives an empty extension: "name." is "name" and ".".
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace vkname {

// Where the dot that starts the extension of `path` is; npos for none.
inline size_t ExtensionDot(std::string_view path)
{
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const size_t firstOther = path.find_first_not_of('.', nameStart);
    const size_t dot = path.rfind('.');
    if (firstOther == std::string_view::npos || dot == std::string_view::npos || dot < firstOther)
        return std::string_view::npos;
    return dot;
}

// The extension without its dot; "" for none. A view into `path`.
inline std::string_view ExtensionOf(std::string_view path)
{
    const size_t dot = ExtensionDot(path);
    return dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
}

// `path` without the dot and extension; all of it when it has none.
inline std::string_view WithoutExtension(std::string_view path)
{
    return path.substr(0, ExtensionDot(path));
}

// {base, extension with its dot}: "photo.jpeg" -> {"photo", ".jpeg"},
// "notes" -> {"notes", ""}, ".profile" -> {".profile", ""}.
inline std::pair<std::string, std::string> SplitAtLastDot(std::string_view name)
{
    const size_t dot = ExtensionDot(name);
    if (dot == std::string_view::npos)
        return {std::string(name), std::string()};
    return {std::string(name.substr(0, dot)), std::string(name.substr(dot))};
}

} // namespace vkname
