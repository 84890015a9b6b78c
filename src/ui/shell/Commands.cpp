#include "ui/shell/Commands.h"

#include <QKeyEvent>

#include <array>

namespace {

using enum Cmd;

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;

constexpr KeyBinding Key(int key, Qt::KeyboardModifiers mods)
{
    return {key, mods, false, false};
}
constexpr KeyBinding Pad(int key)
{
    return {key, kNone, true, false};
}
constexpr KeyBinding Char(int key, Qt::KeyboardModifiers mods = kNone)
{
    return {key, mods, false, true};
}

// clang-format off
const CommandInfo kCommands[] = {
    // id, text, key shown, prompt, tip, theme icon, fallback icon, checkable, keys
    {FileOpen, "&Open...", "Ctrl+O", "Open an existing image.", "Open", "document-open", "open", false, {Key(Qt::Key_O, kCtrl)}},
    {FileSaveAs, "&Save As...", "Ctrl+S", "Save the current image.", "Save As", "document-save-as", "saveas", false, {Key(Qt::Key_S, kCtrl)}},
    {FilePreview, "Prev&iew", "Shift+P", "Show a preview of the selected image.", "", "", "", false, {Key(Qt::Key_P, kShift)}},
    {FileReload, "&Reload", "Ctrl+R", "Reopen image.", "", "", "", false, {Key(Qt::Key_R, kCtrl)}},
    {FilePrintSetup, "Print Set&up...", "", "Adjust the print settings.", "", "", "", false, {}},
    {FilePrintPreview, "Print Previe&w...", "", "Displays full pages.", "Print Preview", "document-print-preview", "printpreview", false, {}},
    {FilePrint, "&Print...", "Ctrl+P", "Print the image.", "Print", "document-print", "print", false, {Key(Qt::Key_P, kCtrl)}},
    {FilePrintAll, "Print &All...", "", "Print all selected images.", "", "", "", false, {}},
    {FilePrintThumbnails, "Print &Thumbnails...", "", "Print a thumbnail index page.", "", "", "", false, {}},
    {Viewer, "&Viewer...", "Enter", "Switch to view mode.", "Viewer", "view-fullscreen", "viewer", false, {Key(Qt::Key_Return, kNone)}},
    {Browser, "&Browser...", "Ctrl+Enter", "Switch to browser mode.", "Browser", "view-list-details", "browser", false, {Key(Qt::Key_Return, kCtrl)}},
    {Exit, "E&xit", "", "Quit the application; prompts to save documents.", "Exit", "application-exit", "", false, {}},

    {EditUndo, "&Undo", "Ctrl+Z", "Undo the last action.", "Undo", "edit-undo", "undo", false, {Key(Qt::Key_Z, kCtrl), Key(Qt::Key_Backspace, kAlt)}},
    {EditDelete, "&Delete", "F8", "Delete the selected files.", "Delete", "edit-delete", "delete", false, {Key(Qt::Key_F8, kNone), Key(Qt::Key_Delete, kNone)}},
    {EditRename, "&Rename", "F6", "Rename the selected file or directory.", "Rename", "edit-rename", "rename", false, {Key(Qt::Key_F6, kNone), Key(Qt::Key_F2, kNone)}},
    {EditRenameSeries, "Rename Se&ries...", "Ctrl+F6", "Rename files according to a numbered series.", "", "", "", false, {Key(Qt::Key_F6, kCtrl)}},
    {EditCut, "Cu&t", "Ctrl+X", "Cut the selection and put it on the Clipboard.", "Cut", "edit-cut", "cut", false, {Key(Qt::Key_X, kCtrl), Key(Qt::Key_Delete, kShift)}},
    {EditCopy, "&Copy", "F5", "Copy the selection and put it on the Clipboard.", "Copy", "edit-copy", "copy", false, {Key(Qt::Key_F5, kNone)}},
    {EditCopyImage, "Copy &image", "", "Copy image to clipboard.", "", "", "", false, {}},
    {EditPaste, "&Paste", "Ctrl+V", "Insert Clipboard contents.", "Paste", "edit-paste", "paste", false, {Key(Qt::Key_V, kCtrl)}},
    {EditSelectAll, "&Select All", "Ctrl+A", "Select all images in directory.", "", "", "", false, {Key(Qt::Key_A, kCtrl)}},
    {EditUnselectAll, "U&nselect All", "Ctrl+U", "Unselect all images in directory.", "", "", "", false, {Key(Qt::Key_U, kCtrl)}},
    {EditInvertSelection, "&Invert Selection", "", "Unselects all selected images; selects all unselected images.", "", "", "", false, {}},
    {EditSelectGroup, "Select &Group...", "Ctrl+G", "Selects files with the criteria you specify.", "", "", "", false, {Key(Qt::Key_G, kCtrl)}},
    {EditUnselectGroup, "Uns&elect Group...", "Shift+G", "Unselects files with the criteria you specify.", "", "", "", false, {Key(Qt::Key_G, kShift)}},
    {EditCopyTo, "C&opy To...", "Ctrl+C", "Copy the selected images to another directory.", "Copy To", "edit-copy", "copyto", false, {Key(Qt::Key_C, kCtrl)}},
    {EditMoveTo, "&Move To...", "Ctrl+M", "Move the selected images to another directory.", "Move To", "go-jump", "moveto", false, {Key(Qt::Key_M, kCtrl)}},
    {EditMakeDirectory, "M&ake Directory...", "F7", "Create a new directory within the current directory.", "", "", "", false, {Key(Qt::Key_F7, kNone)}},

    {ViewToolbar, "&Toolbar", "", "Show or hide the toolbar.", "Toggle ToolBar", "", "", true, {}},
    {ViewStatusBar, "&Status Bar", "", "Show or hide the status bar.", "Toggle StatusBar", "", "", true, {}},
    {ViewThumbnails, "T&humbnails", "Ctrl+T", "Show the files as a grid of thumbnails, or as a list of names.", "Thumbnails", "view-grid", "thumbnails", true, {Key(Qt::Key_T, kCtrl)}},
    {PreviewUpperLeft, "Upper-&left corner", "", "Show image in upper-left corner of the preview window.", "", "", "", true, {}},
    {PreviewUpperRight, "Upper-&right corner", "", "Show image in upper-right corner of the preview window.", "", "", "", true, {}},
    {PreviewCenter, "&Center", "", "Show image centered in the preview window.", "", "", "", true, {}},
    {Preview25, " 25%", "NumPad 1", "Display the preview image at 25% size.", "", "", "", false, {Pad(Qt::Key_1)}},
    {Preview50, " 50%", "NumPad 2", "Display the preview image at 50% size.", "", "", "", false, {Pad(Qt::Key_2)}},
    {Preview75, " 75%", "NumPad 3", "Display the preview image at 75% size.", "", "", "", false, {Pad(Qt::Key_3)}},
    {Preview100, "100%", "NumPad 4", "Display the image at 100% size.", "", "", "", false, {Pad(Qt::Key_4)}},
    {Preview150, "150%", "NumPad 5", "Display the preview image at 150% size.", "", "", "", false, {Pad(Qt::Key_5)}},
    {Preview200, "200%", "NumPad 6", "Display the image at 200% size.", "", "", "", false, {Pad(Qt::Key_6)}},
    {SortByName, "by &Name", "", "Sort images alphabetically by name.", "", "", "", true, {}},
    {SortByExtension, "by &Extension", "", "Sort images by extension.", "", "", "", true, {}},
    {ViewRefresh, "&Refresh", "Shift+R", "Refresh the contents of the directory list and file list.", "", "view-refresh", "", false, {Key(Qt::Key_R, kShift)}},
    {ViewAutoRefresh, "Auto-refresh", "", "Automatically refresh the contents of the directory list and file list.", "", "", "", true, {}},
    {ViewColourManagement, "&Colour management", "", "Show pictures in their own colours, turned into the screen's.", "", "", "", true, {}},
    {ViewFullScreen, "&Full screen", "F11", "Show the picture alone on the whole screen.", "", "view-fullscreen", "", true, {Key(Qt::Key_F11, kNone)}},
    // Space steps to the next picture in the viewer, so the animation keys are P, "." and ",".
    {AnimationPause, "&Pause Animation", "P", "Pause or play the animation.", "Pause or play the animation", "media-playback-pause", "pause", true, {Char(Qt::Key_P)}},
    {AnimationNextFrame, "Ne&xt Frame", ".", "Show the next frame of the animation.", "", "", "", false, {Char(Qt::Key_Period)}},
    {AnimationPreviousFrame, "Pre&vious Frame", ",", "Show the previous frame of the animation.", "", "", "", false, {Char(Qt::Key_Comma)}},

    {GoBack, "&Back", "Backspace", "Goes to previous directory.", "Go back", "go-previous", "back", false, {Key(Qt::Key_Backspace, kNone)}},
    {GoUp, "&Up One Level", "/", "Goes up one level.", "Up One Level", "go-up", "up", false, {Char(Qt::Key_Slash)}},
    {GoHome, "&Home", "Home", "Goes to the home directory.", "Go home", "go-home", "home", false, {Key(Qt::Key_Home, kNone)}},

    {ImageNext, "&Next", "Shift+PageUp", "Show next image.", "Next image", "go-next", "next", false, {Key(Qt::Key_PageUp, kShift), Key(Qt::Key_F11, kShift)}},
    {ImagePrevious, "&Previous", "Shift+PageDown", "Show previous image.", "Previous image", "go-previous", "previous", false, {Key(Qt::Key_PageDown, kShift), Key(Qt::Key_F10, kShift)}},
    {ImageFirst, "&First", "Shift+Home", "Show first image.", "", "go-first", "", false, {Key(Qt::Key_Home, kShift), Key(Qt::Key_F9, kShift)}},
    {ImageLast, "&Last", "Shift+End", "Show last image.", "", "go-last", "", false, {Key(Qt::Key_End, kShift), Key(Qt::Key_F12, kShift)}},
    {ZoomMore, "&More", "NumPad +", "Increase magnification.", "Zoom In", "zoom-in", "zoomin", false, {Pad(Qt::Key_Plus), Char(Qt::Key_Plus), Char(Qt::Key_Equal), Char(Qt::Key_Plus, kCtrl), Char(Qt::Key_Equal, kCtrl)}},
    {ZoomLess, "&Less", "NumPad -", "Decrease magnification.", "Zoom Out", "zoom-out", "zoomout", false, {Pad(Qt::Key_Minus), Char(Qt::Key_Minus), Char(Qt::Key_Minus, kCtrl)}},
    {Zoom25, "25%", "NumPad 1", "Display the image at 25% size.", "", "", "", false, {Pad(Qt::Key_1)}},
    {Zoom50, "50%", "NumPad 2", "Display the image at 50% size.", "", "", "", false, {Pad(Qt::Key_2)}},
    {Zoom75, "75%", "NumPad 3", "Display the image at 75% size.", "", "", "", false, {Pad(Qt::Key_3)}},
    {Zoom150, "150%", "NumPad 5", "Display the image at 150% size.", "", "", "", false, {Pad(Qt::Key_5)}},
    {Zoom300, "300%", "NumPad 7", "Display the image at 300% size.", "", "", "", false, {Pad(Qt::Key_7)}},
    {Zoom500, "500%", "NumPad 8", "Display the image at 500% size.", "", "", "", false, {Pad(Qt::Key_8)}},
    {Zoom1000, "1000%", "NumPad 9", "Display the image at 1000% size.", "", "", "", false, {Pad(Qt::Key_9)}},
    {ZoomBestFit, "&Best Fit", "Alt+End", "Fit image to window.", "", "zoom-fit-best", "", false, {Key(Qt::Key_End, kAlt), Key(Qt::Key_0, kCtrl)}},
    {ZoomActualSize, "&Actual Size", "Alt+Home", "Display the image at 100% size.", "", "zoom-original", "", false, {Key(Qt::Key_Home, kAlt)}},
    {SlideRun, "&Run", "F3", "Run the slide show.", "Run the slide show", "media-playback-start", "run", false, {Key(Qt::Key_F3, kNone)}},
    {SlideStop, "&Stop", "F4", "Stop the slide show.", "Stop the slide show", "media-playback-stop", "stop", false, {Key(Qt::Key_F4, kNone)}},

    {ToolsSlideShow, "&Slide show", "", "Run the slide show", "", "", "", false, {}},
    {ToolsFind, "&Find Images...", "Ctrl+F", "Search for images matching specific criteria.", "Find Images", "system-search", "find", false, {Key(Qt::Key_F, kCtrl)}},
    {ToolsCompare, "Compare &Directories...", "", "Compares two directories.", "", "", "", false, {}},
    {ToolsConvert, "&Convert...", "Shift+C", "Convert the selected image  to a different image format.", "", "", "", false, {Key(Qt::Key_C, kShift)}},
    {ToolsWallpaper, "Set Wallpaper", "", "Set this image for the desktop wallpaper.", "", "", "", false, {}},
    {ToolsAssociations, "Set file &associations...", "", "Register shell file types with windows.", "", "", "", false, {}},
    {ToolsOptions, "&Options...", "Shift+O", "Changes options.", "Options", "preferences-system", "options", false, {Key(Qt::Key_O, kShift)}},

    {HelpContents, "Contents...", "F1", "Displays the table of contents for the online documentation.", "", "help-contents", "", false, {Key(Qt::Key_F1, kNone)}},
    {HelpUsingHelp, "How to use Help...", "", "", "", "", "", false, {}},
    {HelpAbout, "&About Velkor...", "", "", "About", "help-about", "about", false, {}},

    {FavoritesAdd, "&Add to Favorites...", "", "Add the current image or folder to the Favorites list.", "", "", "", false, {}},
    {FavoritesOrganize, "&Organize Favorites...", "", "Opens the Favorites list.", "", "", "", false, {}},

    {ImageResize, "&Resize...", "", "", "", "", "", false, {}},
    {ImageCanvasSize, "&Canvas Size...", "", "", "", "", "", false, {}},
    {ImageShear, "&Shear...", "", "", "", "", "", false, {}},
    {RotateCW90, "C&W 90 degrees", "", "", "", "", "", false, {}},
    {RotateCCW90, "CCW 90 d&egrees", "", "", "", "", "", false, {}},
    {Rotate180, "180 &degrees", "", "", "", "", "", false, {}},
    {RotateArbitrary, "&Arbitrary...", "", "", "", "", "", false, {}},
    {ImageTranspose, "&Transpose", "", "", "", "", "", false, {}},
    {ImageFlipHorizontal, "Flip &Horizontal", "", "", "", "", "", false, {}},
    {ImageFlipVertical, "Flip &Vertical", "", "", "", "", "", false, {}},
    {ImageInformation, "&Information...", "Alt+Enter", "Show the camera data and every tag of the file.", "", "document-properties", "", false, {Key(Qt::Key_Return, kAlt)}},
    {LosslessRotateCW90, "Rotate 90 clockwise", "", "Turn the JPEG file a quarter clockwise without loss.", "", "", "", false, {}},
    {LosslessRotate180, "Rotate 180", "", "Turn the JPEG file half round without loss.", "", "", "", false, {}},
    {LosslessRotateCCW90, "Rotate 90 counter-clockwise", "", "Turn the JPEG file a quarter counter-clockwise without loss.", "", "", "", false, {}},
    {LosslessFlipHorizontal, "Flip horizontal", "", "Flip the JPEG file top to bottom without loss.", "", "", "", false, {}},
    {LosslessFlipVertical, "Flip vertical", "", "Flip the JPEG file left to right without loss.", "", "", "", false, {}},
    {LosslessTranspose, "Transpose", "", "Mirror the JPEG file about its diagonal without loss.", "", "", "", false, {}},
    {LosslessUpright, "Upright by EXIF", "", "Turn the JPEG file as its EXIF orientation says, without loss.", "", "", "", false, {}},
    {PageNext, "&Next Page", "Ctrl+PageDown", "Show the next page of the file.", "", "", "", false, {Key(Qt::Key_PageDown, kCtrl)}},
    {PagePrevious, "&Previous Page", "Ctrl+PageUp", "Show the previous page of the file.", "", "", "", false, {Key(Qt::Key_PageUp, kCtrl)}},
    {PageFirst, "&First Page", "Ctrl+Shift+PageUp", "Show the first page of the file.", "", "", "", false, {Key(Qt::Key_PageUp, kCtrl | kShift)}},
    {PageLast, "&Last Page", "Ctrl+Shift+PageDown", "Show the last page of the file.", "", "", "", false, {Key(Qt::Key_PageDown, kCtrl | kShift)}},

    {ColorsInvert, "&Invert", "", "", "", "", "", false, {}},
    {ColorsSwapRedBlue, "&Substitute Red and Blue", "", "", "", "", "", false, {}},
    {ColorsBrightness, "&Brightness...", "", "", "", "", "", false, {}},
    {ColorsContrast, "&Contrast...", "", "", "", "", "", false, {}},
    {ColorsGamma, "&Gamma...", "", "", "", "", "", false, {}},
    {ColorsGrayShades, "Gray &shades", "", "", "", "", "", false, {}},
    {ColorsBalance, "Ba&lance...", "", "", "", "", "", false, {}},
    {ColorsCount, "C&ount", "", "", "", "", "", false, {}},
    {ColorsHistogram, "&Histogram...", "", "", "", "", "", false, {}},

    {PasteImage, "Paste image", "Shift+Ctrl+V", "Gets image from clipboard", "", "", "", false, {Key(Qt::Key_V, kCtrl | kShift)}},
    {CopyImageToClipboard, "", "", "Copy image to clipboard", "", "", "", false, {}},
};
// clang-format on
static_assert(std::size(kCommands) == size_t(Cmd::Count));

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

const char* MenuTextSeparator()
{
    return "\t";
}

const std::vector<Accelerator>& AcceleratorTable()
{
    static const std::vector<Accelerator> table = [] {
        std::vector<Accelerator> all;
        for (const CommandInfo& info : kCommands)
            for (const KeyBinding& k : info.keys)
                if (k.key != 0)
                    all.push_back({k.key, k.modifiers, k.keypad, k.character, info.id});
        return all;
    }();
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
            // With Ctrl held the text is a control code: the key names it.
            const bool typed = event.text() == QString(QChar(a.key)) || key == a.key;
            if (typed && (mods & ~Qt::ShiftModifier) == a.modifiers) {
                if (textEditing && a.modifiers == kNone)
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

bool NeedsWholePicture(Cmd command)
{
    switch (command) {
    case FileSaveAs:
    case FilePrint:
    case FilePrintPreview:
    case EditCopyImage:
    case CopyImageToClipboard:
        return true;
    default:
        // The Image menu's edits and the Colors menu, in table order.
        return (command >= ImageResize && command <= ImageFlipVertical) ||
               (command >= ColorsInvert && command <= ColorsHistogram);
    }
}

const std::vector<Cmd>& BrowserToolbar()
{
    static const std::vector<Cmd> bar = {
        Viewer,         FileOpen,   FileSaveAs, Count,        FilePrint, FilePrintPreview,
        Count,          EditDelete, EditRename, EditCut,      EditCopy,  EditPaste,
        EditUndo,       Count,      GoBack,     GoUp,         GoHome,    Count,
        ViewThumbnails, Count,      ToolsFind,  ToolsOptions, Count,     HelpAbout};
    return bar;
}

const std::vector<Cmd>& ViewerToolbar()
{
    static const std::vector<Cmd> bar = {
        Browser,   FileOpen,      FileSaveAs, Count,      FilePrint,      FilePrintPreview,
        Count,     EditDelete,    EditRename, EditMoveTo, EditCopyTo,     EditUndo,
        Count,     ImagePrevious, ImageNext,  Count,      ZoomMore,       ZoomLess,
        Count,     SlideRun,      SlideStop,  Count,      AnimationPause, Count,
        ToolsFind, ToolsOptions,  Count,      HelpAbout};
    return bar;
}

namespace {

MenuLayout Item(Cmd command)
{
    return {"", {}, command};
}
MenuLayout Separator()
{
    return {"", {}, Cmd::Count};
}
MenuLayout Menu(const char* title, std::vector<MenuLayout> entries)
{
    return {title, std::move(entries)};
}

// Menus both bars share.
MenuLayout ImageMenu()
{
    return Menu(
        "&Image ",
        {Item(ImageResize), Item(ImageCanvasSize), Item(ImageShear),
         Menu("Rotate", {Item(RotateCW90), Item(RotateCCW90), Item(Rotate180), Item(RotateArbitrary)}),
         Item(ImageTranspose), Item(ImageFlipHorizontal), Item(ImageFlipVertical), Separator(),
         Menu("&Lossless JPEG turn",
              {Item(LosslessRotateCW90), Item(LosslessRotate180), Item(LosslessRotateCCW90),
               Item(LosslessFlipHorizontal), Item(LosslessFlipVertical), Item(LosslessTranspose), Separator(),
               Item(LosslessUpright)}),
         Menu("Pa&ge", {Item(PageNext), Item(PagePrevious), Item(PageFirst), Item(PageLast)}),
         Item(ImageInformation)});
}

MenuLayout ColorsMenu()
{
    return Menu("&Colors ", {Item(ColorsInvert), Item(ColorsSwapRedBlue), Item(ColorsBrightness),
                             Item(ColorsContrast), Item(ColorsGamma), Item(ColorsGrayShades),
                             Item(ColorsBalance), Separator(), Item(ColorsCount), Item(ColorsHistogram)});
}

MenuLayout AnimationMenu()
{
    return Menu("&Animation", {Item(AnimationPause), Item(AnimationNextFrame), Item(AnimationPreviousFrame)});
}

MenuLayout HelpMenu()
{
    return Menu("&Help", {Item(HelpContents), Item(HelpUsingHelp), Separator(), Item(HelpAbout)});
}

} // namespace

const std::vector<MenuLayout>& BrowserMenuBar()
{
    static const std::vector<MenuLayout> bar = {
        Menu("&File", {Item(FileOpen), Item(FileSaveAs), Item(FilePreview), Item(FileReload), Separator(),
                       Item(FilePrintSetup), Item(FilePrintPreview), Item(FilePrint), Item(FilePrintAll),
                       Item(FilePrintThumbnails), Separator(), Item(Viewer), Separator(), Item(Exit)}),
        Menu("&Edit", {Item(EditUndo),
                       Separator(),
                       Item(EditDelete),
                       Item(EditRename),
                       Item(EditRenameSeries),
                       Separator(),
                       Item(EditCut),
                       Item(EditCopy),
                       Item(EditCopyImage),
                       Item(EditPaste),
                       Item(PasteImage),
                       Separator(),
                       Item(EditSelectAll),
                       Item(EditUnselectAll),
                       Item(EditInvertSelection),
                       Item(EditSelectGroup),
                       Item(EditUnselectGroup),
                       Separator(),
                       Item(EditCopyTo),
                       Item(EditMoveTo),
                       Item(EditMakeDirectory)}),
        Menu("&View", {Item(ViewToolbar), Item(ViewStatusBar), Item(ViewThumbnails), Separator(),
                       Menu("Preview", {Item(PreviewUpperLeft), Item(PreviewUpperRight), Item(PreviewCenter),
                                        Separator(), Item(Preview25), Item(Preview50), Item(Preview75),
                                        Item(Preview100), Item(Preview150), Item(Preview200)}),
                       Menu("Sort", {Item(SortByName), Item(SortByExtension)}), AnimationMenu(), Separator(),
                       Item(ViewRefresh), Item(ViewAutoRefresh), Separator(), Item(ViewColourManagement),
                       Item(ViewFullScreen)}),
        Menu("&Go ", {Item(GoBack), Item(GoUp), Item(GoHome)}),
        Menu("&Favorites ", {Item(FavoritesAdd), Item(FavoritesOrganize)}),
        ImageMenu(),
        ColorsMenu(),
        Menu("&Tools ",
             {Item(ToolsSlideShow), Item(ToolsFind), Item(ToolsCompare), Separator(), Item(ToolsConvert),
              Item(ToolsWallpaper), Item(ToolsAssociations), Separator(), Item(ToolsOptions)}),
        HelpMenu(),
    };
    return bar;
}

const std::vector<MenuLayout>& ViewerMenuBar()
{
    static const std::vector<MenuLayout> bar = {
        Menu("&File", {Item(FileOpen), Item(FileSaveAs), Item(FilePreview), Item(FileReload), Separator(),
                       Item(FilePrintSetup), Item(FilePrintPreview), Item(FilePrint), Item(FilePrintAll),
                       Item(FilePrintThumbnails), Separator(), Item(Browser), Separator(), Item(Exit)}),
        Menu("&Edit", {Item(EditUndo), Separator(), Item(EditDelete), Item(EditRename), Item(EditCopyImage),
                       Item(PasteImage), Separator(), Item(EditCopyTo), Item(EditMoveTo)}),
        Menu("&View",
             {Item(ViewToolbar), Item(ViewStatusBar), Separator(),
              Menu("Image", {Item(ImageNext), Item(ImagePrevious), Item(ImageFirst), Item(ImageLast)}),
              AnimationMenu(), Separator(), Item(ViewRefresh), Item(ViewAutoRefresh), Separator(),
              Item(ViewColourManagement), Item(ViewFullScreen)}),
        Menu("&Zoom",
             {Item(ZoomMore), Item(ZoomLess), Separator(),
              Menu("Zoom To", {Item(Zoom25), Item(Zoom50), Item(Zoom75), Item(Preview100), Item(Zoom150),
                               Item(Preview200), Item(Zoom300), Item(Zoom500), Item(Zoom1000)}),
              Separator(), Item(ZoomBestFit), Item(ZoomActualSize)}),
        ImageMenu(),
        ColorsMenu(),
        Menu("&Tools ", {Menu("&Slide show", {Item(SlideRun), Item(SlideStop)}), Item(ToolsFind), Separator(),
                         Item(ToolsConvert), Item(ToolsWallpaper), Item(ToolsAssociations), Separator(),
                         Item(ToolsOptions)}),
        HelpMenu(),
    };
    return bar;
}
