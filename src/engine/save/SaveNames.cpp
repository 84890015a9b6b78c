#include "engine/save/SaveNames.h"

#include "engine/picture/FileName.h"
#include "engine/save/SaveDispatch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Upper(std::string s)
{
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

const std::vector<SaveFilter>& SaveFilters()
{
    static const std::vector<SaveFilter> filters = [] {
        std::vector<SaveFilter> list;
        for (const SaveTarget& t : kSaveTargets)
            list.push_back({t.filterText, t.extension, t.code});
        return list;
    }();
    return filters;
}

std::string NameWithoutExtension(const std::string& name)
{
    return std::string(vkname::WithoutExtension(name));
}

std::string ExtensionOfPath(const std::string& path)
{
    return std::string(vkname::ExtensionOf(path));
}

std::string WithExtensionCase(const std::string& path, bool upper)
{
    const size_t dot = vkname::ExtensionDot(path);
    if (dot == std::string::npos)
        return path;
    const std::string ext = path.substr(dot + 1);
    return path.substr(0, dot + 1) + (upper ? Upper(ext) : Lower(ext));
}

const std::vector<ConvertFormat>& ConvertFormats()
{
    // The list shows the save dialog's types; the extensions keep their dot.
    static const std::array<std::string, kSaveTargets.size()> dotted = [] {
        std::array<std::string, kSaveTargets.size()> names;
        for (size_t i = 0; i < kSaveTargets.size(); ++i)
            names[i] = std::string(".") + kSaveTargets[i].extension;
        return names;
    }();
    static const std::vector<ConvertFormat> formats = [] {
        std::vector<ConvertFormat> list;
        for (size_t i = 0; i < kSaveTargets.size(); ++i)
            list.push_back({kSaveTargets[i].convertText, dotted[i].c_str(), kSaveTargets[i].code});
        return list;
    }();
    return formats;
}

const ConvertFormat& ConvertFormatAt(int index)
{
    const auto& formats = ConvertFormats();
    return index >= 0 && size_t(index) < formats.size() ? formats[size_t(index)] : formats[0];
}

std::string ConvertedName(const std::string& file, int formatIndex, bool upperCase)
{
    const std::string ext = ConvertFormatAt(formatIndex).extension;
    return NameWithoutExtension(file) + (upperCase ? Upper(ext) : ext);
}

bool NameInList(const std::string& name, const std::vector<std::string>& names)
{
    const std::string lower = Lower(name);
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return Lower(n) == lower; });
}

ClashStep ConvertClashStep(bool clash, int policy)
{
    if (!clash)
        return ClashStep::Write;
    switch (policy) {
    case kPolicyReplace:
        return ClashStep::Write;
    case kPolicyRename:
        return ClashStep::PromptName;
    case kPolicySkip:
        return ClashStep::Stop;
    default:
        return ClashStep::Ask;
    }
}

RenameAnswer CheckRenameAnswer(const std::string& answer, const std::string& extension,
                               const std::vector<std::string>& names)
{
    if (answer.empty())
        return RenameAnswer::Empty;
    return NameInList(answer + extension, names) ? RenameAnswer::Exists : RenameAnswer::Accepted;
}

std::vector<std::string> FolderEntryNames(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    return names;
}

bool NamesSameFile(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    struct stat sa {
    }, sb{};
    return !a.empty() && !b.empty() && stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool MayDeleteSource(const std::string& source, const std::string& destination)
{
    return !NamesSameFile(source, destination);
}
