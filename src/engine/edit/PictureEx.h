// CPictureEx: the current picture with its modified flag, its one-step undo
// and the edit operations the Colors and Image menus run on it.
//
// Every edit takes the undo snapshot before it changes a pixel and sets the
// modified and undo-available flags when it is done. Operations that change
// the size return 1 when width or height changed, else 0, so the view knows
// to relayout. Each also sets the source depth as its menu command does (24
// after brightness, contrast, gamma, balance and every geometry operation
// but the flips and transpose; 8 after gray shades). Pictures of fewer bits
// per pixel are edited as 32-bit ones.
#pragma once

#include "engine/edit/ColorCount.h"
#include "engine/edit/ColorOps.h"
#include "engine/edit/Picture.h"

#include <cstdint>
#include <string>

enum RotateQuality : int {
    RotateLow = 0,
    RotateMedium = 1, // three-shear with anti-aliasing
    RotateHigh = 2,   // inverse mapping
};

enum ShearCorner : int {
    ShearUpLeft = 0,
    ShearDownLeft = 1,
};

// Canvas anchors in the order of the Canvas Size dialog's radio buttons.
enum CanvasAnchor : int {
    AnchorCenter = 0,
    AnchorTopLeft = 1,
    AnchorTopCenter = 2,
    AnchorTopRight = 3,
    AnchorMiddleLeft = 4,
    AnchorMiddleRight = 5,
    AnchorBottomLeft = 6,
    AnchorBottomCenter = 7,
    AnchorBottomRight = 8,
};

class CPictureEx : public CPicture {
  public:
    CPictureEx() = default;

    // --- modified state and undo -------------------------------------------
    bool IsModified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }
    bool IsUndoAvailable() const { return m_undoAvailable; }
    // After a load: a clean picture (modified 0, undo 0).
    void ClearEditState()
    {
        m_modified = false;
        m_undoAvailable = false;
    }

    // The file the picture was read from or last saved to; empty for a
    // pasted picture. A command that writes under a name made from the
    // file, or deletes it, checks this first.
    const std::string& GetSourcePath() const { return m_sourcePath; }
    void SetSourcePath(std::string path) { m_sourcePath = std::move(path); }

    // Makes the undo bitmap a copy of the current bitmap.
    void SaveUndo();
    // Restores the undo bitmap; returns 1 if width or height changed, else 0.
    // Without an undo available it does nothing and returns 0. The modified
    // flag stays set. The snapshot and the picture exchange storage, so undo
    // costs no copy; the snapshot is unavailable afterwards and the next
    // edit replaces it.
    int Undo();
    const CWinBmp& GetUndoBitmap() const { return m_undo; }

    // --- editing beside the shown picture --------------------------------------
    // Makes this picture a copy of `source`'s current bitmap and flags (not
    // its snapshot), so an edit can run on it while `source` stays shown.
    void CopyForEdit(const CPictureEx& source);
    // Exchanges bitmaps, snapshots and flags with `other` without copying.
    void Exchange(CPictureEx& other) noexcept;

    // --- colour operations (the fourth byte is never touched) ---------------
    void Invert();
    void SwapRedBlue();
    // 0; -1 for a value outside -100..100 (nothing changed, no snapshot).
    int AdjustBrightness(int value);
    // 0; -1 outside -100..100; -2 when the picture has too many colours
    // (nothing changed, no snapshot).
    int AdjustContrast(int value);
    // gamma 0.0..2.0 (dialog value v gives (v + 100) * 0.01); 0, or -1
    // outside that range (nothing changed, no snapshot).
    int AdjustGamma(double gamma);
    // Each value -100..100; values outside are clamped.
    void AdjustColorBalance(int red, int green, int blue);
    void ToGrayShades();

    // --- geometry operations -------------------------------------------------
    void FlipLines();   // Flip Horizontal: top and bottom exchange
    void FlipColumns(); // Flip Vertical: left and right exchange
    int Transpose();
    // angle 1..359 clockwise; -1 for other angles (picture unchanged).
    int Rotate(int angle, int quality);
    // angle in (0, 90) degrees; other angles do nothing and return 0.
    int Shear(double angle, int corner, bool antiAlias);
    // Area the canvas gains is white. Throws for a size that cannot be made.
    int CanvasSize(int width, int height, int anchor);
    // Throws CTextException for a zero, negative or oversized size.
    int Resize(int width, int height);

    // --- colour count and histogram (read only) ------------------------------
    // Limit on distinct colours: 2^d + 1 for a source depth d <= 16, else
    // 800000; never more than width x height.
    int64_t ColorLimit() const;
    // Number of distinct colours, or -1 when there are more than the limit.
    int64_t CountColors() const;
    // Fills the four arrays with the pixel counts of the whole picture.
    void ComputeHistogram(ChannelHistogram& histogram) const;

  private:
    // Makes the picture 32 bits per pixel if it is not.
    void MakeTrueColor();
    // Moves the current bitmap into the undo slot without copying and
    // recreates the picture at width x height; the snapshot is the source.
    void SnapshotAndRecreate(int width, int height);
    // Snapshot, then one pass mapping each channel through its table.
    void EditThroughTables(const ChannelTable& blue, const ChannelTable& green, const ChannelTable& red);
    void MarkEdited()
    {
        m_modified = true;
        m_undoAvailable = true;
    }

    bool m_modified = false;
    bool m_undoAvailable = false;
    CWinBmp m_undo;
    std::string m_sourcePath;
};
