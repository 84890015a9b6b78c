// Delete: the question asked first, the run (into the trash or for good,
// file by file) and CDeleteThread, which runs it off the GUI thread.
#pragma once

#include "models/fileops/JobThread.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vkfileops {

struct DeleteRequest {
    std::string dir;
    std::vector<std::string> names;
    uint64_t totalSize = 0; // bytes of all names; 0 counts as 1
    bool useRecycleBin = true;
};

struct DeleteHooks {
    std::function<void(const std::string& name)> showName;
    std::function<void(int percent)> progress;
    // A file that could not be deleted.
    std::function<void(const std::string& text)> message;
    // A Yes/No question; true for Yes. Asked once a run, when a file has no
    // trash on its file system: Yes deletes such files for good.
    std::function<bool(const std::string& question)> confirm;
    std::function<bool()> aborted;
};

struct DeleteResult {
    int deleted = 0;
    int failed = 0;
    int kept = 0; // no trash, and the user kept them
    bool cancelled = false;
};

// The question before deleting `count` files under the two confirmation
// settings; "" when none is to be asked.
std::string DeleteQuestion(int count, bool confirmSingle, bool confirmMultiple);

// Deletes the names of the request in order. A symbolic link is removed
// itself, never what it points to. The trash used is the one of the file's
// own file system (never a copy to another). A file that cannot be deleted
// gives one message and the run goes on; a cancel ends it before the next
// file.
DeleteResult RunDelete(const DeleteRequest& request, const DeleteHooks& hooks);

// One delete run on CDeleteThread; `finished` is called on the worker
// thread when the run has ended (either way).
struct DeleteJob {
    static constexpr const char* kLockName = "CDeleteThread";
    static void Run(const DeleteJob& job, CThread& worker);

    DeleteRequest request;
    DeleteHooks hooks;
    std::function<void(const DeleteResult&)> finished;
};

} // namespace vkfileops

using CDeleteThread = CJobThread<vkfileops::DeleteJob>;
