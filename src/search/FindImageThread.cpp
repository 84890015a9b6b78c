#include "FindImageThread.h"

#include <chrono>
#include <memory>

namespace {

// Results go to the dialog at most this often, or when this many wait, so a
// search that finds a hundred thousand files does not flood the GUI thread.
constexpr auto kBatchInterval = std::chrono::milliseconds(40);
constexpr size_t kBatchLimit = 2000;

} // namespace

CFindImageThread::CFindImageThread()
{
    commandsEnabled = true;
    classLockEnabled = true;
    lockName = "CFindImageThread";
}

CFindImageThread::~CFindImageThread() { Kill(0, true); }

void CFindImageThread::SetParameters(const vkfind::FindCriteria& criteria, uint64_t searchId)
{
    m_criteria = criteria;
    m_searchId = searchId;
}

void CFindImageThread::SetHandlers(FoundHandler found, FinishedHandler finished)
{
    m_found = std::move(found);
    m_finished = std::move(finished);
}

void CFindImageThread::DoJob()
{
    using Clock = std::chrono::steady_clock;
    const uint64_t id = m_searchId;
    const FoundHandler found = m_found;
    const FinishedHandler finished = m_finished;
    auto batch = std::make_shared<std::vector<std::string>>();
    Clock::time_point lastPost = Clock::now();
    auto flush = [&] {
        if (batch->empty())
            return;
        PostToOwner([found, id, paths = std::move(batch)] {
            if (found)
                found(id, *paths);
        });
        batch = std::make_shared<std::vector<std::string>>();
        lastPost = Clock::now();
    };
    const vkfind::SearchTotals totals = vkfind::SearchTree(
        m_criteria, [this] { return IsAbortRequested() || StopFlag(); },
        [&](const std::string& path) {
            batch->push_back(path);
            if (batch->size() >= kBatchLimit || Clock::now() - lastPost >= kBatchInterval)
                flush();
        });
    flush();
    PostToOwner([finished, id, totals] {
        if (finished)
            finished(id, totals);
    });
}
