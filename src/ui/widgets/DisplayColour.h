// Colour management of what is shown: whether it is on (View > Colour
// management), the screen's profile, and the turn of a scaled image made
// from a picture into the screen's colours. The picture's own pixels are
// never touched: only the images drawn (preview, viewer, thumbnails,
// printing) are turned.
#pragma once

#include "engine/picture/Bmp.h"

#include <QImage>

#include <cstdint>
#include <vector>

namespace vkdisplay {

enum class ColourTarget {
    Screen, // what is drawn in a window
    Srgb,   // what is printed: printers take sRGB
    None,   // the pixels as they are (the clipboard)
};

// On by default; the window remembers it in window.ini.
void SetColourManaged(bool on);
bool ColourManaged();

// The screen's ICC profile; empty (or unusable) means sRGB.
void SetScreenProfile(std::vector<uint8_t> icc);
ColourProfilePtr ScreenProfile();

// The profile X11 publishes for the first screen (the root window's
// _ICC_PROFILE property); empty when there is none or the platform is not X11.
std::vector<uint8_t> ReadX11ScreenProfile();

// Turns `image` (RGB32 or ARGB32, made from `picture`) from the picture's
// colours (sRGB when it carries none) into the target's, in bands on every
// core. False when nothing was done: management off, nothing to do, or a
// profile that cannot be used, which leaves the image unmanaged. Safe on
// any thread.
bool ManageColours(QImage& image, const CBmp& picture, ColourTarget target = ColourTarget::Screen);

} // namespace vkdisplay
