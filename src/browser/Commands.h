// The command table: every command of the main frame with its menu text,
// the key shown after the tab, the status-bar prompt, the toolbar tooltip
// and icon, and the one accelerator table shared by both modes.
#pragma once

#include <Qt>

#include <optional>
#include <vector>

class QKeyEvent;

enum class Cmd : int {
    // File
    FileOpen, FileSaveAs, FilePreview, FileReload, FilePrintSetup, FilePrintPreview, FilePrint,
    FilePrintAll, FilePrintThumbnails, Viewer, Browser, Exit,
    // Edit
    EditUndo, EditDelete, EditRename, EditRenameSeries, EditCut, EditCopy, EditCopyImage,
    EditPaste, EditSelectAll, EditUnselectAll, EditInvertSelection, EditSelectGroup,
    EditUnselectGroup, EditCopyTo, EditMoveTo, EditMakeDirectory,
    // View
    ViewToolbar, ViewStatusBar, PreviewUpperLeft, PreviewUpperRight, PreviewCenter, Preview25,
    Preview50, Preview75, Preview100, Preview150, Preview200, SortByName, SortByExtension,
    ViewRefresh, ViewAutoRefresh,
    // Go
    GoBack, GoUp, GoHome,
    // Viewer only
    ImageNext, ImagePrevious, ImageFirst, ImageLast, ZoomMore, ZoomLess, Zoom25, Zoom50, Zoom75,
    Zoom150, Zoom300, Zoom500, Zoom1000, ZoomBestFit, ZoomActualSize, SlideRun, SlideStop,
    // Tools
    ToolsSlideShow, ToolsFind, ToolsCompare, ToolsConvert, ToolsWallpaper, ToolsAssociations,
    ToolsOptions,
    // Help
    HelpContents, HelpUsingHelp, HelpAbout,
    // Favorites
    FavoritesAdd, FavoritesOrganize,
    // Image
    ImageResize, ImageCanvasSize, ImageShear, RotateCW90, RotateCCW90, Rotate180, RotateArbitrary,
    ImageTranspose, ImageFlipHorizontal, ImageFlipVertical,
    // Colors
    ColorsInvert, ColorsSwapRedBlue, ColorsBrightness, ColorsContrast, ColorsGamma,
    ColorsGrayShades, ColorsBalance, ColorsCount, ColorsHistogram,
    // Without a menu item
    PasteImage, CopyImageToClipboard,
    Count
};

struct CommandInfo {
    Cmd id;
    const char* text;      // menu text before the tab ("" for commands without an item)
    const char* keyText;   // shown after the tab, "" for none
    const char* prompt;    // status-bar prompt while highlighted
    const char* tip;       // toolbar tooltip, "" when the command has no button
    const char* icon;      // desktop icon theme name, "" for none
    const char* fallback;  // resource icon used when the theme has none
    bool checkable;
};

// The entry of a command (every Cmd below Count has one).
const CommandInfo& CommandInfoOf(Cmd id);
// "&Open...\tCtrl+O": the menu text with its key after a tab.
const char* MenuTextSeparator();

// One accelerator: a virtual key with modifiers, a keypad key, or a
// character ("/") whatever the modifiers that produced it.
struct Accelerator {
    int key;
    Qt::KeyboardModifiers modifiers;
    bool keypad;
    bool character;
    Cmd command;
};
// In table order; where two entries name one key the first wins.
const std::vector<Accelerator>& AcceleratorTable();
// The command a key press reaches, if any. With `textEditing` (the focus is
// in an edit field) plain keys that edit text are left to the field.
std::optional<Cmd> TranslateAccelerator(const QKeyEvent& event, bool textEditing = false);

// Toolbars: a command per button, Cmd::Count for a separator.
const std::vector<Cmd>& BrowserToolbar();
const std::vector<Cmd>& ViewerToolbar();
