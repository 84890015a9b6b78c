// File > Print Setup, Print, Print All, Print Thumbnails, Print Preview.
#pragma once

class CommandRegistry;
struct CommandContext;

void BindPrintCommands(const CommandContext& ctx, CommandRegistry& commands);
