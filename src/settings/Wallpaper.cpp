#include "Wallpaper.h"

#include "picture/TextException.h"
#include "platform/Folders.h"
#include "platform/Path.h"
#include "save/BmpEncoder.h"

#include <QProcess>
#include <QStringList>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <strings.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vkshell {

namespace {

constexpr int kProgramTimeoutMs = 10000;

bool HasBmpExtension(const std::string& fileName)
{
    const size_t dot = fileName.rfind('.');
    return dot != std::string::npos && ::strcasecmp(fileName.c_str() + dot + 1, "bmp") == 0;
}

// Copies a file of any size to a temporary file beside `target` and renames
// it over `target` when complete.
bool CopyFileReplacing(const std::string& source, const std::string& target)
{
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    std::string temp = target + ".XXXXXX";
    const int out = ::mkstemp(temp.data());
    if (out < 0) {
        ::close(in);
        return false;
    }
    ::fchmod(out, 0644);
    bool ok = true;
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok)
            break;
    }
    ::close(in);
    ok = (::close(out) == 0) && ok;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0)
        ok = false;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

// Runs a program; true when it started and ended with status 0.
bool Run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(kProgramTimeoutMs))
        return false;
    process.closeWriteChannel();
    if (!process.waitForFinished(kProgramTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool SetGnome(const QString& uri)
{
    const QString schema = "org.gnome.desktop.background";
    if (!Run("gsettings", {"set", schema, "picture-uri", uri}))
        return false;
    // Older desktops have no dark variant; that is no failure.
    Run("gsettings", {"set", schema, "picture-uri-dark", uri});
    return true;
}

bool SetXfce(const QString& path)
{
    QByteArray listing;
    if (!Run("xfconf-query", {"-c", "xfce4-desktop", "-l"}, &listing))
        return false;
    bool any = false;
    for (const QByteArray& line : listing.split('\n')) {
        const QString property = QString::fromUtf8(line).trimmed();
        if (property.startsWith("/backdrop/") && property.endsWith("/last-image"))
            any = Run("xfconf-query", {"-c", "xfce4-desktop", "-p", property, "-s", path}) || any;
    }
    return any;
}

bool SetPlasma(const QString& uri)
{
    // The URI is percent-encoded, so it holds no quote to break the script.
    const QString script =
        "var all = desktops();"
        "for (var i = 0; i < all.length; i++) {"
        " var d = all[i]; d.wallpaperPlugin = 'org.kde.image';"
        " d.currentConfigGroup = Array('Wallpaper', 'org.kde.image', 'General');"
        " d.writeConfig('Image', '" + uri + "'); }";
    for (const char* qdbus : {"qdbus6", "qdbus"})
        if (Run(qdbus, {"org.kde.plasmashell", "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript", script}))
            return true;
    return Run("dbus-send", {"--session", "--print-reply", "--dest=org.kde.plasmashell", "--type=method_call",
                             "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript", "string:" + script});
}

struct Background {
    std::mutex mutex;
    std::thread worker;
    ~Background()
    {
        if (worker.joinable())
            worker.join();
    }
};

Background& TheBackground()
{
    static Background background;
    return background;
}

} // namespace

std::string WallpaperCopyPath(const std::string& fileName)
{
    std::string name = fileName;
    if (!HasBmpExtension(name)) {
        const size_t dot = name.rfind('.');
        if (dot != std::string::npos && dot > 0)
            name.erase(dot);
        name += ".bmp";
    }
    return vkpath::Join(vkplatform::DataDirectory(), name);
}

bool WriteWallpaperCopy(const std::string& sourcePath, const std::string& fileName, CBmp& picture,
                        std::string& copyPath)
{
    copyPath = WallpaperCopyPath(fileName);
    if (!vkplatform::MakePath(vkplatform::DataDirectory()))
        return false;
    if (HasBmpExtension(fileName))
        return CopyFileReplacing(sourcePath, copyPath);
    if (picture.GetWidth() <= 0 || picture.GetHeight() <= 0)
        return false;
    try {
        CBmpEncoder().Save(copyPath, picture, 24);
    } catch (const CTextException&) {
        return false;
    }
    return true;
}

std::string ApplyDesktopWallpaper(const std::string& path)
{
    const QString local = QString::fromStdString(path);
    const QString uri = QUrl::fromLocalFile(local).toString(QUrl::FullyEncoded);
    if (SetGnome(uri))
        return "gsettings";
    if (SetXfce(local))
        return "xfconf-query";
    if (SetPlasma(uri))
        return "plasmashell";
    return {};
}

void ApplyDesktopWallpaperInBackground(const std::string& path)
{
    Background& background = TheBackground();
    std::lock_guard lock(background.mutex);
    if (background.worker.joinable())
        background.worker.join();
    background.worker = std::thread([path] { ApplyDesktopWallpaper(path); });
}

void WaitForDesktopWallpaper()
{
    Background& background = TheBackground();
    std::lock_guard lock(background.mutex);
    if (background.worker.joinable())
        background.worker.join();
}

} // namespace vkshell
