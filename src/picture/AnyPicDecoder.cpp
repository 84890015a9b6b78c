#include "AnyPicDecoder.h"

#include "Orientation.h"

#include <cstring>

namespace {

// Reads that lie beyond a short file count as not matching.
struct Bytes {
    const uint8_t* data;
    size_t size;
    bool Has(size_t offset, size_t n) const { return size >= offset + n; }
    int At(size_t offset) const { return offset < size ? data[offset] : -1; }
    uint16_t WordLE(size_t offset) const { return uint16_t(data[offset] | data[offset + 1] << 8); }
    uint32_t LongLE(size_t offset) const
    {
        return uint32_t(data[offset]) | uint32_t(data[offset + 1]) << 8 |
               uint32_t(data[offset + 2]) << 16 | uint32_t(data[offset + 3]) << 24;
    }
    bool Equals(size_t offset, const char* text) const
    {
        size_t n = std::strlen(text);
        return Has(offset, n) && std::memcmp(data + offset, text, n) == 0;
    }
};

bool OneOf(int value, std::initializer_list<int> values)
{
    for (int v : values)
        if (v == value)
            return true;
    return false;
}

} // namespace

const char* FormatName(int formatCode)
{
    switch (formatCode) {
    case FormatBMP: return "BMP";
    case FormatEPS: return "EPS";
    case FormatGIF: return "GIF";
    case FormatIFF: return "IFF";
    case FormatJPEG: return "JPEG";
    case FormatPICT: return "PICT";
    case FormatPCX: return "PCX";
    case FormatPNG: return "PNG";
    case FormatPNM: return "PNM";
    case FormatRAS: return "RAS";
    case FormatTGA: return "TGA";
    case FormatTIFF: return "TIFF";
    case FormatICO: return "ICO";
    case FormatWEBP: return "WEBP";
    case FormatAVIF: return "AVIF";
    case FormatHEIF: return "HEIF";
    case FormatJXL: return "JXL";
    default: return "";
    }
}

CAnyPicDecoder::CAnyPicDecoder() = default;

int CAnyPicDecoder::DetectFormat(const uint8_t* data, size_t size)
{
    const Bytes b{data, size};
    if (b.Has(0, 2) && b.WordLE(0) == 0x4D42)
        return DetBMP;
    if (b.Equals(0, "RIFF") && b.Equals(8, "WEBP"))
        return DetWEBP;
    switch (DetectHeifKind(data, size)) {
    case HeifKind::Avif: return DetAVIF;
    case HeifKind::Heif: return DetHEIF;
    case HeifKind::None: break;
    }
    if (HasJxlSignature(data, size))
        return DetJXL;
    if (b.Has(0, 17) && (b.At(1) == 0 || b.At(1) == 1) && OneOf(b.At(2), {0, 1, 2, 3, 9, 10, 11}) &&
        OneOf(b.At(7), {0, 8, 15, 16, 24, 32}) && OneOf(b.At(16), {8, 15, 16, 24, 32}))
        return DetTGA;
    if (b.Has(0, 4) && (b.LongLE(0) == 0x002A4949 || b.LongLE(0) == 0x2A004D4D))
        return DetTIFF;
    if (size > 540) {
        int b0 = b.At(522), b1 = b.At(523), b2 = b.At(524), b3 = b.At(525);
        if ((b0 == 0x00 && b1 == 0x11 && b2 == 0x02 && b3 == 0xFF) ||
            (b0 == 0x00 && b1 == 0x11 && b2 == 0x01) ||
            (b0 == 0x11 && b1 == 0x01 && b2 == 0x01 && b3 == 0x00))
            return DetPICT;
    }
    if (b.At(0) == 0xFF && b.At(1) == 0xD8 && b.At(2) == 0xFF)
        return DetJPEG;
    if (b.At(0) == 0x89 && b.Equals(1, "PNG"))
        return DetPNG;
    if (b.Has(0, 28) && (b.LongLE(0) == 0xC6D3D0C5 || b.LongLE(0) == 0xC5D0D3C6) &&
        b.LongLE(20) != 0 && b.LongLE(24) != 0)
        return DetEPS;
    if (b.Equals(0, "GIF8") && (b.At(4) == '7' || b.At(4) == '9') && b.At(5) == 'a')
        return DetGIF;
    if (b.Has(0, 3) && b.At(0) == 0x0A && b.At(2) == 1)
        return DetPCX;
    if (b.Equals(0, "FORM") && b.Equals(8, "ILBM"))
        return DetIFF;
    if (b.At(0) == 'P' && b.At(1) >= '1' && b.At(1) <= '6')
        return DetPNM;
    if (b.At(0) == 0x59 && b.At(1) == 0xA6 && b.At(2) == 0x6A && b.At(3) == 0x95)
        return DetRAS;
    if (b.Has(0, 4) && b.WordLE(0) == 0 && b.WordLE(2) == 1)
        return DetICO;
    return DetNone;
}

void CAnyPicDecoder::Decode(CDataSource& source, CBmp& bmp, int wantedDepth)
{
    struct Dispatch {
        const char* trace;
        int format;
        CPicDecoder* decoder;
    };
    const Dispatch table[] = {
        {nullptr, FormatNone, nullptr},
        {"Windows bitmap recognized.\n", FormatBMP, &m_bmpDecoder},
        {"TGA file recognized.\n", FormatTGA, &m_tgaDecoder},
        {"TIFF file recognized.\n", FormatTIFF, &m_tiffDecoder},
        {"Mac PICT recognized.\n", FormatPICT, &m_pictDecoder},
        {"JPEG file recognized.\n", FormatJPEG, &m_jpegDecoder},
        {"PNG file recognized.\n", FormatPNG, &m_pngDecoder},
        {"TIFF preview in EPS file recognized.\n", FormatEPS, &m_tiffDecoder},
        {"GIF file recognized.\n", FormatGIF, &m_gifDecoder},
        {"PCX file recognized.\n", FormatPCX, &m_pcxDecoder},
        {"IFF file recognized.\n", FormatIFF, &m_iffDecoder},
        {"PPM file recognized.\n", FormatPNM, &m_ppmDecoder},
        {"RAS file recognized.\n", FormatRAS, &m_rasDecoder},
        {"ICO file recognized.\n", FormatICO, &m_icoDecoder},
        {"WebP file recognized.\n", FormatWEBP, &m_webpDecoder},
        {"AVIF file recognized.\n", FormatAVIF, &m_heifDecoder},
        {"HEIF file recognized.\n", FormatHEIF, &m_heifDecoder},
        {"JPEG XL file recognized.\n", FormatJXL, &m_jxlDecoder},
    };
    int detected = DetectFormat(source.GetStart(), source.GetSize());
    m_detectedFormat = table[detected].format;
    m_storedOrientation = OrientUpright;
    if (detected == DetNone)
        RaiseError(ErrUnknownType, "Unknown file type.");
    Trace(2, "%s", table[detected].trace);
    if (detected == DetEPS) {
        // The TIFF decoder starts at the TIFF section; an offset beyond the
        // file image is the data source's end-of-file error.
        const uint8_t* p = source.GetStart() + 20;
        source.Skip(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    }
    table[detected].decoder->Decode(source, bmp, wantedDepth);

    // HEIF and JPEG XL pictures come upright from their libraries.
    int residual = OrientUpright;
    switch (m_detectedFormat) {
    case FormatJPEG:
        m_storedOrientation = residual = ReadJpegOrientation(source.GetStart(), source.GetSize());
        break;
    case FormatPNG:
        m_storedOrientation = residual = ReadPngOrientation(source.GetStart(), source.GetSize());
        break;
    case FormatTIFF:
        m_storedOrientation = residual = ReadTiffOrientation(source.GetStart(), source.GetSize());
        // libtiff's RGBA reader already undoes the flips in the tag, and
        // reads the four turned orientations as their unturned neighbours:
        // only a mirror about a diagonal is left.
        if (bmp.GetBitsPerPixel() == 32)
            residual = OrientationSwapsSides(residual)
                           ? (residual == OrientTurnedRight || residual == OrientTurnedLeft ? OrientTransversed
                                                                                            : OrientTransposed)
                           : OrientUpright;
        break;
    default:
        break;
    }
    if (m_applyOrientation)
        ApplyOrientation(bmp, residual);
}

void CAnyPicDecoder::DecodeInto(CBmp&, PaletteHolder&, int&, CDataSource&)
{
    // Decode dispatches to the format's own decoder; nothing reaches here.
    RaiseError(ErrInternal, "Internal error.");
}
