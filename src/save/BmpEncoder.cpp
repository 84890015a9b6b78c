#include "BmpEncoder.h"

#include "ColorHash.h"
#include "picture/TextException.h"
#include "picture/WinBmp.h"

#include <new>

void CBmpEncoder::Save(const std::string& path, CBmp& bmp, int depth)
{
    if (depth != 8) {
        // A 32-bit CWinBmp is written by its own BMP writer without copying.
        std::unique_ptr<CWinBmp> holder;
        const CBmp& source = As32Bits(bmp, holder);
        if (const auto* dib = dynamic_cast<const CWinBmp*>(&source)) {
            dib->SaveAsBmpFile(path);
            return;
        }
        try {
            holder = std::make_unique<CWinBmp>();
            holder->CopyFrom(source);
        } catch (const std::bad_alloc&) {
            throw CTextException(ErrNoMemory, kTextOutOfMemory);
        }
        holder->SaveAsBmpFile(path);
        return;
    }

    const CReducedPalette palette = ReducePalette(bmp);
    const int width = bmp.GetWidth();
    const int height = bmp.GetHeight();
    CWinBmp indexed;
    try {
        indexed.Create(width, height, 8, false);
    } catch (const std::bad_alloc&) {
        throw CTextException(ErrNoMemory, kTextOutOfMemory);
    }
    // Entries after the last colour keep the new bitmap's gray ramp.
    PaletteEntry* entries = indexed.GetPalette();
    for (int i = 0; i < palette.Count(); ++i) {
        const colorhist_item& c = palette.colors[size_t(i)];
        entries[i] = PaletteEntry{c.blue, c.green, c.red, 0};
    }
    for (int y = 0; y < height; ++y)
        MapLineToIndices(palette, palette.pixels->GetLine32(y), width, indexed.GetLine(y));
    indexed.SaveAsBmpFile(path);
}
