#include "models/fileops/Delete.h"

#include "models/fileops/FileCopy.h"
#include "models/platform/Path.h"
#include "models/platform/Trash.h"

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

namespace {

// Into the trash of the file's own file system. Without one, the user is
// asked once a run whether such files go for good.
bool Trash(const std::string& path, size_t remaining, const DeleteHooks& hooks, int& forGood,
           DeleteResult& result)
{
    std::string error;
    const vkplatform::TrashResult res = vkplatform::Trash(path, &error);
    if (res == vkplatform::TrashResult::Ok)
        return true;
    if (res == vkplatform::TrashResult::Failed) {
        if (hooks.message)
            hooks.message("Can't delete " + path + "\n" + error);
        ++result.failed;
        return false;
    }
    if (forGood < 0) {
        const std::string question =
            "Can't move " + path + " to the trash.\n" + error + "\n\n" +
            (remaining > 0 ? "Delete it and the other files without a trash for good?"
                           : "Delete it for good?");
        forGood = hooks.confirm && hooks.confirm(question) ? 1 : 0;
    }
    if (forGood == 0) {
        ++result.kept;
        return false;
    }
    if (DeleteFile(path, &error))
        return true;
    if (hooks.message)
        hooks.message("Can't delete " + path + "\n" + error);
    ++result.failed;
    return false;
}

} // namespace

DeleteResult RunDelete(const DeleteRequest& request, const DeleteHooks& hooks)
{
    DeleteResult result;
    const uint64_t total = std::max<uint64_t>(request.totalSize, 1);
    uint64_t done = 0;
    int forGood = -1; // not asked yet
    if (hooks.progress)
        hooks.progress(0);
    for (size_t i = 0; i < request.names.size(); ++i) {
        const std::string& name = request.names[i];
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

        if (request.useRecycleBin) {
            if (Trash(path, request.names.size() - i - 1, hooks, forGood, result))
                ++result.deleted;
        } else if (DeleteFile(path)) {
            ++result.deleted;
        } else {
            if (hooks.message)
                hooks.message("Can't delete " + path + "\n" + "This is a read-only file.");
            ++result.failed;
        }
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
