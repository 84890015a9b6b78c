// Select Group and Unselect Group: the criteria of the two dialogs, their
// checks, and choosing the entries that match.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vkfileops {

struct GroupCriteria {
    bool useExtension = false;
    std::string extension = "bmp";
    bool useSize = false;
    int sizeOperator = 0; // 0 "=", 1 "<", 2 ">"
    uint64_t sizeNumber = 1;
    int sizeUnit = 0; // 0 "bytes", 1 "KB", 2 "MB"
    bool useDate = false;
    int fromMonth = 1, fromDay = 1, fromYear = 2000;
    int toMonth = 1, toDay = 1, toYear = 2000;
    bool expandSelection = false;
};

// The extensions offered: the classic ones alphabetically, then every
// other extension read, alphabetically.
const std::vector<std::string>& GroupExtensions();

// The message that keeps the dialog open, or "" when the values are fine.
std::string ValidateGroupCriteria(const GroupCriteria& criteria);
bool AnyCriterion(const GroupCriteria& criteria);
// The size criterion in bytes (64-bit: "MB" values above 2047 work).
uint64_t GroupSizeBytes(const GroupCriteria& criteria);
// Local time of a date at 01:01:01, in seconds since 1970.
int64_t GroupDateTime(int year, int month, int day);

// Whether a file with this name, size and modification time matches every
// checked criterion.
bool MatchesGroup(const GroupCriteria& criteria, const std::string& name, uint64_t size, int64_t mtime);

// The file status the match needs: size and modification time; false when
// it cannot be read (such an entry never matches).
using StatusReader = std::function<bool(const std::string& name, uint64_t& size, int64_t& mtime)>;

// The selection after Select Group (`unselect` false) or Unselect Group.
// Nothing changes when no criterion is checked.
std::vector<bool> ApplyGroup(const GroupCriteria& criteria, bool unselect,
                             const std::vector<std::string>& names, std::vector<bool> selected,
                             const StatusReader& status);

} // namespace vkfileops
