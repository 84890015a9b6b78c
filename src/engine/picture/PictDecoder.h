// CPictDecoder: Macintosh PICT (QuickDraw version 1 and 2) decoder. It walks
// the opcode stream and decodes the first bitmap, pixmap or direct-colour
// opcode; JPEG data embedded through QuickTime goes through a JPEG decoder,
// its own or one it is given.
#pragma once

#include "engine/picture/PicDecoder.h"

#include <memory>

class CJPEGDecoder;

class CPictDecoder : public CPicDecoder {
  public:
    CPictDecoder();
    explicit CPictDecoder(CJPEGDecoder& jpegDecoder);
    ~CPictDecoder() override;

  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;

  private:
    void DecodeEmbeddedJPEG(CBmp& bmp, int& wantedDepth, CDataSource& source);

    std::unique_ptr<CJPEGDecoder> m_ownJpegDecoder;
    CJPEGDecoder& m_jpegDecoder;
};

// Row expansion shared by decoders of packed pixels.
// `count` pixels of 1, 2, 4 or 8 bits (most significant bits first) through
// `table`, or of 16 bits (big-endian xRRRRRGGGGGBBBBB, each field times 8),
// into 32-bit pixels. Other depths raise ErrBadFormat.
void ExpandBuf(const uint8_t* in, int count, int bitsPerPixel, const uint32_t table[256], uint32_t* out);
// `count` indices of 1, 2, 4 or 8 bits into one index byte each.
void ExpandBuf8(const uint8_t* in, int count, int bitsPerPixel, uint8_t* out);
