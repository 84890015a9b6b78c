#include "models/search/CompareDirectories.h"

#include "engine/picture/FileName.h"
#include "models/browser/DirectoryFill.h"
#include "models/platform/FileStatus.h"
#include "models/platform/Path.h"
#include "models/search/FindImageSearch.h"

#include <QString>

#include <algorithm>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace vkcompare {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// The lookup key of a file: the chosen parts only, so files equal in them
// share a key. `withSize` is false for the table that serves source files
// of size 0, which match any size.
std::string KeyOf(const CompareCriteria& criteria, const CandidateFile& file, bool withSize)
{
    std::string key;
    if (criteria.byName)
        key = criteria.caseSensitive ? file.title : FoldName(file.title);
    key.push_back('\0');
    if (criteria.bySize && withSize)
        key.append(reinterpret_cast<const char*>(&file.size), sizeof file.size);
    if (criteria.byDate)
        key.append(reinterpret_cast<const char*>(&file.modified), sizeof file.modified);
    return key;
}

// Destination files grouped by key, each group in destination order.
struct KeyTable {
    std::unordered_map<std::string, uint32_t> groupOf;
    std::vector<std::vector<uint32_t>> groups;
    std::vector<bool> listed; // every file of the group has been added

    void Build(const CompareCriteria& criteria, const std::vector<CandidateFile>& files, bool withSize)
    {
        groupOf.reserve(files.size());
        for (size_t i = 0; i < files.size(); ++i) {
            auto [it, added] =
                groupOf.try_emplace(KeyOf(criteria, files[i], withSize), uint32_t(groups.size()));
            if (added)
                groups.emplace_back();
            groups[it->second].push_back(uint32_t(i));
        }
        listed.assign(groups.size(), false);
    }
};

} // namespace

std::string SameFolderMessage(const std::string& source, const std::string& destination)
{
    constexpr const char* kTextSameDirectory = "You must select another directory.";
    // Folders are told apart exactly by name: /Pics and /pics are two.
    if (vkpath::StripTrailingSeparator(source) == vkpath::StripTrailingSeparator(destination))
        return kTextSameDirectory;
    if (vkplatform::IsSameFile(source, destination))
        return destination + " is the folder " + source + " itself.\n" + kTextSameDirectory;
    return {};
}

std::string FoldName(const std::string& name)
{
    const bool ascii =
        std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii)
        return QString::fromUtf8(name).toCaseFolded().toStdString();
    std::string folded = name;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return folded;
}

std::vector<CandidateFile> ListCandidates(const std::string& directory, const CompareCriteria& criteria,
                                          bool* readable)
{
    std::vector<CandidateFile> result;
    if (readable)
        *readable = false;
    const int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return result;
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return result;
    }
    if (readable)
        *readable = true;
    std::vector<std::string> names;
    while (const dirent* d = ::readdir(dir.get())) {
        if (d->d_type != DT_REG && d->d_type != DT_LNK && d->d_type != DT_UNKNOWN)
            continue;
        const std::string name = d->d_name;
        const size_t dot = vkname::ExtensionDot(name);
        if (dot == std::string::npos)
            continue;
        const std::string ext = name.substr(dot + 1);
        if (criteria.byExtension ? !vkfind::SameIgnoringCase(ext, criteria.extensionText)
                                 : !vkfind::IsImageExtension(ext))
            continue;
        names.push_back(name);
    }
    vkfill::SortNames(names);
    result.reserve(names.size());
    for (auto& name : names) {
        struct stat st {};
        if (::fstatat(fd, name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode))
            continue; // vanished, or a link to something other than a file
        CandidateFile file;
        const size_t dot = vkname::ExtensionDot(name);
        file.title = name.substr(0, dot);
        file.extension = name.substr(dot + 1);
        file.size = uint64_t(st.st_size);
        file.modified = int64_t(st.st_mtime);
        file.fileName = std::move(name);
        result.push_back(std::move(file));
    }
    return result;
}

std::string DateText(int64_t modified)
{
    const std::time_t t = std::time_t(modified);
    std::tm tm{};
    if (!::localtime_r(&t, &tm))
        return {};
    char text[32];
    const size_t n = std::strftime(text, sizeof text, "%m %d %Y", &tm);
    return std::string(text, n);
}

CompareRow RowOf(const CandidateFile& file)
{
    return {file.title, file.extension, std::to_string(file.size), DateText(file.modified)};
}

bool Matches(const CompareCriteria& criteria, const CandidateFile& s, const CandidateFile& d)
{
    bool match = true;
    if (criteria.byName)
        match = criteria.caseSensitive ? s.title == d.title : FoldName(s.title) == FoldName(d.title);
    if (criteria.bySize && s.size != 0)
        match = match && s.size == d.size;
    if (criteria.byDate && match)
        match = s.modified == d.modified;
    return match;
}

CompareResult Compare(const CompareCriteria& criteria, const std::vector<CandidateFile>& source,
                      const std::vector<CandidateFile>& destination, const std::function<bool()>& aborted,
                      const std::function<void(bool, size_t)>& progress)
{
    CompareResult result;
    KeyTable exact;
    exact.Build(criteria, destination, true);
    // Source files of size 0 match any size: a second table without it.
    KeyTable anySize;
    const bool needAnySize =
        criteria.bySize &&
        std::any_of(source.begin(), source.end(), [](const CandidateFile& f) { return f.size == 0; });
    if (needAnySize)
        anySize.Build(criteria, destination, false);

    std::vector<bool> added(destination.size(), false);
    for (size_t s = 0; s < source.size(); ++s) {
        if (aborted()) {
            result.aborted = true;
            return result;
        }
        const bool zero = criteria.bySize && source[s].size == 0;
        KeyTable& table = zero ? anySize : exact;
        auto it = table.groupOf.find(KeyOf(criteria, source[s], !zero));
        if (it == table.groupOf.end())
            continue;
        result.source.push_back(s);
        if (progress)
            progress(true, s);
        // Once a group is listed every later source file of the same key
        // adds nothing: this keeps one key shared by all files linear.
        if (table.listed[it->second])
            continue;
        table.listed[it->second] = true;
        for (uint32_t d : table.groups[it->second]) {
            if (added[d])
                continue;
            added[d] = true;
            result.destination.push_back(d);
            if (progress)
                progress(false, d);
        }
    }
    return result;
}

} // namespace vkcompare
