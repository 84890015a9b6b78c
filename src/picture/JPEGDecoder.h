// CJPEGDecoder: JPEG decoder on libjpeg, fed from the data source's bytes.
// Also decodes JPEG data embedded in other formats (any CDataSource).
#pragma once

#include "PicDecoder.h"

#include <memory>

class CJPEGDecoder : public CPicDecoder {
public:
    CJPEGDecoder();
    ~CJPEGDecoder() override;

    // Fancy upsampling is off while set (the default).
    bool GetFastMode() const { return m_fastMode; }
    void SetFastMode(bool fast) { m_fastMode = fast; }

    struct Library;

protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;

private:
    // The decompression object lives as long as the decoder.
    std::unique_ptr<Library> m_library;
    bool m_fastMode = true;
};
