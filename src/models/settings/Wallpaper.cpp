#include "models/settings/Wallpaper.h"

#include "engine/picture/Orientation.h"
#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"
#include "engine/save/PNGEncoder.h"
#include "models/platform/FileStatus.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <strings.h>
#include <thread>
#include <unistd.h>

namespace vkshell {

namespace {

constexpr int kProgramTimeoutMs = 10000;
// A larger source is written from the decoded picture instead.
constexpr std::streamoff kLargestHandedOver = std::streamoff(512) << 20;
// PNG level for a written wallpaper: quick, the file is ours alone.
constexpr int kPngLevel = 1;

constexpr const char* kSlotNames[2] = {"wallpaper-1", "wallpaper-2"};
constexpr const char* kExtensions[2] = {".jpg", ".png"};

bool RunProcess(const std::vector<std::string>& argv, std::string* output)
{
    if (argv.empty())
        return false;
    QStringList arguments;
    for (size_t i = 1; i < argv.size(); ++i)
        arguments.push_back(QString::fromStdString(argv[i]));
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(QString::fromStdString(argv[0]), arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(kProgramTimeoutMs))
        return false;
    process.closeWriteChannel();
    if (!process.waitForFinished(kProgramTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput().toStdString();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

std::mutex& RunnerMutex()
{
    static std::mutex mutex;
    return mutex;
}

ProgramRunner& Runner()
{
    static ProgramRunner runner;
    return runner;
}

bool Run(const std::vector<std::string>& argv, std::string* output = nullptr)
{
    ProgramRunner runner;
    {
        std::lock_guard lock(RunnerMutex());
        runner = Runner();
    }
    return runner ? runner(argv, output) : RunProcess(argv, output);
}

std::string FileUri(const std::string& path)
{
    return QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded).toStdString();
}

// A JavaScript string literal holding `text` and nothing else.
std::string ScriptString(const std::string& text)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || c == '\'') {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

bool SetGnomeKeys(const std::string& uri)
{
    const std::string schema = "org.gnome.desktop.background";
    if (!Run({"gsettings", "set", schema, "picture-uri", uri}))
        return false;
    // Older versions have no dark variant; that is no failure.
    Run({"gsettings", "set", schema, "picture-uri-dark", uri});
    return true;
}

bool SetXfce(const std::string& path)
{
    std::string listing;
    if (!Run({"xfconf-query", "-c", "xfce4-desktop", "-l"}, &listing))
        return false;
    // Every monitor and workspace has its own property.
    bool any = false;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find('\n', start);
        if (end == std::string::npos)
            end = listing.size();
        std::string property = listing.substr(start, end - start);
        while (!property.empty() && (property.back() == ' ' || property.back() == '\r'))
            property.pop_back();
        if (property.starts_with("/backdrop/") && property.ends_with("last-image"))
            any = Run({"xfconf-query", "-c", "xfce4-desktop", "-p", property, "-s", path}) || any;
        start = end + 1;
    }
    return any;
}

bool SetPlasma(const std::string& uri)
{
    // The file reaches the script only as a string literal it cannot leave.
    const std::string script = "var uri = " + ScriptString(uri) +
                               ";\n"
                               "var all = desktops();\n"
                               "for (var i = 0; i < all.length; i++) {\n"
                               "    var d = all[i];\n"
                               "    d.wallpaperPlugin = \"org.kde.image\";\n"
                               "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
                               "    d.writeConfig(\"Image\", uri);\n"
                               "}\n";
    for (const char* qdbus : {"qdbus6", "qdbus"})
        if (Run({qdbus, "org.kde.plasmashell", "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript", script}))
            return true;
    return Run({"dbus-send", "--session", "--print-reply", "--dest=org.kde.plasmashell", "--type=method_call",
                "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript", "string:" + script});
}

bool SetOn(Desktop desktop, const std::string& path)
{
    switch (desktop) {
    case Desktop::Gnome:
        return SetGnomeKeys(FileUri(path));
    case Desktop::Cinnamon:
        return Run({"gsettings", "set", "org.cinnamon.desktop.background", "picture-uri", FileUri(path)});
    case Desktop::Mate:
        return Run({"gsettings", "set", "org.mate.background", "picture-filename", path});
    case Desktop::Xfce:
        return SetXfce(path);
    case Desktop::Plasma:
        return SetPlasma(FileUri(path));
    case Desktop::Lxqt:
        return Run({"pcmanfm-qt", "--set-wallpaper", path});
    case Desktop::Sway:
        return Run({"swaymsg", "output", "*", "bg", path, "fill"});
    }
    return false;
}

const char* DesktopName(Desktop desktop)
{
    switch (desktop) {
    case Desktop::Gnome:
        return "GNOME";
    case Desktop::Cinnamon:
        return "Cinnamon";
    case Desktop::Mate:
        return "MATE";
    case Desktop::Xfce:
        return "Xfce";
    case Desktop::Plasma:
        return "KDE Plasma";
    case Desktop::Lxqt:
        return "LXQt";
    case Desktop::Sway:
        return "sway";
    }
    return "";
}

std::string CurrentDesktopVariable()
{
    const char* value = std::getenv("XDG_CURRENT_DESKTOP");
    return value ? value : "";
}

std::vector<Desktop> CurrentDesktops()
{
    std::vector<Desktop> desktops = DesktopsOf(CurrentDesktopVariable());
    const char* swaySocket = std::getenv("SWAYSOCK");
    if (swaySocket && *swaySocket &&
        std::find(desktops.begin(), desktops.end(), Desktop::Sway) == desktops.end())
        desktops.push_back(Desktop::Sway);
    return desktops;
}

std::string SlotPath(int slot, int extension)
{
    return vkpath::Join(vkplatform::DataDirectory(), std::string(kSlotNames[slot]) + kExtensions[extension]);
}

// Every name the wallpaper file can have.
std::vector<std::string> WallpaperPaths()
{
    std::vector<std::string> paths;
    for (int slot = 0; slot < 2; ++slot)
        for (int extension = 0; extension < 2; ++extension)
            paths.push_back(SlotPath(slot, extension));
    return paths;
}

// The source's bytes when a desktop can be given them as they are: the
// extension index for them, or -1.
int HandedOverExtension(const std::string& bytes)
{
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t size = bytes.size();
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size > 3 && data[0] == 0xff && data[1] == 0xd8 && data[2] == 0xff)
        return ReadJpegOrientation(data, size) == OrientUpright ? 0 : -1;
    if (size > 8 && std::equal(kPng, kPng + 8, data))
        return ReadPngOrientation(data, size) == OrientUpright ? 1 : -1;
    return -1;
}

bool ReadSource(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    const std::streamoff size = in.tellg();
    if (size <= 0 || size > kLargestHandedOver)
        return false;
    bytes.resize(size_t(size));
    in.seekg(0);
    return bool(in.read(bytes.data(), size));
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

std::vector<Desktop> DesktopsOf(const std::string& currentDesktop)
{
    static const std::pair<const char*, Desktop> kNames[] = {
        {"gnome", Desktop::Gnome},         {"unity", Desktop::Gnome},       {"budgie", Desktop::Gnome},
        {"x-cinnamon", Desktop::Cinnamon}, {"cinnamon", Desktop::Cinnamon}, {"mate", Desktop::Mate},
        {"xfce", Desktop::Xfce},           {"kde", Desktop::Plasma},        {"lxqt", Desktop::Lxqt},
        {"sway", Desktop::Sway},
    };
    std::vector<Desktop> desktops;
    size_t start = 0;
    while (start <= currentDesktop.size()) {
        size_t end = currentDesktop.find(':', start);
        if (end == std::string::npos)
            end = currentDesktop.size();
        const std::string name = currentDesktop.substr(start, end - start);
        for (const auto& [known, desktop] : kNames)
            if (::strcasecmp(name.c_str(), known) == 0 &&
                std::find(desktops.begin(), desktops.end(), desktop) == desktops.end())
                desktops.push_back(desktop);
        start = end + 1;
    }
    return desktops;
}

void SetProgramRunner(ProgramRunner runner)
{
    std::lock_guard lock(RunnerMutex());
    Runner() = std::move(runner);
}

bool WriteWallpaperFile(const std::string& sourcePath, CBmp& picture, bool edited, std::string& wallpaperPath)
{
    // The previous wallpaper is settled first: its file is the one in use.
    WaitForDesktopWallpaper();
    const int slot = vkplatform::Exists(SlotPath(0, 0)) || vkplatform::Exists(SlotPath(0, 1)) ? 1 : 0;
    wallpaperPath = SlotPath(slot, 1);
    if (!vkplatform::MakePath(vkplatform::DataDirectory()))
        return false;
    std::string bytes;
    const int extension = !edited && ReadSource(sourcePath, bytes) ? HandedOverExtension(bytes) : -1;
    if (extension >= 0) {
        wallpaperPath = SlotPath(slot, extension);
        return WriteFileAtomically(wallpaperPath, bytes);
    }
    if (picture.GetWidth() <= 0 || picture.GetHeight() <= 0)
        return false;
    try {
        CPNGEncoder().Save(wallpaperPath, picture, false, kPngLevel);
    } catch (const CTextException&) {
        return false;
    }
    return true;
}

std::string ApplyDesktopWallpaper(const std::string& path)
{
    for (const Desktop desktop : CurrentDesktops())
        if (SetOn(desktop, path))
            return DesktopName(desktop);
    return {};
}

std::string NoDesktopMessage()
{
    const std::string variable = CurrentDesktopVariable();
    if (!CurrentDesktops().empty())
        return "The wallpaper was not set: the desktop (" + variable + ") did not take it.";
    return "The wallpaper was not set: Velkor sets it on GNOME, Unity, Budgie, Cinnamon, MATE, Xfce, KDE "
           "Plasma, "
           "LXQt and sway, and this desktop (XDG_CURRENT_DESKTOP \"" +
           variable + "\") is none of them.";
}

void ApplyDesktopWallpaperInBackground(const std::string& path, std::function<void(const std::string&)> done)
{
    Background& background = TheBackground();
    std::lock_guard lock(background.mutex);
    if (background.worker.joinable())
        background.worker.join();
    background.worker = std::thread([path, done = std::move(done)] {
        const std::string desktop = ApplyDesktopWallpaper(path);
        // One wallpaper file stays: the one the desktop shows.
        for (const std::string& other : WallpaperPaths())
            if (desktop.empty() ? other == path : other != path)
                ::unlink(other.c_str());
        if (done && QCoreApplication::instance())
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [done, desktop] { done(desktop); }, Qt::QueuedConnection);
    });
}

void WaitForDesktopWallpaper()
{
    Background& background = TheBackground();
    std::lock_guard lock(background.mutex);
    if (background.worker.joinable())
        background.worker.join();
}

} // namespace vkshell
