// CJobThread<Job>: a worker whose whole work is one function. Each CmdJob
// runs Job::Run on the worker thread with a copy of the job last given to
// SetJob. The job type holds the inputs and callbacks and names the class
// lock:
//   struct MyJob {
//       static constexpr const char* kLockName = "CMyThread";
//       static void Run(const MyJob& job, CThread& worker);
//       ... inputs and callbacks ...
//   };
// The class is final, so its destructor ends the thread before the job it
// runs goes away.
#pragma once

#include "models/fileops/Thread.h"

#include <mutex>
#include <utility>

// The hooks of a file run with their `aborted` test extended by the
// worker's own cancel request.
template <class Hooks> Hooks CancelledBy(Hooks hooks, const CThread& worker)
{
    hooks.aborted = [&worker, user = std::move(hooks.aborted)] {
        return worker.IsCancelled() || (user && user());
    };
    return hooks;
}

template <class Job> class CJobThread final : public CThread {
  public:
    explicit CJobThread(QObject* owner = nullptr) : CThread(Job::kLockName, owner) {}
    ~CJobThread() override { Kill(0, true); }

    void SetJob(Job job)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_job = std::move(job);
    }

  protected:
    int Work() override { return CommandLoop(); }
    void DoJob() override
    {
        Job job;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            job = m_job;
        }
        Job::Run(job, *this);
    }

  private:
    std::mutex m_mutex;
    Job m_job;
};
