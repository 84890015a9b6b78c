#include "ui/shell/CommandRegistry.h"

const CommandBinding* CommandRegistry::Find(Cmd id) const
{
    const auto index = size_t(id);
    return index < m_bindings.size() ? &m_bindings[index] : nullptr;
}

void CommandRegistry::Bind(Cmd id, CommandBinding binding)
{
    if (Find(id))
        m_bindings[size_t(id)] = std::move(binding);
}

bool CommandRegistry::IsBound(Cmd id) const
{
    const CommandBinding* b = Find(id);
    return b && b->run;
}

bool CommandRegistry::IsEnabled(Cmd id) const
{
    const CommandBinding* b = Find(id);
    return b && b->run && (!b->enabled || b->enabled());
}

bool CommandRegistry::IsChecked(Cmd id) const
{
    const CommandBinding* b = Find(id);
    return b && b->checked && b->checked();
}

bool CommandRegistry::Run(Cmd id)
{
    if (!IsEnabled(id))
        return false;
    // A copy: the handler may rebind its own command.
    const std::function<void()> run = m_bindings[size_t(id)].run;
    run();
    return true;
}
