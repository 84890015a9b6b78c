// Shared fixture for the window tests: a temporary folder of generated
// pictures, a private configuration folder, scripted message boxes and a
// main frame driven headless.
#pragma once

#include "ScriptedAsk.h"
#include "TestSupport.h"
#include "WaitForEvents.h"
#include "models/platform/Folders.h"
#include "ui/browser/Preview.h"
#include "ui/shell/MainFrm.h"
#include "ui/widgets/MessageService.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace vkuitest {

// Writes a width x height test picture as a 24-bit BMP.
inline void WriteBmp(const std::string& path, int width, int height, unsigned seed = 1)
{
    CWinBmp bmp;
    vktest::MakeTestPicture(bmp, width, height, seed);
    SaveAsBmpFile(bmp, path);
}

// Processes events until the view has no pending load. The bound only
// keeps a broken build from hanging; no time is asserted.
inline void WaitForLoad(CPreview* view)
{
    for (int i = 0; i < 4000 && view->IsLoading(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (view->IsLoading())
            QThread::msleep(1);
    }
    QCoreApplication::processEvents();
}

class FrameTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        char buffer[4096];
        m_oldDir = getcwd(buffer, sizeof buffer) ? buffer : "/";
        config = std::make_unique<vktest::TempDir>();
        qputenv("VELKOR_CONFIG_DIR", QByteArray::fromStdString(config->Path()));
    }
    void TearDown() override
    {
        frame.reset();
        if (chdir(m_oldDir.c_str()) != 0) {
        }
        qunsetenv("VELKOR_CONFIG_DIR");
    }

    // Writes the settings file the frame will read, from a record.
    void WriteSettings(const CSettings& settings) { ASSERT_TRUE(settings.Save(CSettings::SettingsPath())); }

    // Creates the frame in `dir` (or with a start-up file) and starts it.
    bool Start(const std::string& dir, const QString& startupFile = QString(), int width = 1000,
               int height = 700)
    {
        EXPECT_EQ(chdir(dir.c_str()), 0);
        frame = std::make_unique<CMainFrame>();
        frame->resize(width, height);
        frame->SetStartupFile(startupFile);
        frame->show();
        const bool ok = frame->Startup();
        QCoreApplication::processEvents();
        if (ok)
            WaitForLoad(frame->GetView());
        return ok;
    }

    // Selects rows of the file list as a click would (Ctrl-click adds).
    void SelectRows(const std::vector<int>& rows)
    {
        QItemSelectionModel* selection = frame->GetFileListView()->selectionModel();
        selection->clearSelection();
        for (int row : rows)
            selection->select(frame->GetFileList().index(row), QItemSelectionModel::Select);
        WaitForLoad(frame->GetView());
    }
    void SelectRow(int row) { SelectRows({row}); }

    int RowOf(const std::string& name)
    {
        const std::vector<std::string>& entries = frame->GetFileList().Entries();
        const auto it = std::find(entries.begin(), entries.end(), name);
        return it == entries.end() ? -1 : int(it - entries.begin());
    }

    // A key press where the user's keys go: the file list in the browser,
    // the view in viewer mode.
    void SendKey(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
    {
        QKeyEvent press(QEvent::KeyPress, key, mods, text);
        QWidget* target = frame->IsBrowserMode() ? static_cast<QWidget*>(frame->GetShownFileView())
                                                 : static_cast<QWidget*>(frame->GetView());
        QCoreApplication::sendEvent(target, &press);
    }
    // SendKey, then waits for the picture it may load.
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
    {
        SendKey(key, mods, text);
        WaitForLoad(frame->GetView());
    }

    std::string Title() const { return frame->windowTitle().toStdString(); }
    std::string Pane(int pane) const { return frame->GetPaneText(pane).toStdString(); }
    std::string Property(int i) const { return frame->GetPropertyValue(i).toStdString(); }

    ScriptedAsk ask;
    vktest::TempDir pics;
    std::unique_ptr<vktest::TempDir> config;
    std::unique_ptr<CMainFrame> frame;

  private:
    std::string m_oldDir;
};

} // namespace vkuitest
