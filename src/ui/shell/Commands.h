// The command table: every command of the main frame, one row each (menu
// text, the key shown after the tab, the status-bar prompt, the toolbar
// tooltip and icon, the keys that run it), and where the commands stand in
// the two menu bars and the two toolbars. What a command does and when it
// is enabled or checked is bound at run time through CommandRegistry.
//
// How to add a command:
//   1. Add its id to `Cmd` and its row to the table in Commands.cpp (texts,
//      icon, checkable, keys; the first row naming a key wins that key).
//   2. Place it in the menu bars and toolbars laid out below the rows.
//   3. Bind its rules and handler from your feature's own file:
//        void BindMyCommands(const CommandContext& ctx, CommandRegistry& commands)
//        {
//            commands.Bind(Cmd::EditDelete, {
//                .enabled = [&files = ctx.files] { return files.GetFileList().GetSelectedCount() > 0; },
//                .run = [ctx] { ... },
//            });
//        }
//      and call BindMyCommands from BindCommandAreas (CommandAreas.cpp),
//      which the frame runs once when it is created.
// A command without a handler stays disabled: greyed in menus and toolbars,
// and its key does nothing.
#pragma once

#include <Qt>

#include <array>
#include <optional>
#include <vector>

class QKeyEvent;

enum class Cmd : int {
    // File
    FileOpen,
    FileSaveAs,
    FilePreview,
    FileReload,
    FilePrintSetup,
    FilePrintPreview,
    FilePrint,
    FilePrintAll,
    FilePrintThumbnails,
    Viewer,
    Browser,
    Exit,
    // Edit
    EditUndo,
    EditDelete,
    EditRename,
    EditRenameSeries,
    EditCut,
    EditCopy,
    EditCopyImage,
    EditPaste,
    EditSelectAll,
    EditUnselectAll,
    EditInvertSelection,
    EditSelectGroup,
    EditUnselectGroup,
    EditCopyTo,
    EditMoveTo,
    EditMakeDirectory,
    // View
    ViewToolbar,
    ViewStatusBar,
    ViewThumbnails,
    PreviewUpperLeft,
    PreviewUpperRight,
    PreviewCenter,
    Preview25,
    Preview50,
    Preview75,
    Preview100,
    Preview150,
    Preview200,
    SortByName,
    SortByExtension,
    ViewRefresh,
    ViewAutoRefresh,
    ViewColourManagement,
    ViewFullScreen,
    // View > Animation: a picture that moves, in the preview or the viewer
    AnimationPause,
    AnimationNextFrame,
    AnimationPreviousFrame,
    // Go
    GoBack,
    GoUp,
    GoHome,
    // Viewer only
    ImageNext,
    ImagePrevious,
    ImageFirst,
    ImageLast,
    ZoomMore,
    ZoomLess,
    Zoom25,
    Zoom50,
    Zoom75,
    Zoom150,
    Zoom300,
    Zoom500,
    Zoom1000,
    ZoomBestFit,
    ZoomActualSize,
    SlideRun,
    SlideStop,
    // Tools
    ToolsSlideShow,
    ToolsFind,
    ToolsCompare,
    ToolsConvert,
    ToolsWallpaper,
    ToolsAssociations,
    ToolsOptions,
    // Help
    HelpContents,
    HelpUsingHelp,
    HelpAbout,
    // Favorites
    FavoritesAdd,
    FavoritesOrganize,
    // Image
    ImageResize,
    ImageCanvasSize,
    ImageShear,
    RotateCW90,
    RotateCCW90,
    Rotate180,
    RotateArbitrary,
    ImageTranspose,
    ImageFlipHorizontal,
    ImageFlipVertical,
    ImageInformation,
    // Image > Lossless JPEG turn
    LosslessRotateCW90,
    LosslessRotate180,
    LosslessRotateCCW90,
    LosslessFlipHorizontal,
    LosslessFlipVertical,
    LosslessTranspose,
    LosslessUpright,
    // Image > Page: the pages of a multi-page TIFF or icon file
    PageNext,
    PagePrevious,
    PageFirst,
    PageLast,
    // Colors
    ColorsInvert,
    ColorsSwapRedBlue,
    ColorsBrightness,
    ColorsContrast,
    ColorsGamma,
    ColorsGrayShades,
    ColorsBalance,
    ColorsCount,
    ColorsHistogram,
    // Without a menu item
    PasteImage,
    CopyImageToClipboard,
    Count
};

// A key that runs a command: a virtual key with modifiers, a keypad key, or
// a character ("/", "+") whatever Shift took to type it, with Ctrl or Alt
// as `modifiers` say. key 0: none.
struct KeyBinding {
    int key = 0;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    bool keypad = false;
    bool character = false;
};

struct CommandInfo {
    Cmd id;
    const char* text;     // menu text before the tab ("" for commands without an item)
    const char* keyText;  // shown after the tab, "" for none
    const char* prompt;   // status-bar prompt while highlighted
    const char* tip;      // toolbar tooltip, "" when the command has no button
    const char* icon;     // desktop icon theme name, "" for none
    const char* fallback; // resource icon used when the theme has none
    bool checkable;
    std::array<KeyBinding, 5> keys; // the accelerators; a key shown is not always bound
};

// The entry of a command (every Cmd below Count has one).
const CommandInfo& CommandInfoOf(Cmd id);
// "&Open...\tCtrl+O": the menu text with its key after a tab.
const char* MenuTextSeparator();

// One accelerator of the table, gathered from the rows.
struct Accelerator {
    int key;
    Qt::KeyboardModifiers modifiers;
    bool keypad;
    bool character;
    Cmd command;
};
// In row order; where two entries name one key the first wins.
const std::vector<Accelerator>& AcceleratorTable();
// The command a key press reaches, if any. With `textEditing` (the focus is
// in an edit field) plain keys that edit text are left to the field.
std::optional<Cmd> TranslateAccelerator(const QKeyEvent& event, bool textEditing = false);

// Toolbars: a command per button, Cmd::Count for a separator.
const std::vector<Cmd>& BrowserToolbar();
const std::vector<Cmd>& ViewerToolbar();

// A menu: its title and its entries, each a command, a separator
// (Cmd::Count without a submenu) or a submenu.
struct MenuLayout {
    const char* title;
    std::vector<MenuLayout> submenu; // entries of a submenu; empty for an item
    Cmd command = Cmd::Count;

    bool IsSubmenu() const { return !submenu.empty(); }
    bool IsSeparator() const { return submenu.empty() && command == Cmd::Count; }
};
// The menus of each menu bar, left to right.
// Commands that work on the shown picture's pixels (save, print, copy,
// edits, counts): a camera RAW file shown from its preview is developed
// before they run.
bool NeedsWholePicture(Cmd command);

const std::vector<MenuLayout>& BrowserMenuBar();
const std::vector<MenuLayout>& ViewerMenuBar();
