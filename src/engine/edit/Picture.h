// CPicture: the bitmap the image view shows, and the fit-to-window rule that
// sizes a picture when it is shown (the viewer, the preview, its loader and
// the dialogs' picture box all use it). Drawing lives in the window layer,
// which wraps the DIB block.
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

inline PictureSize PictureSizeOf(const CWinBmp& picture)
{
    return {picture.GetWidth(), picture.GetHeight()};
}

// How a picture is fitted to its window when it is shown.
struct FitRule {
    bool shrink = false;       // larger than the window in either direction: fitted down
    bool enlarge = false;      // smaller in both directions: fitted up,
    bool tenfoldLimit = false; // to at most ten times its size
};

// The displayed size of a `picture` shown in `window` by `rule`: fitted, or
// its own size when the rule does not fit it, when it touches the window in
// one direction and fits in the other, or when either size is empty. A
// fitted side is at least one pixel. With `keepWhenTouching` (a relayout
// after an edit) a picture that touches the window keeps `current` instead.
PictureSize ChooseDisplaySize(PictureSize picture, PictureSize window, FitRule rule,
                              bool keepWhenTouching = false, PictureSize current = {});
