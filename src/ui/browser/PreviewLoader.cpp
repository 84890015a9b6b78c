#include "ui/browser/PreviewLoader.h"

#include "engine/picture/Animation.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/FileSource.h"
#include "engine/picture/JPEGDecoder.h"
#include "engine/picture/JpegDcPreview.h"
#include "engine/picture/Orientation.h"
#include "engine/picture/PictureSizeLimit.h"
#include "engine/picture/RawDecoder.h"
#include "engine/picture/TextException.h"
#include "ui/browser/PreviewGeometry.h"
#include "ui/widgets/TileCache.h"

#include <QSize>

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <utility>

FileStamp StampOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    FileStamp stamp;
    stamp.size = int64_t(st.st_size);
    stamp.modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.inode = uint64_t(st.st_ino);
    stamp.device = uint64_t(st.st_dev);
    return stamp;
}

namespace {

// A result answering `request`, not yet filled.
std::shared_ptr<PreviewLoadResult> ResultFor(const PreviewLoadRequest& request)
{
    auto result = std::make_shared<PreviewLoadResult>();
    result->id = request.id;
    result->clientWidth = request.clientWidth;
    result->clientHeight = request.clientHeight;
    result->path = request.path;
    return result;
}

size_t BytesOf(const CPicture& picture, const QImage& cache)
{
    return size_t(picture.GetLineBytes()) * size_t(std::max(0, picture.GetHeight())) +
           size_t(cache.sizeInBytes());
}

// The first picture of a process would otherwise fault in fresh pages for
// its file's bytes and its reduced picture while the user waits: a third of
// its first paint. glibc hands out a large block as a fresh mapping and,
// once it is freed, raises its threshold so that later blocks up to that
// size come from the thread's own heap, which keeps its pages when freed.
// So after one large block freed, a smaller one touched and freed leaves
// this thread's heap with 16 MB already in.
void FaultInWorkerMemory()
{
    // Untouched, the first block costs nothing.
    char* volatile large = static_cast<char*>(std::malloc(size_t(24) << 20));
    std::free(large);
    constexpr size_t kBytes = size_t(16) << 20;
    char* volatile block = static_cast<char*>(std::malloc(kBytes));
    if (block == nullptr)
        return;
    for (size_t i = 0; i < kBytes; i += 4096)
        block[i] = 0;
    std::free(block);
}

} // namespace

CPreviewLoader::CPreviewLoader(Deliver deliver)
    : m_deliver(std::move(deliver)), m_decoder(std::make_unique<CAnyPicDecoder>()),
      m_jpeg(std::make_unique<CJPEGDecoder>()),
      m_worker({.run =
                    [this](PreviewLoadRequest& request) {
                        FreeDisposed();
                        Load(request);
                    },
                .hasIdleWork = [this] { return !m_warmed || !m_prefetch.empty() || !m_dispose.empty(); },
                .runIdle = [this] { RunIdle(); }})
{
    // A superseded decode, full or reduced, stops at its next line.
    m_decoder->SetAbortFlag(m_worker.AbortFlag());
    m_jpeg->SetAbortFlag(m_worker.AbortFlag());
}

CPreviewLoader::~CPreviewLoader()
{
    m_worker.Stop();
}

void CPreviewLoader::Request(PreviewLoadRequest request)
{
    std::shared_ptr<PreviewLoadResult> ready;
    const FileStamp stamp = StampOf(request.path);
    {
        const auto lock = m_worker.Lock();
        ready = TakeReadyLocked(request, stamp);
        if (ready) {
            // Answered here, at once: whatever the worker does for an older
            // request is dropped, while decoding ahead goes on.
            m_worker.DropLocked(m_prefetching.empty());
        } else {
            // A prefetch of the very file asked for is let finish: the
            // request then finds it in the cache.
            const bool abort = m_prefetching.empty() || m_prefetching != request.path;
            m_worker.PostLocked(std::move(request), abort);
        }
    }
    if (ready)
        m_deliver(std::move(ready));
    else
        m_worker.Wake();
}

std::shared_ptr<PreviewLoadResult> CPreviewLoader::TakeReadyLocked(const PreviewLoadRequest& request,
                                                                   const FileStamp& stamp)
{
    if (!stamp.Valid())
        return {};
    auto it = std::find_if(m_cache.begin(), m_cache.end(), [&](const Entry& e) {
        return e.Answers(request) && e.stamp == stamp && e.placement == request.Placement() &&
               !e.cache.isNull();
    });
    if (it == m_cache.end())
        return {};
    auto result = ResultFor(request);
    result->ok = true;
    result->cached = true;
    result->stamp = stamp;
    result->picture = std::move(it->picture);
    result->warnings = std::move(it->warnings);
    result->display = it->display;
    result->cache = std::move(it->cache);
    result->cacheRect = it->cacheRect;
    result->facts = it->facts;
    m_cache.erase(it);
    ++m_counts.hits;
    return result;
}

void CPreviewLoader::Cancel()
{
    m_worker.Cancel();
}

void CPreviewLoader::Prefetch(std::vector<std::string> paths, const PreviewPlacement& placement)
{
    {
        const auto lock = m_worker.Lock();
        if (!m_prefetching.empty() && std::find(paths.begin(), paths.end(), m_prefetching) == paths.end())
            m_worker.AbortLocked();
        m_wanted = paths;
        m_prefetch = std::move(paths);
        m_prefetchPlacement = placement;
    }
    m_worker.Wake();
}

void CPreviewLoader::Keep(std::string path, const FileStamp& stamp, std::unique_ptr<CPicture> picture,
                          FirstPaint painted, PictureFacts facts)
{
    if (!picture || !stamp.Valid() || picture->GetWidth() <= 0) {
        Dispose(std::move(picture));
        return;
    }
    Entry entry;
    entry.path = std::move(path);
    entry.stamp = stamp;
    entry.placement = painted.placement;
    entry.display = painted.display;
    entry.cache = std::move(painted.cache);
    entry.cacheRect = painted.cacheRect;
    entry.bytes = BytesOf(*picture, entry.cache);
    entry.picture = std::move(picture);
    entry.facts = facts;
    {
        const auto lock = m_worker.Lock();
        InsertLocked(std::move(entry));
    }
    m_worker.Wake(); // frees what no longer fits
}

void CPreviewLoader::ClearCache()
{
    {
        const auto lock = m_worker.Lock();
        for (Entry& e : m_cache)
            m_dispose.push_back(std::move(e.picture));
        m_cache.clear();
        m_prefetch.clear();
        m_wanted.clear();
        if (!m_prefetching.empty())
            m_worker.AbortLocked();
    }
    m_worker.Wake();
}

void CPreviewLoader::Dispose(std::unique_ptr<CPicture> picture)
{
    if (!picture)
        return;
    {
        const auto lock = m_worker.Lock();
        m_dispose.push_back(std::move(picture));
    }
    m_worker.Wake();
}

void CPreviewLoader::SetCacheLimits(int count, size_t bytes)
{
    const auto lock = m_worker.Lock();
    m_cacheCount = std::max(0, count);
    m_cacheBytes = bytes;
}

CPreviewLoader::Counts CPreviewLoader::GetCounts() const
{
    const auto lock = m_worker.Lock();
    return m_counts;
}

std::vector<std::string> CPreviewLoader::CachedPaths() const
{
    const auto lock = m_worker.Lock();
    std::vector<std::string> paths;
    for (const Entry& e : m_cache)
        paths.push_back(e.path);
    return paths;
}

bool CPreviewLoader::InsertLocked(Entry entry)
{
    if (m_cacheCount <= 0 || entry.bytes > m_cacheBytes) {
        m_dispose.push_back(std::move(entry.picture));
        return false;
    }
    // One entry per path: the newer replaces the older (another page too).
    std::erase_if(m_cache, [&](const Entry& e) { return e.path == entry.path; });
    auto total = [this] {
        size_t sum = 0;
        for (const Entry& e : m_cache)
            sum += e.bytes;
        return sum;
    };
    auto wanted = [this](const Entry& e) {
        return std::find(m_wanted.begin(), m_wanted.end(), e.path) != m_wanted.end();
    };
    while (!m_cache.empty() &&
           (int(m_cache.size()) + 1 > m_cacheCount || total() + entry.bytes > m_cacheBytes)) {
        // Oldest first among those no longer wanted, then the oldest.
        auto victim =
            std::find_if(m_cache.begin(), m_cache.end(), [&](const Entry& e) { return !wanted(e); });
        if (victim == m_cache.end())
            victim = m_cache.begin();
        m_dispose.push_back(std::move(victim->picture)); // freed by the worker
        m_cache.erase(victim);
    }
    m_cache.push_back(std::move(entry));
    return true;
}

void CPreviewLoader::NoteStopped()
{
    try {
        throw;
    } catch (const CTextException& e) {
        if (e.GetCode() != ErrAborted)
            return;
    } catch (...) {
        return;
    }
    const auto lock = m_worker.Lock();
    ++m_counts.stoppedEarly;
}

void CPreviewLoader::FreeDisposed()
{
    std::vector<std::unique_ptr<CPicture>> dispose;
    {
        const auto lock = m_worker.Lock();
        dispose.swap(m_dispose);
    }
    dispose.clear(); // outside the lock
}

void CPreviewLoader::RunIdle()
{
    bool warm = false;
    {
        const auto lock = m_worker.Lock();
        warm = !std::exchange(m_warmed, true);
    }
    if (warm) {
        // Before any request, while the window is being built.
        FaultInWorkerMemory();
        return;
    }
    // The picture ahead is taken at once, so that a request answered from
    // the cache meanwhile lets it go on; the memory let go is freed before
    // it is decoded.
    std::string ahead;
    PreviewPlacement placement;
    {
        const auto lock = m_worker.Lock();
        if (!m_prefetch.empty()) {
            ahead = m_prefetch.front();
            m_prefetch.erase(m_prefetch.begin());
            placement = m_prefetchPlacement;
            m_prefetching = ahead;
        }
    }
    FreeDisposed();
    if (ahead.empty())
        return;
    PrefetchOne(ahead, placement);
    const auto lock = m_worker.Lock();
    m_prefetching.clear();
}

void CPreviewLoader::Load(const PreviewLoadRequest& request)
{
    auto result = ResultFor(request);
    result->stamp = StampOf(request.path);

    // From the cache when the file is still what was decoded.
    Entry hit;
    {
        const auto lock = m_worker.Lock();
        auto it = std::find_if(m_cache.begin(), m_cache.end(), [&](const Entry& e) {
            return e.Answers(request) && result->stamp.Valid() && e.stamp == result->stamp;
        });
        if (it != m_cache.end()) {
            hit = std::move(*it);
            m_cache.erase(it);
            ++m_counts.hits;
        } else {
            std::erase_if(m_cache, [&](const Entry& e) { return e.path == request.path; });
            ++m_counts.decodes;
        }
    }
    if (hit.picture) {
        result->ok = true;
        result->cached = true;
        result->picture = std::move(hit.picture);
        result->warnings = std::move(hit.warnings);
        result->facts = hit.facts;
        if (hit.placement == request.Placement() && !hit.cache.isNull()) {
            result->display = hit.display;
            result->cache = std::move(hit.cache);
            result->cacheRect = hit.cacheRect;
        } else {
            BuildFirstCache(request.Placement(), *result->picture, result->display, result->cache,
                            result->cacheRect);
        }
        if (Superseded()) {
            // Not shown after all: back into the cache for the next request.
            const auto lock = m_worker.Lock();
            hit.picture = std::move(result->picture);
            hit.placement = request.Placement();
            hit.display = result->display;
            hit.cache = std::move(result->cache);
            hit.cacheRect = result->cacheRect;
            hit.warnings = std::move(result->warnings);
            InsertLocked(std::move(hit));
            ++m_abandoned;
            return;
        }
        m_deliver(result);
        return;
    }

    try {
        // The decoder's warnings stay with this picture; the view shows
        // them only if it shows the picture.
        CWarningScope warnings([&result](const std::string& text) { result->warnings.push_back(text); });
        result->developed = request.develop;
        // Shown from its preview, a RAW file is what the loader decodes, so
        // the viewer's choice holds for the whole decode.
        m_decoder->SetChoice({.page = request.page, .preview = !request.develop});
        const bool reduced = request.reducedFirst && !request.develop;
        // A RAW file's preview is painted before the whole file is read.
        if (!reduced || !DecodeRawPreviewFirst(request, *result)) {
            // Read once for both decodes.
            CFileSource source;
            if (const int error = source.Open(request.path)) {
                result->failure = source.GetFailure();
                throw CTextException(error, "Opening " + request.path + " failed");
            }
            if (!reduced || !DecodeReducedFirst(request, source, *result)) {
                if (Superseded()) {
                    const auto lock = m_worker.Lock();
                    ++m_counts.stoppedEarly; // superseded before its decode began
                    ++m_abandoned;
                    return;
                }
                result->picture = std::make_unique<CPicture>();
                source.Seek(0);
                m_decoder->Decode(source, *result->picture, 32);
                result->facts = FactsOfDecode(request.page);
                AttachFrames(source, m_decoder->GetDetectedFormat(), *result->picture, &result->frames);
            }
        }
        result->ok = result->picture->GetWidth() > 0 && result->picture->GetHeight() > 0;
    } catch (...) {
        // Any failure counts; the frame reports it in its own words.
        NoteStopped();
        result->ok = false;
    }
    if (!result->ok)
        result->picture.reset();
    if (Superseded()) {
        ++m_abandoned;
        return;
    }
    // A developed picture keeps the preview's displayed size: no first paint.
    if (result->ok && !request.develop)
        BuildFirstCache(request.Placement(), *result->picture, result->display, result->cache,
                        result->cacheRect);
    if (Superseded()) {
        ++m_abandoned;
        return;
    }
    m_deliver(result);
}

PictureFacts CPreviewLoader::FactsOfDecode(int page) const
{
    const CPicDecoder::Found& found = m_decoder->GetFound();
    return {page, found.pageCount, found.preview, found.fullWidth, found.fullHeight};
}

bool CPreviewLoader::DecodeRawPreviewFirst(const PreviewLoadRequest& request, PreviewLoadResult& result)
{
    RawPreview preview;
    try {
        // Read from the file: the sensor data is not needed for this.
        if (!ReadRawPreviewOfFile(request.path, preview) || !preview.jpeg)
            return false;
    } catch (...) {
        return false; // the full decode reports it
    }
    CMemSource jpeg(preview.bytes.data(), preview.bytes.size(), request.path);
    if (!DecodeReducedFirst(request, jpeg, result, preview.orientation))
        return false;
    // The preview was small enough to decode whole: it is the picture.
    result.facts = {request.page, 1, true, preview.fullWidth, preview.fullHeight};
    return true;
}

bool CPreviewLoader::DecodeReducedFirst(const PreviewLoadRequest& request, CDataSource& source,
                                        PreviewLoadResult& result, int orientation)
{
    // JPEG only: SOI followed by a marker.
    const uint8_t* head = source.GetStart();
    if (source.GetSize() < 3 || head[0] != 0xFF || head[1] != 0xD8 || head[2] != 0xFF)
        return false;
    // The reduced picture is turned upright like the full one, so the first
    // paint and the swap show the same thing.
    if (orientation == 0)
        orientation = ReadJpegOrientation(source.GetStart(), source.GetSize());
    const bool turned = OrientationSwapsSides(orientation);
    const PreviewPlacement placement = request.Placement();
    auto upright = [turned, &placement](int w, int h) {
        if (turned)
            std::swap(w, h);
        return std::pair{QSize(w, h), ChooseDisplaySize({w, h}, placement.Client(), placement.Fit())};
    };
    auto choose = [&upright](int w, int h) {
        const auto [size, display] = upright(w, h);
        for (int d : {8, 4, 2})
            if ((size.width() + d - 1) / d >= display.width && (size.height() + d - 1) / d >= display.height)
                return d;
        return 1;
    };
    auto picture = std::make_unique<CPicture>();
    int fullWidth = 0, fullHeight = 0;
    // A progressive file shows its first scan at once, as an eighth of its
    // size whatever the chooser says: its DC values, read here without
    // libjpeg's whole-picture coefficient buffer, which would cost most of
    // the time. Anything unusual goes to libjpeg below.
    auto reduced = [&](int w, int h) {
        fullWidth = w;
        fullHeight = h;
        return choose(w, h) > 1;
    };
    const bool fromDc = m_dcPreview && DecodeJpegDcPreview(source.GetStart(), source.GetSize(), orientation,
                                                           reduced, *picture);
    if (!fromDc) {
        m_jpeg->SetScaleChooser(choose);
        try {
            source.Seek(0);
            m_jpeg->SetOrientation(orientation);
            // Reading every scan costs nearly as much as the full decode
            // that follows.
            m_jpeg->SetFirstScanOnly();
            m_jpeg->Decode(source, *picture, 32);
        } catch (...) {
            NoteStopped();
            return false; // the full decode reports it
        }
        if (m_jpeg->GetScaleDenominator() == 1) {
            // Decoded at full size already: that is the picture.
            result.picture = std::move(picture);
            return true;
        }
        fullWidth = m_jpeg->GetFullWidth();
        fullHeight = m_jpeg->GetFullHeight();
    }
    auto interim = ResultFor(request);
    interim->interim = true;
    interim->ok = true;
    // Scaled to the size the full picture will show at, so the swap does not move.
    interim->display = upright(fullWidth, fullHeight).second;
    bool scrollable = false;
    const QPoint origin(vkview::PlaceAxis(interim->display.width, placement.clientWidth, placement.position,
                                          true, scrollable),
                        vkview::PlaceAxis(interim->display.height, placement.clientHeight, placement.position,
                                          false, scrollable));
    const QRect visible = vkview::VisibleRegion(origin, interim->display.width, interim->display.height,
                                                placement.clientWidth, placement.clientHeight);
    if (!visible.isEmpty()) {
        try {
            interim->cache = vkview::BuildScaledRegion(*picture, interim->display.width,
                                                       interim->display.height, visible, interim->cacheRect);
        } catch (...) {
            interim->cache = QImage();
        }
    }
    picture.reset();
    if (!interim->cache.isNull() && !Superseded())
        m_deliver(interim);
    return false;
}

void CPreviewLoader::PrefetchOne(const std::string& path, const PreviewPlacement& placement)
{
    const FileStamp stamp = StampOf(path);
    if (!stamp.Valid())
        return;
    {
        const auto lock = m_worker.Lock();
        for (const Entry& e : m_cache)
            if (e.path == path && e.stamp == stamp)
                return; // already there
    }
    Entry entry;
    entry.path = path;
    entry.stamp = stamp;
    entry.placement = placement;
    size_t roomBytes = 0;
    {
        const auto lock = m_worker.Lock();
        roomBytes = m_cacheCount > 0 ? m_cacheBytes : 0;
    }
    // A picture that could not be kept is not decoded at all: the decoder
    // stops at the size in its header.
    CPictureSizeLimit limit(int64_t(roomBytes / 4));
    try {
        // Kept with the picture, shown if it is.
        CWarningScope warnings([&entry](const std::string& text) { entry.warnings.push_back(text); });
        entry.picture = std::make_unique<CPicture>();
        CFileSource source;
        if (source.Open(path) != 0)
            return;
        m_decoder->SetChoice({.page = 0, .preview = true});
        m_decoder->Decode(source, *entry.picture, 32);
        entry.facts = FactsOfDecode(0);
        if (entry.picture->GetWidth() <= 0 || entry.picture->GetHeight() <= 0)
            return;
        // A picture that moves is not kept: its frames are read when it is shown.
        if (AttachFrames(source, m_decoder->GetDetectedFormat(), *entry.picture, nullptr))
            return;
    } catch (...) {
        NoteStopped();
        if (limit.Exceeded()) {
            const auto lock = m_worker.Lock();
            ++m_counts.skipped;
        }
        return; // decoded again, and reported, when it is asked for
    }
    if (Superseded())
        return;
    BuildFirstCache(placement, *entry.picture, entry.display, entry.cache, entry.cacheRect);
    entry.bytes = BytesOf(*entry.picture, entry.cache);
    const auto lock = m_worker.Lock();
    if (InsertLocked(std::move(entry)))
        ++m_counts.prefetched;
    else
        ++m_counts.tooLarge;
}

bool CPreviewLoader::AttachFrames(const CDataSource& source, int format, CPicture& picture,
                                  std::unique_ptr<CFrameSource>* frames)
{
    if (!FormatMayMove(format))
        return false;
    try {
        auto bytes =
            std::make_shared<std::vector<uint8_t>>(source.GetStart(), source.GetStart() + source.GetSize());
        std::unique_ptr<CFrameSource> moving = OpenFrames(std::move(bytes));
        if (!moving)
            return false;
        if (!frames)
            return true;
        *frames = ShowFirstFrame(std::move(moving), picture, m_worker.AbortFlag());
        return true;
    } catch (const CTextException& e) {
        if (e.GetCode() == ErrAborted)
            throw;
        // Shown still, as decoded; not decoded ahead, as it may move after all.
        return frames == nullptr;
    }
}

void CPreviewLoader::BuildFirstCache(const PreviewPlacement& placement, const CPicture& picture,
                                     PictureSize& display, QImage& cache, QRect& cacheRect)
{
    display = ChooseDisplaySize(PictureSizeOf(picture), placement.Client(), placement.Fit());
    bool scrollable = false;
    const QPoint origin(
        vkview::PlaceAxis(display.width, placement.clientWidth, placement.position, true, scrollable),
        vkview::PlaceAxis(display.height, placement.clientHeight, placement.position, false, scrollable));
    const QRect visible = vkview::VisibleRegion(origin, display.width, display.height, placement.clientWidth,
                                                placement.clientHeight);
    if (visible.isEmpty())
        return;
    const QRect region = vkview::CacheRegion(visible, display.width, display.height, placement.clientWidth,
                                             placement.clientHeight);
    try {
        cache = vkview::BuildScaledRegion(picture, display.width, display.height, region, cacheRect);
    } catch (...) {
        cache = QImage();
    }
}
