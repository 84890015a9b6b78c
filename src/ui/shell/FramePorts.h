// What the command binders see of the main window, in small parts:
// the file list with the moves that show its files, the texts that
// describe the shown file, the window's own moves, the shown picture, the
// settings and the favorites. CMainFrame implements the three ports; a
// binder takes a CommandContext (or the one part it needs), so its
// handlers reach no widget of the window. Messages
// go through vkui::ask (MessageService), which tests replace.
#pragma once

#include <functional>
#include <string>
#include <vector>

class CFavorites;
class CFileList;
class CPreview;
class CSettings;
class QString;
class QWidget;

// The browser's file list: the model (entries, selection, current file)
// and the window's moves on it.
class FileListPort {
  public:
    // What the recent-folders box does after a move.
    enum class Recent { Add, Select, Keep };

    virtual CFileList& GetFileList() = 0;
    virtual bool IsBrowserMode() const = 0;
    // The viewer's position in the list (-1 for none).
    virtual int GetCurrentIndex() const = 0;
    virtual void SetCurrentIndex(int index) = 0;
    // The model takes its views' selection (names, total, current file).
    virtual void UpdateSelection() = 0;
    // As after a click: the selection taken, the current file shown.
    virtual void OnFileSelectionChanged() = 0;
    virtual void ShowCurrentFile() = 0;
    // Shows the current file even with the browser's preview off.
    virtual void ShowCurrentFileForced() = 0;
    // Selects the first listed file named `name` and shows it; in viewer
    // mode it becomes the viewer's position. False when it is not listed.
    virtual bool ShowListedFile(const std::string& name) = 0;
    // Selects entry `index` alone and shows it (the viewer's steps).
    virtual void ShowViewerFile(int index) = 0;
    // Re-reads the folder's files; the selection model is emptied.
    virtual void FillFileList() = 0;
    // Re-reads them keeping the selection by name.
    virtual void RefillFileList() = 0;
    virtual void FillDirectoryList() = 0;
    // Re-enters the current folder (or the nearest one left) and re-reads it.
    virtual void RefreshDirectory() = 0;
    // Moves the browser to `dir`; false (after `missingText`, if given)
    // when it cannot be entered.
    virtual bool GoTo(const std::string& dir, const char* missingText, Recent recent) = 0;
    // The folders visited, oldest first.
    virtual std::vector<std::string> GetRecentFolders() const = 0;

  protected:
    ~FileListPort() = default;
};

// The title, the properties and the status bar that describe the shown
// file, and the commands' enabled state.
class StatusPort {
  public:
    virtual void UpdateTitleAndProperties(bool clear) = 0;
    // Title and properties of the file `name` of the current folder shown
    // by the view, whether or not the list still holds it.
    virtual void DescribeFile(const std::string& name) = 0;
    virtual void SetStatusText(const QString& text) = 0;
    // Sets the text and paints the status bar at once, before a long
    // step on the GUI thread.
    virtual void ShowStatusNow(const QString& text) = 0;
    virtual void UpdateStatusPane() = 0;
    virtual void UpdateInfoPane() = 0;
    virtual void UpdateCountPane() = 0;
    virtual void UpdateCommandUI() = 0;

  protected:
    ~StatusPort() = default;
};

// The window's own moves: its two modes, its bars, the file list's two
// views, what it keeps on disk
// for itself, the Save As flow the save question runs, and closing.
class WindowPort {
  public:
    virtual void SwitchToViewer() = 0;
    virtual void SwitchToBrowser() = 0;
    virtual bool IsToolBarVisible() const = 0;
    virtual void SetToolBarVisible(bool visible) = 0;
    virtual bool IsStatusBarVisible() const = 0;
    virtual void SetStatusBarVisible(bool visible) = 0;
    // The file list shown as a grid of thumbnails (true) or as the list
    // of names; the choice is remembered.
    virtual bool IsThumbnailView() const = 0;
    virtual void SetThumbnailView(bool on) = 0;
    // The window's place and choices, kept in their own file.
    virtual bool SaveWindowState() const = 0;
    // The favorites box refilled, and the favorites written.
    virtual void FillFavoritesBox() = 0;
    virtual bool SaveFavorites() = 0;
    // Save As flow for the view's picture, given the current file's name.
    virtual void SetSaveAsHandler(std::function<bool(const QString& fileName)> handler) = 0;
    // Runs it; true when the picture was saved.
    virtual bool RunSaveAs() = 0;
    virtual void CloseWindow() = 0;

  protected:
    ~WindowPort() = default;
};

// The parts a binder's handlers work with.
struct CommandContext {
    FileListPort& files;
    StatusPort& status;
    WindowPort& window;
    CPreview& picture; // the shown picture
    CSettings& settings;
    CFavorites& favorites;
    QWidget* parent; // the dialogs' parent
};
