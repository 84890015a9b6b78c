#include "engine/save/TGAEncoder.h"

#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"
#include "engine/picture/TgaHeader.h"
#include "engine/save/ColorHash.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr size_t kMaxPacket = 128;

bool SamePixel(const uint8_t* a, const uint8_t* b, size_t pixelBytes)
{
    return pixelBytes == 1 ? *a == *b : std::memcmp(a, b, pixelBytes) == 0;
}

// Length of the run of identical pixels starting at i, at most 128.
size_t RunAt(const uint8_t* pixels, size_t i, size_t count, size_t pixelBytes)
{
    const uint8_t* first = pixels + i * pixelBytes;
    size_t j = i + 1;
    while (j < count && j - i < kMaxPacket && SamePixel(pixels + j * pixelBytes, first, pixelBytes))
        ++j;
    return j - i;
}

} // namespace

size_t EncodeTgaLine(const uint8_t* pixels, size_t count, size_t pixelBytes, uint8_t* out)
{
    uint8_t* o = out;
    size_t i = 0;
    while (i < count) {
        const size_t run = RunAt(pixels, i, count, pixelBytes);
        if (run >= 2) {
            *o++ = uint8_t(127 + run);
            std::memcpy(o, pixels + i * pixelBytes, pixelBytes);
            o += pixelBytes;
            i += run;
            continue;
        }
        // Neighbouring single pixels join into one raw packet.
        const size_t start = i;
        size_t singles = 0;
        while (i < count && singles < kMaxPacket &&
               (i + 1 == count ||
                !SamePixel(pixels + (i + 1) * pixelBytes, pixels + i * pixelBytes, pixelBytes))) {
            ++i;
            ++singles;
        }
        if (singles == 1) {
            // A single pixel on its own is a run of one.
            *o++ = 128;
        } else {
            *o++ = uint8_t(singles - 1);
        }
        std::memcpy(o, pixels + start * pixelBytes, singles * pixelBytes);
        o += singles * pixelBytes;
    }
    return size_t(o - out);
}

void CTGAEncoder::Save(const std::string& path, CBmp& bmp, bool rle, int depth)
{
    if (depth != 8 && depth != 24)
        throw CTextException(ErrInternal, kTextTgaBadDepth);
    const int width = bmp.GetWidth();
    const int height = bmp.GetHeight();
    // Width and height are 16-bit fields.
    if (width > 0xFFFF || height > 0xFFFF)
        throw CTextException(ErrUnsupported, kTextTgaTooLarge);
    const size_t pixelBytes = depth == 8 ? 1 : 3;

    std::vector<uint8_t> line;
    std::vector<uint8_t> packets;
    try {
        line.resize(size_t(width) * pixelBytes + 1);
        if (rle)
            packets.resize(size_t(width) * (pixelBytes + 1) + 1);
    } catch (const std::bad_alloc&) {
        throw CTextException(ErrNoMemory, kTextOutOfMemory);
    }

    COutputFile file(path);
    std::unique_ptr<CWinBmp> holder;
    CReducedPalette palette;
    const CBmp* source = nullptr;
    if (depth == 8) {
        palette = ReducePalette(bmp);
        source = palette.pixels;
    } else {
        source = &As32Bits(bmp, holder);
    }
    const int mapLength = depth == 8 ? palette.Count() : 0;

    TgaHeader header;
    header.colorMapType = depth == 8 ? 1 : 0;
    header.imageType = uint8_t((depth == 8 ? kTgaMapped : kTgaTrueColor) | (rle ? kTgaRleFlag : 0));
    header.mapLength = uint16_t(mapLength);
    header.mapEntrySize = depth == 8 ? 24 : 0;
    header.width = uint16_t(width);
    header.height = uint16_t(height);
    header.pixelDepth = uint8_t(depth); // rows from the bottom
    const auto bytes = TgaHeaderBytes(header);
    file.Write(bytes.data(), bytes.size());
    for (int i = 0; i < mapLength; ++i) {
        const colorhist_item& c = palette.colors[size_t(i)];
        const uint8_t entry[3] = {c.blue, c.green, c.red};
        file.Write(entry, 3);
    }

    for (int y = height - 1; y >= 0; --y) {
        if (depth == 8) {
            MapLineToIndices(palette, source->GetLine32(y), width, line.data());
        } else {
            const uint8_t* in = source->GetLine(y);
            uint8_t* out = line.data();
            for (int x = 0; x < width; ++x, in += 4, out += 3) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        }
        if (rle) {
            const size_t n = EncodeTgaLine(line.data(), size_t(width), pixelBytes, packets.data());
            file.Write(packets.data(), n);
        } else {
            file.Write(line.data(), size_t(width) * pixelBytes);
        }
    }
    file.Commit();
}
