// View > Thumbnails: the file list shown as a grid of thumbnails or as the
// list of names. Both are views on the one file-list model.
#pragma once

class CommandRegistry;
struct CommandContext;

// The file list's two views, as the command sees them.
class FileViewPort {
  public:
    virtual bool IsThumbnailView() const = 0;
    // Shows the grid (true) or the list, remembering the choice.
    virtual void SetThumbnailView(bool on) = 0;

  protected:
    ~FileViewPort() = default;
};

void BindThumbnailCommands(const CommandContext& context, FileViewPort& views, CommandRegistry& commands);
