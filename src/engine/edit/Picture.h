// CPicture: the bitmap the image view shows, with the fit-size rule used to
// place it. Drawing lives in the window layer, which wraps the DIB block.
#pragma once

#include "engine/picture/WinBmp.h"

struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};

class CPicture : public CWinBmp {
  public:
    // Largest size with the picture's aspect ratio (height / width) that fits
    // a box of boxWidth x boxHeight; boxAspect is the box's height / width.
    PictureSize FitSize(int boxWidth, int boxHeight, float boxAspect) const;
    // The same for a picture of width x height not yet decoded.
    static PictureSize FitSizeOf(int width, int height, int boxWidth, int boxHeight, float boxAspect);
};
