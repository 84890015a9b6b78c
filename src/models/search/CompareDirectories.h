// The comparison behind Compare Directories: the candidate image files of
// each folder and the matching of source files against destination files
// by name without extension, size and date.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vkcompare {

struct CompareCriteria {
    bool byName = false;
    bool byExtension = false; // restricts the candidates to `extensionText`
    bool bySize = false;
    bool byDate = false;
    bool caseSensitive = false; // names compared case-sensitively
    std::string extensionText = "bmp";
    // True when a comparison runs at all; otherwise every candidate is listed.
    bool AnyChosen() const { return byName || byExtension || bySize || byDate; }
};

// One candidate file with what the comparison and the rows need.
struct CandidateFile {
    std::string fileName;  // as in the folder
    std::string title;     // before the last dot
    std::string extension; // after the last dot, as written
    uint64_t size = 0;
    int64_t modified = 0; // seconds since 1970 UTC
};

// The candidate image files of `directory` sorted ignoring case: with the
// extension criterion the files "*." + extensionText, otherwise those with
// one of the nineteen image extensions. Regular files only, one folder
// read; `readable` is false when the folder could not be read.
std::vector<CandidateFile> ListCandidates(const std::string& directory, const CompareCriteria& criteria,
                                          bool* readable = nullptr);

// The four texts of a result row: name, extension, size in bytes, and the
// local date "MM DD YYYY".
struct CompareRow {
    std::string name;
    std::string extension;
    std::string size;
    std::string date;
};
CompareRow RowOf(const CandidateFile& file);
std::string DateText(int64_t modified);

// True when source file `s` and destination file `d` match by the chosen
// criteria (the pairwise rule: a source file of size 0 matches any size).
bool Matches(const CompareCriteria& criteria, const CandidateFile& s, const CandidateFile& d);

struct CompareResult {
    std::vector<size_t> source;      // indices of matching source files, in source order
    std::vector<size_t> destination; // indices of matched destination files, first match first
    bool aborted = false;
};

// The matching source files, each once in source order, and the
// destination files they match, each once in the order in which they were
// first matched (by source file, then destination order) - the rows of the
// pairwise comparison. Looks each source file up in a table of the
// destination's keys instead of comparing every pair. `aborted` is asked
// once per source file. `progress` (may be empty) is told of every row as
// it is added: true for the source side, with the file's index.
CompareResult Compare(const CompareCriteria& criteria, const std::vector<CandidateFile>& source,
                      const std::vector<CandidateFile>& destination, const std::function<bool()>& aborted,
                      const std::function<void(bool sourceSide, size_t index)>& progress = {});

// Why `destination` cannot be compared with `source`: the same name gives
// "You must select another directory."; another name of the same folder
// ("." or a link) says so as well, as every file would then match itself.
// "" for two folders.
std::string SameFolderMessage(const std::string& source, const std::string& destination);

// A name folded for comparisons that ignore case.
std::string FoldName(const std::string& name);

} // namespace vkcompare
