#include "models/browser/StatusTexts.h"

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

} // namespace vktext
