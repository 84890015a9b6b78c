#include "Commands.h"

#include <QKeyEvent>

#include <array>

namespace {

using enum Cmd;

// clang-format off
const CommandInfo kCommands[] = {
    // id, text, key, prompt, tip, theme icon, fallback icon, checkable
    {FileOpen, "&Open...", "Ctrl+O", "Open an existing image.", "Open", "document-open", "open", false},
    {FileSaveAs, "&Save As...", "Ctrl+S", "Save the current image.", "Save As", "document-save-as", "saveas", false},
    {FilePreview, "Prev&iew", "Shift+P", "Show a preview of the selected image.", "", "", "", false},
    {FileReload, "&Reload", "Ctrl+R", "Reopen image.", "", "", "", false},
    {FilePrintSetup, "Print Set&up...", "", "Adjust the print settings.", "", "", "", false},
    {FilePrintPreview, "Print Previe&w...", "", "Displays full pages.", "Print Preview", "document-print-preview", "printpreview", false},
    {FilePrint, "&Print...", "Ctrl+P", "Print the image.", "Print", "document-print", "print", false},
    {FilePrintAll, "Print &All...", "", "Print all selected images.", "", "", "", false},
    {FilePrintThumbnails, "Print &Thumbnails...", "", "Print a thumbnail index page.", "", "", "", false},
    {Viewer, "&Viewer...", "Enter", "Switch to view mode.", "Viewer", "view-fullscreen", "viewer", false},
    {Browser, "&Browser...", "Ctrl+Enter", "Switch to browser mode.", "Browser", "view-list-details", "browser", false},
    {Exit, "E&xit", "", "Quit the application; prompts to save documents.", "Exit", "application-exit", "", false},

    {EditUndo, "&Undo", "Ctrl+Z", "Undo the last action.", "Undo", "edit-undo", "undo", false},
    {EditDelete, "&Delete", "F8", "Delete the selected files.", "Delete", "edit-delete", "delete", false},
    {EditRename, "&Rename", "F6", "Rename the selected file or directory.", "Rename", "edit-rename", "rename", false},
    {EditRenameSeries, "Rename Se&ries...", "Ctrl+F6", "Rename files according to a numbered series.", "", "", "", false},
    {EditCut, "Cu&t", "Ctrl+X", "Cut the selection and put it on the Clipboard.", "Cut", "edit-cut", "cut", false},
    {EditCopy, "&Copy", "F5", "Copy the selection and put it on the Clipboard.", "Copy", "edit-copy", "copy", false},
    {EditCopyImage, "Copy &image", "", "Copy image to clipboard.", "", "", "", false},
    {EditPaste, "&Paste", "Ctrl+V", "Insert Clipboard contents.", "Paste", "edit-paste", "paste", false},
    {EditSelectAll, "&Select All", "Ctrl+A", "Select all images in directory.", "", "", "", false},
    {EditUnselectAll, "U&nselect All", "Ctrl+U", "Unselect all images in directory.", "", "", "", false},
    {EditInvertSelection, "&Invert Selection", "", "Unselects all selected images; selects all unselected images.", "", "", "", false},
    {EditSelectGroup, "Select &Group...", "Ctrl+G", "Selects files with the criteria you specify.", "", "", "", false},
    {EditUnselectGroup, "Uns&elect Group...", "Shift+G", "Unselects files with the criteria you specify.", "", "", "", false},
    {EditCopyTo, "C&opy To...", "Ctrl+C", "Copy the selected images to another directory.", "Copy To", "edit-copy", "copyto", false},
    {EditMoveTo, "&Move To...", "Ctrl+M", "Move the selected images to another directory.", "Move To", "go-jump", "moveto", false},
    {EditMakeDirectory, "M&ake Directory...", "F7", "Create a new directory within the current directory.", "", "", "", false},

    {ViewToolbar, "&Toolbar", "", "Show or hide the toolbar.", "Toggle ToolBar", "", "", true},
    {ViewStatusBar, "&Status Bar", "", "Show or hide the status bar.", "Toggle StatusBar", "", "", true},
    {PreviewUpperLeft, "Upper-&left corner", "", "Show image in upper-left corner of the preview window.", "", "", "", true},
    {PreviewUpperRight, "Upper-&right corner", "", "Show image in upper-right corner of the preview window.", "", "", "", true},
    {PreviewCenter, "&Center", "", "Show image centered in the preview window.", "", "", "", true},
    {Preview25, " 25%", "NumPad 1", "Display the preview image at 25% size.", "", "", "", false},
    {Preview50, " 50%", "NumPad 2", "Display the preview image at 50% size.", "", "", "", false},
    {Preview75, " 75%", "NumPad 3", "Display the preview image at 75% size.", "", "", "", false},
    {Preview100, "100%", "NumPad 4", "Display the image at 100% size.", "", "", "", false},
    {Preview150, "150%", "NumPad 5", "Display the preview image at 150% size.", "", "", "", false},
    {Preview200, "200%", "NumPad 6", "Display the image at 200% size.", "", "", "", false},
    {SortByName, "by &Name", "", "Sort images alphabetically by name.", "", "", "", true},
    {SortByExtension, "by &Extension", "", "Sort images by extension.", "", "", "", true},
    {ViewRefresh, "&Refresh", "Shift+R", "Refresh the contents of the directory list and file list.", "", "view-refresh", "", false},
    {ViewAutoRefresh, "Auto-refresh", "", "Automatically refresh the contents of the directory list and file list.", "", "", "", true},

    {GoBack, "&Back", "Backspace", "Goes to previous directory.", "Go back", "go-previous", "back", false},
    {GoUp, "&Up One Level", "/", "Goes up one level.", "Up One Level", "go-up", "up", false},
    {GoHome, "&Home", "Home", "Goes to the home directory.", "Go home", "go-home", "home", false},

    {ImageNext, "&Next", "Shift+PageUp", "Show next image.", "Next image", "go-next", "next", false},
    {ImagePrevious, "&Previous", "Shift+PageDown", "Show previous image.", "Previous image", "go-previous", "previous", false},
    {ImageFirst, "&First", "Shift+Home", "Show first image.", "", "go-first", "", false},
    {ImageLast, "&Last", "Shift+End", "Show last image.", "", "go-last", "", false},
    {ZoomMore, "&More", "NumPad +", "Increase magnification.", "Zoom In", "zoom-in", "zoomin", false},
    {ZoomLess, "&Less", "NumPad -", "Decrease magnification.", "Zoom Out", "zoom-out", "zoomout", false},
    {Zoom25, "25%", "NumPad 1", "Display the image at 25% size.", "", "", "", false},
    {Zoom50, "50%", "NumPad 2", "Display the image at 50% size.", "", "", "", false},
    {Zoom75, "75%", "NumPad 3", "Display the image at 75% size.", "", "", "", false},
    {Zoom150, "150%", "NumPad 5", "Display the image at 150% size.", "", "", "", false},
    {Zoom300, "300%", "NumPad 7", "Display the image at 300% size.", "", "", "", false},
    {Zoom500, "500%", "NumPad 8", "Display the image at 500% size.", "", "", "", false},
    {Zoom1000, "1000%", "NumPad 9", "Display the image at 1000% size.", "", "", "", false},
    {ZoomBestFit, "&Best Fit", "Alt+End", "Fit image to window.", "", "zoom-fit-best", "", false},
    {ZoomActualSize, "&Actual Size", "Alt+Home", "Display the image at 100% size.", "", "zoom-original", "", false},
    {SlideRun, "&Run", "F3", "Run the slide show.", "Run the slide show", "media-playback-start", "run", false},
    {SlideStop, "&Stop", "F4", "Stop the slide show.", "Stop the slide show", "media-playback-stop", "stop", false},

    {ToolsSlideShow, "&Slide show", "", "Run the slide show", "", "", "", false},
    {ToolsFind, "&Find Images...", "Ctrl+F", "Search for images matching specific criteria.", "Find Images", "system-search", "find", false},
    {ToolsCompare, "Compare &Directories...", "", "Compares two directories.", "", "", "", false},
    {ToolsConvert, "&Convert...", "Shift+C", "Convert the selected image  to a different image format.", "", "", "", false},
    {ToolsWallpaper, "Set Wallpaper", "", "Set this image for the desktop wallpaper.", "", "", "", false},
    {ToolsAssociations, "Set file &associations...", "", "Register shell file types with windows.", "", "", "", false},
    {ToolsOptions, "&Options...", "Shift+O", "Changes options.", "Options", "preferences-system", "options", false},

    {HelpContents, "Contents...", "F1", "Displays the table of contents for the online documentation.", "", "help-contents", "", false},
    {HelpUsingHelp, "How to use Help...", "", "", "", "", "", false},
    {HelpAbout, "&About Velkor...", "", "", "About", "help-about", "about", false},

    {FavoritesAdd, "&Add to Favorites...", "", "Add the current image or folder to the Favorites list.", "", "", "", false},
    {FavoritesOrganize, "&Organize Favorites...", "", "Opens the Favorites list.", "", "", "", false},

    {ImageResize, "&Resize...", "", "", "", "", "", false},
    {ImageCanvasSize, "&Canvas Size...", "", "", "", "", "", false},
    {ImageShear, "&Shear...", "", "", "", "", "", false},
    {RotateCW90, "C&W 90 degrees", "", "", "", "", "", false},
    {RotateCCW90, "CCW 90 d&egrees", "", "", "", "", "", false},
    {Rotate180, "180 &degrees", "", "", "", "", "", false},
    {RotateArbitrary, "&Arbitrary...", "", "", "", "", "", false},
    {ImageTranspose, "&Transpose", "", "", "", "", "", false},
    {ImageFlipHorizontal, "Flip &Horizontal", "", "", "", "", "", false},
    {ImageFlipVertical, "Flip &Vertical", "", "", "", "", "", false},

    {ColorsInvert, "&Invert", "", "", "", "", "", false},
    {ColorsSwapRedBlue, "&Substitute Red and Blue", "", "", "", "", "", false},
    {ColorsBrightness, "&Brightness...", "", "", "", "", "", false},
    {ColorsContrast, "&Contrast...", "", "", "", "", "", false},
    {ColorsGamma, "&Gamma...", "", "", "", "", "", false},
    {ColorsGrayShades, "Gray &shades", "", "", "", "", "", false},
    {ColorsBalance, "Ba&lance...", "", "", "", "", "", false},
    {ColorsCount, "C&ount", "", "", "", "", "", false},
    {ColorsHistogram, "&Histogram...", "", "", "", "", "", false},

    {PasteImage, "", "", "Gets image from clipboard", "", "", "", false},
    {CopyImageToClipboard, "", "", "Copy image to clipboard", "", "", "", false},
};
// clang-format on
static_assert(std::size(kCommands) == size_t(Cmd::Count));

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;

Accelerator Key(int key, Qt::KeyboardModifiers mods, Cmd cmd) { return {key, mods, false, false, cmd}; }
Accelerator Pad(int key, Cmd cmd) { return {key, kNone, true, false, cmd}; }
Accelerator Char(int key, Cmd cmd) { return {key, kNone, false, true, cmd}; }

} // namespace

const CommandInfo& CommandInfoOf(Cmd id)
{
    static const auto table = [] {
        std::array<const CommandInfo*, size_t(Cmd::Count)> byId{};
        for (const CommandInfo& info : kCommands)
            byId[size_t(info.id)] = &info;
        return byId;
    }();
    return *table[size_t(id)];
}

const char* MenuTextSeparator() { return "\t"; }

const std::vector<Accelerator>& AcceleratorTable()
{
    // Ctrl+P and F1 are shown in the menus but are not bound here.
    static const std::vector<Accelerator> table = {
        Key(Qt::Key_O, kCtrl, FileOpen),
        Key(Qt::Key_S, kCtrl, FileSaveAs),
        Key(Qt::Key_P, kShift, FilePreview),
        Key(Qt::Key_R, kCtrl, FileReload),
        Key(Qt::Key_Return, kNone, Viewer),
        Key(Qt::Key_Return, kCtrl, Browser),
        Key(Qt::Key_Z, kCtrl, EditUndo),
        Key(Qt::Key_Backspace, kAlt, EditUndo),
        Key(Qt::Key_F8, kNone, EditDelete),
        Key(Qt::Key_F6, kNone, EditRename),
        Key(Qt::Key_F6, kCtrl, EditRenameSeries),
        Key(Qt::Key_X, kCtrl, EditCut),
        Key(Qt::Key_Delete, kShift, EditCut),
        Key(Qt::Key_F5, kNone, EditCopy),
        Key(Qt::Key_V, kCtrl, EditPaste),
        Key(Qt::Key_A, kCtrl, EditSelectAll),
        Key(Qt::Key_U, kCtrl, EditUnselectAll),
        Key(Qt::Key_G, kCtrl, EditSelectGroup),
        Key(Qt::Key_G, kShift, EditUnselectGroup),
        Key(Qt::Key_C, kCtrl, EditCopyTo),
        Key(Qt::Key_M, kCtrl, EditMoveTo),
        Key(Qt::Key_F7, kNone, EditMakeDirectory),
        Pad(Qt::Key_1, Preview25),
        Pad(Qt::Key_2, Preview50),
        Pad(Qt::Key_3, Preview75),
        Pad(Qt::Key_4, Preview100),
        Pad(Qt::Key_5, Preview150),
        Pad(Qt::Key_6, Preview200),
        Key(Qt::Key_R, kShift, ViewRefresh),
        Key(Qt::Key_Backspace, kNone, GoBack),
        Char(Qt::Key_Slash, GoUp),
        Key(Qt::Key_Home, kNone, GoHome),
        Key(Qt::Key_PageUp, kShift, ImageNext),
        Key(Qt::Key_F11, kShift, ImageNext),
        Key(Qt::Key_PageDown, kShift, ImagePrevious),
        Key(Qt::Key_F10, kShift, ImagePrevious),
        Key(Qt::Key_Home, kShift, ImageFirst),
        Key(Qt::Key_F9, kShift, ImageFirst),
        Key(Qt::Key_End, kShift, ImageLast),
        Key(Qt::Key_F12, kShift, ImageLast),
        Pad(Qt::Key_Plus, ZoomMore),
        Pad(Qt::Key_Minus, ZoomLess),
        Pad(Qt::Key_1, Zoom25),
        Pad(Qt::Key_2, Zoom50),
        Pad(Qt::Key_3, Zoom75),
        Pad(Qt::Key_4, Preview100),
        Pad(Qt::Key_5, Zoom150),
        Pad(Qt::Key_6, Preview200),
        Pad(Qt::Key_7, Zoom300),
        Pad(Qt::Key_8, Zoom500),
        Pad(Qt::Key_9, Zoom1000),
        Key(Qt::Key_End, kAlt, ZoomBestFit),
        Key(Qt::Key_Home, kAlt, ZoomActualSize),
        Key(Qt::Key_F3, kNone, SlideRun),
        Key(Qt::Key_F4, kNone, SlideStop),
        Key(Qt::Key_F, kCtrl, ToolsFind),
        Key(Qt::Key_C, kShift, ToolsConvert),
        Key(Qt::Key_O, kShift, ToolsOptions),
    };
    return table;
}

std::optional<Cmd> TranslateAccelerator(const QKeyEvent& event, bool textEditing)
{
    int key = event.key();
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    // The keypad's Enter is Enter.
    if (key == Qt::Key_Enter)
        key = Qt::Key_Return;
    const Qt::KeyboardModifiers mods =
        event.modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);

    for (const Accelerator& a : AcceleratorTable()) {
        if (a.character) {
            if (event.text() == QString(QChar(a.key)) && !mods.testFlag(Qt::ControlModifier) &&
                !mods.testFlag(Qt::AltModifier)) {
                if (textEditing)
                    return std::nullopt;
                return a.command;
            }
            continue;
        }
        if (a.keypad != keypad && a.keypad)
            continue;
        if (a.key != key || a.modifiers != mods)
            continue;
        // In an edit field, keys without Ctrl or Alt edit the text, except
        // function keys.
        const bool functionKey = key >= Qt::Key_F1 && key <= Qt::Key_F35;
        if (textEditing && !functionKey && !mods.testFlag(Qt::ControlModifier) &&
            !mods.testFlag(Qt::AltModifier))
            return std::nullopt;
        return a.command;
    }
    return std::nullopt;
}

const std::vector<Cmd>& BrowserToolbar()
{
    static const std::vector<Cmd> bar = {Viewer,    FileOpen, FileSaveAs, Count,      FilePrint,
                                         FilePrintPreview, Count, EditDelete, EditRename, EditCut,
                                         EditCopy,  EditPaste, EditUndo,  Count,      GoBack,
                                         GoUp,      GoHome,   Count,      ToolsFind,  ToolsOptions,
                                         Count,     HelpAbout};
    return bar;
}

const std::vector<Cmd>& ViewerToolbar()
{
    static const std::vector<Cmd> bar = {
        Browser,   FileOpen,     FileSaveAs, Count,    FilePrint, FilePrintPreview, Count,
        EditDelete, EditRename,  EditMoveTo, EditCopyTo, EditUndo, Count,          ImagePrevious,
        ImageNext, Count,        ZoomMore,   ZoomLess, Count,     SlideRun,         SlideStop,
        Count,     ToolsFind,    ToolsOptions, Count,  HelpAbout};
    return bar;
}
