#include "models/settings/WindowState.h"

#include "engine/picture/OutputFile.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "models/settings/KeyValueLines.h"

#include <algorithm>
#include <sstream>

namespace {

constexpr const char* kFileName = "window.ini";

// How much of the window must stay on a screen to be caught and moved.
constexpr int kGripWidth = 100;
constexpr int kGripHeight = 24;
constexpr int kMinWindowWidth = 200;
constexpr int kMinWindowHeight = 150;
constexpr int kMinPane = 40;
constexpr int kMaxPane = 10000;

} // namespace

std::string CWindowState::FilePath()
{
    return vkpath::Join(vkplatform::ConfigDirectory(), kFileName);
}

std::string CWindowState::ToText() const
{
    std::ostringstream out;
    if (!geometry.isNull())
        out << "x=" << geometry.x() << "\ny=" << geometry.y() << "\nwidth=" << geometry.width()
            << "\nheight=" << geometry.height() << "\n";
    out << "maximised=" << (maximised ? 1 : 0) << "\ndirListWidth=" << dirListWidth
        << "\nfileListWidth=" << fileListWidth << "\npropertiesHeight=" << propertiesHeight
        << "\ncolourManaged=" << (colourManaged ? 1 : 0) << "\nthumbnails=" << (thumbnails ? 1 : 0)
        << "\nthumbnailSize=" << thumbnailSize << "\ngridWidth=" << gridWidth << "\n";
    return out.str();
}

void CWindowState::FromText(const std::string& text)
{
    *this = CWindowState();
    int x = 0, y = 0, width = 0, height = 0;
    int found = 0; // bits of x, y, width, height seen
    vksettings::ForEachNumberLine(text, [&](const std::string& key, int value) {
        if (key == "x") {
            x = value;
            found |= 1;
        } else if (key == "y") {
            y = value;
            found |= 2;
        } else if (key == "width") {
            width = value;
            found |= 4;
        } else if (key == "height") {
            height = value;
            found |= 8;
        } else if (key == "maximised")
            maximised = value != 0;
        else if (key == "dirListWidth")
            dirListWidth = value;
        else if (key == "fileListWidth")
            fileListWidth = value;
        else if (key == "propertiesHeight")
            propertiesHeight = value;
        else if (key == "colourManaged")
            colourManaged = value != 0;
        else if (key == "thumbnails")
            thumbnails = value != 0;
        else if (key == "thumbnailSize")
            thumbnailSize = value;
        else if (key == "gridWidth")
            gridWidth = value;
    });
    if (found == 15)
        geometry = QRect(x, y, width, height);
}

bool CWindowState::Load(const std::string& path)
{
    *this = CWindowState();
    std::string text;
    if (!vksettings::ReadSmallFile(path, 4096, text))
        return false;
    FromText(text);
    return true;
}

bool CWindowState::Save(const std::string& path) const
{
    return WriteFileAtomically(path, ToText());
}

void CWindowState::Validate(const std::vector<QRect>& screens)
{
    const CWindowState defaults;
    auto pane = [](int& value, int fallback) {
        if (value < kMinPane || value > kMaxPane)
            value = fallback;
    };
    pane(dirListWidth, defaults.dirListWidth);
    pane(fileListWidth, defaults.fileListWidth);
    pane(propertiesHeight, defaults.propertiesHeight);
    pane(gridWidth, defaults.gridWidth);
    if (thumbnailSize != 128 && thumbnailSize != 256)
        thumbnailSize = defaults.thumbnailSize;

    if (geometry.isNull())
        return;
    int widest = 0, tallest = 0;
    bool reachable = false;
    for (const QRect& screen : screens) {
        widest = std::max(widest, screen.width());
        tallest = std::max(tallest, screen.height());
        // The top strip, where the title bar is, must be on a screen.
        const QRect grip = QRect(geometry.x(), geometry.y(), geometry.width(), kGripHeight) & screen;
        if (grip.width() >= std::min(kGripWidth, geometry.width()) && grip.height() >= kGripHeight / 2)
            reachable = true;
    }
    if (!reachable || geometry.width() < kMinWindowWidth || geometry.height() < kMinWindowHeight ||
        geometry.width() > widest || geometry.height() > tallest)
        geometry = QRect();
}
