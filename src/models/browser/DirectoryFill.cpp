#include "models/browser/DirectoryFill.h"

#include "engine/picture/FileName.h"
#include "models/browser/FileList.h"
#include "models/platform/Drives.h"
#include "models/platform/FileStatus.h"
#include "models/platform/Path.h"
#include "models/settings/Settings.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QString>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <numeric>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>

namespace vkfill {

namespace {

constexpr const auto& kPatterns = kListPatterns;
constexpr size_t kLongestPattern = [] {
    size_t n = 0;
    for (const ListedExtension& p : kListPatterns)
        n = std::max(n, std::string_view(p.extension).size());
    return n;
}();

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Regular file, directory or something else; links are followed and the
// status is read only when the directory entry does not say.
enum class Kind { Regular, Directory, Other };

Kind KindOf(DIR* dir, const dirent* d)
{
    switch (d->d_type) {
    case DT_REG:
        return Kind::Regular;
    case DT_DIR:
        return Kind::Directory;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return Kind::Other;
    }
    struct stat st {};
    if (::fstatat(::dirfd(dir), d->d_name, &st, 0) != 0)
        return Kind::Other;
    if (S_ISREG(st.st_mode))
        return Kind::Regular;
    return S_ISDIR(st.st_mode) ? Kind::Directory : Kind::Other;
}

bool IsAscii(const std::string& s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsRootDirectory(const std::string& directory)
{
    if (vkpath::IsRoot(directory))
        return true;
    char* resolved = ::realpath(directory.c_str(), nullptr);
    if (!resolved)
        return false;
    const bool root = std::strcmp(resolved, "/") == 0;
    std::free(resolved);
    return root;
}

// A key equal for names that are equal ignoring case.
std::string FoldCase(const std::string& name)
{
    if (IsAscii(name)) {
        std::string out = name;
        for (char& c : out)
            c = LowerAscii(c);
        return out;
    }
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toCaseFolded().toStdString();
}

} // namespace

const char* PatternExtension(int pattern)
{
    return pattern >= 0 && pattern < kPatternCount ? kPatterns[pattern].extension : "";
}

int PatternFileType(int pattern)
{
    return pattern >= 0 && pattern < kPatternCount ? kPatterns[pattern].slot : -1;
}

bool PatternShown(int pattern, const ShownTypes& shown)
{
    const int type = PatternFileType(pattern);
    return pattern >= 0 && pattern < kPatternCount && (type < 0 || shown[static_cast<size_t>(type)]);
}

int PatternOf(const std::string& name)
{
    const size_t dot = vkname::ExtensionDot(name);
    if (dot == std::string::npos || name.size() - dot - 1 > kLongestPattern)
        return -1;
    char ext[kLongestPattern + 1] = {};
    for (size_t i = dot + 1, k = 0; i < name.size(); ++i, ++k)
        ext[k] = LowerAscii(name[i]);
    for (int p = 0; p < kPatternCount; ++p)
        if (std::strcmp(ext, kPatterns[p].extension) == 0)
            return p;
    return -1;
}

ShownTypes ShownTypesOf(const CSettings& s)
{
    ShownTypes shown{};
    for (int slot = 0; slot < kFileTypeCount; ++slot)
        shown[size_t(slot)] = *s.ShowFlag(slot) != 0;
    return shown;
}

void SortNames(std::vector<std::string>& names)
{
    if (names.size() < 2)
        return;
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::vector<uint32_t> order(names.size());
    std::iota(order.begin(), order.end(), 0u);
    // The C locale's sort keys are the plain code points and keep case;
    // folded names give the case-insensitive order there.
    const QCollatorSortKey lowerA = collator.sortKey(QStringLiteral("a"));
    if (lowerA.compare(collator.sortKey(QStringLiteral("A"))) != 0 ||
        lowerA.compare(collator.sortKey(QStringLiteral("B"))) >= 0) {
        std::vector<std::string> folded;
        folded.reserve(names.size());
        for (const auto& name : names)
            folded.push_back(FoldCase(name));
        std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            const int c = folded[a].compare(folded[b]);
            return c != 0 ? c < 0 : names[a] < names[b];
        });
    } else {
        // One sort key per name, then cheap key comparisons.
        std::vector<QCollatorSortKey> keys;
        keys.reserve(names.size());
        for (const auto& name : names)
            keys.push_back(
                collator.sortKey(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))));
        std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            const int c = keys[a].compare(keys[b]);
            return c != 0 ? c < 0 : names[a] < names[b];
        });
    }
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (uint32_t i : order)
        sorted.push_back(std::move(names[i]));
    names.swap(sorted);
}

std::vector<std::string> ListImageFiles(const std::string& directory, bool sortByName,
                                        const ShownTypes& shown)
{
    std::vector<std::string> result;
    DirHandle dir(::opendir(directory.empty() ? "." : directory.c_str()));
    if (!dir)
        return result;
    std::vector<std::string> groups[kPatternCount];
    while (const dirent* d = ::readdir(dir.get())) {
        if (d->d_name[0] == '.')
            continue; // hidden, and "." and ".."
        std::string name = d->d_name;
        const int pattern = PatternOf(name);
        if (!PatternShown(pattern, shown))
            continue;
        if (KindOf(dir.get(), d) != Kind::Regular)
            continue; // directories named like images, sockets, devices
        if (sortByName)
            result.push_back(std::move(name));
        else
            groups[pattern].push_back(std::move(name));
    }
    if (sortByName) {
        SortNames(result);
        return result;
    }
    size_t total = 0;
    for (const auto& g : groups)
        total += g.size();
    result.reserve(total);
    for (auto& g : groups)
        for (auto& name : g)
            result.push_back(std::move(name));
    return result;
}

std::vector<std::string> ListImageFiles(const std::string& directory, const CSettings& settings)
{
    return ListImageFiles(directory, settings.sortByName != 0, ShownTypesOf(settings));
}

std::vector<std::string> ListDirectories(const std::string& directory)
{
    std::vector<std::string> result;
    DirHandle dir(::opendir(directory.empty() ? "." : directory.c_str()));
    if (!dir)
        return result;
    bool hasParent = false;
    while (const dirent* d = ::readdir(dir.get())) {
        if (std::strcmp(d->d_name, ".") == 0)
            continue;
        if (std::strcmp(d->d_name, "..") == 0) {
            hasParent = true;
            continue;
        }
        if (KindOf(dir.get(), d) == Kind::Directory)
            result.emplace_back(d->d_name);
    }
    SortNames(result);
    if (hasParent && !IsRootDirectory(directory.empty() ? "." : directory))
        result.insert(result.begin(), "..");
    return result;
}

bool SameName(const std::string& a, const std::string& b)
{
    if (IsAscii(a) && IsAscii(b)) {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (LowerAscii(a[i]) != LowerAscii(b[i]))
                return false;
        return true;
    }
    return FoldCase(a) == FoldCase(b);
}

int FindEntry(const std::vector<std::string>& entries, const std::string& name)
{
    const size_t limit = std::min(entries.size(), static_cast<size_t>(INT_MAX));
    for (size_t i = 0; i < limit; ++i)
        if (entries[i] == name)
            return static_cast<int>(i);
    for (size_t i = 0; i < limit; ++i)
        if (SameName(entries[i], name))
            return static_cast<int>(i);
    return -1;
}

ReselectResult ReselectAfterFill(const std::vector<std::string>& entries, CFileList& list)
{
    ReselectResult result;
    std::vector<bool> selected(entries.size(), false);
    size_t selectedCount = 0;
    const auto& names = list.SelectedNames();
    std::vector<bool> matched(names.size(), false);

    // Exact matches first, so that of two names differing only in case each
    // finds its own entry before any falls back to a case-insensitive one.
    std::unordered_map<std::string_view, size_t> exact;
    exact.reserve(entries.size());
    for (size_t i = entries.size(); i-- > 0;)
        exact[entries[i]] = i; // the first entry of a name wins
    for (size_t n = 0; n < names.size(); ++n) {
        auto it = exact.find(names[n]);
        if (it != exact.end() && !selected[it->second]) {
            selected[it->second] = true;
            matched[n] = true;
            ++selectedCount;
        }
    }
    if (selectedCount < names.size()) {
        std::unordered_multimap<std::string, size_t> folded;
        folded.reserve(entries.size());
        for (size_t i = 0; i < entries.size(); ++i)
            if (!selected[i])
                folded.emplace(FoldCase(entries[i]), i);
        for (size_t n = 0; n < names.size(); ++n) {
            if (matched[n])
                continue;
            auto [first, last] = folded.equal_range(FoldCase(names[n]));
            size_t best = SIZE_MAX;
            for (auto it = first; it != last; ++it)
                if (!selected[it->second])
                    best = std::min(best, it->second);
            if (best != SIZE_MAX) {
                selected[best] = true;
                ++selectedCount;
            }
        }
    }
    for (size_t i = 0; i < entries.size(); ++i)
        if (selected[i])
            result.selectedRows.push_back(static_cast<int>(i));
    if (selectedCount < names.size()) {
        result.allFound = false;
        result.clearView = entries.empty() || FindEntry(entries, list.GetCurrentFile()) < 0;
        list.UpdateSelection(entries, selected);
    }
    return result;
}

uint64_t GetFreeSpace(const std::string& directory)
{
    // A full disk has no free bytes; only a directory that vanished is
    // measured by the drive it was on.
    if (vkplatform::IsDirectory(directory))
        return vkplatform::FreeBytes(directory);
    return vkplatform::FreeBytes(vkplatform::MountPointOf(directory));
}

} // namespace vkfill
