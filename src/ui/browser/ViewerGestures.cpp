#include "ui/browser/ViewerGestures.h"

#include "models/platform/FileStatus.h"
#include "models/platform/Path.h"
#include "ui/browser/Preview.h"
#include "ui/browser/ViewerKeys.h"
#include "ui/shell/MainFrm.h"
#include "ui/widgets/MessageService.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>

namespace {

constexpr const char* kTextCannotOpenDropped = "The dropped item could not be opened.";

std::string S(const QString& s)
{
    return s.toStdString();
}
QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

CViewerGestures::CViewerGestures(CMainFrame& frame) : QObject(&frame), m_frame(frame)
{
    CPreview* view = frame.GetView();
    frame.GetCommands().Bind(Cmd::ViewFullScreen,
                             {
                                 .enabled = [this, view] { return m_fullScreen || view->HasImage(); },
                                 .checked = [this] { return m_fullScreen; },
                                 .run = [this] { SetFullScreen(!m_fullScreen); },
                             });
    frame.SetExtraKeyHandler([this](const QKeyEvent& event) { return HandleKey(event); });
    connect(view, &CPreview::LoadFinished, this, &CViewerGestures::OnLoadFinished);
    connect(view, &CPreview::StepRequested, this, &CViewerGestures::OnStep);
    connect(view, &CPreview::DoubleClicked, this, &CViewerGestures::OnViewDoubleClicked);
    connect(&frame, &CMainFrame::ModeChanged, this, [this, view](bool browser) {
        m_lastIndex = -1;
        if (browser && m_fullScreen)
            SetFullScreen(false);
        if (browser)
            return;
        // The viewer opens on the picture already shown, without a load:
        // decode its neighbours now, once the frame has settled its index.
        QMetaObject::invokeMethod(
            this,
            [this, view] {
                if (m_frame.IsBrowserMode() || !view->HasImage() || view->IsLoading())
                    return; // a load under way prefetches when it finishes
                m_lastIndex = m_frame.GetCurrentIndex();
                view->Prefetch(Neighbours());
            },
            Qt::QueuedConnection);
    });
    // The list of names and the thumbnail grid alike.
    for (QAbstractItemView* list : frame.GetFileViews()) {
        connect(list, &QAbstractItemView::doubleClicked, this, [this, view] {
            if (!m_frame.IsBrowserMode() || m_frame.GetFileList().GetCurrentFile().empty())
                return;
            if (view->IsLoading())
                m_viewerAfterLoad = true;
            else
                m_frame.RunCommand(Cmd::Viewer);
        });
        list->viewport()->installEventFilter(this);
    }
    frame.setAcceptDrops(true);
    frame.installEventFilter(this);
}

bool CViewerGestures::HandleKey(const QKeyEvent& event)
{
    if (m_frame.IsBrowserMode())
        return false;
    switch (ViewerKeyOf(event.key(), event.modifiers())) {
    case ViewerKey::Next:
        m_frame.RunCommand(Cmd::ImageNext);
        return true;
    case ViewerKey::Previous:
        m_frame.RunCommand(Cmd::ImagePrevious);
        return true;
    case ViewerKey::First:
        m_frame.RunCommand(Cmd::ImageFirst);
        return true;
    case ViewerKey::Last:
        m_frame.RunCommand(Cmd::ImageLast);
        return true;
    case ViewerKey::Leave:
        if (m_fullScreen)
            SetFullScreen(false);
        else
            m_frame.RunCommand(Cmd::Browser);
        return true;
    case ViewerKey::None:
        break;
    }
    return false;
}

void CViewerGestures::SetFullScreen(bool on)
{
    if (on == m_fullScreen)
        return;
    CPreview* view = m_frame.GetView();
    auto* child = qobject_cast<QFrame*>(m_frame.centralWidget());
    if (on) {
        if (!view->HasImage())
            return;
        if (m_frame.IsBrowserMode()) {
            m_frame.SwitchToViewer();
            if (m_frame.IsBrowserMode())
                return;
        }
        m_fullScreen = true;
        m_savedState = m_frame.windowState();
        m_savedMenu = m_frame.menuBar()->isVisible() || m_frame.menuBar()->isVisibleTo(&m_frame);
        m_savedStatus = m_frame.statusBar()->isVisibleTo(&m_frame);
        m_savedToolBar = m_frame.GetToolBar(false)->isVisibleTo(&m_frame);
        m_frame.menuBar()->hide();
        m_frame.statusBar()->hide();
        m_frame.GetToolBar(true)->hide();
        m_frame.GetToolBar(false)->hide();
        if (child) {
            m_savedFrameShape = child->frameStyle();
            child->setFrameStyle(QFrame::NoFrame);
        }
        view->SetFullScreenLook(true);
        m_frame.setWindowState(m_savedState | Qt::WindowFullScreen);
    } else {
        m_fullScreen = false;
        m_frame.setWindowState(m_savedState & ~Qt::WindowFullScreen);
        m_frame.menuBar()->setVisible(m_savedMenu);
        m_frame.statusBar()->setVisible(m_savedStatus);
        // The mode may have changed meanwhile: its toolbar takes the state.
        m_frame.GetToolBar(!m_frame.IsBrowserMode())->hide();
        m_frame.GetToolBar(m_frame.IsBrowserMode())->setVisible(m_savedToolBar);
        if (child)
            child->setFrameStyle(m_savedFrameShape);
        view->SetFullScreenLook(false);
    }
    m_frame.Layout();
    m_frame.UpdateCommandUI();
}

QStringList CViewerGestures::Neighbours() const
{
    QStringList paths;
    const CFileList& list = m_frame.GetFileList();
    const int index = m_frame.GetCurrentIndex();
    for (int row : {index + m_direction, index - m_direction})
        if (index >= 0 && row >= 0 && row < list.Count())
            paths.push_back(Q(list.EntryPath(row)));
    return paths;
}

void CViewerGestures::OnLoadFinished(bool success)
{
    CPreview* view = m_frame.GetView();
    if (m_viewerAfterLoad) {
        m_viewerAfterLoad = false;
        if (success && m_frame.IsBrowserMode())
            m_frame.RunCommand(Cmd::Viewer);
    }
    if (!success || m_frame.IsBrowserMode())
        return;
    const int index = m_frame.GetCurrentIndex();
    if (m_lastIndex >= 0 && index != m_lastIndex)
        m_direction = index > m_lastIndex ? 1 : -1;
    m_lastIndex = index;
    view->Prefetch(Neighbours());
}

void CViewerGestures::OnStep(int steps)
{
    if (m_frame.IsBrowserMode())
        return;
    for (int i = 0; i < std::abs(steps); ++i)
        m_frame.RunCommand(steps > 0 ? Cmd::ImageNext : Cmd::ImagePrevious);
}

void CViewerGestures::OnViewDoubleClicked()
{
    if (m_frame.IsBrowserMode())
        m_frame.RunCommand(Cmd::Viewer);
    else
        SetFullScreen(!m_fullScreen);
}

bool CViewerGestures::OpenDropped(const QList<QUrl>& urls)
{
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const std::string path = S(QFileInfo(url.toLocalFile()).absoluteFilePath());
        const bool folder = vkplatform::IsDirectory(path);
        const auto [dir, name] = folder ? std::pair(path, std::string()) : vkpath::Split(path);
        if (!vkplatform::Exists(path))
            continue;
        if (folder && !m_frame.IsBrowserMode())
            m_frame.SwitchToBrowser();
        if (!m_frame.GoTo(dir, nullptr, CMainFrame::Recent::Add))
            continue;
        if (!folder) {
            const int row = m_frame.GetFileList().SelectEntry(name);
            m_frame.UpdateSelection();
            if (!m_frame.IsBrowserMode())
                m_frame.SetCurrentIndex(row);
            if (!m_frame.GetFileList().GetCurrentFile().empty())
                m_frame.ShowCurrentFile();
        }
        m_frame.UpdateCountPane();
        m_frame.UpdateInfoPane();
        return true;
    }
    return false;
}

QMimeData* CViewerGestures::FileDragData(const QStringList& paths)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.push_back(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

void CViewerGestures::StartFileDrag()
{
    QStringList paths;
    for (const std::string& path : m_frame.GetFileList().SelectedPaths())
        paths.push_back(Q(path));
    if (paths.isEmpty())
        return;
    auto* drag = new QDrag(m_frame.GetShownFileView());
    drag->setMimeData(FileDragData(paths));
    // Copy unless the user holds Shift for a move, as file managers do.
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    if (action == Qt::MoveAction)
        m_frame.RefreshDirectory();
}

bool CViewerGestures::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_frame) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            // Only from other programs: our own list's drags go out.
            if (drag->source() == nullptr && drag->mimeData()->hasUrls()) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (drop->source() != nullptr || !drop->mimeData()->hasUrls())
                break;
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            const QList<QUrl> urls = drop->mimeData()->urls();
            // After the drop has returned to the other program.
            QMetaObject::invokeMethod(
                this,
                [this, urls] {
                    if (!OpenDropped(urls))
                        vkui::ask(kTextCannotOpenDropped);
                },
                Qt::QueuedConnection);
            return true;
        }
        default:
            break;
        }
        return false;
    }
    // The file list: a drag that starts on a selected entry goes out.
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_pressed = mouse->button() == Qt::LeftButton;
        m_pressAt = mouse->position().toPoint();
        break;
    case QEvent::MouseButtonRelease:
        m_pressed = false;
        break;
    case QEvent::MouseMove:
        if (m_pressed && (mouse->buttons() & Qt::LeftButton) &&
            (mouse->position().toPoint() - m_pressAt).manhattanLength() >=
                QApplication::startDragDistance()) {
            const QAbstractItemView* list = m_frame.GetShownFileView();
            const QModelIndex item = list->indexAt(m_pressAt);
            if (item.isValid() && list->selectionModel()->isSelected(item)) {
                m_pressed = false;
                StartFileDrag();
                return true;
            }
        }
        break;
    default:
        break;
    }
    return false;
}
