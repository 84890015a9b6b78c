// The window half of saving: File > Save As..., the save dispatcher with
// its option dialogs, Tools > Convert... and Paste image.
#pragma once

#include <QString>

#include <string>

class CommandRegistry;
class CPreview;
struct CommandContext;
class CWinBmp;
class QImage;

namespace vksave {

// Shows the option dialog of `code` (pre-filled from and written back to
// the settings), then writes the view's picture off the GUI thread with
// the status texts and the wait cursor. 0 when the file was written;
// otherwise nothing was written (cancelled, unknown code, the picture is no
// longer the one of `pictureOf`, said in a message) or the writer failed
// and "Can't save file." was shown.
int DispatchSave(const CommandContext& ctx, const std::string& path, int code, const std::string& pictureOf);

// True when the view holds the picture of `pictureOf` ("" for a pasted
// one); otherwise says that nothing was done.
bool CheckPictureOf(const CPreview& view, const std::string& pictureOf);

// The Save As flow for the current picture, offering `fileName` without
// its extension. True when a file was written.
bool SaveAs(const CommandContext& ctx, const QString& fileName);

// Tools > Convert...
void Convert(const CommandContext& ctx);

// Paste image: the clipboard's picture becomes the current picture,
// marked modified, after the save question.
bool CanPasteImage();
void PasteImage(const CommandContext& ctx);
// A picture as 32-bit pixels (blue, green, red, alpha); empty on failure.
void ImageToBitmap(const QImage& image, CWinBmp& bmp);

// Selects the list entry named `name` (an exact match first, then one
// ignoring case) and lets the file list model take the selection, without
// loading it. The row, or -1.
int SelectEntry(const CommandContext& ctx, const std::string& name);

// Binds File > Save As..., Tools > Convert... and Paste image, and makes
// Save As the view's answer to its save question.
void BindSaveCommands(const CommandContext& ctx, CommandRegistry& commands);

} // namespace vksave
