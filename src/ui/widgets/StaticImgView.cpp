#include "ui/widgets/StaticImgView.h"

#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/TextException.h"
#include "models/fileops/NewestRequestWorker.h"
#include "ui/widgets/DisplayColour.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>

#include <cstdio>
#include <functional>

namespace {

constexpr const char* kTextUnknownFormat = "Unknow format";

} // namespace

namespace vkstatic {

int PlaceAxis(int length, int box, bool centre)
{
    return centre && length < box ? (box - length) / 2 : 0;
}

} // namespace vkstatic

// ---------------------------------------------------------------------------
// One worker thread: decodes, or rescales the kept picture after a resize,
// and builds the scaled image so the GUI thread only draws. The newest
// request wins (CNewestRequestWorker).

struct StaticImgRequest {
    uint64_t id = 0;
    std::string path;                        // decode this, or
    std::shared_ptr<const CPicture> picture; // rescale this
    int boxWidth = 0;
    int boxHeight = 0;
    bool enlarge = true;
};

struct StaticImgResult {
    uint64_t id = 0;
    bool decoded = false; // a new picture (not a rescale)
    bool ok = false;
    std::shared_ptr<const CPicture> picture;
    PictureSize display;
    QImage scaled;
};

class CStaticImgLoader {
  public:
    using Deliver = std::function<void(std::shared_ptr<StaticImgResult>)>;

    explicit CStaticImgLoader(Deliver deliver)
        : m_deliver(std::move(deliver)), m_worker({.run = [this](StaticImgRequest& r) { Run(r); }})
    {
        // A superseded decode stops at its next line.
        m_decoder.SetAbortFlag(m_worker.AbortFlag());
    }
    ~CStaticImgLoader() { m_worker.Stop(); }

    void Request(StaticImgRequest request) { m_worker.Post(std::move(request)); }

  private:
    static QImage Scale(const CPicture& picture, PictureSize size)
    {
        if (size.width <= 0 || size.height <= 0 || picture.GetBitsPerPixel() != 32)
            return {};
        // The block is bottom-up: wrap it without a copy and flip the result.
        const QImage wrapped(picture.GetPixels(), picture.GetWidth(), picture.GetHeight(),
                             picture.GetLineBytes(), QImage::Format_RGB32);
        return wrapped.scaled(size.width, size.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .mirrored(false, true);
    }

    void Run(const StaticImgRequest& request)
    {
        auto result = std::make_shared<StaticImgResult>();
        result->id = request.id;
        result->picture = request.picture;
        if (!request.path.empty()) {
            result->decoded = true;
            auto picture = std::make_shared<CPicture>();
            try {
                m_decoder.DecodeFile(request.path, *picture, 32);
                result->ok = picture->GetWidth() > 0 && picture->GetHeight() > 0;
            } catch (const CTextException& e) {
                if (e.GetCode() == ErrAborted)
                    return; // a newer request is on its way
                std::string text = e.GetText();
                while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
                    text.pop_back();
                std::fprintf(stderr, "Error %d decoding: %s\n", e.GetCode(), text.c_str());
            } catch (const std::exception& e) {
                std::fprintf(stderr, "Error decoding: %s\n", e.what());
            }
            if (result->ok)
                result->picture = std::move(picture);
        } else {
            result->ok = result->picture != nullptr;
        }
        if (result->ok) {
            // Fitted when larger in either direction, fitted up with
            // `enlarge` when smaller in both, else its own size.
            result->display =
                ChooseDisplaySize(PictureSizeOf(*result->picture), {request.boxWidth, request.boxHeight},
                                  {.shrink = true, .enlarge = request.enlarge});
            try {
                result->scaled = Scale(*result->picture, result->display);
                vkdisplay::ManageColours(result->scaled, *result->picture);
            } catch (...) {
                result->scaled = QImage();
            }
        }
        if (!m_worker.Superseded())
            m_deliver(result);
    }

    Deliver m_deliver;
    CAnyPicDecoder m_decoder; // the worker's only
    // Last: its thread uses the members above.
    CNewestRequestWorker<StaticImgRequest> m_worker;
};

// ---------------------------------------------------------------------------

CStaticImgView::CStaticImgView(QWidget* parent) : QWidget(parent)
{
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(false);
    m_loader = std::make_unique<CStaticImgLoader>([this](std::shared_ptr<StaticImgResult> result) {
        QMetaObject::invokeMethod(
            this, [this, result] { Apply(result); }, Qt::QueuedConnection);
    });
}

CStaticImgView::~CStaticImgView()
{
    m_loader.reset();
}

void CStaticImgView::Load(const QString& path, bool centre, bool enlarge)
{
    m_path = path;
    m_centre = centre;
    m_enlarge = enlarge;
    Request(true);
}

void CStaticImgView::Request(bool decode)
{
    // A resize while a file decodes asks for that file again, not for the
    // picture shown before it.
    decode = decode || m_decoding;
    m_decoding = decode;
    StaticImgRequest request;
    request.id = ++m_pendingId;
    if (decode)
        request.path = m_path.toStdString();
    else
        request.picture = m_picture;
    request.boxWidth = width();
    request.boxHeight = height();
    request.enlarge = m_enlarge;
    m_loader->Request(std::move(request));
}

void CStaticImgView::Clear()
{
    m_appliedId = ++m_pendingId; // drops a load still on its way
    m_decoding = false;
    m_picture.reset();
    m_scaled = QImage();
    m_imageRect = {};
    m_hasImage = false;
    m_unknown = false;
    m_imageWidth = m_imageHeight = 0;
    m_path.clear();
    update();
}

void CStaticImgView::Apply(std::shared_ptr<StaticImgResult> result)
{
    if (result->id != m_pendingId)
        return;
    m_appliedId = result->id;
    m_decoding = false;
    if (!result->ok) {
        // The previous picture is no longer shown.
        m_picture.reset();
        m_scaled = QImage();
        m_imageRect = {};
        m_hasImage = false;
        m_unknown = true;
        m_imageWidth = m_imageHeight = 0;
        update();
        emit Loaded(false, m_path);
        return;
    }
    m_picture = std::move(result->picture);
    m_scaled = std::move(result->scaled);
    m_hasImage = true;
    m_unknown = false;
    m_imageWidth = m_picture->GetWidth();
    m_imageHeight = m_picture->GetHeight();
    const int w = result->display.width, h = result->display.height;
    m_imageRect =
        QRect(vkstatic::PlaceAxis(w, width(), m_centre), vkstatic::PlaceAxis(h, height(), m_centre), w, h);
    update();
    if (result->decoded)
        emit Loaded(true, m_path);
}

void CStaticImgView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_picture)
        Request(false);
}

bool CStaticImgView::WaitForLoad(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (IsLoading() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (IsLoading())
            QThread::msleep(2);
    }
    return !IsLoading();
}

void CStaticImgView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QColor face = palette().color(QPalette::Button);
    painter.fillRect(event->rect(), face);
    if (m_hasImage && !m_scaled.isNull()) {
        painter.drawImage(m_imageRect.topLeft(), m_scaled);
        return;
    }
    if (m_unknown) {
        painter.setPen(palette().color(QPalette::ButtonText));
        const QString text = kTextUnknownFormat;
        if (m_centre) {
            painter.drawText(rect(), Qt::AlignCenter, text);
        } else {
            const QFontMetrics metrics(font());
            painter.drawText(QPoint(1, 1 + metrics.ascent()), text);
        }
    }
}
