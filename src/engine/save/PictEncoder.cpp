#include "engine/save/PictEncoder.h"

#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"
#include "engine/picture/WinBmp.h"
#include "engine/save/ColorHash.h"
#include "engine/save/PackBitsEncoder.h"

#include <cstdio>
#include <sys/types.h>

namespace {

constexpr size_t kFileHeaderSize = 512;
constexpr uint16_t kOpClip = 0x0001;
constexpr uint16_t kOpVersion = 0x0011;
constexpr uint16_t kVersion2 = 0x02FF;
constexpr uint16_t kOpHeader = 0x0C00;
constexpr uint16_t kOpPackBitsRect = 0x0098;
constexpr uint16_t kOpEnd = 0x00FF;
constexpr uint32_t kFixed72 = 72u << 16;
// Row bytes share their word with two flag bits, so a pixmap row holds at
// most 0x3FFF bytes; rectangles are signed 16-bit.
constexpr int kMaxWidth = 0x3FFF;
constexpr int kMaxHeight = 0x7FFF;
// Rows narrower than this are stored unpacked, without a byte count.
constexpr int kMinPackedRowBytes = 8;
// Wider rows have a 16-bit byte count, narrower ones a single byte.
constexpr int kShortCountLimit = 250;

// A rectangle as QuickDraw stores it: top, left, bottom, right.
void WriteRect(COutputFile& file, int height, int width)
{
    file.WriteWordBE(0);
    file.WriteWordBE(0);
    file.WriteWordBE(uint16_t(height));
    file.WriteWordBE(uint16_t(width));
}

} // namespace

void CPictEncoder::Save(const std::string& path, CBmp& bmp, bool rle)
{
    CheckSizeForFormat(bmp, kMaxWidth, kMaxHeight);
    std::unique_ptr<CWinBmp> converted;
    const CBmp* source = &As32Bits(bmp, converted);
    int width = source->GetWidth(), height = source->GetHeight();

    CReducedPalette palette = ReducePalette(*source);
    int n = palette.Count();
    auto indices = AllocateBuffer<uint8_t>(size_t(width));
    auto packed = AllocateBuffer<uint8_t>(PackBitsBound(size_t(width)));

    COutputFile file(path);
    static const uint8_t kZeros[kFileHeaderSize] = {};
    file.Write(kZeros, kFileHeaderSize);
    file.WriteWordBE(0); // picture size, patched at the end
    WriteRect(file, height, width);

    file.WriteWordBE(kOpVersion);
    file.WriteWordBE(kVersion2);
    file.WriteWordBE(kOpHeader);
    file.WriteLongBE(0xFFFFFFFFu);
    // Fixed-point frame: left, top, right, bottom.
    file.WriteLongBE(0);
    file.WriteLongBE(0);
    file.WriteLongBE(uint32_t(width) << 16);
    file.WriteLongBE(uint32_t(height) << 16);
    file.WriteLongBE(0);

    file.WriteWordBE(kOpClip);
    file.WriteWordBE(10);
    WriteRect(file, height, width);

    file.WriteWordBE(kOpPackBitsRect);
    file.WriteWordBE(uint16_t(width | 0x8000)); // row bytes, pixmap flag
    WriteRect(file, height, width);
    file.WriteWordBE(0);        // version
    file.WriteWordBE(0);        // pack type
    file.WriteLongBE(0);        // pack size
    file.WriteLongBE(kFixed72); // horizontal resolution
    file.WriteLongBE(kFixed72); // vertical resolution
    file.WriteWordBE(0);        // pixel type: indexed
    file.WriteWordBE(8);        // pixel size
    file.WriteWordBE(1);        // component count
    file.WriteWordBE(8);        // component size
    file.WriteLongBE(0);        // plane bytes
    file.WriteLongBE(0);        // table handle
    file.WriteLongBE(0);        // reserved

    file.WriteLongBE(0); // colour table seed
    file.WriteWordBE(0); // flags
    file.WriteWordBE(uint16_t(n - 1));
    for (int i = 0; i < n; ++i) {
        const colorhist_item& c = palette.colors[size_t(i)];
        file.WriteWordBE(uint16_t(i));
        file.WriteWordBE(uint16_t(c.red * 257));
        file.WriteWordBE(uint16_t(c.green * 257));
        file.WriteWordBE(uint16_t(c.blue * 257));
    }
    WriteRect(file, height, width); // source
    WriteRect(file, height, width); // destination
    file.WriteWordBE(0);            // transfer mode: copy

    uint64_t rowData = 0;
    for (int y = 0; y < height; ++y) {
        MapLineToIndices(palette, palette.pixels->GetLine32(y), width, indices.get());
        if (width < kMinPackedRowBytes) {
            file.Write(indices.get(), size_t(width));
            rowData += size_t(width);
            continue;
        }
        size_t length = rle ? PackBitsRow(indices.get(), size_t(width), packed.get())
                            : PackBitsLiteralRow(indices.get(), size_t(width), packed.get());
        if (width > kShortCountLimit) {
            file.WriteWordBE(uint16_t(length));
            rowData += 2;
        } else {
            file.WriteByte(uint8_t(length));
            rowData += 1;
        }
        file.Write(packed.get(), length);
        rowData += length;
    }
    // Opcodes start on even offsets.
    if (rowData & 1)
        file.WriteByte(0);
    file.WriteWordBE(kOpEnd);

    // The picture size field holds the low 16 bits of the length after the
    // 512-byte header.
    std::FILE* stream = file.GetStream();
    off_t length = ::ftello(stream);
    if (length < 0 || ::fseeko(stream, off_t(kFileHeaderSize), SEEK_SET) != 0)
        throw CTextException(ErrWriting, "Error writing image.");
    file.WriteWordBE(uint16_t(uint64_t(length) - kFileHeaderSize));
    file.Commit();
}
