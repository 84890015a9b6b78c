// CCompareDirectoriesThread: the Compare Directories worker. Reads the
// candidates of both folders, compares them and hands the rows of each
// side to the dialog's thread in small batches as they are found.
#pragma once

#include "CompareDirectories.h"
#include "fileops/Thread.h"

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

class CCompareDirectoriesThread : public CThread {
public:
    using RowsHandler = std::function<void(const std::vector<CompareRowEntry>& rows)>;
    using FinishedHandler = std::function<void(const CompareOutcome& outcome)>;

    CCompareDirectoriesThread();
    ~CCompareDirectoriesThread() override;

    void SetParameters(const vkcompare::CompareCriteria& criteria, const std::string& source,
                       const std::string& destination);
    // Both run on the owner's thread.
    void SetHandlers(RowsHandler rows, FinishedHandler finished);

protected:
    int Work() override { return CommandLoop(); }
    void DoJob() override;

private:
    vkcompare::CompareCriteria m_criteria;
    std::string m_source;
    std::string m_destination;
    RowsHandler m_rows;
    FinishedHandler m_finished;
};
