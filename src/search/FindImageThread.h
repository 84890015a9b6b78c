// CFindImageThread: the Find Images worker. Walks the folder tree with the
// dialog's criteria and hands the paths it finds to the dialog's thread in
// small batches as it goes, then the end of the search.
#pragma once

#include "FindImageSearch.h"
#include "fileops/Thread.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CFindImageThread : public CThread {
public:
    // On the owner's thread: paths found by search `searchId`, and its end
    // with the totals (aborted when Stop or a new search ended it).
    using FoundHandler = std::function<void(uint64_t searchId, const std::vector<std::string>& paths)>;
    using FinishedHandler = std::function<void(uint64_t searchId, const vkfind::SearchTotals& totals)>;

    CFindImageThread();
    ~CFindImageThread() override;

    void SetParameters(const vkfind::FindCriteria& criteria, uint64_t searchId);
    void SetHandlers(FoundHandler found, FinishedHandler finished);

protected:
    int Work() override { return CommandLoop(); }
    void DoJob() override;

private:
    vkfind::FindCriteria m_criteria;
    uint64_t m_searchId = 0;
    FoundHandler m_found;
    FinishedHandler m_finished;
};
