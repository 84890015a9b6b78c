// The preview's zoom (both modes) and the viewer's Zoom menu.
#pragma once

class CommandRegistry;
struct CommandContext;

void BindZoomCommands(const CommandContext& context, CommandRegistry& commands);
