// Filling the browser's two lists from one directory read, re-applying a
// selection afterwards, and the free space of a directory's drive.
#pragma once

#include "engine/picture/FormatRegistry.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CSettings;
class CFileList;

namespace vkfill {

// The file kinds with a show setting, by their settings slot: bmp eps gif
// ico iff jpg pbm pct pcx pgm png ppm ras tga tif (FileKind::slot).
inline constexpr int kFileTypeCount = kSettingSlotCount;
using ShownTypes = std::array<bool, kFileTypeCount>;
ShownTypes ShownTypesOf(const CSettings& settings);

// The extension patterns in list order, alphabetical ("avif", "bmp", "dib",
// ..., "webp"): every extension of the format registry, and the slot of
// the show setting each follows (-1 for the kinds without a setting).
inline constexpr int kPatternCount = int(kListPatterns.size());
const char* PatternExtension(int pattern);
int PatternFileType(int pattern);
// True when files of the pattern are listed with these types shown.
bool PatternShown(int pattern, const ShownTypes& shown);
// The pattern index a file name falls in, ignoring case; -1 for none.
int PatternOf(const std::string& name);

// The image files of `directory` (regular, not hidden, of a shown type):
// by name in the user's collation ignoring case, or grouped by pattern in
// the order above with directory order within a group. One directory read.
// A directory that cannot be read gives an empty list.
std::vector<std::string> ListImageFiles(const std::string& directory, bool sortByName,
                                        const ShownTypes& shown);
std::vector<std::string> ListImageFiles(const std::string& directory, const CSettings& settings);

// The subdirectories of `directory` sorted ignoring case, hidden ones
// included, "." never, ".." first except at the root.
std::vector<std::string> ListDirectories(const std::string& directory);

// Sorts names ignoring case in the user's collation; names equal that way
// keep a fixed order (byte order).
void SortNames(std::vector<std::string>& names);

// The entry that names `name`: an exact match wins, else the first match
// ignoring case; -1 when none.
int FindEntry(const std::vector<std::string>& entries, const std::string& name);
// True when two names are equal ignoring case.
bool SameName(const std::string& a, const std::string& b);

struct ReselectResult {
    std::vector<int> selectedRows; // rows to select in the control, ascending
    bool allFound = true;          // every selected name was found
    bool clearView = false;        // current file vanished: clear properties and view
};
// Re-applies `list`'s selection to refilled entries. When names vanished,
// `list` mirrors the rows that remain (UpdateSelection); otherwise it is
// left as it was.
ReselectResult ReselectAfterFill(const std::vector<std::string>& entries, CFileList& list);

// Bytes available to the user on the file system of `directory` (64-bit).
uint64_t GetFreeSpace(const std::string& directory);

} // namespace vkfill
