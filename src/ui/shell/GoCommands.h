// The Go menu: Back, Up One Level and Home.
#pragma once

class CommandRegistry;
struct CommandContext;

void BindGoCommands(const CommandContext& context, CommandRegistry& commands);
