#include "engine/picture/EPSDecoder.h"

#include "engine/picture/TextException.h"

namespace {

constexpr size_t kSectionOffsetAt = 20;

} // namespace

void CEPSDecoder::DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source)
{
    // A file too short for the offset, or an offset beyond the file image,
    // is the end-of-file error.
    source.Skip(LoadLE32(ByteView(source.GetStart(), source.GetSize()), kSectionOffsetAt));
    CTIFFDecoder::DecodeInto(bmp, palette, wantedDepth, source);
}
