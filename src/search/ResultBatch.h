// CResultBatch: hands a worker's results to its owner's thread in batches,
// at most every 40 ms or when 2,000 wait, so a search that finds a hundred
// thousand files does not flood the GUI thread and still shows results as
// it goes.
#pragma once

#include "fileops/Thread.h"

#include <chrono>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

template <class T>
class CResultBatch {
public:
    // `deliver` runs on the owner's thread with each batch.
    using Deliver = std::function<void(const std::vector<T>&)>;

    CResultBatch(CThread& worker, Deliver deliver) : m_worker(worker), m_deliver(std::move(deliver)) {}
    ~CResultBatch() { Flush(); }
    CResultBatch(const CResultBatch&) = delete;
    CResultBatch& operator=(const CResultBatch&) = delete;

    void Add(T item)
    {
        m_items->push_back(std::move(item));
        if (m_items->size() >= kLimit || Clock::now() - m_lastPost >= kInterval)
            Flush();
    }

    // Sends what waits; call before reporting the end of the job.
    void Flush()
    {
        if (m_items->empty())
            return;
        m_worker.PostToOwner([deliver = m_deliver, items = std::move(m_items)] {
            if (deliver)
                deliver(*items);
        });
        m_items = std::make_shared<std::vector<T>>();
        m_lastPost = Clock::now();
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kInterval = std::chrono::milliseconds(40);
    static constexpr size_t kLimit = 2000;

    CThread& m_worker;
    Deliver m_deliver;
    std::shared_ptr<std::vector<T>> m_items = std::make_shared<std::vector<T>>();
    Clock::time_point m_lastPost = Clock::now();
};
