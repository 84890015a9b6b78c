#include "Delete.h"

#include "FileCopy.h"
#include "platform/Path.h"
#include "platform/Trash.h"

#include <algorithm>
#include <sys/stat.h>

namespace vkfileops {

std::string DeleteQuestion(int count, bool confirmSingle, bool confirmMultiple)
{
    if (confirmSingle && count == 1)
        return "Do you really want to delete the 1 selected file?\n\n";
    if (confirmMultiple && count > 1)
        return "Do you really want to delete the " + std::to_string(count) + " selected files?\n\n";
    return std::string();
}

DeleteResult RunDelete(const DeleteRequest& request, const DeleteHooks& hooks)
{
    DeleteResult result;
    const uint64_t total = std::max<uint64_t>(request.totalSize, 1);
    uint64_t done = 0;
    if (hooks.progress)
        hooks.progress(0);
    for (const std::string& name : request.names) {
        if (hooks.aborted && hooks.aborted()) {
            result.cancelled = true;
            break;
        }
        const std::string path = vkpath::Join(request.dir, name);
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            done += uint64_t(st.st_size);
        if (hooks.progress)
            hooks.progress(int(std::min<uint64_t>(100, done * 100 / total)));
        if (hooks.showName)
            hooks.showName(name);

        bool ok = false;
        if (request.useRecycleBin) {
            ok = vkplatform::MoveToTrash(path);
            if (!ok && hooks.message)
                hooks.message("Can't delete " + path);
        } else {
            ok = DeleteFile(path);
            if (!ok && hooks.message)
                hooks.message("Can't delete " + path + "\n" + "This is a read-only file.");
        }
        ok ? ++result.deleted : ++result.failed;
    }
    return result;
}

} // namespace vkfileops

CDeleteThread::CDeleteThread(QObject* owner) : CThread(owner, 0)
{
    commandsEnabled = true;
    classLockEnabled = true;
    lockName = "CDeleteThread";
}

CDeleteThread::~CDeleteThread()
{
    Kill(0, true);
}

void CDeleteThread::SetRequest(const vkfileops::DeleteRequest& r, const vkfileops::DeleteHooks& h)
{
    std::lock_guard<std::mutex> lock(mutex);
    request = r;
    hooks = h;
}

void CDeleteThread::SetFinished(std::function<void(const vkfileops::DeleteResult&)> f)
{
    std::lock_guard<std::mutex> lock(mutex);
    finished = std::move(f);
}

void CDeleteThread::DoJob()
{
    vkfileops::DeleteRequest r;
    vkfileops::DeleteHooks h;
    std::function<void(const vkfileops::DeleteResult&)> f;
    {
        std::lock_guard<std::mutex> lock(mutex);
        r = request;
        h = hooks;
        f = finished;
    }
    auto userAborted = h.aborted;
    h.aborted = [this, userAborted] { return IsAbortRequested() || (userAborted && userAborted()); };
    const vkfileops::DeleteResult res = vkfileops::RunDelete(r, h);
    if (f)
        f(res);
}
