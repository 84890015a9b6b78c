// CAnyPicDecoder: picks a decoder from the file's first bytes, never from
// its name, and lets it run. The formats, their tests and their order are
// the rows of kPictureFormats (FormatRegistry.h).
#pragma once

#include "engine/picture/FormatRegistry.h"
#include "engine/picture/PicDecoder.h"

#include <array>
#include <memory>

class CAnyPicDecoder : public CPicDecoder {
  public:
    CAnyPicDecoder();
    ~CAnyPicDecoder() override;

    void Decode(CDataSource& source, CBmp& bmp, int wantedDepth = 32) override;
    // The format code of the last file decoded (FormatNone before any).
    int GetDetectedFormat() const { return m_detectedFormat; }
    // The orientation the last file's EXIF data records (1 when none). By
    // default the picture is turned upright after decoding; switched off,
    // the stored pixels are kept.
    int GetStoredOrientation() const { return m_storedOrientation; }
    void SetApplyOrientation(bool apply) { m_applyOrientation = apply; }

    // The first row whose test matches, nullptr for none.
    static const PictureFormatInfo* Detect(const uint8_t* data, size_t size);
    // That row's detection result, kDetectedNone for none.
    static int DetectFormat(const uint8_t* data, size_t size);

  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;

  private:
    int m_detectedFormat = FormatNone;
    int m_storedOrientation = OrientUpright;
    bool m_applyOrientation = true;
    // One decoder per row, made with the detector.
    std::array<std::unique_ptr<CPicDecoder>, kPictureFormatCount> m_decoders;
};
