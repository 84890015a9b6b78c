// CThumbnailProvider: thumbnails for a view of files, made off the GUI
// thread through the desktop's thumbnail cache. The view says what is on
// screen, what comes next in the direction of scrolling and what else the
// folder holds; those are made in that order on every core, at a lower
// priority than the window's thread. Work for a file that left the screen
// is abandoned at the decoder's next line. Finished thumbnails are kept in
// memory up to a byte limit, the least recently shown dropped first, and
// announced on the provider's (the GUI) thread.
#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

class CThumbnailCache;

// A thumbnail's pixels, top-down, each 0xAARRGGBB; the window turns them
// into an image of its own kind.
struct ThumbnailPixels {
    int width = 0;
    int height = 0;
    bool alpha = false;
    std::vector<uint32_t> argb;
    size_t Bytes() const { return argb.size() * sizeof(uint32_t); }
};
using ThumbnailPixelsPtr = std::shared_ptr<const ThumbnailPixels>;

class CThumbnailProvider : public QObject {
    Q_OBJECT

  public:
    // `cacheRoot` is the thumbnails folder; `workers` 0 means one per core.
    explicit CThumbnailProvider(const QString& cacheRoot = QString(), int workers = 0,
                                QObject* parent = nullptr);
    ~CThumbnailProvider() override;

    // The size asked, in device pixels; the cache's size class that covers
    // it is used (128 normal, 256 large, ...). A change drops the work in
    // hand.
    void SetSize(int pixels);
    int GetSize() const { return m_size; }

    // Run on each thumbnail's pixels in the worker that made it, before it
    // is announced (the window turns them into the screen's colours). Set
    // before the first Prioritize.
    using PixelTurn = std::function<void(ThumbnailPixels&)>;
    void SetPixelTurn(PixelTurn turn) { m_turn = std::move(turn); }
    // Drops the thumbnails in memory and the work in hand, so they are made
    // again (from the cache) with the turn as it is now.
    void Reload();

    // Bytes of pixels kept in memory (64 MB by default).
    void SetMemoryLimit(size_t bytes);
    size_t GetMemoryUsed() const { return m_memoryUsed; }

    // What the view needs now, replacing what it asked before: `visible`
    // first, then `ahead` (the next screenful in the scroll direction),
    // then `rest` at low priority. Files made or failed already are not
    // asked again; work in hand for a file in neither of the first two is
    // abandoned (and asked again later when it is in `rest`). Given the same
    // `rest` as last time (the list itself, shared), only the screen's
    // files move: those that left it stay wanted with the rest, so a
    // scroll costs the screen's files, not the folder's.
    void Prioritize(const QStringList& visible, const QStringList& ahead, const QStringList& rest);

    // The thumbnail when it is in memory (marked as recently used), else null.
    ThumbnailPixelsPtr Get(const QString& path);
    // Why a file has no thumbnail; empty when it has, or is not tried yet.
    QString FailureReason(const QString& path) const;
    // Forgets what is known of a file that changed.
    void Forget(const QString& path);
    // Asks for the file again ahead of everything, keeping its thumbnail
    // in memory until the new one arrives: the cache makes it afresh when
    // the file changed (an edit saved over it, a lossless turn).
    void Refresh(const QString& path);

    // The files being made right now.
    QStringList Running() const;

  signals:
    void ThumbnailReady(const QString& path);
    void ThumbnailFailed(const QString& path, const QString& reason);

  private:
    enum Priority { Visible, Ahead, Rest, kPriorityCount };
    struct Slot {
        std::string path;
        std::atomic<bool> abort{false};
    };
    struct Entry {
        QString path;
        ThumbnailPixelsPtr pixels;
    };

    void Work(Slot& slot);
    bool TakeJob(Slot& slot, std::unique_lock<std::mutex>& lock, int& size, unsigned& generation);
    void Deliver(const QString& path, int size, ThumbnailPixelsPtr pixels, const QString& failure);
    void Trim();
    void StopAll();
    void StartWorkers();

    std::unique_ptr<CThumbnailCache> m_cache;
    PixelTurn m_turn;
    int m_workerCount = 1;
    int m_size = 128;

    // Shared with the workers.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::string> m_queues[kPriorityCount];
    std::unordered_map<std::string, int> m_wanted; // path -> the priority it is queued at
    std::vector<std::unique_ptr<Slot>> m_slots;
    int m_workSize = 128;      // the size the workers make
    unsigned m_generation = 0; // raised by Reload: older work is not delivered
    bool m_quit = false;
    std::vector<std::thread> m_threads;

    // GUI thread only.
    QStringList m_lastRest; // as given last, shared with the view
    bool m_restKnown = false;
    std::list<Entry> m_lru; // most recent first
    QHash<QString, std::list<Entry>::iterator> m_index;
    QHash<QString, QString> m_failures;
    size_t m_memoryLimit = size_t(64) << 20;
    size_t m_memoryUsed = 0;
};
