// CAnyPicDecoder: picks a decoder from the file's first bytes, never from
// its name, and lets it run.
#pragma once

#include "GIFDecoder.h"
#include "HEIFDecoder.h"
#include "JXLDecoder.h"
#include "WebPDecoder.h"
#include "ICODecoder.h"
#include "IFFDecoder.h"
#include "PCXDecoder.h"
#include "PPMDecoder.h"
#include "RASDecoder.h"
#include "BmpDecoder.h"
#include "JPEGDecoder.h"
#include "PictDecoder.h"
#include "PNGDecoder.h"
#include "TGADecoder.h"
#include "TIFFDecoder.h"

// Format codes recorded by the detector.
enum PictureFormat : int {
    FormatNone = -1,
    FormatBMP = 0,
    FormatEPS = 2,
    FormatGIF = 3,
    FormatIFF = 4,
    FormatJPEG = 6,
    FormatPICT = 8,
    FormatPCX = 9,
    FormatPNG = 12,
    FormatPNM = 13,
    FormatRAS = 14,
    FormatTGA = 16,
    FormatTIFF = 17,
    FormatICO = 18,
    FormatWEBP = 19,
    FormatAVIF = 20,
    FormatHEIF = 21,
    FormatJXL = 22,
};

// The short name of a format code ("BMP", "JPEG", ...), "" for none.
const char* FormatName(int formatCode);

class CAnyPicDecoder : public CPicDecoder {
public:
    // Detection results, numbered by the order the tests run in.
    enum Detected : int {
        DetNone = 0,
        DetBMP = 1,
        DetTGA = 2,
        DetTIFF = 3,
        DetPICT = 4,
        DetJPEG = 5,
        DetPNG = 6,
        DetEPS = 7,
        DetGIF = 8,
        DetPCX = 9,
        DetIFF = 10,
        DetPNM = 11,
        DetRAS = 12,
        DetICO = 13,
        // Strong signatures, tested right after BMP so that none of these
        // files is taken for a Targa.
        DetWEBP = 14,
        DetAVIF = 15,
        DetHEIF = 16,
        DetJXL = 17,
    };

    CAnyPicDecoder();

    void Decode(CDataSource& source, CBmp& bmp, int wantedDepth = 32) override;
    int GetDetectedFormat() const { return m_detectedFormat; }
    // The orientation the last file's EXIF data records (1 when none). By
    // default the picture is turned upright after decoding; switched off,
    // the stored pixels are kept.
    int GetStoredOrientation() const { return m_storedOrientation; }
    void SetApplyOrientation(bool apply) { m_applyOrientation = apply; }
    static int DetectFormat(const uint8_t* data, size_t size);

protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;

private:
    int m_detectedFormat = FormatNone;
    int m_storedOrientation = 1;
    bool m_applyOrientation = true;
    CBmpDecoder m_bmpDecoder;
    CJPEGDecoder m_jpegDecoder;
    CPictDecoder m_pictDecoder{m_jpegDecoder};
    CTGADecoder m_tgaDecoder;
    CTIFFDecoder m_tiffDecoder;
    CPNGDecoder m_pngDecoder;
    CGIFDecoder m_gifDecoder;
    CPCXDecoder m_pcxDecoder;
    CIFFDecoder m_iffDecoder;
    CPPMDecoder m_ppmDecoder;
    CRASDecoder m_rasDecoder;
    CICODecoder m_icoDecoder;
    CWebPDecoder m_webpDecoder;
    CHEIFDecoder m_heifDecoder;
    CJXLDecoder m_jxlDecoder;
};
