#include "ui/shell/GoCommands.h"

#include "models/browser/Navigator.h"
#include "models/platform/Path.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/MainFrm.h"

void BindGoCommands(CMainFrame& frame, CommandRegistry& commands)
{
    using Recent = CMainFrame::Recent;
    CFileList& files = frame.GetFileList();
    CSettings& settings = frame.GetSettings();

    // All three act in browser mode only. Back toggles between the last
    // two folders: moving makes the folder left the previous one.
    commands.Bind(Cmd::GoBack, {.enabled = [&files] { return !files.GetPreviousDir().empty(); },
                                .run =
                                    [&frame, &files] {
                                        if (frame.IsBrowserMode())
                                            frame.GoTo(files.GetPreviousDir(), vknav::kTextFolderNotExists,
                                                       Recent::Select);
                                    }});
    commands.Bind(
        Cmd::GoUp,
        {.enabled =
             [&files] { return !files.GetCurrentDir().empty() && !vkpath::IsRoot(files.GetCurrentDir()); },
         .run =
             [&frame, &files] {
                 if (frame.IsBrowserMode() && !vkpath::IsRoot(files.GetCurrentDir()))
                     frame.GoTo(vkpath::Parent(files.GetCurrentDir()), vknav::kTextFolderNotExist,
                                Recent::Add);
             }});
    commands.Bind(Cmd::GoHome, {.enabled =
                                    [&settings, &files] {
                                        return !settings.homeDirectory.empty() &&
                                               !vknav::SameDir(settings.homeDirectory, files.GetCurrentDir());
                                    },
                                .run =
                                    [&frame, &settings] {
                                        if (frame.IsBrowserMode())
                                            frame.GoTo(settings.homeDirectory, vknav::kTextFolderNotExist,
                                                       Recent::Add);
                                    }});
}
