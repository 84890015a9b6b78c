#include "models/browser/StatusTexts.h"

#include <cstdio>
#include <initializer_list>

#include "models/browser/FormatNumber.h"

namespace vktext {
namespace {

// Sizes rounded down to whole units never show decimals from 1 on.
std::string WholeUnits(uint64_t bytes, int unit)
{
    switch (unit) {
    case Kilobytes:
        return FormatNumber(double(bytes / 1024), 3) + " KB";
    case Megabytes:
        return FormatNumber(double(bytes / 1048576), 3) + " MB";
    default:
        return std::to_string(bytes) + " bytes";
    }
}

std::string LengthText(int pixels, int unit)
{
    switch (unit) {
    case Inches:
        return FormatNumber(pixels * 0.01041667, 2);
    case Millimetres:
        return FormatNumber(pixels * 0.2645836, 2);
    case Centimetres:
        return FormatNumber(pixels * 0.2645836 * 0.1, 2);
    default:
        return FormatNumber(pixels, 4);
    }
}

} // namespace

std::string TitleText(bool fullPath, const std::string& path)
{
    if (!fullPath)
        return kProgramTitle;
    return std::string(kProgramTitle) + " - [" + path + "]";
}

std::string FileSizeText(uint64_t size, int unit)
{
    // Computed in single precision, as the properties always were.
    const float value = float(size);
    switch (unit) {
    case Kilobytes:
        return FormatNumber(value / 1024.0f, 3) + " KB";
    case Megabytes:
        return FormatNumber(value / 1048576.0f, 3) + " MB";
    default:
        return FormatNumber(value, 3) + " bytes";
    }
}

std::string ImageSizeText(int width, int height, int unit)
{
    return LengthText(width, unit) + "x" + LengthText(height, unit);
}

std::string FreeSpaceText(uint64_t freeBytes, int unit)
{
    return " Free Disk Space: " + WholeUnits(freeBytes, unit);
}

std::string BrowserCountText(int selected, int listed, uint64_t total, int unit)
{
    return " " + std::to_string(selected) + " of " + std::to_string(listed) + " (" + WholeUnits(total, unit) +
           ")";
}

std::string ZoomText(int displayWidth, int pictureWidth)
{
    if (displayWidth <= 0 || pictureWidth <= 0)
        return {};
    return " " + std::to_string((int64_t(displayWidth) * 200 + pictureWidth) / (2 * int64_t(pictureWidth))) +
           "%";
}

std::string ViewerCountText(int index, int listed)
{
    if (index < 0)
        return " 0/0";
    return " " + std::to_string(index + 1) + "/" + std::to_string(listed);
}

std::string PageText(int page, int count)
{
    if (count <= 1)
        return "";
    return "page " + std::to_string(page + 1) + " of " + std::to_string(count);
}

std::string ViewerInfoText(const std::string& name, int width, int height, int bitsPerPixel,
                           uint64_t fileSize, int fileSizeUnit, int imageSizeUnit)
{
    // No picture (still loading, or unreadable): name and file size only.
    if (width <= 0 || height <= 0)
        return " " + name + ", " + FileSizeText(fileSize, fileSizeUnit);
    return " " + name + ", " + ImageSizeText(width, height, imageSizeUnit) + " " +
           std::to_string(bitsPerPixel) + " bpp, " + FileSizeText(fileSize, fileSizeUnit);
}

LoadFailureTexts DescribeLoadFailure(FileFailure failure)
{
    std::string view = "Unknow format.";
    switch (failure) {
    case FileFailure::NotFound:
        view = "File not found.";
        break;
    case FileFailure::Empty:
        view = "The file is empty.";
        break;
    case FileFailure::Denied:
        view = "Permission denied.";
        break;
    case FileFailure::None:
    case FileFailure::Unreadable:
        break;
    }
    // The status bar says the same, without the full stop.
    std::string status = "  " + view.substr(0, view.size() - 1);
    return {std::move(view), std::move(status)};
}

std::string PartlyReadStatus(const std::string& warning)
{
    return "  Warning: " + warning;
}

std::vector<std::pair<std::string, std::string>> CameraLines(const PhotoFacts& facts)
{
    const auto joined = [](std::initializer_list<const std::string*> parts) {
        std::string text;
        for (const std::string* part : parts)
            if (!part->empty())
                text += (text.empty() ? "" : ", ") + *part;
        return text;
    };
    // Makers often repeat their name in the model ("Canon" "Canon EOS 5D").
    std::string camera = facts.model;
    if (!facts.make.empty() && camera.rfind(facts.make, 0) != 0)
        camera = camera.empty() ? facts.make : facts.make + " " + camera;
    const std::string iso = facts.iso.empty() ? "" : "ISO " + facts.iso;
    std::string position = facts.PositionText();
    if (!position.empty() && facts.hasAltitude) {
        char metres[32];
        std::snprintf(metres, sizeof metres, ", %.0f m", facts.altitude);
        position += metres;
    }
    const std::pair<const char*, std::string> lines[] = {
        {"Taken:", facts.dateTaken},
        {"Camera:", camera},
        {"Lens:", facts.lens},
        {"Exposure:", joined({&facts.exposureTime, &facts.aperture, &iso, &facts.focalLength})},
        {"Flash:", facts.flash},
        {"GPS:", position},
    };
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& [label, value] : lines)
        if (!value.empty())
            out.emplace_back(label, value);
    return out;
}

} // namespace vktext
