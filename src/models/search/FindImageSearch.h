// The search behind Find Images: the criteria a user gives and the walk of
// a folder tree that reports every matching image file as it is found.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vkfind {

enum SizeCompare : int { SizeEqual = 0, SizeBelow = 1, SizeAbove = 2 };
enum SizeUnit : int { UnitBytes = 0, UnitKB = 1, UnitMB = 2 };

struct FindCriteria {
    std::string lookIn;            // no trailing separator (the root stays "/")
    std::string extension = "*.*"; // one extension read, or "*.*" for every image type
    std::string name;              // name without extension; "" for any
    int sizeCompare = SizeEqual;
    uint64_t sizeBytes = 0; // 0: no size criterion
    bool dateActive = false;
    int64_t dateFrom = 0; // seconds since 1970 UTC, exclusive bounds
    int64_t dateTo = 0;
};

// The extensions "all files" stands for, in list order: the classic
// nineteen, then every other extension read.
extern const int kImageExtensionCount;
const char* ImageExtension(int index);
// True when `ext` (without the dot) is one of them, ignoring case.
bool IsImageExtension(const std::string& ext);

// The size criterion from the number typed and the unit chosen. False when
// the text is not a whole number or the bytes do not fit in 64 bits.
bool MakeSizeCriterion(const std::string& number, int unit, uint64_t& bytes);

// The date range from month, day and year of both dates as typed, each at
// 01:01:01 local time. False (criterion off) unless every field is a number
// with month 1..12, day 1..31 and year 1970..2038 for both dates.
bool MakeDateRange(const std::string fields[6], int64_t& from, int64_t& to);

// Case-insensitive equality (ASCII fast, Unicode case folding otherwise).
bool SameIgnoringCase(const std::string& a, const std::string& b);

// True when a file named `fileName` passes the name and extension tests.
bool MatchesNameAndExtension(const FindCriteria& criteria, const std::string& fileName);
// True when a file that passed them also passes the size and date tests.
bool MatchesSizeAndDate(const FindCriteria& criteria, uint64_t size, int64_t modified);

// What the Find Images dialog holds, as typed and chosen.
struct FindInput {
    std::string lookIn;
    int extensionIndex = 0; // 0 "all files", then the nineteen extensions
    std::string name;
    bool sizeChecked = false;
    int sizeCompare = SizeEqual;
    std::string sizeText;
    int sizeUnit = UnitBytes;
    bool dateChecked = false;
    std::string dateFields[6]; // month, day, year of the first date, then of the second
};
// The criteria for the worker. The folder loses one trailing separator; a
// size that is not a number is no criterion; an invalid date range is off.
FindCriteria CriteriaFrom(const FindInput& input);

struct SearchTotals {
    uint64_t found = 0;
    uint64_t folders = 0;    // folders read
    uint64_t unreadable = 0; // folders that could not be opened or read
    bool aborted = false;
};

// Walks `criteria.lookIn` and every folder below it, reading each folder
// once. Symbolic links to folders are never followed (a link loop would
// recurse without end); links to files count as the files they name.
// Folders that cannot be read are skipped. `found` receives the full path
// of each match at once; `aborted` is asked once per entry.
SearchTotals SearchTree(const FindCriteria& criteria, const std::function<bool()>& aborted,
                        const std::function<void(const std::string& path)>& found);

} // namespace vkfind
