#include "EPSDecoder.h"

#include "TextException.h"

namespace {

constexpr size_t kSectionOffsetAt = 20;

} // namespace

void CEPSDecoder::DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source)
{
    // An offset beyond the file image is the data source's end-of-file error.
    if (source.GetSize() < kSectionOffsetAt + 4)
        throw CTextException(ErrEndOfFile, kTextEndOfFile);
    const uint8_t* p = source.GetStart() + kSectionOffsetAt;
    source.Skip(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    CTIFFDecoder::DecodeInto(bmp, palette, wantedDepth, source);
}
