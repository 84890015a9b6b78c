// Picture sizes in the unit the user chose for Resize and Canvas Size
// (pixels, inches, millimetres, centimetres), and the constrained
// proportions of Resize. Engine only, no Qt.
#pragma once

#include <string>

enum ImageSizeUnit : int {
    UnitPixels = 0,
    UnitInches = 1,
    UnitMillimeters = 2,
    UnitCentimeters = 3,
};

// Length of one pixel in the unit (1 for pixels); unknown units are pixels.
double UnitPerPixel(int unit);
// "pixels", "inches", "mm", "cm".
const char* UnitLabel(int unit);
// A length in pixels expressed in the unit.
double PixelsToUnit(int pixels, int unit);
// A length in the unit back in pixels, truncated, at least 1 and at most
// `largest`.
int UnitToPixels(double value, int unit, int largest);

// The range a typed size may take, in any unit.
inline constexpr double kSizeMinimum = 0.0001;
inline constexpr double kSizeMaximum = 10000;
bool SizeInRange(double value);

// Keeps width and height in the proportions of the picture when the dialog
// opened, as Resize does while "Constrain proportions" is checked.
class CResizeProportions {
  public:
    CResizeProportions(int width, int height);
    double HeightFor(double width) const { return width * double(m_ratio); }
    double WidthFor(double height) const { return m_ratio != 0 ? height / double(m_ratio) : height; }
    // How a computed value is shown: 0 decimals (rounded) for pixels, 4 for
    // the other units.
    static std::string Text(double value, int unit);

  private:
    float m_ratio; // height / width
};
