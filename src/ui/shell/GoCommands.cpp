#include "ui/shell/GoCommands.h"

#include "models/browser/FileList.h"
#include "models/browser/Navigator.h"
#include "models/platform/Path.h"
#include "models/settings/Settings.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"

void BindGoCommands(const CommandContext& context, CommandRegistry& commands)
{
    using Recent = FileListPort::Recent;
    FileListPort& browser = context.files;
    CFileList& files = browser.GetFileList();
    CSettings& settings = context.settings;

    // All three act in browser mode only. Back toggles between the last
    // two folders: moving makes the folder left the previous one.
    commands.Bind(Cmd::GoBack, {.enabled = [&files] { return !files.GetPreviousDir().empty(); },
                                .run =
                                    [&browser, &files] {
                                        if (browser.IsBrowserMode())
                                            browser.GoTo(files.GetPreviousDir(), vknav::kTextFolderNotExists,
                                                         Recent::Select);
                                    }});
    commands.Bind(
        Cmd::GoUp,
        {.enabled =
             [&files] { return !files.GetCurrentDir().empty() && !vkpath::IsRoot(files.GetCurrentDir()); },
         .run =
             [&browser, &files] {
                 if (browser.IsBrowserMode() && !vkpath::IsRoot(files.GetCurrentDir()))
                     browser.GoTo(vkpath::Parent(files.GetCurrentDir()), vknav::kTextFolderNotExist,
                                  Recent::Add);
             }});
    commands.Bind(Cmd::GoHome, {.enabled =
                                    [&settings, &files] {
                                        return !settings.homeDirectory.empty() &&
                                               !vknav::SameDir(settings.homeDirectory, files.GetCurrentDir());
                                    },
                                .run =
                                    [&browser, &settings] {
                                        if (browser.IsBrowserMode())
                                            browser.GoTo(settings.homeDirectory, vknav::kTextFolderNotExist,
                                                         Recent::Add);
                                    }});
}
