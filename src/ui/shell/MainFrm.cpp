#include "ui/shell/MainFrm.h"

#include "models/browser/DirectoryFill.h"
#include "models/browser/StatusTexts.h"
#include "models/platform/Drives.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "models/settings/SaveOptionsFile.h"
#include "models/thumbnails/ThumbnailProvider.h"
#include "ui/browser/ChildView.h"
#include "ui/browser/Preview.h"
#include "ui/browser/ThumbnailGrid.h"
#include "ui/browser/ViewerGestures.h"
#include "ui/shell/CommandAreas.h"
#include "ui/widgets/DisplayColour.h"
#include "ui/widgets/MessageService.h"
#include "ui/widgets/PictureJob.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>

#include <algorithm>

static void InitVelkorResources()
{
    Q_INIT_RESOURCE(velkor);
}

namespace {

constexpr const char* kTextStartupError = "Error during startup";

constexpr const char* kPropertyLabels[4] = {"Name:", "Size:", "Uses:", "Date:"};

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}
std::string S(const QString& s)
{
    return s.toStdString();
}

QIcon CommandIcon(const CommandInfo& info)
{
    QIcon fallback;
    if (*info.fallback)
        fallback = QIcon(QStringLiteral(":/icons/%1.png").arg(info.fallback));
    if (*info.icon)
        return QIcon::fromTheme(info.icon, fallback);
    return fallback;
}

// Where typed keys are text: plain keys stay there.
bool IsTextBox(const QWidget* widget)
{
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->isEditable();
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget);
}

} // namespace

// ---------------------------------------------------------------------------
// Creation

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    InitVelkorResources();
    // Before any move: a relative settings folder means the one started in.
    vkplatform::AnchorConfigDirectory();
    setWindowTitle(vktext::kProgramTitle);
    setWindowIcon(QIcon(":/icons/velkor.png"));
    resize(640, 480);

    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreateStatusBar();
    CreateControls();
    BindCommandAreas(*this, m_commands);
    new CViewerGestures(*this);
    ApplyMode();

    vkui::setMessageParent(this);
    qApp->installEventFilter(this);

    // Enabling follows the state without waiting for a menu to open.
    auto* idle = new QTimer(this);
    connect(idle, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
    idle->start(250);
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    Shutdown();
}

void CMainFrame::CreateActions()
{
    for (int i = 0; i < int(Cmd::Count); ++i) {
        const Cmd id = Cmd(i);
        const CommandInfo& info = CommandInfoOf(id);
        QString text = info.text;
        if (*info.keyText)
            text += MenuTextSeparator() + QString(info.keyText);
        auto* action = new QAction(CommandIcon(info), text, this);
        action->setStatusTip(info.prompt);
        action->setToolTip(*info.tip ? QString(info.tip) : QString(info.text).remove('&'));
        action->setCheckable(info.checkable);
        action->setIconVisibleInMenu(false);
        connect(action, &QAction::triggered, this, [this, id] {
            RunCommand(id);
            // A checkable item flips itself; show the state the command left.
            UpdateCommandUI();
        });
        m_actions[size_t(i)] = action;
    }
}

void CMainFrame::CreateMenus()
{
    // Builds a menu and its submenus from the layout; items share the actions.
    std::function<void(QMenu*, const std::vector<MenuLayout>&)> fill;
    fill = [this, &fill](QMenu* menu, const std::vector<MenuLayout>& entries) {
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
        for (const MenuLayout& entry : entries) {
            if (entry.IsSubmenu())
                fill(menu->addMenu(entry.title), entry.submenu);
            else if (entry.IsSeparator())
                menu->addSeparator();
            else
                menu->addAction(GetAction(entry.command));
        }
    };
    auto bar = [this, &fill](const std::vector<MenuLayout>& layout) {
        std::vector<QMenu*> menus;
        for (const MenuLayout& top : layout) {
            auto* menu = new QMenu(top.title, this);
            fill(menu, top.submenu);
            menus.push_back(menu);
        }
        return menus;
    };
    m_browserMenus = bar(BrowserMenuBar());
    m_viewerMenus = bar(ViewerMenuBar());
}

void CMainFrame::CreateToolBars()
{
    auto make = [this](const std::vector<Cmd>& buttons, const char* name) {
        auto* bar = new QToolBar(name, this);
        bar->setObjectName(name);
        bar->setIconSize(QSize(16, 16));
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->toggleViewAction()->setVisible(false);
        for (Cmd c : buttons) {
            if (c == Cmd::Count)
                bar->addSeparator();
            else
                bar->addAction(GetAction(c));
        }
        addToolBar(Qt::TopToolBarArea, bar);
        return bar;
    };
    m_browserToolBar = make(BrowserToolbar(), "browserToolBar");
    m_viewerToolBar = make(ViewerToolbar(), "viewerToolBar");
    setContextMenuPolicy(Qt::NoContextMenu);
}

void CMainFrame::CreateStatusBar()
{
    auto pane = [](const QString& text) {
        auto* label = new QLabel(text);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return label;
    };
    m_paneReady = new QLabel("Ready");
    m_paneCount = pane(m_countText);
    m_paneInfo = pane(m_infoText);
    m_paneStatus = pane(m_statusText);
    m_paneZoom = pane(QString());  // viewer mode only
    m_paneFrame = pane(QString()); // a picture that moves only
    m_paneFrame->setVisible(false);
    statusBar()->addWidget(m_paneReady, 1);
    statusBar()->addPermanentWidget(m_paneCount);
    statusBar()->addPermanentWidget(m_paneInfo);
    statusBar()->addPermanentWidget(m_paneFrame);
    statusBar()->addPermanentWidget(m_paneZoom);
    statusBar()->addPermanentWidget(m_paneStatus);
}

void CMainFrame::CreateControls()
{
    m_childView = new CChildView(this);
    setCentralWidget(m_childView);

    m_driveBox = new QComboBox(m_childView);
    m_driveBox->view()->setMinimumWidth(160);
    SetDrives(vkplatform::ListDrives());

    m_favoritesBox = new QComboBox(m_childView);
    m_favoritesBox->setIconSize(QSize(16, 16));

    m_recentBox = new QComboBox(m_childView);
    m_recentBox->setEditable(true);
    m_recentBox->setInsertPolicy(QComboBox::NoInsert);
    m_recentBox->setDuplicatesEnabled(true);
    // The path box completes folders as a file dialog does; Enter goes there.
    auto* completer = new QCompleter(m_recentBox);
    auto* folders = new QFileSystemModel(completer);
    folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    folders->setRootPath(QString());
    completer->setModel(folders);
    m_recentBox->lineEdit()->setCompleter(completer);
    m_pathCompletions = completer->popup(); // made now: the key filter must not make it
    // The model reads a folder only once it is asked for it.
    connect(m_recentBox->lineEdit(), &QLineEdit::textEdited, folders,
            [folders](const QString& text) { folders->index(QFileInfo(text).path()); });
    connect(m_recentBox->lineEdit(), &QLineEdit::returnPressed, this, &CMainFrame::OnPathTyped);

    // Folder list | file list | preview over its properties, each border
    // draggable; the lists take the width they are given.
    m_splitter = new QSplitter(Qt::Horizontal, m_childView);
    m_splitter->setChildrenCollapsible(false);
    m_dirListBox = new QListWidget(m_splitter);
    m_dirListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    m_dirListBox->setUniformItemSizes(true);

    // The file list shows as names or as thumbnails: two views on the one
    // model, sharing its selection, one shown at a time.
    m_fileViews = new QStackedWidget(m_splitter);
    m_fileListView = new QListView(m_fileViews);
    m_fileListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_fileListView->setUniformItemSizes(true);
    m_thumbnails = new CThumbnailProvider(QString(), 0, this);
    m_thumbnailGrid =
        new CThumbnailGrid(*m_thumbnails, CFileList::PathRole, CFileList::IsFolderRole, m_fileViews);
    for (QAbstractItemView* view : GetFileViews()) {
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setModel(&m_fileList);
        QItemSelectionModel* own = view->selectionModel();
        view->setSelectionModel(m_fileList.SelectionModel());
        delete own;
        m_fileViews->addWidget(view);
    }
    connect(m_thumbnailGrid, &CThumbnailGrid::ThumbnailSizeChanged, this, [this] {
        if (m_started)
            SaveWindowState();
    });

    m_previewSplitter = new QSplitter(Qt::Vertical, m_splitter);
    m_previewSplitter->setChildrenCollapsible(false);
    m_splitter->setStretchFactor(2, 1);
    m_viewFrame = new QGroupBox(m_previewSplitter);
    m_propertiesBox = new QGroupBox("Image Properties", m_previewSplitter);
    m_previewSplitter->setStretchFactor(0, 1);
    auto* grid = new QGridLayout(m_propertiesBox);
    grid->setContentsMargins(5, 4, 4, 4);
    grid->setSpacing(1);
    for (int i = 0; i < int(m_propertyLabels.size()); ++i) {
        auto* label = new QLabel(i < 4 ? kPropertyLabels[i] : "", m_propertiesBox);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setFixedSize(65, 20);
        auto* value = new QLabel(m_propertiesBox);
        value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        value->setFrameStyle(QFrame::Box | QFrame::Plain);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // A long name is cut by the box, never widens it.
        value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        value->setFixedHeight(20);
        grid->addWidget(label, i, 0);
        grid->addWidget(value, i, 1);
        m_propertyLabels[size_t(i)] = label;
        m_propertyValues[size_t(i)] = value;
        // The camera lines show when the file has them.
        label->setVisible(i < 4);
        value->setVisible(i < 4);
    }
    grid->setRowStretch(int(m_propertyLabels.size()), 1);

    connect(m_splitter, &QSplitter::splitterMoved, this, [this] {
        const QList<int> sizes = m_splitter->sizes();
        m_dirListWidth = sizes[0];
        (IsThumbnailView() ? m_gridWidth : m_fileListWidth) = sizes[1];
    });
    connect(m_previewSplitter, &QSplitter::splitterMoved, this,
            [this] { m_propertiesHeight = m_previewSplitter->sizes()[1]; });

    m_view = new CPreview(m_viewFrame);
    m_view->setFocusPolicy(Qt::StrongFocus);
    m_view->SetSaveHandler(
        [this](const QString& fileName) { return m_saveAsHandler ? m_saveAsHandler(fileName) : false; });
    connect(m_view, &CPreview::LoadFinished, this, &CMainFrame::OnLoadFinished);
    connect(m_view, &CPreview::DevelopingChanged, this, &CMainFrame::OnDevelopingChanged);
    connect(m_view, &CPreview::PictureKept, this, &CMainFrame::OnPictureKept);
    connect(m_view, &CPreview::LoadFinished, this, &CMainFrame::UpdateZoomPane);
    connect(m_view, &CPreview::DisplayChanged, this, &CMainFrame::OnDisplayChanged);
    connect(m_view, &CPreview::ColoursSwitched, m_thumbnailGrid, &CThumbnailGrid::ColoursChanged);
    // A file shown may have changed since its thumbnail was made (saved
    // over, turned without loss): the grid asks for it again.
    connect(m_view, &CPreview::LoadFinished, this, [this](bool success) {
        if (success && m_thumbnailGrid->isVisible() && !m_fileList.GetCurrentFile().empty())
            m_thumbnails->Refresh(CurrentPath());
    });
    connect(&m_view->GetAnimation(), &CAnimationPlayer::StateChanged, this, &CMainFrame::UpdateFramePane);
    connect(&m_view->GetAnimation(), &CAnimationPlayer::PlayingChanged, this, &CMainFrame::UpdateCommandUI);

    connect(m_driveBox, &QComboBox::activated, this, &CMainFrame::OnDriveSelected);
    connect(m_favoritesBox, &QComboBox::activated, this, &CMainFrame::OnFavoriteSelected);
    connect(m_recentBox, &QComboBox::activated, this, &CMainFrame::OnRecentFolderSelected);
    connect(m_dirListBox, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { OnDirectoryDoubleClicked(m_dirListBox->row(item)); });
    connect(&m_fileList, &CFileList::SelectionEdited, this, &CMainFrame::OnFileSelectionChanged);

    m_childView->SetResizeHandler([this] {
        if (!m_initialising)
            Layout();
    });
}

void CMainFrame::SetDrives(const std::vector<std::string>& mountPoints)
{
    m_drives = mountPoints;
    m_driveBox->clear();
    // The box itself is narrow; its list opens wide enough for the longest
    // mount point, so removable media under /media/<user>/ stay readable.
    int widest = 160;
    const QFontMetrics metrics(m_driveBox->view()->font());
    for (const std::string& drive : m_drives) {
        const QString entry = Q(vkplatform::DriveEntry(drive));
        m_driveBox->addItem(entry);
        widest = std::max(widest, metrics.horizontalAdvance(entry) + 32);
    }
    m_driveBox->view()->setMinimumWidth(widest);
    if (!m_fileList.GetCurrentDir().empty())
        ShowDriveOf(m_fileList.GetCurrentDir());
}

void CMainFrame::SetStartupFile(const QString& path)
{
    SetStartupFiles(path.isEmpty() ? QStringList() : QStringList{path});
}

void CMainFrame::SetStartupFiles(const QStringList& paths)
{
    // A relative name is taken from the directory the program started in.
    m_startupFiles.clear();
    for (const QString& path : paths)
        if (!path.isEmpty())
            m_startupFiles.push_back(QFileInfo(path).absoluteFilePath());
    m_startupFile = m_startupFiles.isEmpty() ? QString() : m_startupFiles.front();
}

void CMainFrame::SetSaveAsHandler(std::function<bool(const QString&)> handler)
{
    m_saveAsHandler = std::move(handler);
}

bool CMainFrame::RunSaveAs()
{
    if (!m_saveAsHandler || !m_saveAsHandler(m_view->GetFileName()))
        return false;
    UpdateTitleAndProperties(false);
    return true;
}

// ---------------------------------------------------------------------------
// Start-up and shut-down

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_started)
        return;
    // Start-up runs once the window is on the screen.
    QTimer::singleShot(0, this, [this] {
        if (m_started)
            return;
        Layout();
        if (!Startup()) {
            m_shutDown = true; // nothing to save: start-up did not finish
            QCoreApplication::exit(0);
        }
    });
}

bool CMainFrame::Startup()
{
    if (m_started)
        return true;
    m_started = true;

    m_favorites.LoadFavorites();
    FillFavoritesBox();

    if (!m_settings.Load())
        m_settings.SetDefaults();
    CSaveOptionsFile::Load(m_settings.saveOptions, m_settings.convertFormat);

    if (m_settings.saveRecentFolders) {
        std::vector<std::string> folders;
        CSettings::LoadRecentFolders(folders);
        for (const std::string& folder : folders)
            m_recentBox->addItem(Q(folder));
        m_recentBox->setCurrentIndex(-1);
        m_navigator.SetRecentFolders(std::move(folders));
    }

    if (!ChooseStartDirectory()) {
        m_shutDown = true; // nothing to save: start-up did not finish
        vkui::ask(kTextStartupError, vkui::Buttons::Ok, vkui::Icon::Error);
        return false;
    }

    FillDirectoryList();
    FillFileList();
    AddRecentFolder();

    UpdateTitleAndProperties(true);
    UpdateCountPane();
    UpdateInfoPane();
    UpdateStatusPane();

    if (!m_startupFile.isEmpty()) {
        const std::string name = vkpath::FileName(S(m_startupFile));
        const int row = m_fileList.Find(name);
        if (row >= 0) {
            // The others named in the same folder join the selection.
            std::vector<bool> selected(size_t(m_fileList.Count()), false);
            selected[size_t(row)] = true;
            const std::string dir = vkpath::Parent(S(m_startupFile));
            for (const QString& other : m_startupFiles) {
                const int r = m_fileList.Find(vkpath::FileName(S(other)));
                if (r >= 0 && vkpath::Parent(S(other)) == dir)
                    selected[size_t(r)] = true;
            }
            m_fileList.SelectRows(selected);
            m_fileList.SelectionModel()->setCurrentIndex(m_fileList.index(row),
                                                         QItemSelectionModel::NoUpdate);
            UpdateSelection();
            m_fileList.SetCurrentFile(m_fileList.EntryName(row));
            ShowCurrentFile();
        }
    }
    m_initialising = false;
    Layout();
    UpdateCommandUI();
    GetShownFileView()->setFocus();
    return true;
}

void CMainFrame::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    if (m_view)
        m_view->AskToSave();
    // A full disk or a folder that refuses files keeps the old files; the
    // user learns that this session's changes were not kept.
    if (!SaveOnExit())
        vkui::ask(QString::fromStdString("Can't save the settings in " + vkplatform::ConfigDirectory() + "."),
                  vkui::Buttons::Ok, vkui::Icon::Warning);
}

void CMainFrame::EndSession()
{
    if (!m_shutDown) {
        m_shutDown = true;
        // Nobody may be there to answer, and the picture's own file stays.
        if (m_view)
            m_view->GetPicture().SetModified(false);
        SaveOnExit();
    }
    // Every event loop ends, those of open dialogs too.
    QCoreApplication::exit(0);
}

bool CMainFrame::SaveOnExit()
{
    if (!m_started)
        return true; // nothing was loaded: keep the files as they are
    vkplatform::MakePath(vkplatform::ConfigDirectory());
    // Where the window was is no loss worth a message when it cannot be kept.
    SaveWindowState();
    bool saved = m_favorites.SaveFavorites();
    if (m_settings.saveSettingsOnExit)
        saved = m_settings.Save() && saved;
    return SaveRecentFolders() && saved;
}

bool CMainFrame::SaveFavorites()
{
    vkplatform::MakePath(vkplatform::ConfigDirectory());
    return m_favorites.SaveFavorites();
}

bool CMainFrame::SaveRecentFolders()
{
    if (!m_settings.saveRecentFolders)
        return true;
    vkplatform::MakePath(vkplatform::ConfigDirectory());
    return CSettings::SaveRecentFolders(GetRecentFolders());
}

CWindowState CMainFrame::GetWindowState() const
{
    CWindowState state;
    const bool maximised = windowState().testFlag(Qt::WindowMaximized);
    state.geometry = maximised || isFullScreen() ? normalGeometry() : geometry();
    state.maximised = maximised;
    state.dirListWidth = m_dirListWidth;
    state.fileListWidth = m_fileListWidth;
    state.propertiesHeight = m_propertiesHeight;
    state.colourManaged = vkdisplay::ColourManaged();
    state.thumbnails = IsThumbnailView();
    state.thumbnailSize = m_thumbnailGrid->GetThumbnailSize();
    state.gridWidth = m_gridWidth;
    return state;
}

void CMainFrame::ApplyWindowState(CWindowState state)
{
    std::vector<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back(screen->availableGeometry());
    state.Validate(screens);
    m_dirListWidth = state.dirListWidth;
    m_fileListWidth = state.fileListWidth;
    m_propertiesHeight = state.propertiesHeight;
    m_gridWidth = state.gridWidth;
    vkdisplay::SetColourManaged(state.colourManaged);
    {
        const QSignalBlocker quiet(m_thumbnailGrid); // applied, not changed by the user
        m_thumbnailGrid->SetThumbnailSize(state.thumbnailSize);
    }
    ShowFileView(state.thumbnails);
    if (!state.geometry.isNull())
        setGeometry(state.geometry);
    if (m_browserMode)
        Layout();
}

bool CMainFrame::RestoreWindowState()
{
    CWindowState state;
    state.Load(); // the defaults when there is none
    ApplyWindowState(state);
    return state.maximised;
}

bool CMainFrame::SaveWindowState() const
{
    vkplatform::MakePath(vkplatform::ConfigDirectory());
    return GetWindowState().Save();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // Cancel, or a Save As that saved nothing, keeps the window open.
    if (!m_shutDown && m_view && !m_view->AskToSave()) {
        event->ignore();
        return;
    }
    Shutdown();
    event->accept();
}

// ---------------------------------------------------------------------------
// Modes and layout

void CMainFrame::Layout()
{
    const int right = m_childView->width();
    const int bottom = std::max(140, m_childView->height() - 2);
    const int comboHeight = std::max(22, m_driveBox->sizeHint().height());
    const int listTop = comboHeight + 8;

    m_driveBox->setGeometry(4, 2, 72 - 4, comboHeight);
    m_favoritesBox->setGeometry(74, 2, 320 - 74, comboHeight);
    m_recentBox->setGeometry(322, 2, std::max(40, right - 4 - 322), comboHeight);
    if (m_browserMode) {
        m_splitter->setGeometry(2, listTop, std::max(120, right - 6), bottom - listTop);
        ApplySplitSizes();
    } else {
        m_splitter->setGeometry(m_childView->contentsRect());
    }
    // Panes shown or hidden by a mode switch are laid out now, not later.
    m_previewSplitter->refresh();
    m_splitter->refresh();
    PlaceView();
}

void CMainFrame::ApplySplitSizes()
{
    // The grid keeps a width of its own: a list of names is narrow.
    const int files = IsThumbnailView() ? m_gridWidth : m_fileListWidth;
    const int lists = m_dirListWidth + files + 2 * m_splitter->handleWidth();
    m_splitter->setSizes({m_dirListWidth, files, std::max(1, m_splitter->width() - lists)});
    const int view = m_previewSplitter->height() - m_propertiesHeight - m_previewSplitter->handleWidth();
    m_previewSplitter->setSizes({std::max(1, view), m_propertiesHeight});
}

void CMainFrame::PlaceView()
{
    int viewWidth, viewHeight;
    if (m_browserMode) {
        viewWidth = std::max(1, m_viewFrame->width() - 10);
        viewHeight = std::max(1, m_viewFrame->height() - 20);
        m_view->setGeometry(5, 15, viewWidth, viewHeight);
    } else {
        viewWidth = std::max(1, m_viewFrame->width());
        viewHeight = std::max(1, m_viewFrame->height());
        m_view->setGeometry(0, 0, viewWidth, viewHeight);
    }
    const bool viewSizeChanged = m_view->SetClientSize(viewWidth, viewHeight);
    if (m_view->HasImage())
        m_view->Relayout(false, viewSizeChanged);
}

void CMainFrame::SetBrowserControlsVisible(bool visible)
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_driveBox, m_favoritesBox, m_recentBox, m_dirListBox,
                                                      m_fileViews, m_propertiesBox})
        w->setVisible(visible);
    m_viewFrame->setFlat(!visible);
}

void CMainFrame::ApplyMode()
{
    menuBar()->clear();
    for (QMenu* m : m_browserMode ? m_browserMenus : m_viewerMenus)
        menuBar()->addMenu(m);
    m_browserToolBar->setVisible(m_browserMode && m_toolBarVisible);
    m_viewerToolBar->setVisible(!m_browserMode && m_toolBarVisible);
    m_paneZoom->setVisible(!m_browserMode);
    UpdateZoomPane();
    SetBrowserControlsVisible(m_browserMode);
    m_view->SetViewerMode(!m_browserMode);
    m_view->SetPrefetchEnabled(!m_browserMode);
    emit ModeChanged(m_browserMode);
}

std::array<QAbstractItemView*, 2> CMainFrame::GetFileViews() const
{
    return {m_fileListView, m_thumbnailGrid};
}

QAbstractItemView* CMainFrame::GetShownFileView() const
{
    return IsThumbnailView() ? static_cast<QAbstractItemView*>(m_thumbnailGrid) : m_fileListView;
}

bool CMainFrame::IsThumbnailView() const
{
    return m_fileViews->currentWidget() == m_thumbnailGrid;
}

void CMainFrame::SetThumbnailView(bool on)
{
    ShowFileView(on);
    SaveWindowState();
}

void CMainFrame::ShowFileView(bool thumbnails)
{
    if (thumbnails == IsThumbnailView())
        return;
    const bool hadFocus = GetShownFileView()->hasFocus();
    m_fileViews->setCurrentWidget(thumbnails ? static_cast<QWidget*>(m_thumbnailGrid) : m_fileListView);
    if (m_browserMode && !m_initialising)
        Layout();
    QAbstractItemView* shown = GetShownFileView();
    // The other view kept the current file, not its place on screen.
    if (shown->currentIndex().isValid())
        shown->scrollTo(shown->currentIndex());
    if (hadFocus || (m_browserMode && !m_initialising))
        shown->setFocus();
}

void CMainFrame::SetToolBarVisible(bool visible)
{
    m_toolBarVisible = visible;
    ApplyMode();
    Layout();
}

bool CMainFrame::IsStatusBarVisible() const
{
    return statusBar()->isVisibleTo(this);
}

void CMainFrame::SetStatusBarVisible(bool visible)
{
    statusBar()->setVisible(visible);
    Layout();
}

void CMainFrame::SwitchToViewer()
{
    if (!m_browserMode || !m_view->HasImage())
        return;
    m_browserMode = false;
    ApplyMode();
    Layout();

    const std::string current = m_fileList.GetCurrentFile();
    const int row = current.empty() ? -1 : m_fileList.Find(current);
    m_fileList.SelectOnly(row);
    m_currentIndex = row;
    UpdateSelection();
    UpdateCountPane();
    UpdateInfoPane();
    UpdateTitleAndProperties(false);
    m_view->setFocus();
}

void CMainFrame::SwitchToBrowser()
{
    if (m_browserMode)
        return;
    m_browserMode = true;
    ApplyMode();
    Layout();
    UpdateCountPane();
    UpdateInfoPane();
    UpdateTitleAndProperties(m_fileList.GetSelectedCount() == 0 || m_fileList.GetCurrentFile().empty());
    GetShownFileView()->setFocus();
}

// ---------------------------------------------------------------------------
// Activation

void CMainFrame::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        m_wasMinimised = true;
    QMainWindow::changeEvent(event);
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && m_started && !m_initialising)
        OnActivate(false);
    return QMainWindow::event(event);
}

// ---------------------------------------------------------------------------
// Commands

bool CMainFrame::IsCommandEnabled(Cmd command) const
{
    return m_commands.IsEnabled(command);
}

bool CMainFrame::IsCommandChecked(Cmd command) const
{
    return m_commands.IsChecked(command);
}

void CMainFrame::UpdateCommandUI()
{
    for (int i = 0; i < int(Cmd::Count); ++i) {
        QAction* action = m_actions[size_t(i)];
        action->setEnabled(IsCommandEnabled(Cmd(i)));
        if (action->isCheckable())
            action->setChecked(IsCommandChecked(Cmd(i)));
    }
}

bool CMainFrame::RunCommand(Cmd command)
{
    // Save, print and edit the developed picture, never the RAW file's preview.
    if (NeedsWholePicture(command) && IsCommandEnabled(command) && m_view->ShowsRawPreview() &&
        !m_view->GetPicture().IsModified()) {
        m_view->Develop();
        if (m_view->IsDeveloping()) {
            m_afterDevelop = command;
            return true;
        }
    }
    {
        // A command's dialogs and jobs see the picture and the current file
        // they started with: the slide show waits until it returns.
        const vkjob::PictureHold hold;
        if (!m_commands.Run(command))
            return false;
    }
    UpdateCommandUI();
    return true;
}

bool CMainFrame::TranslateKey(QKeyEvent& event, bool textEditing)
{
    const std::optional<Cmd> command = TranslateAccelerator(event, textEditing);
    if (!command)
        return false;
    RunCommand(*command); // a disabled command swallows its key
    return true;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    // The path box's completions are part of the box: Ctrl and function
    // keys still reach the frame while they are offered.
    QWidget* popup = QApplication::activePopupWidget();
    const bool completing = popup && popup == m_pathCompletions;
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        QApplication::activeModalWidget() == nullptr && (!popup || completing)) {
        auto* widget = static_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        // Keys that walk the menu bar stay there.
        if ((widget->window() == this || widget->window() == popup) && !qobject_cast<QMenuBar*>(widget)) {
            const bool textEditing = completing || IsTextBox(widget);
            if (completing && TranslateAccelerator(*key, true))
                popup->hide();
            if (TranslateKey(*key, textEditing))
                return true;
            if (!textEditing && m_extraKeys && m_extraKeys(*key))
                return true;
        }
    }
    // A splitter dragged, or the window resized: the view follows its frame.
    if (watched == m_viewFrame && event->type() == QEvent::Resize)
        PlaceView();
    return QMainWindow::eventFilter(watched, event);
}
