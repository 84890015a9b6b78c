// Page layout for printing: page units of 1/100 inch with y growing
// upwards, origin at the top-left corner of the printable area (so the
// page lies at y <= 0). Everything here is plain arithmetic on the print
// settings; the printing view maps the units onto the printer once.
#pragma once

#include "engine/picture/WinBmp.h"
#include "models/settings/Settings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vkprint {

constexpr int kUnitsPerInch = 100;
constexpr int kMinimumExtent = 100; // what a margin must leave of the page
constexpr int kCellPadding = 10;    // around a thumbnail in its cell
constexpr int kCellInset = 5;

// A rectangle in page units: top > bottom (y grows upwards).
struct PageRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return top - bottom; }
    bool operator==(const PageRect&) const = default;
};

// What the printer says about itself.
struct PrinterGeometry {
    int dpiX = 0;
    int dpiY = 0;
    int printableWidthPx = 0;
    int printableHeightPx = 0;
};

// Page size for the margin check: whole inches of the printable area x 100.
struct PageExtent {
    int width = 0;
    int height = 0;
};
PageExtent PageExtentOf(const PrinterGeometry& printer);

// Checks the margins in the order left, right, top, bottom: a margin that
// would leave less than 100 units of the page is set to 0 (in `settings`
// too). Returns the usable width and height.
PageExtent ApplyMargins(CSettings& settings, PageExtent page);

// The drawing rectangle: the printable area (exact, in page units) less
// the four margins.
PageRect DrawingRect(const CSettings& settings, const PrinterGeometry& printer);

// Number of info lines a thumbnail carries (name, dimensions) and their
// height: `lineHeight` x lines.
int ThumbnailTextLines(const CSettings& settings);
int ThumbnailTextHeight(const CSettings& settings, int lineHeight);

struct ThumbnailGrid {
    int columns = 1;
    int rows = 1;
    int perPage = 1;
    int gridWidth = 0;
    int gridHeight = 0;
    int pages = 0;
};
ThumbnailGrid ComputeGrid(int usableWidth, int usableHeight, int thumbWidth, int thumbHeight, int textHeight,
                          int count);

// Length in page units shown in the user's image size unit: pixels 1,
// inches 0.01041667, millimetres 0.2645836, centimetres a tenth of that.
double UnitFactor(int imageSizeUnit);
// " inches", " mm", " cm", or "" for pixels.
const char* UnitText(int imageSizeUnit);
// Page units shown with `decimals` decimals in the unit (fraction dropped
// when all zeros); and the text entered, back to page units (truncated).
std::string FormatLength(double pageUnits, int imageSizeUnit, int decimals);
int32_t ParseLength(const std::string& text, int imageSizeUnit, bool& ok);

// Constrained proportions: the other edit's text after one edit changed
// to `entered` (display units). proportion = width / height. Four
// decimals, none for pixels; "" when `entered` is not a number.
std::string ConstrainedText(const std::string& entered, double proportion, bool widthEntered,
                            int imageSizeUnit);

// The info line of an image page: path, name, dimensions, file size, as
// the four info settings ask; "" when all are off.
std::string InfoText(const CSettings& settings, const std::string& directory, const std::string& fileName,
                     int pixelWidth, int pixelHeight, uint64_t fileSize);
// Width x height in the image size unit with two decimals, for thumbnails.
std::string DimensionsText(const CSettings& settings, int pixelWidth, int pixelHeight);

// Measures a text in page units (the printer's font).
using TextWidth = std::function<int(const std::string&)>;

struct TextPlacement {
    std::string text;
    int x = 0;   // left edge
    int top = 0; // upper edge
};

// x of a text of width `width` aligned in [left, right] by printInfoAlign
// (0 centre when it fits, else left; 1 left; 2 right).
int AlignText(int align, int width, int left, int right);

struct ImagePage {
    bool hasInfo = false;
    TextPlacement info;
    PageRect image;        // where the picture is drawn
    bool tooLarge = false; // larger than the rectangle left for it
};

// Lays out an image page: info line, size by printSizeMode (0 pixels as
// units, 1 fit keeping proportions, 2 custom), the size check and the
// position in the drawing rectangle.
ImagePage LayoutImagePage(const CSettings& settings, PageRect rect, int lineHeight,
                          const std::string& infoText, const TextWidth& measure, int pixelWidth,
                          int pixelHeight);

// Places a `width` x `height` box in `rect` by printHorizontal and
// printVertical (halves truncated toward zero).
PageRect PlaceBox(const CSettings& settings, const PageRect& rect, int width, int height);

// The largest size of a `pixelWidth` x `pixelHeight` picture inside
// `boxWidth` x `boxHeight` keeping its proportions (at least 1 x 1).
void FitInto(int pixelWidth, int pixelHeight, int boxWidth, int boxHeight, int& width, int& height);

struct ThumbnailCell {
    int index = 0; // into the list of names
    PageRect cell;
    PageRect imageBox; // the space for the picture (thumb width x height)
    bool hasName = false;
    TextPlacement name;
    bool hasDimensions = false; // the text itself needs the picture's size
    int dimensionsTop = 0;
};

// The cells of page `page` (0-based) of a thumbnail run of `count` names.
std::vector<ThumbnailCell> LayoutThumbnailPage(const CSettings& settings, const PageRect& rect,
                                               const ThumbnailGrid& grid, int page, int count,
                                               int lineHeight);

// The picture inside a cell's box: fitted, centred horizontally and
// vertically in the box.
PageRect ThumbnailImageRect(const ThumbnailCell& cell, int pixelWidth, int pixelHeight);

// What a print run prints: printMode 0 the current image, 1 every selected
// image, 2 thumbnail pages; `preview` for the print preview.
struct PrintRequest {
    int printMode = 0;
    bool preview = false;
    std::string directory;
    std::vector<std::string> allNames;      // the file list's entries
    std::vector<std::string> selectedNames; // in list order
    std::string currentFile;
    // The picture the view shows, edits and all, printed in place of the
    // file `shownName` (a name of `directory`); null: every page is read.
    std::shared_ptr<const CWinBmp> shownPicture;
    std::string shownName;
};

// Thumbnail pages are laid out when (printMode 2 or a preview) and (size
// mode Thumbnails or real printing).
bool UsesThumbnailLayout(const CSettings& settings, const PrintRequest& request);
// The names printed: thumbnails of every entry or of the selected ones;
// the current file for printMode 0; the selected names otherwise.
std::vector<std::string> NamesToPrint(const CSettings& settings, const PrintRequest& request);

// Before a printing command runs: Print and Print All never print
// thumbnail pages (Thumbnails becomes Default); Print Thumbnails always does.
void PrepareCommand(CSettings& settings, int printMode);

} // namespace vkprint
