// Naming rules of Save As and Convert: the save dialog's filters, the case
// of a new extension, the destination formats of Convert, name clashes and
// when a converted file's source may go. Engine only, no Qt.
#pragma once

#include <string>
#include <vector>

struct SaveFilter {
    const char* description; // "Windows Bitmap (*.bmp)"
    const char* extension;   // "bmp"
    int code;
};
// The filters of the save dialog, one per save target, in its order.
const std::vector<SaveFilter>& SaveFilters();

// Everything before the last "." of a file name; the whole name without one.
std::string NameWithoutExtension(const std::string& name);
// The extension of the last component of a path (after its last "."), "" for none.
std::string ExtensionOfPath(const std::string& path);
// `path` with its extension in upper case (`upper`) or lower case.
std::string WithExtensionCase(const std::string& path, bool upper);

struct ConvertFormat {
    const char* text;      // "Windows Bitmap (BMP)"
    const char* extension; // ".bmp"
    int code;              // save format code
};
// The destination list of Convert, in list order.
const std::vector<ConvertFormat>& ConvertFormats();
// The format at a list index; index 0 for one outside the list.
const ConvertFormat& ConvertFormatAt(int index);
// Base name of `file` + the format's extension in the case asked for.
std::string ConvertedName(const std::string& file, int formatIndex, bool upperCase);

// True when `name` equals an entry of `names` without regard to case.
bool NameInList(const std::string& name, const std::vector<std::string>& names);

// Overwrite policies of Convert (and of copy, move and paste).
inline constexpr int kPolicyAsk = 0;
inline constexpr int kPolicyReplace = 1;
inline constexpr int kPolicyRename = 2;
inline constexpr int kPolicySkip = 3;

enum class ClashStep {
    Write,      // no clash, or Replace
    Ask,        // "This file already exists. Overwrite it?"
    PromptName, // the rename prompt
    Stop,       // Skip: nothing is written, nothing is said
};
ClashStep ConvertClashStep(bool clash, int policy);

// The answer of the rename prompt checked: an empty answer is asked again,
// a candidate (answer + extension) that is in the list is refused.
enum class RenameAnswer { Empty, Exists, Accepted };
RenameAnswer CheckRenameAnswer(const std::string& answer, const std::string& extension,
                               const std::vector<std::string>& names);

// The names of every entry of `folder` (files of any type, folders, hidden
// ones), for name clashes: the file list may hide some or be out of date.
std::vector<std::string> FolderEntryNames(const std::string& folder);

// True when both paths are one string or name one file (a link, or a
// folder spelt two ways).
bool NamesSameFile(const std::string& a, const std::string& b);
// Whether Convert may delete `source` after writing `destination`: never
// when both name the same file (converting to the file's own format).
bool MayDeleteSource(const std::string& source, const std::string& destination);

inline constexpr const char* kTextAlreadyExistsOverwrite = "This file already exists. Overwrite it?";
inline constexpr const char* kTextAlreadyExists = "This file already exists.";
inline constexpr const char* kTextCantSaveFile = "Can't save file.";
inline constexpr const char* kTextCantDelete = "Can't delete ";
inline constexpr const char* kTextReadOnlyFile = "This is a read-only file.";
// After the path of a file whose picture is no longer the one shown.
inline constexpr const char* kTextNotShownPicture =
    "\nThe picture shown no longer comes from this file, so nothing was done.";
