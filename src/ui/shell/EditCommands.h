// The Colors and Image commands on the view's picture: each asks for its
// values where it has a dialog, runs the edit off the GUI thread with its
// status and error texts, keeps the undo snapshot and refreshes the view.
#pragma once

class CMainFrame;
class CommandRegistry;

namespace vkedit {

enum class EditCommand {
    Invert,
    SwapRedBlue,
    Brightness,
    Contrast,
    Gamma,
    GrayShades,
    Balance,
    Count,
    Histogram,
    Resize,
    CanvasSize,
    Shear,
    RotateCW90,
    RotateCCW90,
    Rotate180,
    RotateArbitrary,
    Transpose,
    FlipHorizontal,
    FlipVertical,
    Undo,
};

// Enabled when the view shows an image and no picture work is running
// (Undo also needs the snapshot).
bool IsEnabled(const CMainFrame& frame, EditCommand command);
void Run(CMainFrame& frame, EditCommand command);

// Binds the Colors and Image menus and Undo to the frame's commands.
void BindEditCommands(CMainFrame& frame, CommandRegistry& commands);

} // namespace vkedit
