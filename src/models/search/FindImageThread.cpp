#include "models/search/FindImageThread.h"

#include "models/search/ResultBatch.h"

void FindImageJob::Run(const FindImageJob& job, CThread& worker)
{
    const uint64_t id = job.searchId;
    vkfind::SearchTotals totals;
    {
        CResultBatch<std::string> batch(worker,
                                        [found = job.found, id](const std::vector<std::string>& paths) {
                                            if (found)
                                                found(id, paths);
                                        });
        totals = vkfind::SearchTree(
            job.criteria, [&worker] { return worker.IsCancelled(); },
            [&batch](const std::string& path) { batch.Add(path); });
    }
    worker.PostToOwner([finished = job.finished, id, totals] {
        if (finished)
            finished(id, totals);
    });
}
