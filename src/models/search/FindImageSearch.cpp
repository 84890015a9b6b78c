#include "models/search/FindImageSearch.h"

#include "engine/picture/FileName.h"
#include "engine/picture/FormatRegistry.h"
#include "models/platform/Path.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vkfind {

namespace {

bool IsAscii(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool ParseInt(const std::string& text, int64_t& value)
{
    size_t begin = text.find_first_not_of(' ');
    size_t end = text.find_last_not_of(' ');
    if (begin == std::string::npos)
        return false;
    const char* first = text.data() + begin;
    const char* last = text.data() + end + 1;
    auto [ptr, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && ptr == last;
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

} // namespace

const int kImageExtensionCount = int(kExtensionChoices.size());

const char* ImageExtension(int index)
{
    return index >= 0 && index < kImageExtensionCount ? kExtensionChoices[size_t(index)] : "";
}

bool IsImageExtension(const std::string& ext)
{
    return FileKindOfExtension(ext) != nullptr;
}

bool MakeSizeCriterion(const std::string& number, int unit, uint64_t& bytes)
{
    bytes = 0;
    const size_t begin = number.find_first_not_of(' ');
    if (begin == std::string::npos)
        return true; // nothing typed: no size criterion
    const size_t end = number.find_last_not_of(' ') + 1;
    uint64_t value = 0;
    auto [ptr, ec] = std::from_chars(number.data() + begin, number.data() + end, value);
    const int shift = unit == UnitKB ? 10 : unit == UnitMB ? 20 : 0;
    if (ec == std::errc::result_out_of_range) {
        bytes = std::numeric_limits<uint64_t>::max();
        return ptr == number.data() + end;
    }
    if (ec != std::errc() || ptr != number.data() + end)
        return false;
    // Values that would overflow saturate: "> a huge size" finds nothing.
    bytes = value > (std::numeric_limits<uint64_t>::max() >> shift) ? std::numeric_limits<uint64_t>::max()
                                                                    : value << shift;
    return true;
}

bool MakeDateRange(const std::string fields[6], int64_t& from, int64_t& to)
{
    int64_t v[6];
    for (int i = 0; i < 6; ++i)
        if (!ParseInt(fields[i], v[i]))
            return false;
    auto valid = [](int64_t month, int64_t day, int64_t year) {
        return month >= 1 && month <= 12 && day >= 1 && day <= 31 && year >= 1970 && year <= 2038;
    };
    if (!valid(v[0], v[1], v[2]) || !valid(v[3], v[4], v[5]))
        return false;
    auto at = [](int64_t month, int64_t day, int64_t year) {
        std::tm tm{};
        tm.tm_sec = 1;
        tm.tm_min = 1;
        tm.tm_hour = 1;
        tm.tm_mday = int(day);
        tm.tm_mon = int(month - 1);
        tm.tm_year = int(year - 1900);
        tm.tm_isdst = -1;
        return int64_t(std::mktime(&tm)); // time_t is 64-bit: 2038 does not wrap
    };
    from = at(v[0], v[1], v[2]);
    to = at(v[3], v[4], v[5]);
    return true;
}

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    if (IsAscii(a) && IsAscii(b)) {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (LowerAscii(a[i]) != LowerAscii(b[i]))
                return false;
        return true;
    }
    return QString::fromUtf8(a).compare(QString::fromUtf8(b), Qt::CaseInsensitive) == 0;
}

bool MatchesNameAndExtension(const FindCriteria& criteria, const std::string& fileName)
{
    const size_t dot = vkname::ExtensionDot(fileName);
    const std::string ext = dot == std::string::npos ? std::string() : fileName.substr(dot + 1);
    if (criteria.extension == "*.*") {
        if (!IsImageExtension(ext))
            return false;
    } else if (dot == std::string::npos || !SameIgnoringCase(ext, criteria.extension)) {
        return false;
    }
    if (!criteria.name.empty() &&
        !SameIgnoringCase(dot == std::string::npos ? fileName : fileName.substr(0, dot), criteria.name))
        return false;
    return true;
}

bool MatchesSizeAndDate(const FindCriteria& criteria, uint64_t size, int64_t modified)
{
    if (criteria.sizeBytes != 0) {
        switch (criteria.sizeCompare) {
        case SizeBelow:
            if (!(size < criteria.sizeBytes))
                return false;
            break;
        case SizeAbove:
            if (!(size > criteria.sizeBytes))
                return false;
            break;
        default:
            if (size != criteria.sizeBytes)
                return false;
            break;
        }
    }
    if (criteria.dateActive && !(modified > criteria.dateFrom && modified < criteria.dateTo))
        return false;
    return true;
}

FindCriteria CriteriaFrom(const FindInput& input)
{
    FindCriteria c;
    c.lookIn = input.lookIn;
    if (c.lookIn.size() > 1 && c.lookIn.back() == vkpath::kSeparator)
        c.lookIn.pop_back();
    c.extension = input.extensionIndex <= 0 || input.extensionIndex > kImageExtensionCount
                      ? std::string("*.*")
                      : std::string(ImageExtension(input.extensionIndex - 1));
    c.name = input.name;
    c.sizeCompare = std::clamp(input.sizeCompare, 0, 2);
    if (input.sizeChecked && !MakeSizeCriterion(input.sizeText, input.sizeUnit, c.sizeBytes))
        c.sizeBytes = 0;
    if (input.dateChecked)
        c.dateActive = MakeDateRange(input.dateFields, c.dateFrom, c.dateTo);
    return c;
}

SearchTotals SearchTree(const FindCriteria& criteria, const std::function<bool()>& aborted,
                        const std::function<void(const std::string& path)>& found)
{
    SearchTotals totals;
    const bool needStatus = criteria.sizeBytes != 0 || criteria.dateActive;
    // Depth first with an explicit stack: a deep tree costs memory, not
    // open descriptors or machine stack.
    std::vector<std::string> pending{criteria.lookIn.empty() ? std::string(".") : criteria.lookIn};
    std::vector<std::string> subfolders;
    bool first = true;
    while (!pending.empty()) {
        const std::string dir = std::move(pending.back());
        pending.pop_back();
        // The folder chosen may itself be a link; links met below are not followed.
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (first ? 0 : O_NOFOLLOW);
        first = false;
        const int fd = ::open(dir.c_str(), flags);
        if (fd < 0) {
            ++totals.unreadable;
            continue;
        }
        std::unique_ptr<DIR, DirCloser> handle(::fdopendir(fd));
        if (!handle) {
            ::close(fd);
            ++totals.unreadable;
            continue;
        }
        ++totals.folders;
        subfolders.clear();
        for (;;) {
            if (aborted()) {
                totals.aborted = true;
                return totals;
            }
            errno = 0;
            const dirent* d = ::readdir(handle.get());
            if (!d) {
                if (errno != 0)
                    ++totals.unreadable; // what was read so far still counts
                break;
            }
            const char* name = d->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            unsigned char type = d->d_type;
            struct stat st {};
            bool haveStatus = false;
            if (type == DT_UNKNOWN || type == DT_LNK) {
                if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    continue; // vanished
                haveStatus = true;
                if (S_ISDIR(st.st_mode))
                    type = DT_DIR;
                else if (S_ISREG(st.st_mode))
                    type = DT_REG;
                else if (S_ISLNK(st.st_mode)) {
                    // A link counts as the file it names, never as a folder.
                    if (::fstatat(fd, name, &st, 0) != 0 || !S_ISREG(st.st_mode))
                        continue;
                    type = DT_REG;
                } else
                    continue;
            }
            if (type == DT_DIR) {
                subfolders.push_back(vkpath::Join(dir, name));
                continue;
            }
            if (type != DT_REG)
                continue;
            const std::string fileName(name);
            if (!MatchesNameAndExtension(criteria, fileName))
                continue;
            if (needStatus) {
                if (!haveStatus && ::fstatat(fd, name, &st, 0) != 0)
                    continue;
                if (!MatchesSizeAndDate(criteria, uint64_t(st.st_size), int64_t(st.st_mtime)))
                    continue;
            }
            ++totals.found;
            found(vkpath::Join(dir, fileName));
        }
        // Subfolders in the order read.
        for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it)
            pending.push_back(std::move(*it));
    }
    return totals;
}

} // namespace vkfind
