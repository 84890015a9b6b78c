// The command registry alone, and the table it serves: rows, gathered keys
// and the menu layouts.
#include "browser/CommandRegistry.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

TEST(CommandRegistry, UnboundCommandsAreDisabledAndDoNothing)
{
    CommandRegistry commands;
    EXPECT_FALSE(commands.IsBound(Cmd::EditDelete));
    EXPECT_FALSE(commands.IsEnabled(Cmd::EditDelete));
    EXPECT_FALSE(commands.IsChecked(Cmd::EditDelete));
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
}

TEST(CommandRegistry, RulesDecideAndRunCallsTheHandlerOnce)
{
    CommandRegistry commands;
    int runs = 0;
    bool allowed = false;
    bool on = false;
    commands.Bind(Cmd::ViewAutoRefresh, {.enabled = [&] { return allowed; },
                                         .checked = [&] { return on; },
                                         .run = [&] { ++runs; on = !on; }});
    EXPECT_TRUE(commands.IsBound(Cmd::ViewAutoRefresh));
    EXPECT_FALSE(commands.IsEnabled(Cmd::ViewAutoRefresh));
    EXPECT_FALSE(commands.Run(Cmd::ViewAutoRefresh));
    EXPECT_EQ(runs, 0);
    allowed = true;
    EXPECT_TRUE(commands.Run(Cmd::ViewAutoRefresh));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(commands.IsChecked(Cmd::ViewAutoRefresh));
    // Without a rule a bound command is always enabled.
    commands.Bind(Cmd::Exit, {.run = [&] { runs += 10; }});
    EXPECT_TRUE(commands.Run(Cmd::Exit));
    EXPECT_EQ(runs, 11);
    EXPECT_FALSE(commands.IsChecked(Cmd::Exit));
}

TEST(CommandRegistry, ALaterBindingReplacesAndAHandlerMayRebindItself)
{
    CommandRegistry commands;
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
    // One menu bar only.
    EXPECT_EQ(browser.count(Cmd::Viewer), 1u);
    EXPECT_EQ(viewer.count(Cmd::Viewer), 0u);
    EXPECT_EQ(viewer.count(Cmd::Browser), 1u);
    EXPECT_EQ(browser.count(Cmd::Browser), 0u);
    EXPECT_EQ(viewer.count(Cmd::EditPaste), 0u);
    EXPECT_EQ(browser.count(Cmd::ZoomMore), 0u);
    // Auto-refresh stands in both View menus.
    EXPECT_EQ(browser.count(Cmd::ViewAutoRefresh), 1u);
    EXPECT_EQ(viewer.count(Cmd::ViewAutoRefresh), 1u);
    // 100 % and 200 % stand in Preview and in Zoom To.
    EXPECT_EQ(browser.count(Cmd::Preview100), 1u);
    EXPECT_EQ(viewer.count(Cmd::Preview100), 1u);
}

TEST(CommandTableLayout, KeysAreGatheredFromTheRowsInRowOrder)
{
    // Each bound key of a row is in the table once, for that row.
    std::map<Cmd, int> perCommand;
    for (const Accelerator& a : AcceleratorTable())
        ++perCommand[a.command];
    for (int i = 0; i < int(Cmd::Count); ++i) {
        int bound = 0;
        for (const KeyBinding& k : CommandInfoOf(Cmd(i)).keys)
            bound += k.key != 0;
        EXPECT_EQ(perCommand[Cmd(i)], bound) << i;
    }
    EXPECT_EQ(perCommand[Cmd::EditUndo], 2);
    EXPECT_EQ(perCommand[Cmd::FilePrint], 0) << "Ctrl+P is shown, not bound";
    EXPECT_EQ(perCommand[Cmd::HelpContents], 0) << "F1 is shown, not bound";
    // A shown key names one of the command's bindings, or none at all.
    for (int i = 0; i < int(Cmd::Count); ++i) {
        const CommandInfo& info = CommandInfoOf(Cmd(i));
        if (info.keys[0].key != 0) {
            EXPECT_STRNE(info.keyText, "") << i;
        }
    }
}
