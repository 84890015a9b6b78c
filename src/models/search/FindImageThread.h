// CFindImageThread: the Find Images worker. Walks the folder tree with the
// dialog's criteria and hands the paths it finds to the dialog's thread in
// small batches as it goes, then the end of the search.
#pragma once

#include "models/fileops/JobThread.h"
#include "models/search/FindImageSearch.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct FindImageJob {
    static constexpr const char* kLockName = "CFindImageThread";
    static void Run(const FindImageJob& job, CThread& worker);

    vkfind::FindCriteria criteria;
    uint64_t searchId = 0;
    // On the owner's thread: paths found by search `searchId`, and its end
    // with the totals (aborted when Stop or a new search ended it).
    std::function<void(uint64_t searchId, const std::vector<std::string>& paths)> found;
    std::function<void(uint64_t searchId, const vkfind::SearchTotals& totals)> finished;
};

using CFindImageThread = CJobThread<FindImageJob>;
