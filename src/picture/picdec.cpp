#include "picdec.h"

#include "filesrc.h"

#include <cstring>
#include <new>

void CPicDecoder::DecodeFile(const std::string& fileName, CBmp& bmp, int wantedDepth)
{
    Trace(1, "--- Decoding file %s. ---\n", fileName.c_str());
    CFileSource source;
    int result = source.Open(fileName);
    if (result != 0)
        RaiseError(result, "Opening " + fileName + " failed");
    Decode(source, bmp, wantedDepth);
}

void CPicDecoder::Decode(CDataSource& source, CBmp& bmp, int wantedDepth)
{
    PaletteHolder palette;
    try {
        DecodeInto(bmp, palette, wantedDepth, source);
    } catch (const std::bad_alloc&) {
        RaiseError(ErrNoMemory, kTextOutOfMemory);
    }
}

int CPicDecoder::ResolveTargetDepth(int sourceDepth, int& wantedDepth)
{
    if (wantedDepth != 32)
        wantedDepth = sourceDepth <= 8 ? 8 : 32;
    return wantedDepth;
}

PaletteEntry* CPicDecoder::AllocPalette(PaletteHolder& holder)
{
    holder = std::make_unique<PaletteEntry[]>(256);
    for (int i = 0; i < 256; ++i)
        holder[i] = PaletteEntry{0, 0, 0, 255};
    return holder.get();
}

void BuildPixelTable(const PaletteEntry* palette, uint32_t table[256])
{
    for (int i = 0; i < 256; ++i)
        table[i] = PaletteToPixel(palette[i]);
}

void ExpandIndexedLine(const uint8_t* indices, int count, const uint32_t table[256], uint32_t* out)
{
    for (int x = 0; x < count; ++x)
        out[x] = table[indices[x]];
}

void ExpandBgrLine(const uint8_t* in, int count, uint32_t* out)
{
    int x = 0;
    // Four pixels from three little-endian words at a time.
    for (; x + 4 <= count; x += 4, in += 12) {
        uint32_t a, b, c;
        std::memcpy(&a, in, 4);
        std::memcpy(&b, in + 4, 4);
        std::memcpy(&c, in + 8, 4);
        out[x] = a | 0xFF000000u;
        out[x + 1] = (a >> 24) | (b << 8) | 0xFF000000u;
        out[x + 2] = (b >> 16) | (c << 16) | 0xFF000000u;
        out[x + 3] = (c >> 8) | 0xFF000000u;
    }
    for (; x < count; ++x, in += 3)
        out[x] = MakePixel(in[2], in[1], in[0]);
}
