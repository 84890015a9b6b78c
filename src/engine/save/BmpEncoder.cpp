#include "engine/save/BmpEncoder.h"

#include "engine/picture/DibHeader.h"
#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"
#include "engine/picture/WinBmp.h"
#include "engine/save/ColorHash.h"

#include <cstring>
#include <new>

void CBmpEncoder::Save(const std::string& path, CBmp& bmp, int depth)
{
    if (depth != 8) {
        // A 32-bit CWinBmp is written from its own block without copying.
        std::unique_ptr<CWinBmp> holder;
        const CBmp& source = As32Bits(bmp, holder);
        if (const auto* dib = dynamic_cast<const CWinBmp*>(&source)) {
            SaveAsBmpFile(*dib, path);
            return;
        }
        try {
            holder = std::make_unique<CWinBmp>();
            holder->CopyFrom(source);
        } catch (const std::bad_alloc&) {
            throw CTextException(ErrNoMemory, kTextOutOfMemory);
        }
        SaveAsBmpFile(*holder, path);
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
    SaveAsBmpFile(indexed, path);
}

void WriteBmp(const CWinBmp& bmp, const ByteSink& sink)
{
    const int width = bmp.GetWidth();
    const int height = bmp.GetHeight();
    const bool indexed = bmp.GetBitsPerPixel() <= 8;
    const size_t paletteBytes = indexed ? size_t(4) << bmp.GetBitsPerPixel() : 0;
    const size_t outLineBytes =
        indexed ? size_t(bmp.GetLineBytes()) : (size_t(3) * size_t(width) + 3) & ~size_t(3);

    BmpFileHeader file;
    file.dataOffset = uint32_t(kBmpFileHeaderSize + kDibHeaderSize + paletteBytes);
    file.fileSize = uint32_t(file.dataOffset + outLineBytes * size_t(height));
    // The block's header as held; a 32-bit picture is written as 24 bits.
    DibHeader info = bmp.GetDIBHeader();
    if (!indexed)
        info.bitCount = 24;
    uint8_t header[kBmpFileHeaderSize + kDibHeaderSize];
    StoreBmpFileHeader(file, header);
    StoreDibHeader(info, ByteSpan(header).subspan(kBmpFileHeaderSize));
    sink(header, sizeof header);
    if (indexed) {
        sink(bmp.GetPalette(), paletteBytes);
        sink(bmp.GetPixels(), outLineBytes * size_t(height));
        return;
    }
    // The padding bytes are 0x20, 0x00, 0x00, as the program always wrote them.
    static const uint8_t kPadding[3] = {0x20, 0x00, 0x00};
    const size_t padding = (4 - (3 * size_t(width)) % 4) % 4;
    auto row = AllocateBuffer<uint8_t>(outLineBytes);
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* in = bmp.GetLine(y);
        uint8_t* o = row.get();
        for (int x = 0; x < width; ++x, in += 4, o += 3) {
            o[0] = in[0];
            o[1] = in[1];
            o[2] = in[2];
        }
        std::memcpy(o, kPadding, padding);
        sink(row.get(), outLineBytes);
    }
}

void SaveAsBmpFile(const CWinBmp& bmp, const std::string& fileName)
{
    COutputFile file(fileName);
    WriteBmp(bmp, [&file](const void* data, size_t size) { file.Write(data, size); });
    file.Commit();
}
