#include "PicDecoder.h"

#include "FileSource.h"

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
