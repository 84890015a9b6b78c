// What each command of the table does: its enabling rule, its checked rule
// and its handler, bound by the feature that owns the command. Menus,
// toolbars and keys all ask the registry, so they agree.
#pragma once

#include "ui/shell/Commands.h"

#include <array>
#include <functional>

struct CommandBinding {
    std::function<bool()> enabled = {}; // empty: enabled whenever a handler is bound
    std::function<bool()> checked = {}; // empty: never checked
    std::function<void()> run = {};     // empty: the command is disabled
};

class CommandRegistry {
  public:
    // Binds (or replaces) the rules and handler of a command.
    void Bind(Cmd id, CommandBinding binding);
    bool IsBound(Cmd id) const;
    // True when a handler is bound and its enabling rule holds.
    bool IsEnabled(Cmd id) const;
    bool IsChecked(Cmd id) const;
    // Runs the handler when the command is enabled; false when it was not.
    bool Run(Cmd id);

  private:
    const CommandBinding* Find(Cmd id) const;
    std::array<CommandBinding, size_t(Cmd::Count)> m_bindings;
};
