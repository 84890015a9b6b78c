// CCompareDirectoriesThread: the Compare Directories worker. Reads the
// candidates of both folders, compares them and hands the rows of each
// side to the dialog's thread in small batches as they are found.
#pragma once

#include "models/fileops/JobThread.h"
#include "models/search/CompareDirectories.h"

#include <functional>
#include <string>
#include <vector>

// One row for a side's list.
struct CompareRowEntry {
    bool sourceSide = true;
    std::string fileName;
    vkcompare::CompareRow row;
};

// How a comparison ended.
struct CompareOutcome {
    enum Kind { Done, SourceMissing, DestinationMissing, NoFiles, Aborted } kind = Done;
    size_t sourceRows = 0;
    size_t destinationRows = 0;
};

struct CompareDirectoriesJob {
    static constexpr const char* kLockName = "CCompareDirectoriesThread";
    static void Run(const CompareDirectoriesJob& job, CThread& worker);

    vkcompare::CompareCriteria criteria;
    std::string source;
    std::string destination;
    // Both run on the owner's thread.
    std::function<void(const std::vector<CompareRowEntry>& rows)> rows;
    std::function<void(const CompareOutcome& outcome)> finished;
};

using CCompareDirectoriesThread = CJobThread<CompareDirectoriesJob>;
