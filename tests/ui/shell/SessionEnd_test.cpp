// The program ended by a signal, as at the end of a session: the files a
// close writes are written, and recent folders are on disk from the start.
#include "ScopedEnv.h"
#include "TestSupport.h"
#include "models/settings/Settings.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

namespace {

// Velkor itself, headless, with its files in `config`, showing `file`.
class Velkor {
  public:
    Velkor(const vktest::TempDir& home, const std::string& config, const std::string& file)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VELKOR_CONFIG_DIR", QString::fromStdString(config));
        env.insert("HOME", QString::fromStdString(home.Path()));
        env.insert("XDG_DATA_HOME", QString::fromStdString(home.File("data")));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(VELKOR_APP, {QString::fromStdString(file)});
    }
    ~Velkor()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    // Waits for `done`; the bound only keeps a broken build from hanging.
    template <class Done> bool WaitFor(Done done)
    {
        for (int i = 0; i < 3000 && !done() && process.state() != QProcess::NotRunning; ++i)
            QThread::msleep(10);
        return done();
    }
    QProcess process;
};

} // namespace

TEST(SessionEnd, ASignalSavesTheFilesAndEndsWithoutAQuestion)
{
    for (const int signal : {SIGTERM, SIGHUP}) {
        vktest::TempDir home;
        const std::string config = home.File("config");
        vktest::Run("mkdir -p " + vktest::Quote(config) + " " + vktest::Quote(home.File("pics")));
        CWinBmp picture;
        vktest::MakeTestPicture(picture, 20, 10);
        SaveAsBmpFile(picture, home.File("pics/a.bmp"));
        // With saving the settings on exit off (SIGHUP) they stay as they were.
        vktest::ScopedEnv env{"VELKOR_CONFIG_DIR"};
        vktest::ScopedEnv::Set("VELKOR_CONFIG_DIR", config);
        CSettings settings;
        settings.saveSettingsOnExit = signal == SIGHUP ? 0 : 1;
        ASSERT_TRUE(settings.Save());
        const std::string written = vktest::ReadFile(CSettings::SettingsPath());
        ::unlink(CSettings::SettingsPath().c_str());
        struct stat before {};
        if (signal == SIGHUP) {
            vktest::WriteFile(CSettings::SettingsPath(), written);
            ::stat(CSettings::SettingsPath().c_str(), &before);
        }

        Velkor velkor(home, config, home.File("pics/a.bmp"));
        // The start folder is a new recent folder: on disk at once.
        const std::string recent = CSettings::RecentFoldersPath();
        ASSERT_TRUE(velkor.WaitFor([&] {
            return vktest::FileExists(recent) && vktest::ReadFile(recent) == "1*" + home.File("pics") + "*";
        })) << "signal "
            << signal;

        ::kill(pid_t(velkor.process.processId()), signal);
        ASSERT_TRUE(velkor.process.waitForFinished(30000));
        EXPECT_EQ(velkor.process.exitStatus(), QProcess::NormalExit) << "signal " << signal;
        EXPECT_EQ(velkor.process.exitCode(), 0);
        EXPECT_EQ(vktest::ReadFile(config + "/vk.fav"), "0*");
        ASSERT_TRUE(vktest::FileExists(CSettings::SettingsPath())) << "signal " << signal;
        EXPECT_EQ(vktest::ReadFile(CSettings::SettingsPath()), written);
        struct stat after {};
        ::stat(CSettings::SettingsPath().c_str(), &after);
        if (signal == SIGHUP) {
            EXPECT_EQ(after.st_ino, before.st_ino) << "not written again";
        }
    }
}
