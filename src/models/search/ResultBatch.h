// CResultBatch: hands a worker's results to its owner's thread in batches,
// when 2,000 wait or at most 40 ms after the first of a batch was found,
// so a search that finds a hundred thousand files does not flood the GUI
// thread, and a lone result still shows while the walk goes on.
#pragma once

#include "models/fileops/Thread.h"

#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

template <class T> class CResultBatch {
  public:
    // `deliver` runs on the owner's thread with each batch.
    using Deliver = std::function<void(const std::vector<T>&)>;

    CResultBatch(CThread& worker, Deliver deliver) : m_worker(worker), m_pending(std::make_shared<Pending>())
    {
        m_pending->deliver = std::move(deliver);
    }
    ~CResultBatch() { Flush(); }
    CResultBatch(const CResultBatch&) = delete;
    CResultBatch& operator=(const CResultBatch&) = delete;

    void Add(T item)
    {
        size_t waiting;
        {
            std::lock_guard lock(m_pending->mutex);
            m_pending->items.push_back(std::move(item));
            waiting = m_pending->items.size();
        }
        if (waiting == kLimit)
            Flush();
        else if (waiting == 1)
            FlushLater();
    }

    // Sends what waits; call before reporting the end of the job, whose
    // report then arrives after every result.
    void Flush()
    {
        m_worker.PostToOwner([pending = m_pending] { pending->Send(); });
    }

  private:
    static constexpr auto kInterval = std::chrono::milliseconds(40);
    static constexpr size_t kLimit = 2000;

    // Shared with the calls queued on the owner's thread, which may run
    // after the batch (and the job) ended.
    struct Pending {
        std::mutex mutex;
        std::vector<T> items;
        Deliver deliver;

        void Send()
        {
            std::vector<T> batch;
            {
                std::lock_guard lock(mutex);
                batch.swap(items);
            }
            if (!batch.empty() && deliver)
                deliver(batch);
        }
    };

    // The worker has no event loop: the owner's thread keeps the timer,
    // which ends with the owner.
    void FlushLater()
    {
        QObject* owner = nullptr;
        uint32_t value = 0;
        m_worker.GetOwner(owner, value);
        m_worker.PostToOwner([pending = m_pending, owner] {
            QTimer::singleShot(kInterval, owner, [pending] { pending->Send(); });
        });
    }

    CThread& m_worker;
    std::shared_ptr<Pending> m_pending;
};
