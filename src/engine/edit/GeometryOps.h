// Pixel kernels and size rules of the geometry operations. Kernels read a
// 32-bit source and fill a 32-bit destination that the caller has created at
// the size the matching size rule gives; source and destination differ.
#pragma once

#include "engine/edit/Picture.h"
#include "engine/picture/Bmp.h"

#include <cstdint>

// Uncovered areas of rotation, shear and a growing canvas.
inline constexpr uint32_t kBackgroundPixel = 0xFFFFFFFFu;

// Hints that a freshly created, not yet written bitmap be backed by large
// pages, which makes first writes to a large picture much cheaper, where
// free ones make it cost no wait (AdviseHugePages).
void AdviseLargePages(CBmp& bmp);

// Where source pixel (column x, line y) goes, for flips, transpose and the
// 90-degree steps:
//   column = (newW - 1) k1 + y b + x c,   line = (newH - 1) k2 + y d + x e.
struct IndexMapping {
    int k1 = 0, k2 = 0, b = 0, c = 1, d = 1, e = 0;

    IndexMapping& MirrorColumns();
    IndexMapping& MirrorLines();
    IndexMapping& SwapAxes();
    bool SwapsSides() const { return c == 0; }
    bool operator==(const IndexMapping&) const = default;

    static IndexMapping FlipLines() { return IndexMapping().MirrorLines(); }
    static IndexMapping FlipColumns() { return IndexMapping().MirrorColumns(); }
    static IndexMapping Transpose() { return IndexMapping().SwapAxes(); }
    // Clockwise turn by 90, 180 or 270 degrees (0 is the identity).
    static IndexMapping Turn(int degrees);
};

// Copies all four bytes of every pixel to its mapped place. The destination
// is W x H, or H x W when the mapping swaps sides.
void MapPixels(const CBmp& source, CBmp& dest, const IndexMapping& mapping);

// Rotation sizes of the three-shear scheme for angle theta (radians).
struct ShearRotationSizes {
    int64_t t = 0, j = 0, u = 0, k = 0; // intermediate width, offsets, height
    int64_t width = 0, height = 0;      // result
    bool valid = false;                 // false when the sizes run away
};
ShearRotationSizes ComputeShearRotationSizes(int width, int height, double theta);
double DegreesToRadians(double degrees);

// A clockwise angle 1..359 split into a 90-degree step and a residual in
// degrees (positive counter-clockwise, at most 45 either way).
struct RotationSplit {
    int step = 0;     // 0, 90, 180 or 270 clockwise
    int residual = 0; // degrees
};
RotationSplit SplitRotation(int angle);

// Turns `source` by theta (radians, positive counter-clockwise) with three
// shears; `dest` is recreated at the result size. Throws CTextException when
// that size cannot be made.
void RotateByShears(const CBmp& source, CBmp& dest, double theta, bool antiAlias);

// Size of a High-quality rotation by `angle` degrees clockwise: the
// three-shear size where it stays near the bounding box, else the size of the
// 90-degree step plus the residual.
PictureSize HighRotationSize(int width, int height, int angle);
// Nearest-neighbour inverse mapping about the centres; dest already sized.
void RotateByInverseMapping(const CBmp& source, CBmp& dest, int angle);

// Width of a shear by `angle` degrees (0 < angle < 90).
int64_t ShearWidth(int width, int height, double angle);
void ShearPixels(const CBmp& source, CBmp& dest, double angle, int corner, bool antiAlias);

// Offset of the old picture inside a canvas of newWidth x newHeight.
void CanvasOffset(int width, int height, int newWidth, int newHeight, int anchor, int& ox, int& oy);
void PlaceOnCanvas(const CBmp& source, CBmp& dest, int anchor);

// Box averaging when both sides shrink, bilinear otherwise.
void ResizePixels(const CBmp& source, CBmp& dest);
