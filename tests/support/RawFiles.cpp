#include "RawFiles.h"

#include <tiffio.h>
#include <vector>

namespace vktest {

namespace {

struct TiffWriter {
    TIFF* tif;
    explicit TiffWriter(const std::string& path) : tif(TIFFOpen(path.c_str(), "w")) {}
    ~TiffWriter()
    {
        if (tif)
            TIFFClose(tif);
    }
};

// Smooth colour gradients with some structure, so demosaicing has edges to
// work on; 12 bits of data over a black level of 256.
uint16_t SensorValue(int x, int y, int width, int height, unsigned seed)
{
    const bool redRow = (y & 1) == 0, redColumn = (x & 1) == 0;
    const int channel = redRow && redColumn ? 0 : !redRow && !redColumn ? 2 : 1;
    const int level[3] = {x * 3800 / width, (x + y) * 1900 / (width + height) * 2, y * 3800 / height};
    int v = 256 + level[channel] + int((unsigned(x * 7 + y * 13) * seed) % 97);
    if ((x / 8 + y / 8) % 5 == 0)
        v /= 2;
    return uint16_t(v);
}

} // namespace

bool WriteBayerDng(const std::string& path, const BayerDng& dng)
{
    TiffWriter file(path);
    TIFF* tif = file.tif;
    if (!tif)
        return false;
    static const uint8_t kVersion[4] = {1, 4, 0, 0};
    static const uint8_t kBackward[4] = {1, 1, 0, 0};
    static const uint16_t kRepeat[2] = {2, 2};
    static const uint8_t kRggb[4] = {0, 1, 1, 2};
    // An sRGB-like camera: the XYZ to camera matrix of sRGB's primaries (D65).
    static const float kColorMatrix[9] = {3.2406f, -1.5372f, -0.4986f, -0.9689f, 1.8758f,
                                          0.0415f, 0.0557f,  -0.2040f, 1.0570f};
    static const float kNeutral[3] = {0.5f, 1.0f, 0.7f};
    static const float kBlack[1] = {256.0f};
    static const uint32_t kWhite[1] = {4095};

    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(dng.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(dng.height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, 32803); // colour filter array
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(dng.height));
    TIFFSetField(tif, TIFFTAG_ORIENTATION, uint16_t(dng.orientation));
    TIFFSetField(tif, TIFFTAG_MAKE, "Velkor");
    TIFFSetField(tif, TIFFTAG_MODEL, "Test Camera");
    TIFFSetField(tif, TIFFTAG_DNGVERSION, kVersion);
    TIFFSetField(tif, TIFFTAG_DNGBACKWARDVERSION, kBackward);
    TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Velkor Test Camera");
    TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, kRepeat);
    TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, kRggb);
    TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, kColorMatrix);
    TIFFSetField(tif, TIFFTAG_CALIBRATIONILLUMINANT1, 21); // D65
    TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, kNeutral);
    TIFFSetField(tif, TIFFTAG_BLACKLEVEL, 1, kBlack);
    TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, kWhite);

    std::vector<uint16_t> line(size_t(dng.width));
    for (int y = 0; y < dng.height; ++y) {
        for (int x = 0; x < dng.width; ++x)
            line[size_t(x)] = SensorValue(x, y, dng.width, dng.height, dng.seed);
        if (TIFFWriteScanline(tif, line.data(), uint32_t(y), 0) < 0)
            return false;
    }
    if (!TIFFWriteDirectory(tif))
        return false;
    if (dng.previewJpeg.empty())
        return true;

    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(dng.previewWidth));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(dng.previewHeight));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(dng.previewHeight));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    // The JPEG is kept as it is: one strip of a whole JPEG file.
    if (TIFFWriteRawStrip(tif, 0, const_cast<char*>(dng.previewJpeg.data()),
                          tmsize_t(dng.previewJpeg.size())) < 0)
        return false;
    return TIFFWriteDirectory(tif) != 0;
}

std::string TinyTiff(const std::vector<TiffEntry>& entries, const std::string& prefix)
{
    auto le16 = [](std::string& out, uint32_t v) {
        out += char(v & 0xFF);
        out += char(v >> 8 & 0xFF);
    };
    auto le32 = [&](std::string& out, uint32_t v) {
        le16(out, v & 0xFFFF);
        le16(out, v >> 16);
    };
    std::string out = "II*";
    out += '\0';
    const uint32_t ifd = uint32_t(8 + prefix.size());
    le32(out, ifd);
    out += prefix;
    // Texts follow the directory and its next-directory offset.
    uint32_t textAt = ifd + 2 + uint32_t(entries.size()) * 12 + 4;
    std::string texts;
    le16(out, uint32_t(entries.size()));
    for (const TiffEntry& e : entries) {
        le16(out, e.tag);
        if (e.text.empty()) {
            le16(out, 3); // SHORT
            le32(out, 1);
            le16(out, e.value);
            le16(out, 0);
        } else {
            le16(out, 2); // ASCII
            le32(out, uint32_t(e.text.size() + 1));
            le32(out, textAt + uint32_t(texts.size()));
            texts += e.text;
            texts += '\0';
        }
    }
    le32(out, 0);
    return out + texts + std::string(16, '\0');
}

} // namespace vktest
