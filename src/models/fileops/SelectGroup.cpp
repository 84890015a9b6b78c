#include "models/fileops/SelectGroup.h"

#include "engine/picture/FormatRegistry.h"
#include "engine/save/NumberedName.h"

#include <QString>

#include <ctime>

namespace vkfileops {

const std::vector<std::string>& GroupExtensions()
{
    static const std::vector<std::string> list(kExtensionChoices.begin(), kExtensionChoices.end());
    return list;
}

std::string ValidateGroupCriteria(const GroupCriteria& c)
{
    if (c.useSize && (c.sizeNumber < 1 || c.sizeNumber > 2147483647u))
        return "Please enter a value between 1 and 2147483647 for file size.";
    if (c.useDate && (c.fromYear < 1970 || c.fromYear > 2037 || c.toYear < 1970 || c.toYear > 2037))
        return "Please enter a value between 1970 and 2037.";
    return std::string();
}

bool AnyCriterion(const GroupCriteria& c)
{
    return c.useExtension || c.useSize || c.useDate;
}

uint64_t GroupSizeBytes(const GroupCriteria& c)
{
    static const uint64_t units[] = {1, 1024, 1048576};
    const uint64_t unit = units[(c.sizeUnit >= 0 && c.sizeUnit <= 2) ? c.sizeUnit : 0];
    return c.sizeNumber * unit; // at most 2^31 MB, well within 64 bits
}

int64_t GroupDateTime(int year, int month, int day)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = 1;
    t.tm_min = 1;
    t.tm_sec = 1;
    t.tm_isdst = -1;
    return int64_t(std::mktime(&t));
}

bool MatchesGroup(const GroupCriteria& c, const std::string& name, uint64_t size, int64_t mtime)
{
    if (c.useExtension) {
        const auto [base, ext] = vkname::SplitAtLastDot(name);
        if (ext.empty() || QString::fromStdString(ext.substr(1))
                                   .compare(QString::fromStdString(c.extension), Qt::CaseInsensitive) != 0)
            return false;
    }
    if (c.useSize) {
        const uint64_t bytes = GroupSizeBytes(c);
        const bool ok = c.sizeOperator == 1   ? size < bytes
                        : c.sizeOperator == 2 ? size > bytes
                                              : size == bytes;
        if (!ok)
            return false;
    }
    if (c.useDate) {
        const int64_t from = GroupDateTime(c.fromYear, c.fromMonth, c.fromDay);
        const int64_t to = GroupDateTime(c.toYear, c.toMonth, c.toDay);
        if (!(mtime > from && mtime < to))
            return false;
    }
    return true;
}

std::vector<bool> ApplyGroup(const GroupCriteria& c, bool unselect, const std::vector<std::string>& names,
                             std::vector<bool> selected, const StatusReader& status)
{
    selected.resize(names.size(), false);
    if (!AnyCriterion(c))
        return selected;
    for (size_t i = 0; i < names.size(); ++i) {
        if (unselect && !selected[i])
            continue;
        uint64_t size = 0;
        int64_t mtime = 0;
        const bool match = status(names[i], size, mtime) && MatchesGroup(c, names[i], size, mtime);
        if (unselect) {
            if (match)
                selected[i] = false;
        } else if (match) {
            selected[i] = true;
        } else if (!c.expandSelection) {
            selected[i] = false;
        }
    }
    return selected;
}

} // namespace vkfileops
