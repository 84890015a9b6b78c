#include "models/print/PrintLayout.h"

#include "models/browser/FormatNumber.h"
#include "models/platform/Path.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace vkprint {

namespace {

int64_t ClampToInt(int64_t value)
{
    return std::clamp<int64_t>(value, INT_MIN / 2, INT_MAX / 2);
}

} // namespace

PageExtent PageExtentOf(const PrinterGeometry& printer)
{
    PageExtent page;
    if (printer.dpiX > 0)
        page.width = printer.printableWidthPx / printer.dpiX * kUnitsPerInch;
    if (printer.dpiY > 0)
        page.height = printer.printableHeightPx / printer.dpiY * kUnitsPerInch;
    return page;
}

PageExtent ApplyMargins(CSettings& settings, PageExtent page)
{
    auto apply = [](int32_t& margin, int& left) {
        if (margin < 0 || int64_t(left) - margin < kMinimumExtent)
            margin = 0;
        else
            left -= margin;
    };
    apply(settings.printMarginLeft, page.width);
    apply(settings.printMarginRight, page.width);
    apply(settings.printMarginTop, page.height);
    apply(settings.printMarginBottom, page.height);
    return page;
}

PageRect DrawingRect(const CSettings& settings, const PrinterGeometry& printer)
{
    const int64_t width =
        printer.dpiX > 0 ? int64_t(printer.printableWidthPx) * kUnitsPerInch / printer.dpiX : 0;
    const int64_t height =
        printer.dpiY > 0 ? int64_t(printer.printableHeightPx) * kUnitsPerInch / printer.dpiY : 0;
    PageRect rect;
    rect.left = settings.printMarginLeft;
    rect.right = int(ClampToInt(width - settings.printMarginRight));
    rect.top = -settings.printMarginTop;
    rect.bottom = int(ClampToInt(-(height - settings.printMarginBottom)));
    return rect;
}

int ThumbnailTextLines(const CSettings& settings)
{
    return (settings.printInfoName ? 1 : 0) + (settings.printInfoDimensions ? 1 : 0);
}

int ThumbnailTextHeight(const CSettings& settings, int lineHeight)
{
    return ThumbnailTextLines(settings) * lineHeight;
}

ThumbnailGrid ComputeGrid(int usableWidth, int usableHeight, int thumbWidth, int thumbHeight, int textHeight,
                          int count)
{
    ThumbnailGrid grid;
    const int64_t cellWidth = std::max<int64_t>(1, int64_t(thumbWidth) + kCellPadding);
    const int64_t cellHeight = std::max<int64_t>(1, int64_t(textHeight) + kCellPadding + thumbHeight);
    grid.columns = int(std::max<int64_t>(1, usableWidth / cellWidth));
    grid.rows = int(std::max<int64_t>(1, usableHeight / cellHeight));
    grid.perPage = grid.columns * grid.rows;
    grid.pages = count <= 0 ? 0 : (count + grid.perPage - 1) / grid.perPage;
    grid.gridWidth = int(ClampToInt(cellWidth * grid.columns));
    grid.gridHeight = int(ClampToInt(cellHeight * grid.rows));
    return grid;
}

double UnitFactor(int imageSizeUnit)
{
    switch (imageSizeUnit) {
    case 1:
        return 0.01041667;
    case 2:
        return 0.2645836;
    case 3:
        return 0.2645836 * 0.1;
    default:
        return 1.0;
    }
}

const char* UnitText(int imageSizeUnit)
{
    switch (imageSizeUnit) {
    case 1:
        return " inches";
    case 2:
        return " mm";
    case 3:
        return " cm";
    default:
        return "";
    }
}

std::string FormatLength(double pageUnits, int imageSizeUnit, int decimals)
{
    return FormatNumber(pageUnits * UnitFactor(imageSizeUnit), decimals);
}

int32_t ParseLength(const std::string& text, int imageSizeUnit, bool& ok)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double entered = std::strtod(begin, &end);
    while (end && (*end == ' ' || *end == '\t'))
        ++end;
    ok = end != begin && end && *end == '\0' && errno == 0 && std::isfinite(entered);
    if (!ok)
        return 0;
    // The factors are rounded ("1" inch is 95.99997 units): a shown value
    // must come back as the value it was shown for, so OK without an edit
    // never shrinks a length.
    const double exact = entered / UnitFactor(imageSizeUnit);
    const double stored = std::trunc(exact + (exact < 0 ? -0.001 : 0.001));
    return int32_t(std::clamp(stored, double(INT32_MIN), double(INT32_MAX)));
}

std::string ConstrainedText(const std::string& entered, double proportion, bool widthEntered,
                            int imageSizeUnit)
{
    char* end = nullptr;
    const double value = std::strtod(entered.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t'))
        ++end;
    if (end == entered.c_str() || !end || *end != '\0' || !std::isfinite(value) || !(proportion > 0) ||
        !std::isfinite(proportion))
        return {};
    const double other = widthEntered ? value / proportion : value * proportion;
    if (!std::isfinite(other) || std::fabs(other) > 1e12)
        return {};
    return FormatNumber(other, imageSizeUnit == 0 ? 0 : 4);
}

std::string DimensionsText(const CSettings& settings, int pixelWidth, int pixelHeight)
{
    const double factor = UnitFactor(settings.imageSizeUnit);
    return FormatNumber(pixelWidth * factor, 2) + "x" + FormatNumber(pixelHeight * factor, 2) +
           UnitText(settings.imageSizeUnit);
}

std::string InfoText(const CSettings& settings, const std::string& directory, const std::string& fileName,
                     int pixelWidth, int pixelHeight, uint64_t fileSize)
{
    std::string text;
    if (settings.printInfoPath)
        text = directory;
    if (settings.printInfoName)
        text = settings.printInfoPath ? vkpath::Join(directory, fileName) : fileName;
    if (settings.printInfoDimensions) {
        if (!text.empty())
            text += ", ";
        text += DimensionsText(settings, pixelWidth, pixelHeight);
    }
    if (settings.printInfoFileSize) {
        if (!text.empty())
            text += ", ";
        switch (settings.fileSizeUnit) {
        case 1:
            text += FormatNumber(double(fileSize) * (1.0 / 1024), 3) + " KB";
            break;
        case 2:
            text += FormatNumber(double(fileSize) * (1.0 / 1048576), 3) + " MB";
            break;
        default:
            text += FormatNumber(double(fileSize), 3) + " bytes";
            break;
        }
    }
    return text;
}

int AlignText(int align, int width, int left, int right)
{
    switch (align) {
    case 1:
        return left;
    case 2:
        return right - width;
    default:
        return width <= right - left ? left + (right - left - width) / 2 : left;
    }
}

void FitInto(int pixelWidth, int pixelHeight, int boxWidth, int boxHeight, int& width, int& height)
{
    width = height = 0;
    if (pixelWidth <= 0 || pixelHeight <= 0 || boxWidth <= 0 || boxHeight <= 0)
        return;
    int64_t w = boxWidth;
    int64_t h = int64_t(pixelHeight) * boxWidth / pixelWidth;
    if (h > boxHeight) {
        h = boxHeight;
        w = int64_t(pixelWidth) * boxHeight / pixelHeight;
    }
    width = int(std::max<int64_t>(1, w));
    height = int(std::max<int64_t>(1, h));
}

PageRect PlaceBox(const CSettings& settings, const PageRect& rect, int width, int height)
{
    PageRect box;
    switch (settings.printHorizontal) {
    case 0:
        box.left = rect.left;
        break;
    case 2:
        box.left = rect.left + rect.Width() - width;
        break;
    default:
        box.left = rect.left + (rect.Width() - width) / 2;
        break;
    }
    switch (settings.printVertical) {
    case 0:
        box.top = rect.top;
        break;
    case 2:
        box.top = rect.top - rect.Height() + height;
        break;
    default:
        box.top = rect.top - (rect.Height() - height) / 2;
        break;
    }
    box.right = box.left + width;
    box.bottom = box.top - height;
    return box;
}

ImagePage LayoutImagePage(const CSettings& settings, PageRect rect, int lineHeight,
                          const std::string& infoText, const TextWidth& measure, int pixelWidth,
                          int pixelHeight)
{
    ImagePage page;
    if (!infoText.empty()) {
        page.hasInfo = true;
        page.info.text = infoText;
        page.info.x =
            AlignText(settings.printInfoAlign, measure ? measure(infoText) : 0, rect.left, rect.right);
        if (settings.printInfoPosition == 1) {
            page.info.top = rect.bottom + lineHeight;
            rect.bottom += lineHeight;
        } else {
            page.info.top = rect.top;
            rect.top -= lineHeight;
        }
    }
    int width = pixelWidth;
    int height = pixelHeight;
    if (settings.printSizeMode == 1) {
        FitInto(pixelWidth, pixelHeight, rect.Width(), rect.Height(), width, height);
    } else if (settings.printSizeMode == 2) {
        width = settings.printCustomWidth;
        height = settings.printCustomHeight;
    }
    page.tooLarge = width > rect.Width() || height > rect.Height();
    page.image = PlaceBox(settings, rect, width, height);
    return page;
}

std::vector<ThumbnailCell> LayoutThumbnailPage(const CSettings& settings, const PageRect& rect,
                                               const ThumbnailGrid& grid, int page, int count, int lineHeight)
{
    std::vector<ThumbnailCell> cells;
    const PageRect area = PlaceBox(settings, rect, grid.gridWidth, grid.gridHeight);
    const int textHeight = ThumbnailTextHeight(settings, lineHeight);
    const int cellWidth = settings.printThumbWidth + kCellPadding;
    const int cellHeight = settings.printThumbHeight + textHeight + kCellPadding;
    const int64_t first = int64_t(page) * grid.perPage;
    for (int64_t k = 0; k < grid.perPage && first + k < count; ++k) {
        ThumbnailCell cell;
        cell.index = int(first + k);
        const int row = int(k / grid.columns);
        const int column = int(k % grid.columns);
        cell.cell.left = area.left + column * cellWidth;
        cell.cell.right = cell.cell.left + cellWidth;
        cell.cell.top = area.top - row * cellHeight;
        cell.cell.bottom = cell.cell.top - cellHeight;
        int textTop;
        cell.imageBox.left = cell.cell.left + kCellInset;
        cell.imageBox.right = cell.imageBox.left + settings.printThumbWidth;
        if (settings.printInfoPosition == 1) {
            cell.imageBox.top = cell.cell.top - kCellInset;
            textTop = cell.imageBox.top - settings.printThumbHeight;
        } else {
            textTop = cell.cell.top - kCellInset;
            cell.imageBox.top = textTop - textHeight;
        }
        cell.imageBox.bottom = cell.imageBox.top - settings.printThumbHeight;
        if (settings.printInfoName) {
            cell.hasName = true;
            cell.name.top = textTop;
            textTop -= lineHeight;
        }
        if (settings.printInfoDimensions) {
            cell.hasDimensions = true;
            cell.dimensionsTop = textTop;
        }
        cells.push_back(cell);
    }
    return cells;
}

PageRect ThumbnailImageRect(const ThumbnailCell& cell, int pixelWidth, int pixelHeight)
{
    int width = 0, height = 0;
    FitInto(pixelWidth, pixelHeight, cell.imageBox.Width(), cell.imageBox.Height(), width, height);
    PageRect r;
    r.left = cell.imageBox.left + (cell.imageBox.Width() - width) / 2;
    r.top = cell.imageBox.top - (cell.imageBox.Height() - height) / 2;
    r.right = r.left + width;
    r.bottom = r.top - height;
    return r;
}

bool UsesThumbnailLayout(const CSettings& settings, const PrintRequest& request)
{
    return (request.printMode == 2 || request.preview) && (settings.printSizeMode == 3 || !request.preview);
}

std::vector<std::string> NamesToPrint(const CSettings& settings, const PrintRequest& request)
{
    if ((request.printMode == 2 || request.preview) && settings.printSizeMode == 3)
        return settings.printThumbSelectedOnly ? request.selectedNames : request.allNames;
    if (request.printMode == 0) {
        if (request.currentFile.empty())
            return {};
        return {request.currentFile};
    }
    return request.selectedNames;
}

void PrepareCommand(CSettings& settings, int printMode)
{
    if (printMode == 2)
        settings.printSizeMode = 3;
    else if (settings.printSizeMode == 3)
        settings.printSizeMode = 0;
}

} // namespace vkprint
