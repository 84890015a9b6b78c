// Rename of a file or of a folder, Rename Series and Make Directory. All
// renames refuse to replace an existing file or folder.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vkfileops {

enum class RenameOutcome {
    Ok,
    Exists,  // the new name is taken
    Invalid, // the new name is empty, ".", ".." or holds a "/"
    Failed   // any other failure; the error text says why
};

// The prompt of the Rename dialog for a file and for a folder.
std::string RenameFilePrompt(const std::string& title);
std::string RenameDirectoryPrompt(const std::string& last);

// True for a name that can stand as one path component.
bool IsValidName(const std::string& name);

// Renames dir/name to dir/(newTitle + the old extension with its dot).
// `newName` gets the new file name.
RenameOutcome RenameFileKeepingExtension(const std::string& dir, const std::string& name,
                                         const std::string& newTitle, std::string& newName,
                                         std::string* error = nullptr);

// Renames the folder `path` to a sibling named `newLast`; `newPath` gets its
// new path.
RenameOutcome RenameDirectory(const std::string& path, const std::string& newLast, std::string& newPath,
                              std::string* error = nullptr);

// The renames of a series, in order: each pending name to base + n + its
// extension, skipping every number whose name (without extension, ignoring
// case) is already taken by an entry of `listNames`; a pending file that
// already has such a name keeps it.
std::vector<std::pair<std::string, std::string>> PlanRenameSeries(const std::vector<std::string>& listNames,
                                                                  const std::vector<std::string>& pending,
                                                                  const std::string& base);
// Carries out a plan in `dir`; a rename that fails (the name is taken by a
// file outside the list, say) leaves that file as it was. Returns the count
// renamed.
int RunRenameSeries(const std::string& dir, const std::vector<std::pair<std::string, std::string>>& plan);

// Creates dir/name; false with `error` when it cannot.
bool MakeDirectory(const std::string& dir, const std::string& name, std::string* error = nullptr);

} // namespace vkfileops
