#include "PreviewLoader.h"

#include "PreviewGeometry.h"
#include "TileCache.h"
#include "picture/TextException.h"

CPreviewLoader::CPreviewLoader(Deliver deliver) : m_deliver(std::move(deliver))
{
    m_thread = std::thread([this] { Run(); });
}

CPreviewLoader::~CPreviewLoader()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_pending.reset();
        m_abort = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void CPreviewLoader::Request(PreviewLoadRequest request)
{
    {
        std::lock_guard lock(m_mutex);
        m_pending = std::move(request);
        m_abort = true;
    }
    m_wake.notify_one();
}

void CPreviewLoader::Cancel()
{
    std::lock_guard lock(m_mutex);
    m_pending.reset();
    m_abort = true;
}

bool CPreviewLoader::Superseded()
{
    std::lock_guard lock(m_mutex);
    return m_stop || m_abort;
}

void CPreviewLoader::Run()
{
    for (;;) {
        PreviewLoadRequest request;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || m_pending.has_value(); });
            if (m_stop)
                return;
            request = std::move(*m_pending);
            m_pending.reset();
            m_abort = false;
        }
        auto result = std::make_shared<PreviewLoadResult>();
        result->id = request.id;
        result->clientWidth = request.clientWidth;
        result->clientHeight = request.clientHeight;
        try {
            // The decoder's warnings stay with this picture; the view shows
            // them only if it shows the picture.
            CWarningScope warnings([&result](const std::string& text) { result->warnings.push_back(text); });
            result->picture = std::make_unique<CPicture>();
            m_decoder.DecodeFile(request.path, *result->picture, 32);
            result->ok = result->picture->GetWidth() > 0 && result->picture->GetHeight() > 0;
        } catch (...) {
            // Any failure counts; the frame reports it in its own words.
            result->ok = false;
        }
        if (!result->ok)
            result->picture.reset();
        if (Superseded()) {
            ++m_abandoned;
            continue;
        }
        if (result->ok)
            BuildFirstCache(request, *result);
        if (Superseded()) {
            ++m_abandoned;
            continue;
        }
        m_deliver(result);
    }
}

void CPreviewLoader::BuildFirstCache(const PreviewLoadRequest& request, PreviewLoadResult& result)
{
    const CPicture& picture = *result.picture;
    result.display = vkview::ChooseDisplaySize(picture, request.clientWidth, request.clientHeight,
                                               request.shrink, request.enlarge, true);
    bool scrollable = false;
    const QPoint origin(
        vkview::PlaceAxis(result.display.width, request.clientWidth, request.position, true, scrollable),
        vkview::PlaceAxis(result.display.height, request.clientHeight, request.position, false, scrollable));
    const QRect visible = vkview::VisibleRegion(origin, result.display.width, result.display.height,
                                                request.clientWidth, request.clientHeight);
    if (visible.isEmpty())
        return;
    const QRect region = vkview::CacheRegion(visible, result.display.width, result.display.height,
                                             request.clientWidth, request.clientHeight);
    try {
        result.cache = vkview::BuildScaledRegion(picture, result.display.width, result.display.height,
                                                 region, result.cacheRect);
    } catch (...) {
        result.cache = QImage();
    }
}
