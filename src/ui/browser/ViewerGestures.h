// CViewerGestures: what people expect of a picture viewer beside the
// command table. In viewer mode the plain keys step through the folder
// (the table wins where it names the key), the wheel steps and Ctrl+wheel
// zooms, a double click toggles full screen, and the neighbours of the
// shown picture are decoded ahead in the direction of travel. In browser
// mode a double click on a file opens the viewer. Files and folders dropped
// on the window are opened; files dragged from the file list (names or
// thumbnails) go out as file URIs. Owned by the frame, which it drives through its public steps.
#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QStringList>
#include <QUrl>

class CMainFrame;
class QKeyEvent;
class QMimeData;

class CViewerGestures : public QObject {
    Q_OBJECT
  public:
    explicit CViewerGestures(CMainFrame& frame);

    // A key the accelerator table did not take; true when it was used.
    bool HandleKey(const QKeyEvent& event);

    // Full screen: the picture alone, in viewer mode (entered from the
    // browser, it switches to the viewer first).
    bool IsFullScreen() const { return m_fullScreen; }
    void SetFullScreen(bool on);

    // The pictures decoded ahead after the shown one: the next in the
    // direction of travel, then the one behind.
    QStringList Neighbours() const;

    // Opens a dropped file (its folder, the file selected and shown) or
    // folder; false when nothing could be opened.
    bool OpenDropped(const QList<QUrl>& urls);
    // What a drag of these files carries.
    static QMimeData* FileDragData(const QStringList& paths);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnLoadFinished(bool success);
    void OnStep(int steps);
    void OnViewDoubleClicked();
    void StartFileDrag();

    CMainFrame& m_frame;
    bool m_fullScreen = false;
    Qt::WindowStates m_savedState;
    bool m_savedMenu = true;
    bool m_savedStatus = true;
    bool m_savedToolBar = true;
    int m_savedFrameShape = 0;
    int m_lastIndex = -1;
    int m_direction = 1;
    bool m_viewerAfterLoad = false; // a double click on a file still loading
    QPoint m_pressAt;
    bool m_pressed = false;
};
