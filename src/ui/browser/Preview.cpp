#include "ui/browser/Preview.h"

#include "ui/widgets/PictureJob.h"

#include "engine/save/SaveNames.h"
#include "ui/browser/PreviewLoader.h"
#include "ui/widgets/MessageService.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr const char* kTextSaveChanges = "Do you want to save your changes?";
constexpr const char* kTextBlitError = "Error bliting image.";

constexpr float kZoomStep = 0.25f;
constexpr float kZoomMin = 0.25f;
constexpr float kZoomMax = 10.0f;
constexpr float kWheelZoomStep = 1.25f; // per notch
constexpr int kNotch = 120;             // eighths of a degree
constexpr int kCursorHideMs = 2000;

} // namespace

CPreview::CPreview(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    setBackgroundRole(QPalette::Window);
    m_cursorTimer = new QTimer(this);
    m_cursorTimer->setSingleShot(true);
    m_cursorTimer->setInterval(kCursorHideMs);
    connect(m_cursorTimer, &QTimer::timeout, this, [this] {
        if (!m_fullScreenLook)
            return;
        m_cursorHidden = true;
        setCursor(Qt::BlankCursor);
    });
    m_animation = new CAnimationPlayer(this);
    connect(m_animation, &CAnimationPlayer::FrameReady, this, &CPreview::ShowNextFrame);
    m_loader = std::make_unique<CPreviewLoader>([this](std::shared_ptr<PreviewLoadResult> result) {
        QMetaObject::invokeMethod(
            this, [this, result] { ApplyLoad(result); }, Qt::QueuedConnection);
    });
}

CPreview::~CPreview()
{
    m_loader.reset();
}

void CPreview::ShowNextFrame()
{
    // An edited frame is the picture now: the animation is over.
    if (m_picture.IsModified() || m_picture.IsUndoAvailable() || !m_hasImage) {
        m_animation->Stop();
        return;
    }
    if (vkjob::IsRunning())
        return; // work on the picture shown holds it; the next frame comes later
    if (!m_animation->TakeFrame(m_picture))
        return;
    m_tileCache.Invalidate();
    update();
}

QString CPreview::HoldFrame()
{
    if (!m_animation->IsActive())
        return {};
    m_animation->SetPaused(true);
    return m_animation->FrameName();
}

int CPreview::GetAbandonedLoads() const
{
    return m_loader->AbandonedCount();
}

bool CPreview::AskToSave()
{
    if (!m_picture.IsModified())
        return true;
    switch (vkui::ask(kTextSaveChanges, vkui::Buttons::YesNoCancel, vkui::Icon::Question)) {
    case vkui::Answer::No:
        m_picture.SetModified(false); // given up: not asked about again
        return true;
    case vkui::Answer::Yes:
        if (!m_saveHandler || !m_saveHandler(m_fileName))
            return false; // cancelled or failed: the edits stay
        m_picture.SetModified(false);
        return true;
    default:
        return false;
    }
}

bool CPreview::HoldsPictureOf(const std::string& path) const
{
    return m_holdsPicture && !IsLoading() && NamesSameFile(m_picture.GetSourcePath(), path);
}

bool CPreview::LoadImage(const QString& path, int position, bool shrink, bool enlarge,
                         const QString& fileName)
{
    if (!AskToSave()) {
        if (!m_hasImage && m_holdsPicture)
            Reshow(); // cleared from the view meanwhile: it stays in sight
        emit PictureKept();
        return false;
    }
    m_loadPosition = std::clamp(position, 0, 2);
    m_loadShrink = shrink;
    m_loadEnlarge = enlarge;
    m_requestedFileName = fileName;

    PreviewLoadRequest request;
    request.id = ++m_pendingId;
    request.path = path.toStdString();
    request.clientWidth = m_geometry.ClientWidth();
    request.clientHeight = m_geometry.ClientHeight();
    request.shrink = shrink;
    request.enlarge = enlarge;
    request.position = m_loadPosition;
    request.reducedFirst = m_reducedFirst;
    request.page = std::exchange(m_requestedPage, 0);
    EndDeveloping(false);
    m_interim = QImage();
    m_loadTimer.start();
    m_loader->Request(std::move(request));
    return true;
}

bool CPreview::ShowPage(int page)
{
    if (!m_hasImage || m_shownPath.empty() || page < 0 || page >= m_facts.pageCount || page == m_facts.page)
        return false;
    m_requestedPage = page;
    return LoadImage(QString::fromStdString(m_shownPath), m_loadPosition, m_loadShrink, m_loadEnlarge,
                     m_fileName);
}

void CPreview::Develop()
{
    if (!ShowsRawPreview() || m_developing || m_shownPath.empty() || m_picture.IsModified() ||
        m_picture.IsUndoAvailable())
        return;
    PreviewLoadRequest request;
    request.id = ++m_pendingId;
    request.path = m_shownPath;
    request.page = m_facts.page;
    request.develop = true;
    request.clientWidth = m_geometry.ClientWidth();
    request.clientHeight = m_geometry.ClientHeight();
    request.position = m_loadPosition;
    m_developing = true;
    m_loader->Request(std::move(request));
    emit DevelopingChanged(true, false);
}

void CPreview::EndDeveloping(bool developed)
{
    if (!m_developing)
        return;
    m_developing = false;
    emit DevelopingChanged(false, developed);
}

void CPreview::ApplyDeveloped(PreviewLoadResult& result)
{
    m_appliedId = result.id;
    // Edited meanwhile, or gone: the preview stays as it is.
    if (!result.ok || !m_hasImage || m_shownPath != result.path || m_picture.IsModified() ||
        m_picture.IsUndoAvailable()) {
        if (result.picture)
            m_loader->Dispose(std::move(result.picture));
        EndDeveloping(false);
        return;
    }
    // Shown at the displayed size the preview had: only the detail changes.
    m_picture.Swap(*result.picture);
    m_loader->Dispose(std::move(result.picture));
    m_picture.SetSourcePath(result.path);
    m_picture.ClearEditState();
    m_facts = result.facts;
    ComputeSourceRect();
    m_tileCache.Invalidate();
    update();
    EndDeveloping(true);
    emit DisplayChanged();
}

void CPreview::DevelopIfEnlarged()
{
    if (ShowsRawPreview() && m_geometry.DisplayWidth() > m_picture.GetWidth())
        Develop();
}

void CPreview::CancelLoad()
{
    m_loader->Cancel();
    m_interim = QImage();
    // A decode already running reports under the old number: drop it.
    m_appliedId = ++m_pendingId;
    EndDeveloping(false);
}

void CPreview::ApplyInterim(const PreviewLoadResult& result)
{
    if (result.id != m_pendingId || result.cache.isNull())
        return;
    bool scrollable = false;
    const int cw = m_geometry.ClientWidth(), ch = m_geometry.ClientHeight();
    m_interimAt = QPoint(vkview::PlaceAxis(result.display.width, cw, m_loadPosition, true, scrollable),
                         vkview::PlaceAxis(result.display.height, ch, m_loadPosition, false, scrollable)) +
                  result.cacheRect.topLeft();
    m_interim = result.cache;
    m_interimId = result.id;
    m_firstPaintTime = uint32_t(m_loadTimer.elapsed());
    update();
    emit FirstPaint();
}

void CPreview::ApplyLoad(std::shared_ptr<PreviewLoadResult> result)
{
    if (result->interim) {
        ApplyInterim(*result);
        return;
    }
    if (result->id != m_pendingId)
        return; // a newer request is on its way
    if (result->developed) {
        ApplyDeveloped(*result);
        return;
    }
    m_appliedId = result->id;
    // Loaded in: the time until the picture first showed.
    const bool hadInterim = !m_interim.isNull() && m_interimId == result->id;
    m_interim = QImage();
    // Edited while the new picture was decoding: ask before it goes.
    if (!AskToSave()) {
        if (result->picture)
            m_loader->Dispose(std::move(result->picture));
        update();
        emit PictureKept();
        return;
    }
    m_note.clear();
    m_warning.clear();
    m_loadFailure = result->failure;
    if (!result->ok) {
        DropPicture();
        m_loadTime = uint32_t(m_loadTimer.elapsed());
        update();
        emit LoadFinished(false);
        return;
    }

    // Any edit since the load (saved or not) leaves undo behind: such a
    // picture is no longer the file's.
    // A frame of an animation is not the file's picture: it is not kept.
    const bool keepOld = m_prefetchEnabled && m_hasImage && !m_picture.IsModified() &&
                         !m_picture.IsUndoAvailable() && !m_shownPath.empty() &&
                         m_shownPath != result->path && !m_animation->IsActive();
    m_animation->Stop();
    CPreviewLoader::FirstPaint painted;
    if (keepOld && m_fitted) {
        // What it was painted from goes with it, when whole: a step back
        // then has nothing to scale.
        painted.placement = {m_geometry.ClientWidth(), m_geometry.ClientHeight(), m_loadShrink, m_loadEnlarge,
                             m_loadPosition};
        painted.display = {m_geometry.DisplayWidth(), m_geometry.DisplayHeight()};
        if (!m_tileCache.TakeWhole(painted.display.width, painted.display.height, painted.cache,
                                   painted.cacheRect))
            painted = {};
    }
    m_picture.Swap(*result->picture);
    // The picture that goes is kept for a step back, unedited.
    if (keepOld)
        m_loader->Keep(m_shownPath, m_shownStamp, std::move(result->picture), std::move(painted), m_facts);
    else
        m_loader->Dispose(std::move(result->picture)); // not freed here: that takes a while
    m_shownPath = result->path;
    m_shownStamp = result->stamp;
    m_facts = result->facts;
    m_picture.SetSourcePath(result->path);
    m_fileName = m_requestedFileName;
    m_hasImage = true;
    m_holdsPicture = true;
    const PictureSize size = FitNewPicture();
    m_refitOnResize = m_fullScreenLook;
    m_picture.ClearEditState();
    ComputeSourceRect();

    m_tileCache.Invalidate();
    if (!result->cache.isNull() && size == result->display)
        m_tileCache.Adopt(std::move(result->cache), result->cacheRect, size.width, size.height);
    m_blitErrorShown = false;
    update();
    m_loadTime = hadInterim ? m_firstPaintTime : uint32_t(m_loadTimer.elapsed());
    // A damaged file read in part says so over its picture; the reduced
    // first decode may have warned already.
    QStringList warnings;
    for (const std::string& text : result->warnings)
        if (!warnings.contains(QString::fromStdString(text)))
            warnings.push_back(QString::fromStdString(text));
    m_warning = warnings.join('\n');
    m_note = m_warning;
    if (result->frames)
        m_animation->Start(std::move(result->frames));
    emit LoadFinished(true);
}

void CPreview::DropPicture()
{
    m_animation->Stop();
    m_facts = {};
    m_hasImage = false;
    m_holdsPicture = false;
    m_picture.ClearEditState();
    m_picture.SetSourcePath({});
    m_shownPath.clear();
    m_fileName.clear();
    auto gone = std::make_unique<CPicture>();
    gone->Swap(m_picture);
    m_loader->Dispose(std::move(gone));
    m_tileCache.Clear();
}

PictureSize CPreview::FitNewPicture()
{
    const int cw = m_geometry.ClientWidth(), ch = m_geometry.ClientHeight();
    m_windowAspect = cw > 0 ? float(ch) / float(cw) : 1.0f;
    const PictureSize size = ChooseDisplaySize(PictureSizeOf(m_picture), {cw, ch}, LoadFitRule());
    m_geometry.SetDisplaySize(size.width, size.height);
    m_fitted = true;
    Place(m_loadPosition);
    return size;
}

void CPreview::ShowPicture(CPictureEx& picture)
{
    CancelLoad();
    m_animation->Stop();
    m_note.clear();
    m_picture.Exchange(picture);
    // Not the picture of any file: nothing to keep for a step back.
    m_shownPath.clear();
    m_facts = {};
    Reshow();
}

void CPreview::Reshow()
{
    m_hasImage = true;
    m_holdsPicture = true;
    FitNewPicture();
    ComputeSourceRect();
    m_tileCache.Invalidate();
    update();
    emit DisplayChanged();
}

void CPreview::ShowNote(const QString& text)
{
    m_note = text;
    update();
}

void CPreview::DrawNote(QPainter& painter)
{
    if (m_note.isEmpty())
        return;
    const QRect area = rect().adjusted(8, 8, -8, -8);
    const int flags = Qt::AlignHCenter | Qt::TextWordWrap;
    if (!m_hasImage) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(area, flags | Qt::AlignVCenter, m_note);
        return;
    }
    // Over the picture: a band at the bottom, readable on any picture.
    QRect band = painter.boundingRect(area, flags | Qt::AlignBottom, m_note).adjusted(-6, -3, 6, 3);
    band.moveBottom(rect().bottom() - 4);
    painter.fillRect(band, QColor(255, 255, 225, 230));
    painter.setPen(Qt::black);
    painter.drawText(band, flags | Qt::AlignVCenter, m_note);
}

void CPreview::SetPrefetchEnabled(bool on)
{
    m_prefetchEnabled = on;
    if (!on) {
        m_prefetchPaths.clear();
        m_loader->ClearCache();
    }
}

void CPreview::Prefetch(const QStringList& paths)
{
    m_prefetchPaths.clear();
    if (!m_prefetchEnabled)
        return;
    for (const QString& p : paths)
        m_prefetchPaths.push_back(p.toStdString());
    update();
}

void CPreview::ShowSlide(CWinBmp& picture, int imageSize, int position, const QString& fileName,
                         std::unique_ptr<CFrameSource> frames)
{
    CancelLoad();
    AskToSave(); // an edit made during the show is not lost without a word
    m_animation->Stop();
    m_note.clear();
    m_picture.Swap(picture);
    m_picture.SetSourcePath({}); // the caller names the slide's file
    m_fileName = fileName;
    m_shownPath.clear();
    m_facts = {};
    m_hasImage = true;
    m_holdsPicture = true;
    m_dragging = false;
    const int cw = m_geometry.ClientWidth(), ch = m_geometry.ClientHeight();
    m_windowAspect = cw > 0 ? float(ch) / float(cw) : 1.0f;
    PictureSize size{m_picture.GetWidth(), m_picture.GetHeight()};
    if (imageSize == 0 && cw > 0 && ch > 0)
        size = m_picture.FitSize(cw, ch, m_windowAspect);
    else if (imageSize == 2 && cw > 1 && ch > 1)
        size = m_picture.FitSize(cw / 2, ch / 2, m_windowAspect);
    m_geometry.SetDisplaySize(std::max(1, size.width), std::max(1, size.height));
    m_fitted = false; // sized by the slide show's own setting
    m_loadPosition = position == 1 ? vkview::UpperLeft : vkview::Centre;
    Place(m_loadPosition);
    m_picture.ClearEditState();
    ComputeSourceRect();
    m_tileCache.Invalidate();
    m_blitErrorShown = false;
    // A slide that moves plays as in the viewer, until the show moves on.
    if (frames)
        m_animation->Start(std::move(frames));
    update();
    emit DisplayChanged();
}

void CPreview::Place(int position)
{
    m_quietDraw = false;
    m_geometry.Place(position);
}

void CPreview::SetZoom(float factor)
{
    if (!m_hasImage)
        return;
    m_geometry.Zoom(m_picture.GetWidth(), m_picture.GetHeight(), factor);
    m_fitted = false;
    m_quietDraw = false;
    update();
    emit DisplayChanged();
    DevelopIfEnlarged();
}

void CPreview::SetPosition(int position)
{
    if (!m_hasImage)
        return;
    Place(position);
    ComputeSourceRect();
    update();
}

void CPreview::Clear()
{
    CancelLoad();
    m_animation->Stop();
    m_note.clear();
    m_quietDraw = false;
    m_hasImage = false;
    m_dragging = false;
    m_interim = QImage();
    // Only undo goes: an edited picture is still asked about when replaced.
    const bool modified = m_picture.IsModified();
    m_picture.ClearEditState();
    m_picture.SetModified(modified);
    m_tileCache.Clear();
    update();
    emit DisplayChanged();
}

bool CPreview::SetClientSize(int width, int height)
{
    return m_geometry.SetClientSize(width, height);
}

void CPreview::Relayout(bool pictureSizeChanged, bool viewSizeChanged)
{
    // The picture may have been edited in place: the cache is stale.
    m_tileCache.Invalidate();
    if (!m_hasImage) {
        update();
        return;
    }
    if (!pictureSizeChanged && viewSizeChanged && m_refitOnResize && m_fitted) {
        // Going into or out of full screen, a picture shown at the size its
        // load chose is fitted again to the new window; a zoomed one keeps
        // its size. Otherwise the displayed size stays as loaded.
        const PictureSize size = ChooseDisplaySize(PictureSizeOf(m_picture), ClientSize(), LoadFitRule());
        m_geometry.SetDisplaySize(size.width, size.height);
    }
    if (pictureSizeChanged) {
        const PictureSize size =
            ChooseDisplaySize(PictureSizeOf(m_picture), ClientSize(), {m_loadShrink, m_loadEnlarge, false},
                              true, {m_geometry.DisplayWidth(), m_geometry.DisplayHeight()});
        m_geometry.SetDisplaySize(size.width, size.height);
    }
    if (pictureSizeChanged || viewSizeChanged)
        Place(m_loadPosition);
    ComputeSourceRect();
    update();
    // Edits re-place the picture through here: the size shown follows.
    emit DisplayChanged();
}

void CPreview::ZoomMore()
{
    if (!m_hasImage || m_picture.GetWidth() <= 0)
        return;
    const float z = float(m_geometry.DisplayWidth()) / float(m_picture.GetWidth());
    if (z == kZoomMax)
        return;
    SetZoom(std::min(z + kZoomStep, kZoomMax));
}

void CPreview::ZoomLess()
{
    if (!m_hasImage || m_picture.GetWidth() <= 0)
        return;
    const float z = float(m_geometry.DisplayWidth()) / float(m_picture.GetWidth());
    if (z == kZoomMin)
        return;
    SetZoom(std::max(z - kZoomStep, kZoomMin));
}

void CPreview::BestFit()
{
    const int cw = m_geometry.ClientWidth(), ch = m_geometry.ClientHeight();
    if (!m_hasImage || m_picture.GetWidth() <= 0 || cw <= 0)
        return;
    const PictureSize fit = m_picture.FitSize(cw, ch, float(ch) / float(cw));
    SetZoom(float(fit.width) / float(m_picture.GetWidth()));
}

void CPreview::ZoomWheel(int notches, QPoint anchor)
{
    if (!m_hasImage || m_picture.GetWidth() <= 0 || notches == 0)
        return;
    const float z = float(m_geometry.DisplayWidth()) / float(m_picture.GetWidth());
    // Never further out than the least of the usual limit and where we are
    // (a large photograph fitted to the window may already be below it).
    const float low = std::min(kZoomMin, z);
    const float next = std::clamp(z * std::pow(kWheelZoomStep, float(notches)), low, kZoomMax);
    if (next == z)
        return;
    m_geometry.ZoomAt(m_picture.GetWidth(), m_picture.GetHeight(), next, anchor);
    m_fitted = false;
    m_quietDraw = false;
    update();
    emit DisplayChanged();
    DevelopIfEnlarged();
}

void CPreview::SetFullScreenLook(bool on)
{
    m_fullScreenLook = on;
    m_refitOnResize = true; // the window changes size next, both ways
    QPalette p = palette();
    if (on)
        p.setColor(QPalette::Window, Qt::black);
    else
        p = QPalette();
    setPalette(p);
    setMouseTracking(on);
    m_cursorHidden = false;
    setCursor(Qt::ArrowCursor);
    if (on)
        m_cursorTimer->start();
    else
        m_cursorTimer->stop();
    update();
}

void CPreview::SetCursorHideDelay(int ms)
{
    m_cursorTimer->setInterval(std::max(0, ms));
    if (m_cursorTimer->isActive())
        m_cursorTimer->start();
}

QImage CPreview::ToImage() const
{
    if (!m_hasImage)
        return {};
    QRect covered;
    QImage image = vkview::BuildScaledRegion(m_picture, m_picture.GetWidth(), m_picture.GetHeight(),
                                             QRect(0, 0, m_picture.GetWidth(), m_picture.GetHeight()),
                                             covered, vkdisplay::ColourTarget::None);
    return image.convertToFormat(QImage::Format_RGB32);
}

void CPreview::ColoursChanged()
{
    m_tileCache.Invalidate();
    update();
    emit ColoursSwitched();
}

void CPreview::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QColor background = palette().color(QPalette::Window);
    if (!m_interim.isNull()) {
        const QRect at(m_interimAt, m_interim.size());
        for (const QRect& r : QRegion(event->rect()).subtracted(QRegion(at)))
            painter.fillRect(r, background);
        painter.drawImage(m_interimAt, m_interim);
        return;
    }
    const QRect drawRect = m_geometry.DrawRect();
    if (!m_hasImage || drawRect.isEmpty()) {
        painter.fillRect(event->rect(), background);
        DrawNote(painter);
        return;
    }
    // Background only where the picture does not cover.
    QRegion uncovered = QRegion(event->rect()).subtracted(QRegion(drawRect));
    for (const QRect& r : uncovered)
        painter.fillRect(r, background);

    bool drawn;
    try {
        drawn = m_tileCache.Paint(painter, m_picture, m_geometry.DisplayWidth(), m_geometry.DisplayHeight(),
                                  m_geometry.ClientWidth(), m_geometry.ClientHeight(), m_geometry.Visible(),
                                  m_geometry.DestRect().topLeft());
    } catch (...) {
        drawn = false;
    }
    if (!m_prefetchPaths.empty() && !IsLoading()) {
        // The current picture is on screen: now its neighbours.
        PreviewPlacement placement{m_geometry.ClientWidth(), m_geometry.ClientHeight(), m_loadShrink,
                                   m_loadEnlarge, m_loadPosition};
        m_loader->Prefetch(std::move(m_prefetchPaths), placement);
        m_prefetchPaths.clear();
    }
    if (!drawn) {
        painter.fillRect(drawRect, background);
        if (!m_quietDraw && !m_blitErrorShown) {
            m_blitErrorShown = true;
            QTimer::singleShot(0, this, [] { vkui::ask(kTextBlitError); });
        }
    }
    DrawNote(painter);
}

void CPreview::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_hasImage && m_geometry.Scrollable()) {
        m_dragPoint = event->position().toPoint();
        m_dragging = true;
    }
    QWidget::mousePressEvent(event);
}

void CPreview::mouseMoveEvent(QMouseEvent* event)
{
    if (m_fullScreenLook) {
        if (m_cursorHidden) {
            m_cursorHidden = false;
            setCursor(Qt::ArrowCursor);
        }
        m_cursorTimer->start();
    }
    if (m_dragging)
        DragTo(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void CPreview::DragTo(QPoint position)
{
    const QPoint delta = position - m_dragPoint;
    m_dragPoint = position;
    m_geometry.DragBy(delta.x(), delta.y());
    m_quietDraw = true;
    ComputeSourceRect();
    update();
}

void CPreview::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        m_geometry.EndDrag();
    }
    QWidget::mouseReleaseEvent(event);
}

void CPreview::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        emit DoubleClicked();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void CPreview::wheelEvent(QWheelEvent* event)
{
    if (!m_viewerMode) {
        QWidget::wheelEvent(event);
        return;
    }
    event->accept();
    // Whole notches only, so a touchpad's small steps add up to one.
    m_wheelRemainder += event->angleDelta().y();
    const int notches = m_wheelRemainder / kNotch;
    if (notches == 0)
        return;
    m_wheelRemainder -= notches * kNotch;
    if (event->modifiers() & Qt::ControlModifier)
        ZoomWheel(notches, event->position().toPoint());
    else
        emit StepRequested(-notches); // rolling down goes forward
}
