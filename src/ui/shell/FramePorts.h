// What the command binders see of the main window, in small parts:
// the file list with the moves that show its files, the texts that
// describe the shown file, the shown picture, the settings and the favorites. CMainFrame
// implements the two ports; a binder takes a CommandContext (or the one
// part it needs), so its handlers reach no widget of the window. Messages
// go through vkui::ask (MessageService), which tests replace.
#pragma once

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
    virtual void SetStatusText(const QString& text) = 0;
    virtual void UpdateStatusPane() = 0;
    virtual void UpdateInfoPane() = 0;
    virtual void UpdateCountPane() = 0;
    virtual void UpdateCommandUI() = 0;

  protected:
    ~StatusPort() = default;
};

// The parts a binder's handlers work with.
struct CommandContext {
    FileListPort& files;
    StatusPort& status;
    CPreview& picture; // the shown picture
    CSettings& settings;
    CFavorites& favorites;
    QWidget* parent; // the dialogs' parent
};
