#include "cli/CliBatch.h"

#include "engine/metadata/Metadata.h"

#include "cli/CliEdit.h"
#include "cli/CliFormats.h"
#include "cli/CliWrite.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/ColourTransform.h"
#include "engine/picture/OutputFile.h"
#include "engine/save/NumberedName.h"
#include "engine/thumbnail/ThumbnailCache.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::string BaseName(const std::string& path)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const auto slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

// "photo.jpg" -> "photo.png"; a name without an extension gains one.
std::string WithType(const std::string& name, const std::string& type)
{
    return vkname::SplitAtLastDot(name).first + "." + type;
}

std::string Join(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::string ErrnoText(int error)
{
    return std::strerror(error);
}

using DirKey = std::pair<unsigned long, unsigned long>;

struct Walker {
    const std::string& type;
    std::set<DirKey> visited;
    DirKey outputKey{~0ul, ~0ul};
    BatchInputs& result;

    void Walk(const std::string& dir, const std::string& relative)
    {
        DIR* handle = ::opendir(dir.c_str());
        if (!handle) {
            result.problems.push_back("cannot read folder " + dir + ": " + ErrnoText(errno));
            return;
        }
        std::vector<std::string> names;
        errno = 0;
        while (const dirent* d = ::readdir(handle)) {
            if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0)
                names.emplace_back(d->d_name);
        }
        const int readError = errno;
        ::closedir(handle);
        if (readError != 0)
            result.problems.push_back("cannot read all of folder " + dir + ": " + ErrnoText(readError));
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            const std::string path = Join(dir, name);
            struct stat st;
            if (::stat(path.c_str(), &st) != 0) {
                // A dangling link or a file gone meanwhile is no picture.
                if (errno != ENOENT)
                    result.problems.push_back("cannot read " + path + ": " + ErrnoText(errno));
                continue;
            }
            if (S_ISDIR(st.st_mode)) {
                const DirKey key{st.st_dev, st.st_ino};
                if (key == outputKey || !visited.insert(key).second)
                    continue;
                Walk(path, relative + name + "/");
            } else if (S_ISREG(st.st_mode)) {
                if (HasListedExtension(name))
                    result.files.emplace_back(path, relative + WithType(name, type));
                else
                    ++result.leftOut;
            }
        }
    }
};

} // namespace

BatchInputs CollectInputs(const std::vector<std::string>& inputs, bool recursive, const std::string& type,
                          const std::string& outputDir)
{
    BatchInputs result;
    Walker walker{type, {}, {}, result};
    struct stat st;
    if (!outputDir.empty() && ::stat(outputDir.c_str(), &st) == 0)
        walker.outputKey = {st.st_dev, st.st_ino};
    for (const std::string& input : inputs) {
        if (::stat(input.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            if (!recursive) {
                result.problems.push_back(input + " is a folder; -r converts folders");
                continue;
            }
            walker.visited.insert({st.st_dev, st.st_ino});
            walker.Walk(input, "");
            continue;
        }
        // Files as named, whatever their extension; a missing one fails when read.
        result.files.emplace_back(input, WithType(BaseName(input), type));
    }
    return result;
}

ExistsPlanner::ExistsPlanner(ExistsPolicy policy, AskFunction ask) : m_policy(policy), m_ask(std::move(ask))
{
}

void ExistsPlanner::AddInput(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        m_inputs.insert({st.st_dev, st.st_ino});
}

bool ExistsPlanner::Taken(const std::string& path) const
{
    return m_planned.count(path) != 0 || Exists(path);
}

bool ExistsPlanner::IsOtherInput(const std::string& path, const std::string& input) const
{
    struct stat target, own;
    if (::stat(path.c_str(), &target) != 0)
        return false;
    if (::stat(input.c_str(), &own) == 0 && own.st_dev == target.st_dev && own.st_ino == target.st_ino)
        return false;
    return m_inputs.count({target.st_dev, target.st_ino}) != 0;
}

bool ExistsPlanner::Rename(BatchJob& job, const std::string& target)
{
    const auto slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int n = 2; n < 1000000; ++n) {
        const std::string candidate = dir + vkname::NumberedName(name, n);
        if (!Taken(candidate)) {
            job.output = candidate;
            m_planned.insert(candidate);
            return true;
        }
    }
    job.plan = BatchJob::Plan::Fail;
    job.message = "no free numbered name beside " + target;
    return false;
}

void ExistsPlanner::Plan(BatchJob& job, const std::string& target)
{
    job.output = target;
    const bool planned = m_planned.count(target) != 0;
    if (!planned && !Exists(target)) {
        m_planned.insert(target);
        job.replaces = m_policy == ExistsPolicy::Replace;
        return;
    }
    ExistsPolicy policy = m_policy;
    if (policy == ExistsPolicy::Ask) {
        switch (m_ask ? m_ask(target) : AskAnswer::Refuse) {
        case AskAnswer::Replace:
            policy = ExistsPolicy::Replace;
            break;
        case AskAnswer::Skip:
            policy = ExistsPolicy::Skip;
            break;
        case AskAnswer::Rename:
            policy = ExistsPolicy::Rename;
            break;
        case AskAnswer::ReplaceAll:
            policy = m_policy = ExistsPolicy::Replace;
            break;
        case AskAnswer::SkipAll:
            policy = m_policy = ExistsPolicy::Skip;
            break;
        case AskAnswer::Refuse:
            policy = ExistsPolicy::Refuse;
            break;
        }
    }
    switch (policy) {
    case ExistsPolicy::Replace:
        // Never over another picture of this run, nor over its input.
        if (planned) {
            job.plan = BatchJob::Plan::Fail;
            job.message = target + " is the output of another input of this run; not replaced";
        } else if (IsOtherInput(target, job.input)) {
            job.plan = BatchJob::Plan::Fail;
            job.message = target + " is another input of this run; not replaced";
        } else {
            m_planned.insert(target);
            job.replaces = true;
        }
        return;
    case ExistsPolicy::Rename:
        Rename(job, target);
        return;
    case ExistsPolicy::Skip:
        job.plan = BatchJob::Plan::Skip;
        job.message = target + " exists; skipped";
        return;
    case ExistsPolicy::Ask:
    case ExistsPolicy::Refuse:
        break;
    }
    job.plan = BatchJob::Plan::Fail;
    job.message = target + (planned ? " is the output of another input of this run" : " exists") +
                  "; not replaced (--exists replace, rename or skip decides)";
    if (m_policy == ExistsPolicy::Ask)
        job.message = target + " exists; not replaced (no answer from a terminal)";
}

AskAnswer AskOnTerminal(const std::string& path)
{
    if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO))
        return AskAnswer::Refuse;
    for (;;) {
        std::cerr << path << " exists. Replace it? [y]es, [n]o, [r]ename, [a]ll, [s]kip all: " << std::flush;
        std::string line;
        if (!std::getline(std::cin, line))
            return AskAnswer::Refuse;
        const char c = line.empty() ? '\0' : char(std::tolower(static_cast<unsigned char>(line[0])));
        switch (c) {
        case 'y':
            return AskAnswer::Replace;
        case 'n':
            return AskAnswer::Skip;
        case 'r':
            return AskAnswer::Rename;
        case 'a':
            return AskAnswer::ReplaceAll;
        case 's':
            return AskAnswer::SkipAll;
        default:
            break;
        }
    }
}

namespace {

// Errors, warnings, progress and the counts of a run. Progress is drawn on
// standard error only when it is a terminal.
class Reporter {
  public:
    // The words the summary counts done and skipped pictures with.
    Reporter(size_t total, bool batch, const char* doneWord = "converted",
             const char* skippedWord = "skipped")
        : m_total(total), m_batch(batch), m_tty(::isatty(STDERR_FILENO) && batch), m_doneWord(doneWord),
          m_skippedWord(skippedWord)
    {
        m_start = std::chrono::steady_clock::now();
    }

    void Message(const std::string& text)
    {
        std::lock_guard lock(m_mutex);
        ClearLine();
        std::cerr << text << "\n";
        Draw(true);
    }

    void Started(const std::string& input)
    {
        std::lock_guard lock(m_mutex);
        m_current = input;
        Draw(false);
    }

    enum class Outcome { Converted, Skipped, Failed, Interrupted }; // Interrupted: not converted
    void Finished(Outcome outcome)
    {
        std::lock_guard lock(m_mutex);
        switch (outcome) {
        case Outcome::Converted:
            ++m_converted;
            break;
        case Outcome::Skipped:
            ++m_skipped;
            break;
        case Outcome::Failed:
            ++m_failed;
            break;
        case Outcome::Interrupted:
            ++m_interrupted;
            return;
        }
        Draw(m_converted + m_skipped + m_failed == m_total);
    }

    void EndProgress()
    {
        std::lock_guard lock(m_mutex);
        ClearLine();
    }

    size_t Failed() const { return m_failed; }
    std::string Summary(size_t problems, size_t leftOut, bool interrupted) const
    {
        std::string text = m_doneWord + " " + std::to_string(m_converted) + ", " + m_skippedWord + " " +
                           std::to_string(m_skipped) + ", failed " + std::to_string(m_failed);
        if (leftOut)
            text += ", " + std::to_string(leftOut) + (leftOut == 1 ? " file" : " files") +
                    " without a picture extension left out";
        if (problems)
            text += ", " + std::to_string(problems) + (problems == 1 ? " input" : " inputs") + " not read";
        if (interrupted)
            text += ", interrupted before " + std::to_string(m_interrupted);
        return text;
    }

  private:
    void ClearLine()
    {
        if (m_drawn)
            std::cerr << "\r\033[K" << std::flush;
        m_drawn = false;
    }

    void Draw(bool force)
    {
        if (!m_tty)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (!force && m_drawn && now - m_lastDraw < std::chrono::milliseconds(100))
            return;
        m_lastDraw = now;
        const size_t done = m_converted + m_skipped + m_failed;
        const double seconds = std::chrono::duration<double>(now - m_start).count();
        char rate[32];
        std::snprintf(rate, sizeof rate, "%.1f", seconds > 0 ? double(done) / seconds : 0.0);
        std::string line = "[" + std::to_string(done) + "/" + std::to_string(m_total) + "] " + rate +
                           " pictures/s  " + m_current;
        winsize size{};
        const size_t columns =
            ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
        if (line.size() >= columns)
            line = line.substr(0, columns - 1);
        std::cerr << "\r\033[K" << line << std::flush;
        m_drawn = true;
    }

    std::mutex m_mutex;
    size_t m_total;
    bool m_batch;
    bool m_tty;
    bool m_drawn = false;
    std::string m_doneWord, m_skippedWord;
    std::string m_current;
    size_t m_converted = 0, m_skipped = 0, m_failed = 0, m_interrupted = 0;
    std::chrono::steady_clock::time_point m_start, m_lastDraw;
};

// While it lives, SIGINT, SIGTERM and SIGHUP are taken by a watcher thread:
// the first asks the run to stop (decodes in hand are abandoned, a file
// being written is finished), the second removes every temporary file and
// ends the program at once. The thread sleeps until a signal comes or the
// run ends, so ending it costs no wait.
class SignalWatcher {
  public:
    explicit SignalWatcher(Reporter& reporter) : m_reporter(reporter)
    {
        sigemptyset(&m_set);
        sigaddset(&m_set, SIGINT);
        sigaddset(&m_set, SIGTERM);
        sigaddset(&m_set, SIGHUP);
        pthread_sigmask(SIG_BLOCK, &m_set, &m_old);
        m_signals = ::signalfd(-1, &m_set, SFD_CLOEXEC | SFD_NONBLOCK);
        m_wake = ::eventfd(0, EFD_CLOEXEC);
        m_thread = std::thread([this] { Watch(); });
    }

    ~SignalWatcher()
    {
        Finish();
        for (const int fd : {m_signals, m_wake})
            if (fd >= 0)
                ::close(fd);
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }

    // Ends the watch; a signal that came after its last look still counts.
    void Finish()
    {
        if (m_done.exchange(true))
            return;
        const uint64_t one = 1;
        if (m_wake >= 0 && ::write(m_wake, &one, sizeof one) < 0) {
            // The watcher then notices at its next look.
        }
        m_thread.join();
        timespec zero{};
        while (sigtimedwait(&m_set, nullptr, &zero) > 0)
            m_stop = true;
    }

    const std::atomic<bool>& Stop() const { return m_stop; }

  private:
    // The next signal, 0 when the run ended first.
    int NextSignal()
    {
        if (m_signals < 0 || m_wake < 0) {
            // No descriptors to sleep on: look ten times a second.
            timespec wait{0, 100 * 1000 * 1000};
            return std::max(0, sigtimedwait(&m_set, nullptr, &wait));
        }
        pollfd fds[2] = {{m_signals, POLLIN, 0}, {m_wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) <= 0 || !(fds[0].revents & POLLIN))
            return 0;
        signalfd_siginfo info{};
        if (::read(m_signals, &info, sizeof info) != ssize_t(sizeof info))
            return 0;
        return int(info.ssi_signo);
    }

    void Watch()
    {
        while (!m_done) {
            if (NextSignal() <= 0)
                continue;
            if (!m_stop.exchange(true)) {
                m_reporter.Message(
                    "interrupted: stopping after the files being written (interrupt again to stop at once)");
                continue;
            }
            RemovePendingOutputFiles();
            _exit(130);
        }
    }

    Reporter& m_reporter;
    sigset_t m_set, m_old;
    int m_signals = -1; // the blocked signals, readable
    int m_wake = -1;    // written when the run ends
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

unsigned CoreCount()
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return unsigned(CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

std::string ErrorText(const CTextException& e)
{
    std::string text = e.GetText();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return "error " + std::to_string(e.GetCode()) + ": " + text;
}

// Makes the folders of path's parent; true when it is there.
bool MakeParents(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string dir = path.substr(0, slash);
        if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

} // namespace

void RunOnWorkers(int jobs, size_t count, const std::function<void()>& work)
{
    const size_t workers =
        std::min<size_t>(jobs > 0 ? size_t(jobs) : CoreCount(), std::max<size_t>(1, count));
    std::vector<std::thread> threads;
    for (size_t i = 1; i < workers; ++i)
        threads.emplace_back(work);
    work();
    for (std::thread& t : threads)
        t.join();
}

int RunConvert(const CliRequest& request)
{
    const bool batch = !request.toExt.empty();
    const std::string type = batch ? request.toExt : vkname::SplitAtLastDot(BaseName(request.output)).second;
    const std::string ext = type.empty() ? type : (type[0] == '.' ? type.substr(1) : type);
    if (!IsWritableType(ext)) {
        std::cerr << "error " << ErrUnsupported << ": cannot write files of type '" << ext << "'\n";
        return 1;
    }

    std::vector<BatchJob> jobs;
    std::vector<std::string> problems;
    size_t leftOut = 0;
    // The single form names its output: replaced unless --exists says otherwise.
    ExistsPlanner planner(batch || request.existsGiven ? request.exists : ExistsPolicy::Replace,
                          AskOnTerminal);
    if (batch) {
        struct stat st;
        if (!MakeParents(Join(request.outputDir, "x")) || ::stat(request.outputDir.c_str(), &st) != 0 ||
            !S_ISDIR(st.st_mode)) {
            std::cerr << "error " << ErrAccessDenied << ": cannot make folder " << request.outputDir << "\n";
            return 1;
        }
        BatchInputs inputs = CollectInputs(request.inputs, request.recursive, ext, request.outputDir);
        problems = std::move(inputs.problems);
        leftOut = inputs.leftOut;
        for (const auto& file : inputs.files)
            planner.AddInput(file.first);
        for (const auto& [input, relative] : inputs.files) {
            BatchJob job;
            job.input = input;
            planner.Plan(job, Join(request.outputDir, relative));
            jobs.push_back(std::move(job));
        }
    } else {
        BatchJob job;
        job.input = request.inputs[0];
        planner.AddInput(job.input);
        planner.Plan(job, request.output);
        jobs.push_back(std::move(job));
    }

    Reporter reporter(jobs.size(), batch);
    for (const std::string& p : problems)
        reporter.Message("velkor-cli: " + p);
    std::vector<size_t> toWrite;
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (jobs[i].plan == BatchJob::Plan::Write) {
            toWrite.push_back(i);
            continue;
        }
        // Skips were asked for; the summary counts them.
        if (jobs[i].plan == BatchJob::Plan::Fail)
            reporter.Message(batch ? jobs[i].input + ": " + jobs[i].message : jobs[i].message);
        reporter.Finished(jobs[i].plan == BatchJob::Plan::Skip ? Reporter::Outcome::Skipped
                                                               : Reporter::Outcome::Failed);
    }

    bool interrupted = false;
    {
        SignalWatcher signals(reporter);
        const std::atomic<bool>& stop = signals.Stop();
        std::atomic<size_t> next{0};
        auto work = [&] {
            CAnyPicDecoder decoder;
            decoder.SetApplyOrientation(request.orient);
            // A RAW file is developed in full.
            decoder.SetChoice({.page = request.page, .preview = false});
            // An interrupt abandons the decode in hand rather than waiting for it.
            decoder.SetAbortFlag(&stop);
            for (;;) {
                const size_t n = next.fetch_add(1);
                if (n >= toWrite.size())
                    return;
                const BatchJob& job = jobs[toWrite[n]];
                const std::string prefix = batch ? job.input + ": " : std::string();
                if (stop) {
                    reporter.Finished(Reporter::Outcome::Interrupted);
                    continue;
                }
                reporter.Started(job.input);
                CWarningScope warnings(
                    [&](const std::string& text) { reporter.Message(prefix + "warning: " + text); });
                auto prepareOutput = [&job] {
                    if (!MakeParents(job.output))
                        throw CTextException(ErrAccessDenied, "cannot make the folder of " + job.output +
                                                                  ": " + ErrnoText(errno));
                    // A file that appeared since the plan is not replaced unless that was asked.
                    if (!job.replaces && Exists(job.output))
                        throw CTextException(ErrAccessDenied,
                                             job.output + " appeared meanwhile; not replaced");
                };
                try {
                    // With nothing to do between them, rows go from the
                    // decoder to the writer band by band: the picture is
                    // never held whole.
                    std::unique_ptr<CPPMRowWriter> rows;
                    if (request.edits.empty() && !request.toSrgb)
                        rows = MakeRowWriter(job.output, ext, prepareOutput);
                    decoder.SetRowSink(rows.get());
                    CPictureEx picture;
                    decoder.DecodeFile(job.input, picture, 32);
                    if (rows && rows->Written()) {
                        reporter.Finished(Reporter::Outcome::Converted);
                        continue;
                    }
                    if (request.toSrgb)
                        vkcolour::ConvertToSrgb(picture);
                    for (const CliEditStep& step : request.edits)
                        ApplyEdit(picture, step);
                    if (stop) {
                        reporter.Finished(Reporter::Outcome::Interrupted);
                        continue;
                    }
                    prepareOutput();
                    // Camera data goes along unless --strip; the pixels are upright unless --no-orient.
                    WritePicture(picture, job.output, ext, request.save,
                                 request.strip ? nullptr : CCarriedMetadata::FromFile(job.input),
                                 request.orient);
                    reporter.Finished(Reporter::Outcome::Converted);
                } catch (const CTextException& e) {
                    if (e.GetCode() == ErrAborted && stop) {
                        reporter.Finished(Reporter::Outcome::Interrupted);
                        continue;
                    }
                    reporter.Message(prefix + ErrorText(e));
                    reporter.Finished(Reporter::Outcome::Failed);
                } catch (const std::bad_alloc&) {
                    reporter.Message(prefix + "error " + std::to_string(ErrNoMemory) + ": " +
                                     kTextOutOfMemory);
                    reporter.Finished(Reporter::Outcome::Failed);
                }
            }
        };
        RunOnWorkers(request.jobs, toWrite.size(), work);
        signals.Finish();
        interrupted = stop;
    }
    reporter.EndProgress();
    if (batch && !request.quiet)
        std::cerr << reporter.Summary(problems.size(), leftOut, interrupted) << "\n";
    if (interrupted)
        return 130;
    return reporter.Failed() || !problems.empty() ? 1 : 0;
}

int RunThumbnails(const CliRequest& request)
{
    const ThumbnailSize* size = ThumbnailSizeNamed(request.thumbnailSize);
    if (size == nullptr)
        return 2;
    const CThumbnailCache cache;
    BatchInputs inputs = CollectInputs(request.inputs, request.recursive, "png", "");
    // The cache's own files, met walking a home folder, are left out.
    std::erase_if(inputs.files, [&cache](const auto& file) { return cache.Contains(file.first); });
    Reporter reporter(inputs.files.size(), true, "made", "current");
    for (const std::string& p : inputs.problems)
        reporter.Message("velkor-cli: " + p);
    bool interrupted = false;
    {
        SignalWatcher signals(reporter);
        const std::atomic<bool>& stop = signals.Stop();
        std::atomic<size_t> next{0};
        auto work = [&] {
            CThumbnailer thumbnailer;
            thumbnailer.SetAbortFlag(&stop);
            for (;;) {
                const size_t n = next.fetch_add(1);
                if (n >= inputs.files.size())
                    return;
                const std::string& input = inputs.files[n].first;
                if (stop) {
                    reporter.Finished(Reporter::Outcome::Interrupted);
                    continue;
                }
                reporter.Started(input);
                // Damaged files are thumbnailed from what could be read, quietly.
                CWarningScope warnings([](const std::string&) {});
                std::string reason;
                switch (cache.Fetch(input, *size, thumbnailer, nullptr, &reason)) {
                case CThumbnailCache::Outcome::Made:
                    reporter.Finished(Reporter::Outcome::Converted);
                    break;
                case CThumbnailCache::Outcome::Cached:
                    reporter.Finished(Reporter::Outcome::Skipped);
                    break;
                case CThumbnailCache::Outcome::Failed:
                    reporter.Message(input + ": " + (reason.empty() ? "cannot be read" : reason));
                    reporter.Finished(Reporter::Outcome::Failed);
                    break;
                case CThumbnailCache::Outcome::Aborted:
                    reporter.Finished(Reporter::Outcome::Interrupted);
                    break;
                }
            }
        };
        RunOnWorkers(request.jobs, inputs.files.size(), work);
        signals.Finish();
        interrupted = stop;
    }
    reporter.EndProgress();
    if (!request.quiet)
        std::cerr << reporter.Summary(inputs.problems.size(), inputs.leftOut, interrupted) << "\n";
    if (interrupted)
        return 130;
    return reporter.Failed() || !inputs.problems.empty() ? 1 : 0;
}
