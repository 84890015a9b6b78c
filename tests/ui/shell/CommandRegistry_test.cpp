// The command registry alone, and the menu layouts it serves: every item
// stands once in a menu bar.
#include "ui/shell/CommandRegistry.h"

#include <gtest/gtest.h>

#include <set>

TEST(CommandRegistry, RulesHandlersAndRebinding)
{
    CommandRegistry commands;
    EXPECT_FALSE(commands.IsEnabled(Cmd::EditDelete));
    EXPECT_FALSE(commands.Run(Cmd::EditDelete));
    // A rule without a handler does not enable the command.
    commands.Bind(Cmd::EditDelete, {.enabled = [] { return true; }, .checked = [] { return true; }});
    EXPECT_FALSE(commands.IsEnabled(Cmd::EditDelete));
    EXPECT_TRUE(commands.IsChecked(Cmd::EditDelete));
    EXPECT_FALSE(commands.Run(Cmd::EditDelete));
    // Out of range ids are refused, not read.
    EXPECT_FALSE(commands.Run(Cmd::Count));
    commands.Bind(Cmd::Count, {.run = [] {}});
    EXPECT_FALSE(commands.IsEnabled(Cmd::Count));

    // The rule decides; Run calls the handler once.
    int runs = 0;
    bool allowed = false;
    commands.Bind(Cmd::ViewAutoRefresh, {.enabled = [&] { return allowed; }, .run = [&] { ++runs; }});
    EXPECT_FALSE(commands.Run(Cmd::ViewAutoRefresh));
    allowed = true;
    EXPECT_TRUE(commands.Run(Cmd::ViewAutoRefresh));
    EXPECT_EQ(runs, 1);

    // A later binding replaces, and a handler may rebind its own command.
    std::vector<int> calls;
    commands.Bind(Cmd::FileSaveAs, {.run = [&] { calls.push_back(1); }});
    commands.Bind(Cmd::FileSaveAs, {.run = [&] {
                      calls.push_back(2);
                      commands.Bind(Cmd::FileSaveAs, {.run = [&] { calls.push_back(3); }});
                  }});
    EXPECT_TRUE(commands.Run(Cmd::FileSaveAs));
    EXPECT_TRUE(commands.Run(Cmd::FileSaveAs));
    EXPECT_EQ(calls, (std::vector<int>{2, 3}));
}

namespace {

void Collect(const std::vector<MenuLayout>& entries, std::multiset<Cmd>& found, int& separatorsInARow)
{
    for (const MenuLayout& e : entries) {
        if (e.IsSubmenu()) {
            EXPECT_STRNE(e.title, "");
            Collect(e.submenu, found, separatorsInARow);
            separatorsInARow = 0;
        } else if (e.IsSeparator()) {
            ++separatorsInARow;
            EXPECT_LT(separatorsInARow, 2) << "two separators in a row";
        } else {
            separatorsInARow = 0;
            found.insert(e.command);
        }
    }
}

std::multiset<Cmd> CommandsOf(const std::vector<MenuLayout>& bar)
{
    std::multiset<Cmd> found;
    for (const MenuLayout& menu : bar) {
        int run = 0;
        Collect(menu.submenu, found, run);
    }
    return found;
}

} // namespace

TEST(CommandTableLayout, EveryItemStandsOnceInAMenuBar)
{
    const std::multiset<Cmd> browser = CommandsOf(BrowserMenuBar());
    const std::multiset<Cmd> viewer = CommandsOf(ViewerMenuBar());
    for (int i = 0; i < int(Cmd::Count); ++i) {
        const Cmd c = Cmd(i);
        EXPECT_LE(browser.count(c), 1u) << i;
        EXPECT_LE(viewer.count(c), 1u) << i;
        const bool hasItem = *CommandInfoOf(c).text != '\0';
        EXPECT_EQ(hasItem, browser.count(c) + viewer.count(c) > 0) << i;
    }
    // Each mode's own commands stand in its bar only; Auto-refresh and the
    // preview's 100 % stand in both.
    for (Cmd c : {Cmd::Viewer, Cmd::EditPaste}) {
        EXPECT_EQ(browser.count(c), 1u);
        EXPECT_EQ(viewer.count(c), 0u);
    }
    for (Cmd c : {Cmd::Browser, Cmd::ZoomMore}) {
        EXPECT_EQ(browser.count(c), 0u);
        EXPECT_EQ(viewer.count(c), 1u);
    }
    for (Cmd c : {Cmd::ViewAutoRefresh, Cmd::Preview100})
        EXPECT_EQ(browser.count(c) + viewer.count(c), 2u);
}
