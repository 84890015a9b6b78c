// CPreviewLoader: decodes the files the image view asks for on one worker
// thread (CNewestRequestWorker). The newest request wins: a request that arrives while another is
// decoding raises the abort flag, so the older decode stops at its next line
// and is never delivered. A delivered result carries the picture, the
// scaled pixels of its first paint and the warnings its decoder raised.
//
// While no request waits, the worker decodes the neighbours it was asked to
// prefetch into a small cache bounded by a count and by memory (a picture
// whose header shows it could not be kept is not decoded); a request for a
// cached file whose size, time and identity on disk are unchanged is
// answered from the cache without decoding, at once when its first paint
// is ready. Large pictures let go are freed on the worker.
#pragma once

#include "engine/edit/Picture.h"
#include "engine/picture/Animation.h"
#include "engine/picture/FileSource.h"
#include "models/fileops/NewestRequestWorker.h"

#include <QImage>
#include <QRect>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CAnyPicDecoder;
class CDataSource;
class CJPEGDecoder;

// What identifies a file's contents on disk: a file replaced or rewritten
// since has another stamp.
struct FileStamp {
    int64_t size = -1;
    int64_t modifiedNs = 0;
    uint64_t inode = 0;
    uint64_t device = 0;
    bool operator==(const FileStamp&) const = default;
    bool Valid() const { return size >= 0; }
};
FileStamp StampOf(const std::string& path);

// Where and how a picture will be shown: the first paint is scaled for it.
struct PreviewPlacement {
    int clientWidth = 0;
    int clientHeight = 0;
    bool shrink = false;
    bool enlarge = false;
    int position = 0;
    bool operator==(const PreviewPlacement&) const = default;
    PictureSize Client() const { return {clientWidth, clientHeight}; }
    // A load enlarges at most tenfold, as the view does.
    FitRule Fit() const { return {shrink, enlarge, true}; }
};

// What a decode found besides the picture: the page it shows, the file's
// page count, and for a camera RAW file shown from its embedded preview
// the size the developed picture will have.
struct PictureFacts {
    int page = 0;
    int pageCount = 1;
    bool preview = false;
    int fullWidth = 0;
    int fullHeight = 0;
};

struct PreviewLoadRequest {
    uint64_t id = 0;
    std::string path;
    int page = 0; // of a multi-page file
    // A RAW file is shown from its embedded preview unless this asks for
    // the developed picture; such a request is never answered from the cache.
    bool develop = false;
    int clientWidth = 0;
    int clientHeight = 0;
    bool shrink = false;
    bool enlarge = false;
    int position = 0;
    // A JPEG much larger than its displayed size is first decoded at a
    // reduced scale and delivered as an interim result.
    bool reducedFirst = false;
    PreviewPlacement Placement() const { return {clientWidth, clientHeight, shrink, enlarge, position}; }
};

struct PreviewLoadResult {
    uint64_t id = 0;
    bool ok = false;
    std::unique_ptr<CPicture> picture;
    PictureSize display;
    int clientWidth = 0;
    int clientHeight = 0;
    QImage cache;
    QRect cacheRect;
    std::vector<std::string> warnings;
    // Why a file that failed could not be opened; None when it could be
    // opened but not decoded.
    FileFailure failure = FileFailure::None;
    std::string path;
    FileStamp stamp;     // of the file when it was decoded
    bool cached = false; // taken from the prefetch cache
    // A first paint from a reduced decode: only `cache`, `cacheRect` and
    // `display` are set; the full picture follows under the same id.
    bool interim = false;
    // A picture that moves: its frames, `picture` holding the first.
    std::unique_ptr<CFrameSource> frames;
    PictureFacts facts;
    bool developed = false; // the answer to a request to develop
};

class CPreviewLoader {
  public:
    // Called on the worker thread with each result that was not superseded.
    using Deliver = std::function<void(std::shared_ptr<PreviewLoadResult>)>;

    explicit CPreviewLoader(Deliver deliver);
    ~CPreviewLoader();
    CPreviewLoader(const CPreviewLoader&) = delete;
    CPreviewLoader& operator=(const CPreviewLoader&) = delete;

    // Supersedes any request waiting or decoding.
    void Request(PreviewLoadRequest request);
    // Drops the waiting request and stops the one decoding.
    void Cancel();
    // How many decodes stopped early because they were superseded.
    int AbandonedCount() const { return m_abandoned.load(); }

    // Decodes `paths` in order, when idle, for the cache; replaces the
    // previous list. An empty list stops prefetching.
    void Prefetch(std::vector<std::string> paths, const PreviewPlacement& placement);
    // Hands back a picture that was shown, unedited, so going back to it
    // needs no decode; with the scaled pixels it was painted from, when
    // they are whole, going back needs no scaling either.
    struct FirstPaint {
        PreviewPlacement placement;
        PictureSize display;
        QImage cache;
        QRect cacheRect;
    };
    void Keep(std::string path, const FileStamp& stamp, std::unique_ptr<CPicture> picture,
              FirstPaint painted = {}, PictureFacts facts = {});
    // Drops every cached picture and the prefetch list.
    void ClearCache();
    // Frees a picture on the worker, so that the caller does not wait for
    // a large picture's memory to be given back.
    void Dispose(std::unique_ptr<CPicture> picture);
    // At most `count` pictures and `bytes` of memory in the cache; a picture
    // larger than that is not kept.
    void SetCacheLimits(int count, size_t bytes);
    // A progressive JPEG's first paint from its DC values read directly
    // (the default), or from libjpeg's first scan, for measuring one
    // against the other. Set before requests.
    void SetDcPreview(bool on) { m_dcPreview = on; }

    struct Counts {
        int hits = 0;         // requests answered from the cache
        int decodes = 0;      // requests that were decoded
        int prefetched = 0;   // pictures decoded ahead and kept
        int tooLarge = 0;     // decoded ahead but larger than the cache
        int skipped = 0;      // not decoded ahead: its header showed it could not be kept
        int stoppedEarly = 0; // decodes a newer request ended mid-way or before they began
    };
    Counts GetCounts() const;
    // The paths in the cache, for tests.
    std::vector<std::string> CachedPaths() const;

  private:
    struct Entry {
        std::string path;
        FileStamp stamp;
        std::unique_ptr<CPicture> picture;
        PreviewPlacement placement;
        PictureSize display;
        QImage cache;
        QRect cacheRect;
        size_t bytes = 0;
        std::vector<std::string> warnings; // shown when the picture is
        PictureFacts facts;
        // The entry answers a request for this page, not one to develop.
        bool Answers(const PreviewLoadRequest& request) const
        {
            return path == request.path && facts.page == request.page && !request.develop;
        }
    };

    bool Superseded() { return m_worker.Superseded(); }
    // The result for a request whose picture is cached for the same
    // placement, with its first paint built: nothing left to do on the
    // worker. Empty when there is none. Needs the worker's lock.
    std::shared_ptr<PreviewLoadResult> TakeReadyLocked(const PreviewLoadRequest& request,
                                                       const FileStamp& stamp);
    // In a catch block: counts a decode that ended at the abort flag.
    void NoteStopped();
    // Frees the pictures let go, first thing in every round of the worker.
    void FreeDisposed();
    // When no request waits: frees, then decodes the next picture ahead.
    void RunIdle();
    void Load(const PreviewLoadRequest& request);
    // Decodes a JPEG at the smallest scale that covers its displayed size,
    // turned upright, and delivers that as an interim result. True when
    // `result` already holds the full picture (no smaller scale would do).
    // `orientation` is the JPEG's own (read from it) unless given: a RAW
    // file's preview is turned as the RAW file says.
    bool DecodeReducedFirst(const PreviewLoadRequest& request, CDataSource& source, PreviewLoadResult& result,
                            int orientation = 0);
    // The same for a RAW file's JPEG preview, read without the rest of
    // the file; false for any other file.
    bool DecodeRawPreviewFirst(const PreviewLoadRequest& request, PreviewLoadResult& result);
    // What the detector found in its last decode, for `page`.
    PictureFacts FactsOfDecode(int page) const;
    void PrefetchOne(const std::string& path, const PreviewPlacement& placement);
    // Adds an entry, evicting what is not on the prefetch list first; false
    // when it cannot fit at all. Needs the worker's lock.
    bool InsertLocked(Entry entry);
    // A picture that moves gets its frames and shows its first composed
    // frame; false for a still one. Without `frames` it only answers
    // whether the picture may move (true when its frames cannot be read).
    bool AttachFrames(const CDataSource& source, int format, CPicture& picture,
                      std::unique_ptr<CFrameSource>* frames);
    static void BuildFirstCache(const PreviewPlacement& placement, const CPicture& picture,
                                PictureSize& display, QImage& cache, QRect& cacheRect);

    Deliver m_deliver;
    std::atomic<int> m_abandoned{0};
    // Guarded by the worker's lock (m_worker.Lock()):
    std::vector<std::string> m_prefetch; // still to decode, in order
    std::vector<std::string> m_wanted;   // the last prefetch list, kept over eviction
    PreviewPlacement m_prefetchPlacement;
    std::string m_prefetching; // the path the worker is decoding ahead
    std::vector<Entry> m_cache;
    std::vector<std::unique_ptr<CPicture>> m_dispose; // freed by the worker
    bool m_warmed = false;                            // the worker's memory faulted in
    int m_cacheCount = 2;
    size_t m_cacheBytes = size_t(512) << 20;
    Counts m_counts;
    // Held by pointer so that the window code does not see decoder headers.
    std::unique_ptr<CAnyPicDecoder> m_decoder; // used by the worker only
    std::unique_ptr<CJPEGDecoder> m_jpeg;      // reduced first decodes, worker only
    std::atomic<bool> m_dcPreview = true;
    // Last: its thread uses every member above.
    mutable CNewestRequestWorker<PreviewLoadRequest> m_worker;
};
