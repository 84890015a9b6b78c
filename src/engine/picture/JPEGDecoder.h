// CJPEGDecoder: JPEG decoder on libjpeg, fed from the data source's bytes.
// Also decodes JPEG data embedded in other formats (any CDataSource).
#pragma once

#include "engine/picture/PicDecoder.h"

#include <functional>
#include <memory>

class CJPEGDecoder : public CPicDecoder {
  public:
    CJPEGDecoder();
    ~CJPEGDecoder() override;

    // Fancy upsampling is off while set (the default).
    bool GetFastMode() const { return m_fastMode; }
    void SetFastMode(bool fast) { m_fastMode = fast; }

    // Reduced decoding: given the picture's full size once the header is
    // read, the chooser returns a denominator of 1, 2, 4 or 8 and the
    // picture is decoded at that fraction of its size through the DCT,
    // which is several times faster. Any other answer decodes at full size.
    using ScaleChooser = std::function<int(int width, int height)>;
    void SetScaleChooser(ScaleChooser chooser) { m_scaleChooser = std::move(chooser); }
    // The full size and the denominator of the last decode whose header was read.
    int GetFullWidth() const { return m_fullWidth; }
    int GetFullHeight() const { return m_fullHeight; }
    int GetScaleDenominator() const { return m_denominator; }

    // The next decode (only) writes the picture turned by an EXIF
    // orientation (1 to 8) as it goes, in one pass, instead of as stored.
    bool SetOrientation(int orientation) override
    {
        m_orientation = orientation;
        return true;
    }

    // The next reduced decode (only) of a progressive file shows just its
    // first scan, the coarse picture that arrives first, at an eighth of
    // its size whatever the chooser said, for a fraction of the cost of
    // reading every scan. Full-size decodes and baseline files are decoded
    // whole. Whether it happened:
    void SetFirstScanOnly() { m_firstScanOnly = true; }
    bool WasFirstScanOnly() const { return m_wasFirstScanOnly; }

    struct Library;

  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;

  private:
    // The header read: the rows go to the sink band by band.
    void StreamRows(CRowSink& sink);

    // The decompression object lives as long as the decoder.
    std::unique_ptr<Library> m_library;
    bool m_fastMode = true;
    ScaleChooser m_scaleChooser;
    int m_fullWidth = 0;
    int m_fullHeight = 0;
    int m_denominator = 1;
    int m_orientation = 1;
    bool m_firstScanOnly = false;
    bool m_wasFirstScanOnly = false;
};
