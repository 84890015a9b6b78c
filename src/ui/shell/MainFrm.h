// CMainFrame: the program's one top-level window. Owns the settings, the
// file list model, the navigator, the favorites, the browser controls, the
// image view and the command registry; shows browser or viewer mode.
// MainFrm.cpp builds and lays out the window and wires menus, toolbars and
// keys to the registry; FrameFiles.cpp shows the lists and the current
// file, FrameNavigation.cpp moves between folders, and the *Commands.cpp
// files bind the commands.
#pragma once

#include "models/browser/FileList.h"
#include "models/browser/Navigator.h"
#include "models/browser/StatusTexts.h"
#include "models/settings/Favorites.h"
#include "models/settings/Settings.h"
#include "models/settings/WindowState.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/Commands.h"
#include "ui/shell/FramePorts.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CChildView;
class CPreview;
class CThumbnailGrid;
class CThumbnailProvider;
class QAbstractItemView;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QListView;
class QListWidget;
class QMenu;
class QSplitter;
class QStackedWidget;
class QToolBar;

class CMainFrame : public QMainWindow, public FileListPort, public StatusPort, public WindowPort {
    Q_OBJECT
  public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The file named on the command line ("" for none).
    void SetStartupFile(const QString& path);
    // Several files: the first one's folder opens with those of them that
    // are in it selected, and the first one shown.
    void SetStartupFiles(const QStringList& paths);
    // Favorites, settings, recent folders, start directory, lists, and the
    // start-up file. False when the process must end ("Error during startup").
    bool Startup();
    bool IsInitialising() const { return m_initialising; }
    // Favorites, settings and recent folders saved; the save question.
    void Shutdown();
    // The end of the session or a signal to end: the files saved as on a
    // close, without a question (an edited picture is given up, never
    // written anywhere unasked), then the event loops end.
    void EndSession();
    // Written as soon as they change, so a killed session keeps them.
    bool SaveFavorites() override;
    bool SaveRecentFolders();
    // The window's place and its panes' sizes, kept in their own file.
    CWindowState GetWindowState() const;
    // Applies a state checked against the screens; the caller shows the
    // window (maximised when the state says so).
    void ApplyWindowState(CWindowState state);
    // Reads the file and applies it; true when the window should start maximised.
    bool RestoreWindowState();
    bool SaveWindowState() const override;

    bool IsBrowserMode() const override { return m_browserMode; }
    void ShowCurrentFile() override;
    void UpdateTitleAndProperties(bool clear) override;
    void DescribeFile(const std::string& name) override;
    void SetStatusText(const QString& text) override { m_statusText = text; }
    void ShowStatusNow(const QString& text) override;
    void UpdateStatusPane() override;
    void UpdateInfoPane() override;
    void UpdateCountPane() override;
    // The viewer's zoom in percent ("" without a picture).
    void UpdateZoomPane();
    void Layout();
    void SwitchToViewer() override;
    void SwitchToBrowser() override;

    void ShowCurrentFileForced() override;
    bool ShowListedFile(const std::string& name) override;
    bool IsToolBarVisible() const override { return m_toolBarVisible; }
    void SetToolBarVisible(bool visible) override;
    bool IsStatusBarVisible() const override;
    void SetStatusBarVisible(bool visible) override;
    void CloseWindow() override { close(); }

    // Navigation. Moves the browser to `dir`: enters it (when that fails
    // shows `missingText`, if given, and returns false), records it,
    // refills both lists and shows its drive when the drive changed.
    bool GoTo(const std::string& dir, const char* missingText, Recent recent) override;
    void AddRecentFolder();
    void RefreshDirectory() override;
    bool ChooseStartDirectory();
    void FillFileList() override;
    void FillDirectoryList() override;
    // Re-reads the file list keeping the selection by name (after a change
    // of order or of the types shown).
    void RefillFileList() override;
    // The model takes the selection of its views (the selected names and
    // the current file).
    void UpdateSelection() override;

    // Control notifications.
    void OnDriveSelected(int index);
    void OnDirectoryDoubleClicked(int row);
    void OnRecentFolderSelected(int index);
    void OnFavoriteSelected(int index);
    // Enter in the path box: goes to the folder typed (a file's folder,
    // with the file shown).
    void OnPathTyped();
    void OnFileSelectionChanged() override;
    // An activation of the frame; `byClick` for one caused by a mouse click.
    void OnActivate(bool byClick);

    // Commands: one enabling rule per command for menu, toolbar and key.
    bool IsCommandEnabled(Cmd command) const;
    bool IsCommandChecked(Cmd command) const;
    // Runs the command when it is enabled; false when it was not.
    bool RunCommand(Cmd command);
    // The key handling of the accelerator table; true when the key was one.
    bool TranslateKey(QKeyEvent& event, bool textEditing);
    // Keys the table leaves alone go here; true when it used the key.
    void SetExtraKeyHandler(std::function<bool(const QKeyEvent&)> handler)
    {
        m_extraKeys = std::move(handler);
    }
    // The rules and handlers of the commands; features bind theirs here.
    CommandRegistry& GetCommands() { return m_commands; }
    QAction* GetAction(Cmd command) const { return m_actions[size_t(command)]; }
    void UpdateCommandUI() override;
    const std::vector<QMenu*>& GetMenus(bool browser) const
    {
        return browser ? m_browserMenus : m_viewerMenus;
    }
    QToolBar* GetToolBar(bool browser) const { return browser ? m_browserToolBar : m_viewerToolBar; }

    // Owned objects and controls.
    CSettings& GetSettings() { return m_settings; }
    CFileList& GetFileList() override { return m_fileList; }
    CFavorites& GetFavorites() { return m_favorites; }
    CPreview* GetView() const { return m_view; }
    // The list mode view of the file list model.
    QListView* GetFileListView() const { return m_fileListView; }
    // The thumbnail view of the same model and selection.
    CThumbnailGrid* GetThumbnailGrid() const { return m_thumbnailGrid; }
    // Both views, and the one the file list shows now.
    std::array<QAbstractItemView*, 2> GetFileViews() const;
    QAbstractItemView* GetShownFileView() const;
    bool IsThumbnailView() const override;
    // Shows the grid or the list, and keeps the choice in window.ini.
    void SetThumbnailView(bool on) override;
    QListWidget* GetDirectoryListBox() const { return m_dirListBox; }
    QComboBox* GetRecentFoldersBox() const { return m_recentBox; }
    QComboBox* GetDriveBox() const { return m_driveBox; }
    QComboBox* GetFavoritesBox() const { return m_favoritesBox; }
    QSplitter* GetSplitter() const { return m_splitter; }
    QSplitter* GetPreviewSplitter() const { return m_previewSplitter; }
    int GetCurrentIndex() const override { return m_currentIndex; }
    void SetCurrentIndex(int index) override { m_currentIndex = index; }
    // Shows `dir` (already entered) as the current folder: lists filled,
    // selection reset.
    void MoveTo(const std::string& dir);
    void ShowViewerFile(int index) override;
    QString GetStatusText() const { return m_statusText; }
    QString GetInfoText() const { return m_infoText; }
    QString GetCountText() const { return m_countText; }
    // The animation's frame ("frame 3 of 12"), "" for a still picture.
    void UpdateFramePane();
    // The text shown by pane 1..4 of the status bar, 5 the viewer's zoom,
    // 6 the animation's frame.
    QString GetPaneText(int pane) const;
    // The value beside "Name:", "Size:", "Uses:", "Date:" (0..3), then the
    // camera lines shown (4 on; hidden lines give "").
    QString GetPropertyValue(int index) const;
    QString GetPropertyLabel(int index) const;
    std::vector<std::string> GetRecentFolders() const override;
    // Replaces the drive box's file systems (mount points).
    void SetDrives(const std::vector<std::string>& mountPoints);
    void FillFavoritesBox() override;

    void SetSaveAsHandler(std::function<bool(const QString& fileName)> handler) override;
    bool RunSaveAs() override;

  signals:
    // Browser or viewer mode was set up.
    void ModeChanged(bool browser);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    // Favorites, and the settings and recent folders as the options say.
    bool SaveOnExit(); // false when a file could not be written
    void ShowDriveOf(const std::string& dir);
    void CreateControls();
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateStatusBar();
    void ApplyMode();
    void SetBrowserControlsVisible(bool visible);
    // Sizes the view to its frame and re-places the picture.
    void PlaceView();
    // The splitters' sizes as the user left them.
    void ApplySplitSizes();
    void ShowFileView(bool thumbnails);
    void OnDisplayChanged();
    QString PictureSizeText() const;
    void OnLoadFinished(bool success);
    void OnDevelopingChanged(bool developing, bool developed);
    // The save question kept the edited picture: its file is selected again.
    void OnPictureKept();
    void SelectRecentFolder(const std::string& dir);
    QString FileSizeText(uint64_t size) const;
    QString ImageSizeText() const;
    QString TitleFor(const std::string& path) const;
    QString CurrentPath() const;

    CSettings m_settings;
    CFileList m_fileList;
    CNavigator m_navigator{m_fileList};
    CFavorites m_favorites;

    CChildView* m_childView = nullptr;
    QComboBox* m_driveBox = nullptr;
    QComboBox* m_favoritesBox = nullptr;
    QComboBox* m_recentBox = nullptr;
    QWidget* m_pathCompletions = nullptr; // the path box's completion list
    QListWidget* m_dirListBox = nullptr;
    QStackedWidget* m_fileViews = nullptr; // the list of names or the grid
    QListView* m_fileListView = nullptr;
    CThumbnailProvider* m_thumbnails = nullptr;
    CThumbnailGrid* m_thumbnailGrid = nullptr;
    QSplitter* m_splitter = nullptr;        // folder list | file list | preview
    QSplitter* m_previewSplitter = nullptr; // preview over "Image Properties"
    int m_dirListWidth = CWindowState().dirListWidth;
    int m_fileListWidth = CWindowState().fileListWidth;
    int m_gridWidth = CWindowState().gridWidth; // the file list as thumbnails
    int m_propertiesHeight = CWindowState().propertiesHeight;
    QGroupBox* m_viewFrame = nullptr;
    QGroupBox* m_propertiesBox = nullptr;
    // Name, size, uses and date, then the camera lines (vktext::CameraLines).
    std::array<QLabel*, 4 + vktext::kCameraLineCount> m_propertyLabels{};
    std::array<QLabel*, 4 + vktext::kCameraLineCount> m_propertyValues{};
    void ShowCameraLines(const std::string& path);
    CPreview* m_view = nullptr;

    CommandRegistry m_commands;
    std::array<QAction*, size_t(Cmd::Count)> m_actions{};
    std::vector<QMenu*> m_browserMenus;
    std::vector<QMenu*> m_viewerMenus;
    QToolBar* m_browserToolBar = nullptr;
    QToolBar* m_viewerToolBar = nullptr;
    bool m_toolBarVisible = true;
    QLabel* m_paneReady = nullptr;
    QLabel* m_paneCount = nullptr;
    QLabel* m_paneInfo = nullptr;
    QLabel* m_paneStatus = nullptr;
    QLabel* m_paneZoom = nullptr;
    QLabel* m_paneFrame = nullptr;

    std::vector<std::string> m_drives; // mount points in the drive box

    bool m_browserMode = true;
    int m_currentIndex = -1;
    QString m_statusText = "Done";
    // A command that waits for the shown RAW file to develop.
    std::optional<Cmd> m_afterDevelop;
    QString m_infoText = "Free Disk Space:";
    QString m_countText = "0 of 0 (0 KB)";
    bool m_initialising = true;
    bool m_started = false;
    bool m_shutDown = false;
    bool m_wasMinimised = false;
    QString m_startupFile;
    QStringList m_startupFiles; // all named, m_startupFile first
    bool m_forcePreview = false;
    bool m_loadForced = false;
    std::function<bool(const QString&)> m_saveAsHandler;
    std::function<bool(const QKeyEvent&)> m_extraKeys;
};
