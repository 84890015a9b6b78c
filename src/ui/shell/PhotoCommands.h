// The Image menu's commands on the photograph's file: Information and the
// lossless JPEG turns (written in place, the picture shown again after).
#pragma once

struct CommandContext;
class CommandRegistry;

void BindPhotoCommands(const CommandContext& ctx, CommandRegistry& commands);
