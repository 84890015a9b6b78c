// Image > Page: stepping through the pages of a multi-page TIFF or the
// images of an icon file shown in the view.
#pragma once

struct CommandContext;
class CommandRegistry;

void BindPageCommands(const CommandContext& context, CommandRegistry& commands);
