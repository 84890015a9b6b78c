// CPreview: the image view. Shows the current picture in the browser's
// preview pane or filling the viewer, chooses the displayed size, places it,
// lets the user drag a picture larger than the window and asks to save an
// edited picture before it is replaced.
//
// Files are decoded off the GUI thread by the loader (CPreviewLoader) into a
// separate picture that is swapped in on the GUI thread; a newer request
// supersedes an older one. Where the picture goes is CPreviewGeometry's
// business; painting blits from CTileCache.
#pragma once

#include "engine/edit/PictureEx.h"
#include "models/browser/AnimationPlayer.h"
#include "ui/browser/PreviewGeometry.h"
#include "ui/widgets/TileCache.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/browser/PreviewLoader.h"

class QTimer;

class CPreview : public QWidget {
    Q_OBJECT
  public:
    explicit CPreview(QWidget* parent = nullptr);
    ~CPreview() override;

    // Asks to save an edited picture, then starts decoding `path`; the
    // result arrives as LoadFinished. `fileName` is remembered for the save
    // question. A later request supersedes this one. False, and
    // PictureKept, when the question kept the edited picture: nothing loads.
    bool LoadImage(const QString& path, int position, bool shrink, bool enlarge, const QString& fileName);
    bool IsLoading() const { return m_pendingId != m_appliedId; }

    // The pages of a multi-page file (TIFF, icon): the one shown, counted
    // from 0, and how many the file holds (1 for other files).
    int GetPage() const { return m_facts.page; }
    int GetPageCount() const { return m_hasImage ? m_facts.pageCount : 0; }
    // Loads page `page` of the file shown; false when there is no such page
    // or the save question kept the picture.
    bool ShowPage(int page);

    // A camera RAW file is shown from its embedded preview first. Develop
    // decodes the whole picture in the background (DevelopingChanged) and
    // puts it in the preview's place at the same displayed size; zooming
    // past the preview's own size starts it. An edited preview is kept.
    bool ShowsRawPreview() const { return m_hasImage && m_facts.preview; }
    // The picture's size in its file: a RAW file's camera picture while its
    // preview is shown, else the picture's own.
    PictureSize GetFileSize() const
    {
        if (ShowsRawPreview() && m_facts.fullWidth > 0 && m_facts.fullHeight > 0)
            return {m_facts.fullWidth, m_facts.fullHeight};
        return {m_picture.GetWidth(), m_picture.GetHeight()};
    }
    bool IsDeveloping() const { return m_developing; }
    void Develop();
    // Drops any pending load.
    void CancelLoad();

    // Shows a picture the slide show decoded, swapped in without a copy
    // (`picture` receives the old one): sized by `imageSize` (0 best fit,
    // 1 full size, 2 small) and placed by `position` (0 centre, 1 upper left).
    // A slide that moves (`frames`, the first of them in `picture`) plays.
    void ShowSlide(CWinBmp& picture, int imageSize, int position, const QString& fileName,
                   std::unique_ptr<CFrameSource> frames = nullptr);

    void SetZoom(float factor);
    void SetPosition(int position);
    void Clear();
    void Relayout(bool pictureSizeChanged, bool viewSizeChanged);
    // Sets the stored client size; true when it changed.
    bool SetClientSize(int width, int height);

    // The save question, with Yes, No and Cancel. True when the caller may
    // go on: the picture was not edited, was saved, or No gave its edits
    // up. False on Cancel or when Yes did not end in a saved file.
    bool AskToSave();
    // Runs Save As for the file name; false when nothing was saved.
    void SetSaveHandler(std::function<bool(const QString& fileName)> handler)
    {
        m_saveHandler = std::move(handler);
    }

    // Shows `picture` (exchanged in, no copy) in place of the current one,
    // placed as a load would place it; a pending load is dropped. The
    // caller sets its flags.
    void ShowPicture(CPictureEx& picture);

    bool HasImage() const { return m_hasImage; }
    // Why the last load failed (None: opened, but not decoded).
    FileFailure GetLoadFailure() const { return m_loadFailure; }
    // The warnings of the picture shown, one a line ("" for none).
    const QString& GetWarning() const { return m_warning; }
    // A line drawn in the view: the reason an empty view shows nothing, or
    // a warning over the picture. Cleared by Clear and the next picture.
    void ShowNote(const QString& text);
    const QString& GetNote() const { return m_note; }
    // A picture is held (shown, or cleared from sight but kept); not after
    // a failed load.
    bool HoldsPicture() const { return m_holdsPicture; }
    // The picture held was read from (or last saved to) `path`, "" for a
    // pasted one, and no load is pending that would replace it.
    bool HoldsPictureOf(const std::string& path) const;
    CPictureEx& GetPicture() { return m_picture; }
    const CPictureEx& GetPicture() const { return m_picture; }
    uint32_t GetLoadTime() const { return m_loadTime; }
    int GetDisplayWidth() const { return m_geometry.DisplayWidth(); }
    int GetDisplayHeight() const { return m_geometry.DisplayHeight(); }
    int GetClientWidth() const { return m_geometry.ClientWidth(); }
    int GetClientHeight() const { return m_geometry.ClientHeight(); }
    int GetOriginX() const { return m_geometry.OriginX(); }
    int GetOriginY() const { return m_geometry.OriginY(); }
    QRect GetDestRect() const { return m_geometry.DestRect(); }
    QRect GetDrawRect() const { return m_geometry.DrawRect(); }
    QRect GetSourceRect() const { return m_geometry.SourceRect(); }
    bool IsScrollable() const { return m_geometry.Scrollable(); }
    bool IsDragging() const { return m_dragging; }
    int GetLoadPosition() const { return m_loadPosition; }
    QString GetFileName() const { return m_fileName; }
    // How often the paint cache and its tiles were built (for the benchmark).
    int GetCacheBuilds() const { return m_tileCache.CacheBuilds(); }
    int GetTileBuilds() const { return m_tileCache.TileBuilds(); }
    // How many decodes the loader stopped early because they were superseded.
    int GetAbandonedLoads() const;

    // The picture as a QImage (a copy, top line first), for the clipboard.
    QImage ToImage() const;
    // Colour management was switched: what is drawn is made anew.
    void ColoursChanged();

    // The zoom commands of the viewer.
    void ZoomMore();
    void ZoomLess();
    void BestFit();
    // Zooms by `notches` wheel steps (up is positive) keeping the picture
    // point under `anchor` in place.
    void ZoomWheel(int notches, QPoint anchor);

    // A large JPEG is first shown from a reduced decode, then the full
    // picture replaces it (on by default).
    void SetReducedFirstPaint(bool on) { m_reducedFirst = on; }
    // The reduced first paint is on screen and the full picture still decoding.
    bool IsShowingInterim() const { return !m_interim.isNull(); }

    // Keeps decoded neighbours and the pictures just shown for quick
    // stepping (viewer mode); off drops them.
    void SetPrefetchEnabled(bool on);
    // After the current picture is painted, decode `paths` ahead, in order.
    void Prefetch(const QStringList& paths);
    CPreviewLoader* GetLoader() const { return m_loader.get(); }

    // Viewer mode: the wheel steps through pictures (StepRequested) and
    // Ctrl+wheel zooms around the pointer; elsewhere the wheel does nothing.
    void SetViewerMode(bool on) { m_viewerMode = on; }
    // Full screen: black around the picture, and the pointer hides once it
    // has been still for the hide delay.
    void SetFullScreenLook(bool on);
    bool IsFullScreenLook() const { return m_fullScreenLook; }
    void SetCursorHideDelay(int ms);
    bool IsCursorHidden() const { return m_cursorHidden; }

    // A picture that moves plays here; its frames replace the picture
    // shown one by one until it is edited, replaced or cleared.
    CAnimationPlayer& GetAnimation() { return *m_animation; }
    // Stops the animation where it is, for work on the frame shown; returns
    // "frame N of M" (empty for a still picture).
    QString HoldFrame();

  signals:
    void LoadFinished(bool success);
    // The save question kept the edited picture and a load was dropped.
    void PictureKept();
    // A reduced first paint of the picture being loaded is on screen.
    void FirstPaint();
    // The wheel asked for another picture: positive for the next ones.
    void StepRequested(int steps);
    void DoubleClicked();
    // The displayed size or the picture changed: zoomed, fitted, edited or cleared.
    void DisplayChanged();
    // A RAW file's development started (true) or ended (false); `developed`
    // says whether the whole picture is now shown.
    void DevelopingChanged(bool developing, bool developed);
    // Colour management was switched: what is drawn takes other colours.
    void ColoursSwitched();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void ApplyLoad(std::shared_ptr<PreviewLoadResult> result);
    // The player's next frame takes the place of the one shown.
    void ShowNextFrame();
    void ApplyInterim(const PreviewLoadResult& result);
    void ApplyDeveloped(PreviewLoadResult& result);
    void EndDeveloping(bool developed);
    // After a zoom: a RAW preview shown larger than itself is developed.
    void DevelopIfEnlarged();
    // A load that failed: the picture goes, so it cannot pass for the file.
    void DropPicture();
    // Shows the picture held, placed as a load would place it.
    void Reshow();
    void DrawNote(QPainter& painter);
    void Place(int position);
    // Sizes a newly shown picture to the view by the load settings and places it.
    PictureSize FitNewPicture();
    void ComputeSourceRect() { m_geometry.ComputeSourceRect(m_picture.GetWidth()); }
    // A load fits by the view's settings, enlarging at most tenfold.
    FitRule LoadFitRule() const { return {m_loadShrink, m_loadEnlarge, true}; }
    PictureSize ClientSize() const { return {m_geometry.ClientWidth(), m_geometry.ClientHeight()}; }
    void DragTo(QPoint position);

    CPictureEx m_picture;
    CAnimationPlayer* m_animation = nullptr;
    std::unique_ptr<CPreviewLoader> m_loader;
    uint64_t m_pendingId = 0;
    uint64_t m_appliedId = 0;
    std::function<bool(const QString&)> m_saveHandler;

    QString m_note;
    QString m_warning;
    FileFailure m_loadFailure = FileFailure::None;
    QString m_fileName;
    QString m_requestedFileName; // becomes m_fileName when its picture arrives
    bool m_hasImage = false;
    bool m_holdsPicture = false;
    int m_loadPosition = 0;
    bool m_loadShrink = false;
    bool m_loadEnlarge = false;
    CPreviewGeometry m_geometry;
    float m_windowAspect = 1.0f;
    bool m_dragging = false;
    QPoint m_dragPoint;
    bool m_quietDraw = false;
    uint32_t m_loadTime = 0;
    QElapsedTimer m_loadTimer;
    CTileCache m_tileCache;
    bool m_blitErrorShown = false;
    bool m_viewerMode = false;
    bool m_fitted = false;        // shown at the size its load chose, not zoomed
    bool m_refitOnResize = false; // full screen on or off since the picture was loaded
    bool m_fullScreenLook = false;
    bool m_cursorHidden = false;
    QTimer* m_cursorTimer = nullptr;
    int m_wheelRemainder = 0; // eighths of a degree not yet a whole notch
    bool m_prefetchEnabled = false;
    std::vector<std::string> m_prefetchPaths; // sent after the next paint
    std::string m_shownPath;                  // the file m_picture came from
    FileStamp m_shownStamp;
    bool m_reducedFirst = true;
    QImage m_interim;         // the reduced first paint, while the full picture decodes
    QPoint m_interimAt;       // where it goes in the client area
    uint64_t m_interimId = 0; // the request it belongs to
    uint32_t m_firstPaintTime = 0;
    PictureFacts m_facts;    // of the picture shown
    int m_requestedPage = 0; // of the next load
    bool m_developing = false;
};
