// Help > Contents, How to use Help and About.
#pragma once

struct CommandContext;
class CommandRegistry;

void BindHelpCommands(const CommandContext& ctx, CommandRegistry& commands);
