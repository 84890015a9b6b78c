#include "models/thumbnails/ThumbnailProvider.h"

#include "engine/thumbnail/ThumbnailCache.h"

#include <QMetaObject>
#include <QThread>

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// How much nicer than the window's thread the workers run.
constexpr int kWorkerNiceness = 10;

std::shared_ptr<ThumbnailPixels> ToPixels(const CWinBmp& bmp)
{
    auto pixels = std::make_shared<ThumbnailPixels>();
    pixels->width = bmp.GetWidth();
    pixels->height = bmp.GetHeight();
    pixels->alpha = bmp.HasAlphaChannel();
    pixels->argb.resize(size_t(pixels->width) * size_t(pixels->height));
    for (int y = 0; y < pixels->height; ++y) {
        const uint32_t* line = bmp.GetLine32(y);
        uint32_t* out = pixels->argb.data() + size_t(y) * size_t(pixels->width);
        if (pixels->alpha)
            std::copy(line, line + pixels->width, out);
        else
            std::transform(line, line + pixels->width, out, [](uint32_t p) { return p | 0xFF000000u; });
    }
    return pixels;
}

} // namespace

CThumbnailProvider::CThumbnailProvider(const QString& cacheRoot, int workers, QObject* parent)
    : QObject(parent), m_cache(std::make_unique<CThumbnailCache>(
                           cacheRoot.isEmpty() ? CThumbnailCache::DefaultRoot() : cacheRoot.toStdString()))
{
    m_workerCount = workers > 0 ? workers : std::max(1, QThread::idealThreadCount());
}

void CThumbnailProvider::StartWorkers()
{
    // Started with the first work: a window that never shows thumbnails
    // keeps no idle threads.
    if (!m_threads.empty())
        return;
    {
        std::lock_guard lock(m_mutex);
        for (int i = 0; i < m_workerCount; ++i)
            m_slots.push_back(std::make_unique<Slot>());
    }
    for (auto& slot : m_slots)
        m_threads.emplace_back([this, s = slot.get()] { Work(*s); });
}

CThumbnailProvider::~CThumbnailProvider()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        for (auto& slot : m_slots)
            slot->abort = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

void CThumbnailProvider::SetSize(int pixels)
{
    const int size = ThumbnailSizeFor(pixels).pixels;
    if (size == m_size)
        return;
    m_size = size;
    Reload();
    std::lock_guard lock(m_mutex);
    m_workSize = size;
}

void CThumbnailProvider::Reload()
{
    StopAll();
    m_lru.clear();
    m_index.clear();
    m_memoryUsed = 0;
    // What is on its way was made the old way.
    std::lock_guard lock(m_mutex);
    ++m_generation;
}

void CThumbnailProvider::SetMemoryLimit(size_t bytes)
{
    m_memoryLimit = bytes;
    Trim();
}

void CThumbnailProvider::StopAll()
{
    m_restKnown = false; // the next request lays out every queue again
    std::lock_guard lock(m_mutex);
    for (auto& queue : m_queues)
        queue.clear();
    m_wanted.clear();
    for (auto& slot : m_slots)
        if (!slot->path.empty())
            slot->abort = true;
}

void CThumbnailProvider::Prioritize(const QStringList& visible, const QStringList& ahead,
                                    const QStringList& rest)
{
    const QStringList* lists[kPriorityCount] = {&visible, &ahead, &rest};
    if (!visible.isEmpty() || !ahead.isEmpty() || !rest.isEmpty())
        StartWorkers();
    // The same list of the rest as last time (a scroll): only the screen's
    // files move, so a large folder costs nothing per scroll.
    const bool sameRest =
        m_restKnown && rest.constData() == m_lastRest.constData() && rest.size() == m_lastRest.size();
    m_lastRest = rest;
    m_restKnown = true;
    {
        std::lock_guard lock(m_mutex);
        if (sameRest) {
            // What the screen held and is not made yet goes back among the rest.
            for (int priority : {Visible, Ahead}) {
                for (std::string& path : m_queues[priority]) {
                    const auto wanted = m_wanted.find(path);
                    if (wanted != m_wanted.end() && wanted->second == priority) {
                        wanted->second = Rest;
                        m_queues[Rest].push_back(std::move(path));
                    }
                }
                m_queues[priority].clear();
            }
        } else {
            for (auto& queue : m_queues)
                queue.clear();
            m_wanted.clear();
        }
        for (int priority = Visible; priority < (sameRest ? int(Rest) : int(kPriorityCount)); ++priority) {
            for (const QString& path : *lists[priority]) {
                if (m_index.contains(path) || m_failures.contains(path))
                    continue;
                std::string key = path.toStdString();
                const auto [wanted, added] = m_wanted.emplace(key, priority);
                if (!added) {
                    if (wanted->second <= priority)
                        continue;              // asked at a higher priority already
                    wanted->second = priority; // its place in the lower queue is skipped
                }
                m_queues[priority].push_back(std::move(key));
            }
        }
        // Work in hand for a file no longer asked for stops; so does work
        // for the rest of the folder while what is on screen waits.
        const bool screenWaits = !m_queues[Visible].empty() || !m_queues[Ahead].empty();
        for (auto& slot : m_slots) {
            if (slot->path.empty() || slot->abort)
                continue; // an abandoned file is queued again, or not wanted
            const auto wanted = m_wanted.find(slot->path);
            if (wanted != m_wanted.end() && (wanted->second != Rest || !screenWaits)) {
                m_wanted.erase(wanted); // running already: not made twice
                continue;
            }
            // A file of the rest: on with it unless the screen waits.
            if (wanted == m_wanted.end() && sameRest && !screenWaits)
                continue;
            slot->abort = true;
            if (wanted == m_wanted.end() && sameRest) {
                m_wanted.emplace(slot->path, Rest); // it comes round again
                m_queues[Rest].push_back(slot->path);
            }
        }
    }
    m_wake.notify_all();
}

bool CThumbnailProvider::TakeJob(Slot& slot, std::unique_lock<std::mutex>& lock, int& size,
                                 unsigned& generation)
{
    for (;;) {
        if (m_quit)
            return false;
        for (auto& queue : m_queues) {
            while (!queue.empty()) {
                std::string path = std::move(queue.front());
                queue.pop_front();
                // A path re-queued elsewhere since is taken from there.
                const auto wanted = m_wanted.find(path);
                if (wanted == m_wanted.end() || &m_queues[wanted->second] != &queue)
                    continue;
                m_wanted.erase(wanted);
                slot.path = std::move(path);
                slot.abort = false;
                size = m_workSize;
                generation = m_generation;
                return true;
            }
        }
        m_wake.wait(lock);
    }
}

void CThumbnailProvider::Work(Slot& slot)
{
    // Linux gives each thread its own nice value.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWorkerNiceness);
    CThumbnailer thumbnailer;
    thumbnailer.SetAbortFlag(&slot.abort);
    for (;;) {
        std::string path;
        int size = 0;
        unsigned generation = 0;
        {
            std::unique_lock lock(m_mutex);
            if (!TakeJob(slot, lock, size, generation))
                return;
            path = slot.path;
        }
        CWinBmp bmp;
        std::string reason;
        const CThumbnailCache::Outcome outcome =
            m_cache->Fetch(path, ThumbnailSizeFor(size), thumbnailer, &bmp, &reason);
        ThumbnailPixelsPtr pixels;
        if (outcome == CThumbnailCache::Outcome::Made || outcome == CThumbnailCache::Outcome::Cached) {
            std::shared_ptr<ThumbnailPixels> made = ToPixels(bmp);
            if (m_turn)
                m_turn(*made);
            pixels = std::move(made);
        }
        {
            std::lock_guard lock(m_mutex);
            // Abandoned too late: finished all the same, so the copy
            // queued again is not made twice.
            if (outcome != CThumbnailCache::Outcome::Aborted && slot.abort && generation == m_generation &&
                size == m_workSize)
                m_wanted.erase(path);
            slot.path.clear();
        }
        if (outcome == CThumbnailCache::Outcome::Aborted)
            continue;
        const QString failure = pixels ? QString() : QString::fromStdString(reason);
        QMetaObject::invokeMethod(
            this,
            [this, p = QString::fromStdString(path), size, generation, pixels, failure] {
                if (generation == m_generation)
                    Deliver(p, size, pixels, failure);
            },
            Qt::QueuedConnection);
    }
}

void CThumbnailProvider::Deliver(const QString& path, int size, ThumbnailPixelsPtr pixels,
                                 const QString& failure)
{
    if (size != m_size)
        return; // made for a size given up since
    if (!pixels) {
        m_failures.insert(path, failure.isEmpty() ? tr("The file cannot be read.") : failure);
        emit ThumbnailFailed(path, m_failures.value(path));
        return;
    }
    if (const auto found = m_index.find(path); found != m_index.end()) {
        m_memoryUsed -= found.value()->pixels->Bytes();
        m_lru.erase(found.value());
        m_index.erase(found);
    }
    m_memoryUsed += pixels->Bytes();
    m_lru.push_front({path, std::move(pixels)});
    m_index.insert(path, m_lru.begin());
    Trim();
    emit ThumbnailReady(path);
}

void CThumbnailProvider::Trim()
{
    // The newest stays even when it alone is over the limit.
    while (m_memoryUsed > m_memoryLimit && m_lru.size() > 1) {
        const Entry& oldest = m_lru.back();
        m_memoryUsed -= oldest.pixels->Bytes();
        m_index.remove(oldest.path);
        m_lru.pop_back();
    }
}

ThumbnailPixelsPtr CThumbnailProvider::Get(const QString& path)
{
    const auto found = m_index.find(path);
    if (found == m_index.end())
        return nullptr;
    m_lru.splice(m_lru.begin(), m_lru, found.value());
    return m_lru.front().pixels;
}

QString CThumbnailProvider::FailureReason(const QString& path) const
{
    return m_failures.value(path);
}

void CThumbnailProvider::Forget(const QString& path)
{
    m_restKnown = false; // asked again with the rest

    m_failures.remove(path);
    if (const auto found = m_index.find(path); found != m_index.end()) {
        m_memoryUsed -= found.value()->pixels->Bytes();
        m_lru.erase(found.value());
        m_index.erase(found);
    }
}

void CThumbnailProvider::Refresh(const QString& path)
{
    m_failures.remove(path);
    StartWorkers();
    {
        std::lock_guard lock(m_mutex);
        std::string key = path.toStdString();
        m_wanted[key] = Visible;
        m_queues[Visible].push_front(std::move(key));
    }
    m_wake.notify_one();
}

QStringList CThumbnailProvider::Running() const
{
    QStringList running;
    std::lock_guard lock(m_mutex);
    for (const auto& slot : m_slots)
        if (!slot->path.empty())
            running << QString::fromStdString(slot->path);
    return running;
}
