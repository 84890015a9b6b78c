#include "models/fileops/Paste.h"

#include "engine/save/NumberedName.h"
#include "models/fileops/FileCopy.h"
#include "models/platform/Path.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <sys/stat.h>

namespace vkfileops {

std::string FileLine(uint64_t size, int64_t mtime)
{
    const QDateTime time = QDateTime::fromSecsSinceEpoch(mtime);
    return std::to_string(size) + " bytes,  " + QLocale().toString(time, QLocale::LongFormat).toStdString();
}

std::string PastePreflight(const std::string& sourceDir, const std::string& destinationDir,
                           uint64_t totalSize, uint64_t freeBytes)
{
    if (vkpath::StripTrailingSeparator(sourceDir) == vkpath::StripTrailingSeparator(destinationDir))
        return "You must select another directory.";
    if (freeBytes < totalSize)
        return "Not enough free space on target drive.";
    return std::string();
}

std::string PasteConfirmText(bool isCopy, int count, const std::string& sourceDir,
                             const std::string& destinationDir)
{
    return std::string(isCopy ? "Copy " : "Move ") + std::to_string(count) + " file(s)\n\n" +
           "From: " + sourceDir + "\n" + "To:    " + destinationDir;
}

namespace {

bool IsFolder(const std::string& dir)
{
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class PasteRun {
  public:
    PasteRun(const PasteRequest& request, const PasteHooks& hooks) : request(request), hooks(hooks)
    {
        total = std::max<uint64_t>(request.totalSize, 1);
    }

    PasteResult Run()
    {
        Progress(0);
        for (const std::string& name : request.names) {
            if (Aborted()) {
                result.cancelled = true;
                break;
            }
            if (!PasteOne(name))
                break;
        }
        return result;
    }

  private:
    bool Aborted() const { return hooks.aborted && hooks.aborted(); }
    void Message(const std::string& text) const
    {
        if (hooks.message)
            hooks.message(text);
    }
    // A failure of one file.
    void Failed(const std::string& text) const
    {
        if (hooks.failed)
            hooks.failed(text);
        else
            Message(text);
    }
    void Progress(uint64_t bytes)
    {
        const int percent = int(std::min<uint64_t>(100, bytes * 100 / total));
        if (percent != lastPercent && hooks.progress)
            hooks.progress(percent);
        lastPercent = percent;
    }

    // Copies or moves the current file to `target`.
    FileResult Transfer(const std::string& target, bool replace)
    {
        const uint64_t base = doneBytes;
        const uint64_t size = fromSize;
        CopyProgress chunk = [this, base, size](uint64_t bytes) {
            Progress(base + std::min(bytes, size));
            return !Aborted();
        };
        error.clear();
        sourceKept = false;
        if (request.isCopy)
            return CopyFile(from, target, replace, chunk, &error);
        return MoveFile(from, target, replace, chunk, &error, &sourceKept);
    }

    // Tries base_2.ext, then the run's counter onwards, until a name is free.
    FileResult TransferRenamed(const std::string& name, std::string& writtenAs)
    {
        writtenAs = vkname::NumberedName(name, 2);
        FileResult res = Transfer(vkpath::Join(request.destinationDir, writtenAs), false);
        while (res == FileResult::Exists) {
            if (Aborted())
                return FileResult::Cancelled;
            ++renameCounter;
            writtenAs = vkname::NumberedName(name, renameCounter);
            res = Transfer(vkpath::Join(request.destinationDir, writtenAs), false);
        }
        return res;
    }

    bool DestinationOlder() const
    {
        int64_t toTime = 0;
        uint64_t toSize = 0;
        if (!FileTimeAndSize(to, toTime, toSize))
            return true;
        return toTime < fromTime;
    }

    FileResult AskUser(const std::string& name, std::string& writtenAs)
    {
        if (replaceAllOlder)
            return DestinationOlder() ? Transfer(to, true) : FileResult::Exists;
        if (replaceAll)
            return Transfer(to, true);
        if (skipAll || !hooks.confirmReplace)
            return FileResult::Exists;

        const auto [base, ext] = vkname::SplitAtLastDot(name);
        ReplaceQuestion question;
        int64_t toTime = 0;
        uint64_t toSize = 0;
        FileTimeAndSize(to, toTime, toSize);
        question.destinationPath = to;
        question.destinationLine = FileLine(toSize, toTime);
        question.sourcePath = from;
        question.sourceLine = FileLine(fromSize, fromTime);
        question.renameText = base;
        for (;;) {
            if (Aborted())
                return FileResult::Cancelled;
            const ReplaceReply reply = hooks.confirmReplace(question);
            switch (reply.answer) {
            case ReplaceAnswer::Rename: {
                if (reply.renameText.empty())
                    continue;
                question.renameText = reply.renameText;
                if (reply.renameText.find(vkpath::kSeparator) != std::string::npos ||
                    reply.renameText == "." || reply.renameText == "..") {
                    Message("A file name cannot contain \"/\" or be \".\" or \"..\".");
                    continue;
                }
                writtenAs = reply.renameText + ext;
                const FileResult res = Transfer(vkpath::Join(request.destinationDir, writtenAs), false);
                if (res == FileResult::Exists) {
                    Message("This file already exists.");
                    continue;
                }
                return res;
            }
            case ReplaceAnswer::Replace:
                return Transfer(to, true);
            case ReplaceAnswer::ReplaceAll:
                replaceAll = true;
                return Transfer(to, true);
            case ReplaceAnswer::ReplaceAllOlder:
                replaceAllOlder = true;
                return DestinationOlder() ? Transfer(to, true) : FileResult::Exists;
            case ReplaceAnswer::Skip:
            case ReplaceAnswer::Cancel:
                return FileResult::Exists;
            case ReplaceAnswer::SkipAll:
                skipAll = true;
                return FileResult::Exists;
            }
        }
    }

    // False when the run must end (cancel).
    bool PasteOne(const std::string& name)
    {
        from = vkpath::Join(request.sourceDir, name);
        to = vkpath::Join(request.destinationDir, name);
        if (hooks.showName)
            hooks.showName(name);
        fromSize = 0;
        fromTime = 0;
        FileTimeAndSize(from, fromTime, fromSize);

        std::string writtenAs = name;
        FileResult res = Transfer(to, false);
        if (res == FileResult::Exists) {
            switch (request.policy) {
            case OverwritePolicy::Replace:
                res = Transfer(to, true);
                break;
            case OverwritePolicy::Rename:
                res = TransferRenamed(name, writtenAs);
                break;
            case OverwritePolicy::Skip:
                break;
            case OverwritePolicy::Ask:
            default:
                res = AskUser(name, writtenAs);
                break;
            }
        }

        switch (res) {
        case FileResult::Ok:
            ++result.written;
            result.writtenNames.push_back(writtenAs);
            if (sourceKept)
                Failed("Can't delete " + from);
            break;
        case FileResult::Exists:
            ++result.skipped;
            break;
        case FileResult::Failed:
            ++result.failed;
            if (!IsFolder(request.destinationDir)) {
                // Every further file would fail the same way: one message.
                Message("The folder " + request.destinationDir + " no longer exists.\n" +
                        (request.isCopy ? "Nothing more is copied." : "Nothing more is moved."));
                result.stopped = true;
                return false;
            }
            Failed(std::string(request.isCopy ? "Can't copy " : "Can't move ") + from + "\n" + error);
            break;
        case FileResult::Cancelled:
            result.cancelled = true;
            return false;
        }
        doneBytes += fromSize;
        Progress(doneBytes);
        return true;
    }

    const PasteRequest& request;
    const PasteHooks& hooks;
    PasteResult result;
    uint64_t total = 1;
    uint64_t doneBytes = 0;
    int lastPercent = -1;
    int renameCounter = 2;
    bool replaceAll = false;
    bool replaceAllOlder = false;
    bool skipAll = false;
    std::string from, to, error;
    uint64_t fromSize = 0;
    int64_t fromTime = 0;
    bool sourceKept = false;
};

} // namespace

PasteResult RunPaste(const PasteRequest& request, const PasteHooks& hooks)
{
    return PasteRun(request, hooks).Run();
}

void PasteJob::Run(const PasteJob& job, CThread& worker)
{
    const PasteResult result = RunPaste(job.request, CancelledBy(job.hooks, worker));
    if (job.finished)
        job.finished(result);
}

} // namespace vkfileops
