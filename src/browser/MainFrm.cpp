#include "MainFrm.h"

#include "ChildView.h"
#include "CommandAreas.h"
#include "DirectoryFill.h"
#include "FormatNumber.h"
#include "MessageService.h"
#include "Navigation.h"
#include "Preview.h"
#include "StatusTexts.h"
#include "ViewerGestures.h"
#include "platform/Drives.h"
#include "platform/FileStatus.h"
#include "platform/Folders.h"
#include "platform/Path.h"

#include <QFontMetrics>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <cmath>

static void InitVelkorResources()
{
    Q_INIT_RESOURCE(velkor);
}

namespace {

// Messages of the frame and its navigation.
constexpr const char* kTextUnknownFormat = "Unknow format.";
constexpr const char* kStatusUnknownFormat = "  Unknow format";
constexpr const char* kStatusLoading = "  Loading image...";
constexpr const char* kStatusDonePreviewOff = " Done";
constexpr const char* kTextDeviceNotReady = "The device is not ready.";
constexpr const char* kTextFolderNotExist = "Folder not exist.";
constexpr const char* kTextFolderNotExists = "Folder not exists.";
constexpr const char* kTextFolderNotFound = "Folder not found";
constexpr const char* kTextImageNotFound = "Image not found";
constexpr const char* kTextNotFound = " not found.";
constexpr const char* kTextStartupError = "Error during startup";

constexpr const char* kPropertyLabels[4] = {"Name:", "Size:", "Uses:", "Date:"};

// File > Open filters, in this order.
const QStringList& OpenFilters()
{
    static const QStringList filters = {
        "Windows Bitmap (*.bmp)",
        "JPEG (*.jpg)",
        "Portable Network Graphics (*.png)",
        "Portable Pixmap (*.ppm)",
        "Portable Graymap (*.pgm)",
        "Portable Bitmap (*.pbm)",
        "TrueVision Targa (*.tga)",
        "ZSoft Paintbrush (*.pcx)",
        "Graphics Interchange Format (*.gif)",
        "Interchange File Format (*.iff)",
        "Macintosh PICT (*.pct)",
        "Sun Rasterfile (*.ras)",
        "Tag Image File Format (*.tif)",
        "EPS TIFF Preview (*.eps)",
        "Icon Files (*.ico)",
    };
    return filters;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// Directories are told apart exactly: on this platform two folders may
// differ only in case.
bool SameDir(const std::string& a, const std::string& b)
{
    return vkpath::StripTrailingSeparator(a) == vkpath::StripTrailingSeparator(b);
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

// Favorite icons: 0 a folder, 1..15 the file types.
QIcon FavoriteIcon(int index)
{
    if (index <= 0)
        return QIcon::fromTheme("folder", QIcon(":/icons/folder.png"));
    return QIcon::fromTheme("image-x-generic", QIcon(":/icons/image.png"));
}

// The working directory (the one the model mirrors) could not be entered
// at all: this one always exists.
std::string FallbackStart()
{
    const std::string home = vkplatform::HomeDirectory();
    if (!home.empty() && vkplatform::EnterDirectory(home))
        return home;
    vkplatform::EnterDirectory(vkplatform::SystemDirectory());
    return vkplatform::SystemDirectory();
}

} // namespace

// ---------------------------------------------------------------------------
// Creation

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    InitVelkorResources();
    setWindowTitle(vktext::kProgramTitle);
    setWindowIcon(QIcon(":/icons/velkor.png"));
    resize(640, 480);

    CreateActions();
    BindCommands();
    BindCommandAreas(*this, m_commands);
    CreateMenus();
    CreateToolBars();
    CreateStatusBar();
    CreateControls();
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
    statusBar()->addWidget(m_paneReady, 1);
    statusBar()->addPermanentWidget(m_paneCount);
    statusBar()->addPermanentWidget(m_paneInfo);
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

    m_dirListBox = new QListWidget(m_childView);
    m_dirListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    m_dirListBox->setUniformItemSizes(true);

    m_fileListBox = new QListWidget(m_childView);
    m_fileListBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_fileListBox->setUniformItemSizes(true);

    m_propertiesBox = new QGroupBox("Image Properties", m_childView);
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(kPropertyLabels[i], m_propertiesBox);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setGeometry(5, 20 + 21 * i, 65, 20);
        auto* value = new QLabel(m_propertiesBox);
        value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        value->setFrameStyle(QFrame::Box | QFrame::Plain);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_propertyLabels[size_t(i)] = label;
        m_propertyValues[size_t(i)] = value;
    }

    m_viewFrame = new QGroupBox(m_childView);
    m_view = new CPreview(m_viewFrame);
    m_view->setFocusPolicy(Qt::StrongFocus);
    m_view->SetSaveHandler([this](const QString& fileName) {
        return m_saveAsHandler ? m_saveAsHandler(fileName) : false;
    });
    connect(m_view, &CPreview::LoadFinished, this, &CMainFrame::OnLoadFinished);

    connect(m_driveBox, &QComboBox::activated, this, &CMainFrame::OnDriveSelected);
    connect(m_favoritesBox, &QComboBox::activated, this, &CMainFrame::OnFavoriteSelected);
    connect(m_recentBox, &QComboBox::activated, this, &CMainFrame::OnRecentFolderSelected);
    connect(m_dirListBox, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { OnDirectoryDoubleClicked(m_dirListBox->row(item)); });
    connect(m_fileListBox, &QListWidget::itemSelectionChanged, this, &CMainFrame::OnFileSelectionChanged);

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

    if (m_settings.saveRecentFolders) {
        std::vector<std::string> folders;
        CSettings::LoadRecentFolders(folders);
        for (const std::string& folder : folders)
            m_recentBox->addItem(Q(folder));
        m_recentBox->setCurrentIndex(-1);
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
        const int row = vkfill::FindEntry(m_entries, name);
        if (row >= 0) {
            SelectOnly(row);
            // The others named in the same folder join the selection.
            const std::string dir = vkpath::Parent(S(m_startupFile));
            for (const QString& other : m_startupFiles) {
                const int r = vkfill::FindEntry(m_entries, vkpath::FileName(S(other)));
                if (r >= 0 && r != row && vkpath::Parent(S(other)) == dir) {
                    const QSignalBlocker block(m_fileListBox);
                    m_fileListBox->item(r)->setSelected(true);
                }
            }
            UpdateSelection();
            m_fileList.SetCurrentFile(m_entries[size_t(row)]);
            ShowCurrentFile();
        }
    }
    m_initialising = false;
    Layout();
    UpdateCommandUI();
    m_fileListBox->setFocus();
    return true;
}

void CMainFrame::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    if (m_view)
        m_view->AskToSave();
    if (!m_started)
        return; // nothing was loaded: keep the files as they are
    vkplatform::MakePath(vkplatform::ConfigDirectory());
    m_favorites.SaveFavorites();
    if (m_settings.saveSettingsOnExit)
        m_settings.Save();
    if (m_settings.saveRecentFolders)
        CSettings::SaveRecentFolders(GetRecentFolders());
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
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
    m_dirListBox->setGeometry(2, listTop, 160 - 2, bottom - listTop);
    m_fileListBox->setGeometry(161, listTop, 320 - 161, bottom - listTop);
    const int propertiesTop = bottom - 104;
    m_propertiesBox->setGeometry(322, propertiesTop, std::max(80, right - 4 - 322), 104);
    const int valueWidth = m_propertiesBox->width() - 75;
    for (int i = 0; i < 4; ++i)
        m_propertyValues[size_t(i)]->setGeometry(71, 20 + 21 * i, std::max(10, valueWidth), 20);

    int viewWidth, viewHeight;
    if (m_browserMode) {
        const int frameTop = listTop - 6;
        m_viewFrame->setGeometry(322, frameTop, std::max(20, right - 4 - 322),
                                 std::max(30, propertiesTop - frameTop));
        viewWidth = std::max(1, m_viewFrame->width() - 10);
        viewHeight = std::max(1, m_viewFrame->height() - 20);
        m_view->setGeometry(5, 15, viewWidth, viewHeight);
    } else {
        m_viewFrame->setGeometry(m_childView->contentsRect());
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
    for (QWidget* w : std::initializer_list<QWidget*>{m_driveBox, m_favoritesBox, m_recentBox,
                                                      m_dirListBox, m_fileListBox, m_propertiesBox})
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
    SetBrowserControlsVisible(m_browserMode);
    m_view->SetViewerMode(!m_browserMode);
    m_view->SetPrefetchEnabled(!m_browserMode);
    emit ModeChanged(m_browserMode);
}

void CMainFrame::SwitchToViewer()
{
    if (!m_browserMode || !m_view->HasImage())
        return;
    m_browserMode = false;
    ApplyMode();
    Layout();

    const std::string current = m_fileList.GetCurrentFile();
    const int row = current.empty() ? -1 : vkfill::FindEntry(m_entries, current);
    SelectOnly(row);
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
    m_fileListBox->setFocus();
}

// ---------------------------------------------------------------------------
// Showing the current file

QString CMainFrame::CurrentPath() const
{
    return Q(vkpath::Join(m_fileList.GetCurrentDir(), m_fileList.GetCurrentFile()));
}

void CMainFrame::ShowCurrentFile()
{
    if (m_fileList.GetCurrentFile().empty()) {
        UpdateTitleAndProperties(true);
        return;
    }
    if (m_browserMode && !m_settings.browserPreviewEnabled && !m_forcePreview) {
        UpdateTitleAndProperties(false);
        m_statusText = kStatusDonePreviewOff;
        UpdateStatusPane();
        UpdateCountPane();
        return;
    }
    m_statusText = kStatusLoading;
    UpdateStatusPane();
    UpdateCountPane();

    m_loadForced = m_forcePreview;
    const QString path = CurrentPath();
    const QString name = Q(m_fileList.GetCurrentFile());
    if (m_browserMode) {
        m_view->LoadImage(path, m_settings.previewPosition, m_settings.browserPreviewShrink,
                          m_settings.browserPreviewEnlarge, name);
    } else {
        m_view->LoadImage(path, vkview::Centre, m_settings.viewerShrink, m_settings.viewerEnlarge, name);
        // After the request, so the pane names the new file without the
        // previous picture's size.
        UpdateInfoPane();
    }
}

void CMainFrame::OnLoadFinished(bool success)
{
    // The load may have been forced by Preview: it still counts as such.
    const bool savedForce = m_forcePreview;
    m_forcePreview = m_loadForced;
    if (success && !m_fileList.GetCurrentFile().empty()) {
        UpdateTitleAndProperties(false);
        m_statusText = "  Loaded in " + Q(FormatNumber(m_view->GetLoadTime() * 0.001, 3)) + " s";
        UpdateStatusPane();
        if (!m_browserMode)
            UpdateInfoPane();
    } else {
        UpdateTitleAndProperties(true);
        m_statusText = kStatusUnknownFormat;
        UpdateStatusPane();
        if (!m_browserMode)
            UpdateInfoPane();
        vkui::ask(kTextUnknownFormat);
    }
    m_forcePreview = savedForce;
    UpdateCommandUI();
}

QString CMainFrame::TitleFor(const std::string& path) const
{
    const bool fullPath = m_browserMode ? m_settings.browserFullPathInTitle : m_settings.viewerFullPathInTitle;
    return Q(vktext::TitleText(fullPath, path));
}

QString CMainFrame::FileSizeText(uint64_t size) const
{
    return Q(vktext::FileSizeText(size, m_settings.fileSizeUnit));
}

QString CMainFrame::ImageSizeText() const
{
    const CPictureEx& picture = m_view->GetPicture();
    return Q(vktext::ImageSizeText(picture.GetWidth(), picture.GetHeight(), m_settings.imageSizeUnit));
}

void CMainFrame::UpdateTitleAndProperties(bool clear)
{
    if (clear || m_fileList.GetCurrentFile().empty()) {
        m_view->Clear();
        for (QLabel* value : m_propertyValues)
            value->clear();
        setWindowTitle(TitleFor(m_fileList.GetCurrentDir()));
        return;
    }
    const std::string path = vkpath::Join(m_fileList.GetCurrentDir(), m_fileList.GetCurrentFile());
    setWindowTitle(TitleFor(path));

    vkplatform::FileStatus status;
    const bool haveStatus = vkplatform::GetFileStatus(path, status);

    const bool showsPicture = !m_browserMode || m_settings.browserPreviewEnabled || m_forcePreview;
    if (!showsPicture)
        m_view->Clear();

    m_propertyValues[0]->setText(Q(m_fileList.GetCurrentFile()));
    if ((m_settings.browserPreviewEnabled || m_forcePreview || !m_browserMode) && m_view->HasImage())
        m_propertyValues[1]->setText(ImageSizeText() + ", " +
                                     QString::number(m_view->GetPicture().GetBitsPerPixel()) + " bpp");
    else
        m_propertyValues[1]->clear();
    m_propertyValues[2]->setText(haveStatus ? FileSizeText(status.size) : QString());
    if (haveStatus && status.lastWriteTime >= 0)
        m_propertyValues[3]->setText(
            QLocale().toString(QDateTime::fromSecsSinceEpoch(status.lastWriteTime), QLocale::LongFormat));
    else
        m_propertyValues[3]->clear();
}

void CMainFrame::UpdateStatusPane()
{
    m_paneStatus->setText(m_statusText);
    m_paneStatus->repaint();
}

void CMainFrame::UpdateInfoPane()
{
    if (m_browserMode) {
        m_infoText = Q(vktext::FreeSpaceText(vkfill::GetFreeSpace(m_fileList.GetCurrentDir()),
                                             m_settings.fileSizeUnit));
    } else if (m_fileList.GetCurrentFile().empty()) {
        m_infoText = " ";
    } else {
        vkplatform::FileStatus status;
        const bool haveStatus = vkplatform::GetFileStatus(CurrentPath().toStdString(), status);
        const CPictureEx& picture = m_view->GetPicture();
        // While the next file decodes the view still holds the previous
        // picture: its size must not be shown under the new name.
        const bool shown = m_view->HasImage() && !m_view->IsLoading();
        m_infoText = Q(vktext::ViewerInfoText(m_fileList.GetCurrentFile(), shown ? picture.GetWidth() : 0,
                                              shown ? picture.GetHeight() : 0,
                                              shown ? picture.GetBitsPerPixel() : 0,
                                              haveStatus ? status.size : 0, m_settings.fileSizeUnit,
                                              m_settings.imageSizeUnit));
    }
    m_paneInfo->setText(m_infoText);
}

void CMainFrame::UpdateCountPane()
{
    if (m_browserMode)
        m_countText = Q(vktext::BrowserCountText(m_fileList.GetSelectedCount(), m_fileListBox->count(),
                                                 m_fileList.GetSelectedTotal(), m_settings.fileSizeUnit));
    else
        m_countText = Q(vktext::ViewerCountText(
            m_fileList.GetCurrentFile().empty() ? -1 : m_currentIndex, m_fileListBox->count()));
    m_paneCount->setText(m_countText);
}

QString CMainFrame::GetPaneText(int pane) const
{
    switch (pane) {
    case 1: return m_paneReady->text();
    case 2: return m_paneCount->text();
    case 3: return m_paneInfo->text();
    case 4: return m_paneStatus->text();
    default: return {};
    }
}

QString CMainFrame::GetPropertyValue(int index) const
{
    return index >= 0 && index < 4 ? m_propertyValues[size_t(index)]->text() : QString();
}

QString CMainFrame::GetPropertyLabel(int index) const
{
    return index >= 0 && index < 4 ? m_propertyLabels[size_t(index)]->text() : QString();
}

// ---------------------------------------------------------------------------
// Lists and selection

void CMainFrame::FillFileList()
{
    m_entries = vkfill::ListImageFiles(m_fileList.GetCurrentDir(), m_settings);
    QStringList texts;
    texts.reserve(qsizetype(m_entries.size()));
    for (const std::string& e : m_entries)
        texts.append(Q(e));
    const QSignalBlocker block(m_fileListBox);
    m_fileListBox->clear();
    m_fileListBox->addItems(texts);
}

void CMainFrame::FillDirectoryList()
{
    const std::vector<std::string> dirs = vkfill::ListDirectories(m_fileList.GetCurrentDir());
    QStringList texts;
    for (const std::string& d : dirs)
        texts.append(Q(d));
    m_dirListBox->clear();
    m_dirListBox->addItems(texts);
    UpdateInfoPane();
    UpdateCountPane();
}

void CMainFrame::UpdateSelection()
{
    std::vector<std::string> selected;
    const QModelIndexList rows = m_fileListBox->selectionModel()->selectedRows();
    std::vector<int> indices;
    indices.reserve(size_t(rows.size()));
    for (const QModelIndex& index : rows)
        indices.push_back(index.row());
    std::sort(indices.begin(), indices.end());
    for (int row : indices)
        if (row >= 0 && size_t(row) < m_entries.size())
            selected.push_back(m_entries[size_t(row)]);
    m_fileList.UpdateSelection(selected);
}

void CMainFrame::ReselectAfterFill()
{
    const vkfill::ReselectResult result = vkfill::ReselectAfterFill(m_entries, m_fileList);
    {
        const QSignalBlocker block(m_fileListBox);
        m_fileListBox->clearSelection();
        for (int row : result.selectedRows)
            if (QListWidgetItem* item = m_fileListBox->item(row))
                item->setSelected(true);
        if (!result.selectedRows.empty())
            m_fileListBox->setCurrentRow(result.selectedRows.back(), QItemSelectionModel::NoUpdate);
    }
    if (result.clearView)
        UpdateTitleAndProperties(true);
    UpdateCountPane();
}

void CMainFrame::SelectOnly(int row)
{
    const QSignalBlocker block(m_fileListBox);
    m_fileListBox->clearSelection();
    if (QListWidgetItem* item = m_fileListBox->item(row)) {
        item->setSelected(true);
        m_fileListBox->setCurrentRow(row, QItemSelectionModel::NoUpdate);
        m_fileListBox->scrollToItem(item);
    }
}

int CMainFrame::SelectFileEntry(const std::string& name)
{
    const int row = vkfill::FindEntry(m_entries, name);
    SelectOnly(row);
    return row;
}

void CMainFrame::OnFileSelectionChanged()
{
    UpdateSelection();
    if (!m_fileList.GetCurrentFile().empty())
        ShowCurrentFile();
    else
        UpdateTitleAndProperties(true);
    UpdateCountPane();
}

// ---------------------------------------------------------------------------
// Navigation

bool CMainFrame::EnterDirectory(const std::string& dir)
{
    return !dir.empty() && vkplatform::EnterDirectory(dir);
}

void CMainFrame::MoveTo(const std::string& dir)
{
    m_fileList.SetCurrentDir(vkpath::StripTrailingSeparator(dir), true);
    FillFileList();
    FillDirectoryList();
    UpdateTitleAndProperties(true);
}

void CMainFrame::ShowDriveOf(const std::string& dir)
{
    const std::string mount = vkplatform::MountPointOf(dir, m_drives);
    const int index = m_driveBox->findText(Q(vkplatform::DriveEntry(mount)));
    if (index >= 0)
        m_driveBox->setCurrentIndex(index);
}

void CMainFrame::AddRecentFolder()
{
    const std::string current = m_fileList.GetCurrentDir();
    for (int i = 0; i < m_recentBox->count(); ++i) {
        if (SameDir(S(m_recentBox->itemText(i)), current)) {
            m_recentBox->setCurrentIndex(i);
            return;
        }
    }
    m_recentBox->addItem(Q(current));
    m_recentBox->setCurrentIndex(m_recentBox->count() - 1);
}

void CMainFrame::SelectRecentFolder(const std::string& dir)
{
    for (int i = 0; i < m_recentBox->count(); ++i) {
        if (SameDir(S(m_recentBox->itemText(i)), dir)) {
            m_recentBox->setCurrentIndex(i);
            return;
        }
    }
}

std::vector<std::string> CMainFrame::GetRecentFolders() const
{
    std::vector<std::string> folders;
    for (int i = 0; i < m_recentBox->count(); ++i)
        folders.push_back(S(m_recentBox->itemText(i)));
    return folders;
}

void CMainFrame::OnDriveSelected(int index)
{
    if (index < 0 || size_t(index) >= m_drives.size())
        return;
    const std::string drive = m_drives[size_t(index)];
    if (!EnterDirectory(drive)) {
        vkui::ask(kTextDeviceNotReady);
        EnterDirectory(m_fileList.GetCurrentDir());
        ShowDriveOf(m_fileList.GetCurrentDir());
        return;
    }
    MoveTo(drive);
    AddRecentFolder();
}

void CMainFrame::OnDirectoryDoubleClicked(int row)
{
    QListWidgetItem* item = m_dirListBox->item(row);
    if (!item)
        return;
    const std::string entry = S(item->text());
    std::string dir = m_fileList.GetCurrentDir();
    if (entry == "..") {
        // Parents that vanished are skipped; the walk ends at the root.
        dir = vknav::EnterNearestAncestor(dir);
        if (dir.empty()) {
            RefreshDirectory();
            return;
        }
    } else {
        dir = vkpath::Join(dir, entry);
        if (!EnterDirectory(dir)) {
            RefreshDirectory();
            return;
        }
    }
    MoveTo(dir);
    AddRecentFolder();
}

void CMainFrame::OnRecentFolderSelected(int index)
{
    if (index < 0)
        return;
    const std::string folder = vkpath::StripTrailingSeparator(S(m_recentBox->itemText(index)));
    if (SameDir(folder, m_fileList.GetCurrentDir()))
        return;
    if (!EnterDirectory(folder)) {
        vkui::ask(kTextFolderNotExist);
        SelectRecentFolder(m_fileList.GetCurrentDir());
        return;
    }
    const std::string oldDrive = m_fileList.GetCurrentDrive();
    MoveTo(folder);
    if (vkplatform::MountPointOf(folder, m_drives) != oldDrive)
        ShowDriveOf(folder);
}

void CMainFrame::FillFavoritesBox()
{
    m_favoritesBox->clear();
    for (int i = 0; i < m_favorites.GetCount(); ++i)
        m_favoritesBox->addItem(FavoriteIcon(m_favorites.favoriteIcons[size_t(i)]),
                                Q(m_favorites.favoriteNames[size_t(i)]));
    m_favoritesBox->setCurrentIndex(-1);
}

void CMainFrame::OnFavoriteSelected(int index)
{
    Favorite favorite;
    if (!m_favorites.GetFavorite(index, favorite))
        return;
    const std::string folder = vkpath::StripTrailingSeparator(favorite.folder);
    if (favorite.file.empty() && SameDir(folder, m_fileList.GetCurrentDir()))
        return;
    if (!SameDir(folder, m_fileList.GetCurrentDir())) {
        if (!EnterDirectory(folder)) {
            vkui::ask(kTextFolderNotExist);
            return;
        }
        const std::string oldDrive = m_fileList.GetCurrentDrive();
        MoveTo(folder);
        AddRecentFolder();
        if (m_fileList.GetCurrentDrive() != oldDrive)
            ShowDriveOf(folder);
    }
    FillFileList();
    if (favorite.file.empty()) {
        UpdateSelection();
        UpdateTitleAndProperties(true);
    } else {
        const int row = SelectFileEntry(favorite.file);
        UpdateSelection();
        if (row < 0) {
            UpdateTitleAndProperties(true);
            vkui::ask(Q(favorite.file) + kTextNotFound);
        } else {
            ShowCurrentFile();
        }
    }
    UpdateCountPane();
}

void CMainFrame::OnBack()
{
    if (!m_browserMode)
        return;
    const std::string previous = m_fileList.GetPreviousDir();
    const std::string previousDrive = m_fileList.GetPreviousDrive();
    if (!EnterDirectory(previous)) {
        vkui::ask(kTextFolderNotExists);
        return;
    }
    if (previousDrive != m_fileList.GetCurrentDrive()) {
        ShowDriveOf(previous);
        UpdateInfoPane();
    }
    SelectRecentFolder(previous);
    MoveTo(previous);
    UpdateCountPane();
}

void CMainFrame::OnUpOneLevel()
{
    if (!m_browserMode || vkpath::IsRoot(m_fileList.GetCurrentDir()))
        return;
    const std::string dir = vkpath::Parent(m_fileList.GetCurrentDir());
    if (!EnterDirectory(dir)) {
        vkui::ask(kTextFolderNotExist);
        return;
    }
    MoveTo(dir);
    UpdateCountPane();
    AddRecentFolder();
}

void CMainFrame::OnHome()
{
    if (!m_browserMode)
        return;
    const std::string home = vkpath::StripTrailingSeparator(m_settings.homeDirectory);
    if (!EnterDirectory(home)) {
        vkui::ask(kTextFolderNotExist);
        return;
    }
    if (vkplatform::MountPointOf(home, m_drives) != m_fileList.GetCurrentDrive()) {
        ShowDriveOf(home);
        UpdateInfoPane();
    }
    MoveTo(home);
    UpdateCountPane();
    AddRecentFolder();
}

void CMainFrame::OnFileOpen()
{
    const QString chosen =
        vkui::openFileName(this, "Open", Q(vkplatform::WorkingDirectory()), OpenFilters());
    if (chosen.isEmpty())
        return;
    const auto [dir, name] = vkpath::Split(QFileInfo(chosen).absoluteFilePath().toStdString());
    if (!EnterDirectory(dir)) {
        vkui::ask(kTextFolderNotFound);
        if (!EnterDirectory(m_fileList.GetCurrentDir()))
            RefreshDirectory();
        return;
    }
    if (!m_browserMode)
        SwitchToBrowser();
    const std::string oldDrive = m_fileList.GetCurrentDrive();
    MoveTo(dir);
    AddRecentFolder();
    if (m_fileList.GetCurrentDrive() != oldDrive)
        ShowDriveOf(dir);
    SelectFileEntry(name);
    UpdateSelection();
    if (m_fileList.GetCurrentFile().empty())
        vkui::ask(kTextImageNotFound);
    else
        ShowCurrentFile();
    UpdateCountPane();
}

void CMainFrame::RefreshDirectory()
{
    std::string dir = m_fileList.GetCurrentDir();
    const std::string oldDrive = m_fileList.GetCurrentDrive();
    const std::string file = m_fileList.GetCurrentFile();

    if (!EnterDirectory(dir)) {
        // The nearest folder above that still exists, else the system root.
        dir = vknav::EnterNearestAncestor(dir);
        if (dir.empty()) {
            dir = vkplatform::SystemDirectory();
            if (!EnterDirectory(dir)) {
                vkui::ask(kTextFolderNotExist);
                dir.clear();
            }
        }
        if (!dir.empty())
            m_fileList.SetCurrentDir(dir, true);
    }

    FillFileList();
    UpdateSelection();
    if (file.empty()) {
        UpdateTitleAndProperties(true);
    } else {
        SelectFileEntry(file);
        UpdateSelection();
        if (!m_fileList.GetCurrentFile().empty())
            ShowCurrentFile();
        else
            UpdateTitleAndProperties(true);
    }
    if (!m_browserMode) {
        const int row = m_fileList.GetCurrentFile().empty() ? -1 : vkfill::FindEntry(m_entries, m_fileList.GetCurrentFile());
        m_currentIndex = row;
    }
    FillDirectoryList();
    AddRecentFolder();
    if (m_fileList.GetCurrentDrive() != oldDrive)
        ShowDriveOf(m_fileList.GetCurrentDir());
    UpdateCountPane();
    UpdateInfoPane();
}

bool CMainFrame::ChooseStartDirectory()
{
    if (!m_startupFile.isEmpty()) {
        const std::string dir = vkpath::Parent(S(m_startupFile));
        if (!EnterDirectory(dir))
            return false;
    } else if (m_settings.startInHome && !m_settings.homeDirectory.empty()) {
        const std::string previous = vkplatform::WorkingDirectory();
        if (!SameDir(previous, m_settings.homeDirectory) && !EnterDirectory(m_settings.homeDirectory))
            EnterDirectory(previous);
    }
    std::string start = vkplatform::WorkingDirectory();
    if (start.empty())
        start = FallbackStart(); // the inherited directory is gone
    ShowDriveOf(start);
    m_fileList.SetCurrentDir(start, true);
    return true;
}

void CMainFrame::OnActivate(bool byClick)
{
    if (isMinimized()) {
        m_wasMinimised = true;
        return;
    }
    if (!byClick && m_settings.autoRefresh && m_wasMinimised) {
        m_wasMinimised = false;
        RefreshDirectory();
    }
}

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

void CMainFrame::BindCommands()
{
    using enum Cmd;
    CommandRegistry& c = m_commands;
    auto hasImage = [this] { return m_view->HasImage(); };
    auto zoom = [this](float factor, bool viewerOnly) {
        return CommandBinding{.enabled = [this] { return m_view->HasImage(); },
                              .run = [this, factor, viewerOnly] { OnZoom(factor, viewerOnly); }};
    };
    auto viewerStep = [this](Cmd command, std::function<bool()> enabled) {
        return CommandBinding{.enabled = std::move(enabled), .run = [this, command] { OnViewerStep(command); }};
    };
    auto notLast = [this] { return m_currentIndex >= 0 && m_currentIndex < m_fileListBox->count() - 1; };
    auto notFirst = [this] { return m_currentIndex > 0; };

    c.Bind(FileOpen, {.run = [this] { OnFileOpen(); }});
    c.Bind(FileSaveAs, {.enabled = [this] { return m_view->HasImage() && m_view->GetPicture().IsModified(); },
                        .run =
                            [this] {
                                if (m_saveAsHandler && m_saveAsHandler(Q(m_fileList.GetCurrentFile())))
                                    UpdateTitleAndProperties(false);
                            }});
    c.Bind(FilePreview, {.enabled =
                             [this] {
                                 return !m_settings.browserPreviewEnabled && !m_fileList.GetCurrentFile().empty();
                             },
                         .run =
                             [this] {
                                 if (m_browserMode) {
                                     m_forcePreview = true;
                                     ShowCurrentFile();
                                     m_forcePreview = false;
                                 }
                             }});
    c.Bind(FileReload, {.enabled = [this] { return m_view->HasImage() && !m_fileList.GetCurrentFile().empty(); },
                        .run = [this] { OnReload(); }});
    c.Bind(Viewer, {.enabled = hasImage, .run = [this] { SwitchToViewer(); }});
    c.Bind(Browser, {.run = [this] { SwitchToBrowser(); }});
    c.Bind(Exit, {.run = [this] { close(); }});

    c.Bind(EditUndo, {.enabled = [this] { return m_view->HasImage() && m_view->GetPicture().IsUndoAvailable(); },
                      .run = [this] { OnUndo(); }});
    c.Bind(EditCopyImage, {.enabled = hasImage, .run = [this] { OnCopyImage(); }});
    c.Bind(CopyImageToClipboard, {.enabled = hasImage, .run = [this] { OnCopyImage(); }});

    c.Bind(ViewToolbar, {.checked = [this] { return m_toolBarVisible; },
                         .run =
                             [this] {
                                 m_toolBarVisible = !m_toolBarVisible;
                                 ApplyMode();
                                 Layout();
                             }});
    c.Bind(ViewStatusBar, {.checked = [this] { return statusBar()->isVisibleTo(this); },
                           .run =
                               [this] {
                                   statusBar()->setVisible(!statusBar()->isVisibleTo(this));
                                   Layout();
                               }});
    for (int position = 0; position < 3; ++position)
        c.Bind(Cmd(int(PreviewUpperLeft) + position),
               {.checked = [this, position] { return m_settings.previewPosition == position; },
                .run = [this, position] { OnPreviewPosition(position); }});
    c.Bind(Preview25, zoom(0.25f, false));
    c.Bind(Preview50, zoom(0.5f, false));
    c.Bind(Preview75, zoom(0.75f, false));
    c.Bind(Preview100, zoom(1.0f, false));
    c.Bind(Preview150, zoom(1.5f, false));
    c.Bind(Preview200, zoom(2.0f, false));
    c.Bind(SortByName, {.checked = [this] { return m_settings.sortByName != 0; }, .run = [this] { OnSort(true); }});
    c.Bind(SortByExtension,
           {.checked = [this] { return m_settings.sortByName == 0; }, .run = [this] { OnSort(false); }});
    c.Bind(ViewRefresh, {.run = [this] { RefreshDirectory(); }});
    c.Bind(ViewAutoRefresh, {.checked = [this] { return m_settings.autoRefresh != 0; },
                             .run = [this] { m_settings.autoRefresh = m_settings.autoRefresh ? 0 : 1; }});

    c.Bind(GoBack, {.enabled = [this] { return !m_fileList.GetPreviousDir().empty(); }, .run = [this] { OnBack(); }});
    c.Bind(GoUp, {.enabled =
                      [this] {
                          return !m_fileList.GetCurrentDir().empty() && !vkpath::IsRoot(m_fileList.GetCurrentDir());
                      },
                  .run = [this] { OnUpOneLevel(); }});
    c.Bind(GoHome, {.enabled =
                        [this] {
                            return !m_settings.homeDirectory.empty() &&
                                   !SameDir(m_settings.homeDirectory, m_fileList.GetCurrentDir());
                        },
                    .run = [this] { OnHome(); }});

    c.Bind(ImageNext, viewerStep(ImageNext, notLast));
    c.Bind(ImageLast, viewerStep(ImageLast, notLast));
    c.Bind(ImagePrevious, viewerStep(ImagePrevious, notFirst));
    c.Bind(ImageFirst, viewerStep(ImageFirst, notFirst));
    c.Bind(Zoom25, zoom(0.25f, false));
    c.Bind(Zoom50, zoom(0.5f, false));
    c.Bind(Zoom75, zoom(0.75f, false));
    c.Bind(Zoom150, zoom(1.5f, false));
    c.Bind(Zoom300, zoom(3.0f, true));
    c.Bind(Zoom500, zoom(5.0f, true));
    c.Bind(Zoom1000, zoom(10.0f, true));
    c.Bind(ZoomActualSize, zoom(1.0f, true));
    // Viewer mode only: in the browser their keys do nothing.
    auto viewerOnly = [this, hasImage](std::function<void()> step) {
        return CommandBinding{.enabled = hasImage, .run = [this, step] {
                                  if (!m_browserMode)
                                      step();
                              }};
    };
    c.Bind(ZoomMore, viewerOnly([this] { m_view->ZoomMore(); }));
    c.Bind(ZoomLess, viewerOnly([this] { m_view->ZoomLess(); }));
    c.Bind(ZoomBestFit, viewerOnly([this] { m_view->BestFit(); }));
}

bool CMainFrame::IsCommandEnabled(Cmd command) const { return m_commands.IsEnabled(command); }

bool CMainFrame::IsCommandChecked(Cmd command) const { return m_commands.IsChecked(command); }

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
    if (!m_commands.Run(command))
        return false;
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
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        QApplication::activeModalWidget() == nullptr && !QApplication::activePopupWidget()) {
        auto* widget = static_cast<QWidget*>(watched);
        // Keys that walk the menu bar stay there.
        if (widget->window() == this && !qobject_cast<QMenuBar*>(widget)) {
            const bool textEditing = qobject_cast<QLineEdit*>(widget) != nullptr;
            if (TranslateKey(*static_cast<QKeyEvent*>(event), textEditing))
                return true;
            if (!textEditing && m_extraKeys && m_extraKeys(*static_cast<QKeyEvent*>(event)))
                return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::OnUndo()
{
    const int sizeChanged = m_view->GetPicture().Undo();
    m_view->Relayout(sizeChanged != 0, false);
    if (!m_browserMode)
        UpdateInfoPane();
}

void CMainFrame::OnReload()
{
    const bool saved = m_forcePreview;
    m_forcePreview = true;
    ShowCurrentFile();
    m_forcePreview = saved;
}

void CMainFrame::OnCopyImage()
{
    const QImage image = m_view->ToImage();
    if (!image.isNull())
        QGuiApplication::clipboard()->setImage(image);
}

void CMainFrame::OnSort(bool byName)
{
    if ((m_settings.sortByName != 0) == byName)
        return;
    m_settings.sortByName = byName ? 1 : 0;
    FillFileList();
    ReselectAfterFill();
    if (!m_browserMode && !m_fileList.GetCurrentFile().empty())
        m_currentIndex = vkfill::FindEntry(m_entries, m_fileList.GetCurrentFile());
}

void CMainFrame::OnPreviewPosition(int position)
{
    if (!m_browserMode || m_settings.previewPosition == position)
        return;
    m_settings.previewPosition = position;
    m_view->SetPosition(position);
}

void CMainFrame::OnZoom(float factor, bool viewerOnly)
{
    if (viewerOnly && m_browserMode)
        return;
    m_view->SetZoom(factor);
}

void CMainFrame::ShowViewerFile(int index)
{
    if (index < 0 || index >= m_fileListBox->count())
        return;
    m_currentIndex = index;
    SelectOnly(index);
    UpdateSelection();
    ShowCurrentFile();
}

void CMainFrame::OnViewerStep(Cmd command)
{
    if (m_browserMode)
        return;
    switch (command) {
    case Cmd::ImageFirst: ShowViewerFile(0); break;
    case Cmd::ImageLast: ShowViewerFile(m_fileListBox->count() - 1); break;
    case Cmd::ImageNext: ShowViewerFile(m_currentIndex + 1); break;
    case Cmd::ImagePrevious: ShowViewerFile(m_currentIndex - 1); break;
    default: break;
    }
}
