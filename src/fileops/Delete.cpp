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

void DeleteJob::Run(const DeleteJob& job, CThread& worker)
{
    const DeleteResult result = RunDelete(job.request, CancelledBy(job.hooks, worker));
    if (job.finished)
        job.finished(result);
}

} // namespace vkfileops
