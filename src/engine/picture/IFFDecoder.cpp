#include "engine/picture/IFFDecoder.h"

#include "engine/picture/ByteOrder.h"
#include "engine/picture/IffHeader.h"
#include "engine/picture/LineExpanders.h"
#include "engine/picture/PackBits.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kTextNoBMHD = "No BMHD chunk found.";
constexpr const char* kTextNoBODY = "No BODY chunk found.";
constexpr const char* kTextTooManyPlanes = "nPlanes is too large";
constexpr const char* kTextCompression = "Unknown compression type.";
constexpr const char* kTextByteRun = "Error doing ByteRun decompression";
constexpr const char* kTextNoPlanes = "No planes in BMHD.";

constexpr uint32_t kCamgHam = 0x800;
constexpr uint32_t kCamgEhb = 0x80;
constexpr int kMaxMaxval = 1023;

bool IsId(const uint8_t* id, const char* name)
{
    return std::memcmp(id, name, 4) == 0;
}

struct Rgb {
    int red, green, blue;
};

// OrPlaneIntoIndices for indices wider than a byte; planes past bit 31 add
// nothing.
void OrPlaneIntoWords(uint32_t* target, const uint8_t* plane, int width, int bit)
{
    if (bit >= 32)
        return;
    for (int x = 0; x < width; ++x)
        if ((plane[x >> 3] >> (7 - (x & 7))) & 1)
            target[x] |= uint32_t(1) << bit;
}

} // namespace

void CIFFDecoder::DecodeInto(CBmp& bmp, PaletteHolder&, int& wantedDepth, CDataSource& source)
{
    wantedDepth = 32;
    source.Skip(4); // "FORM"
    const uint64_t formSize = source.ReadLongBE();
    source.Skip(4); // "ILBM"
    uint64_t consumed = 12;

    IffBitmapHeader header;
    std::vector<Rgb> cmap;
    uint32_t camg = 0;
    const uint8_t* body = nullptr;
    size_t bodySize = 0;
    while (consumed < formSize) {
        const uint8_t* id = source.ReadBytes(4);
        const uint32_t size = source.ReadLongBE();
        consumed += 8 + uint64_t(size) + (size & 1);
        const size_t dataSize = (size & 0x80000000u) ? 0 : size;
        const uint8_t* data = source.ReadBytes(dataSize);
        if (dataSize & 1)
            source.Skip(1);
        if (body)
            continue; // chunks after BODY are not interpreted
        if (IsId(id, "BMHD")) {
            // A short chunk reads as if padded with zeros.
            std::array<uint8_t, kBmhdSize> raw{};
            std::memcpy(raw.data(), data, std::min(dataSize, raw.size()));
            header = ParseBmhd(raw);
        } else if (IsId(id, "CMAP")) {
            cmap.resize(dataSize / 3);
            for (size_t i = 0; i < cmap.size(); ++i)
                cmap[i] = Rgb{data[3 * i], data[3 * i + 1], data[3 * i + 2]};
        } else if (IsId(id, "CAMG")) {
            if (dataSize >= 4)
                camg = LoadBE32(ByteView(data, dataSize));
        } else if (IsId(id, "BODY")) {
            // The file image outlives the decode: no copy needed.
            body = data;
            bodySize = dataSize;
        }
    }

    const int planes = header.planes;
    if (header.width == 0)
        RaiseError(ErrBadFormat, kTextNoBMHD);
    if (!body)
        RaiseError(ErrBadFormat, kTextNoBODY);
    // Without planes the BODY holds nothing, and nothing bounds the picture.
    if (planes == 0)
        RaiseError(ErrBadFormat, kTextNoPlanes);

    // Colour setup. HAM needs two mode bits and at least one value bit.
    const bool ham = (camg & kCamgHam) && planes != 24 && planes >= 3;
    const bool trueColor = planes == 24;
    int maxval = 255;
    int hamBits = 0;
    if (ham) {
        hamBits = planes - 2;
        if (hamBits > 10)
            RaiseError(ErrUnsupported, kTextTooManyPlanes);
        maxval = (1 << hamBits) - 1;
        // Palette components onto the 0..maxval scale.
        for (Rgb& c : cmap) {
            if (planes <= 10)
                c = Rgb{c.red >> (10 - planes), c.green >> (10 - planes), c.blue >> (10 - planes)};
            else
                c = Rgb{c.red << (planes - 10), c.green << (planes - 10), c.blue << (planes - 10)};
        }
    } else if (cmap.empty() && !trueColor) {
        if (planes > 10)
            RaiseError(ErrUnsupported, kTextTooManyPlanes);
        maxval = (1 << planes) - 1;
    }
    if ((camg & kCamgEhb) && !cmap.empty()) {
        const size_t n = cmap.size();
        cmap.resize(2 * n);
        for (size_t i = 0; i < n; ++i)
            cmap[n + i] = Rgb{cmap[i].red >> 1, cmap[i].green >> 1, cmap[i].blue >> 1};
    }

    const int planesPerRow = planes + (header.masking == 1 ? 1 : 0);
    const size_t rowBytes = (size_t(header.width) + 15) / 16 * 2;
    const int height = header.height;
    if (height > 0 && planesPerRow > 0) {
        if (header.compression != 0 && header.compression != 1)
            RaiseError(ErrUnsupported, kTextCompression);
        // The smallest BODY that can hold every row: a file claiming more
        // fails before a picture of that size is allocated.
        const size_t perPlane = header.compression == 0 ? rowBytes : (rowBytes + 127) / 128 * 2;
        if (bodySize / perPlane / size_t(planesPerRow) < size_t(height))
            throw CTextException(ErrEndOfFile, kTextEndOfFile);
    }

    const int width = header.width;
    bmp.Create(width, height, 32, false);
    bmp.SetSourceBitsPerPixel(planes);

    // Values on the 0..maxval scale stretched to 0..255, rounded.
    std::vector<uint8_t> stretch(size_t(maxval) + 1);
    for (int v = 0; v <= maxval; ++v)
        stretch[size_t(v)] = maxval ? uint8_t((v * 255 + maxval / 2) / maxval) : 0;

    // Index to pixel for palette and gray pictures; indices past the
    // palette are black.
    std::vector<uint32_t> pixelOf;
    if (!ham && !trueColor) {
        if (!cmap.empty()) {
            pixelOf.resize(cmap.size());
            for (size_t i = 0; i < cmap.size(); ++i)
                pixelOf[i] = MakePixel(uint8_t(cmap[i].red), uint8_t(cmap[i].green), uint8_t(cmap[i].blue));
        } else {
            pixelOf.resize(size_t(maxval) + 1);
            for (int v = 0; v <= maxval; ++v)
                pixelOf[size_t(v)] = MakePixel(stretch[size_t(v)], stretch[size_t(v)], stretch[size_t(v)]);
        }
    }
    if (pixelOf.size() < 256)
        pixelOf.resize(256, MakePixel(0, 0, 0));

    const bool byteIndices = planes <= 8 || trueColor;
    const size_t indexCount = rowBytes * 8;
    std::vector<uint8_t> bytes(byteIndices ? indexCount * (trueColor ? 3 : 1) : 0);
    std::vector<uint32_t> words(byteIndices ? 0 : indexCount);
    std::vector<uint8_t> planeBuffer(rowBytes);
    size_t bodyPos = 0;

    for (int y = 0; y < height; ++y) {
        std::fill(bytes.begin(), bytes.end(), uint8_t(0));
        std::fill(words.begin(), words.end(), 0u);
        for (int k = 0; k < planesPerRow; ++k) {
            const uint8_t* plane;
            if (header.compression == 1) {
                PackBitsResult r =
                    UnpackBits(body + bodyPos, bodySize - bodyPos, planeBuffer.data(), rowBytes);
                if (r.overran)
                    RaiseError(ErrUnsupported, kTextByteRun);
                if (r.produced < rowBytes)
                    throw CTextException(ErrEndOfFile, kTextEndOfFile);
                bodyPos += r.consumed;
                plane = planeBuffer.data();
            } else {
                if (bodySize - bodyPos < rowBytes)
                    throw CTextException(ErrEndOfFile, kTextEndOfFile);
                plane = body + bodyPos;
                bodyPos += rowBytes;
            }
            if (k >= planes)
                continue; // the mask plane
            if (trueColor)
                OrPlaneIntoIndices(bytes.data() + size_t(k / 8) * indexCount, plane, rowBytes, k % 8);
            else if (byteIndices)
                OrPlaneIntoIndices(bytes.data(), plane, rowBytes, k);
            else
                OrPlaneIntoWords(words.data(), plane, width, k);
        }

        uint32_t* out = LineToFill32(bmp, y);
        if (trueColor) {
            const uint8_t* r = bytes.data();
            const uint8_t* g = r + indexCount;
            const uint8_t* b = g + indexCount;
            for (int x = 0; x < width; ++x)
                out[x] = MakePixel(r[x], g[x], b[x]);
        } else if (ham) {
            const uint32_t valueMask = uint32_t(maxval);
            const bool usePalette = cmap.size() >= size_t(maxval);
            Rgb held{0, 0, 0};
            for (int x = 0; x < width; ++x) {
                const uint32_t index = byteIndices ? bytes[size_t(x)] : words[size_t(x)];
                const int v = int(index & valueMask);
                switch (index >> hamBits) {
                case 0:
                    if (!usePalette)
                        held = Rgb{v, v, v};
                    else if (size_t(v) < cmap.size())
                        held = cmap[size_t(v)];
                    else
                        held = Rgb{0, 0, 0};
                    break;
                case 1:
                    held.blue = v;
                    break;
                case 2:
                    held.red = v;
                    break;
                default:
                    held.green = v;
                    break;
                }
                out[x] = MakePixel(stretch[size_t(held.red)], stretch[size_t(held.green)],
                                   stretch[size_t(held.blue)]);
            }
        } else if (byteIndices) {
            ExpandIndexedLine(bytes.data(), width, pixelOf.data(), out);
        } else {
            for (int x = 0; x < width; ++x) {
                const uint32_t index = words[size_t(x)];
                out[x] = index < pixelOf.size() ? pixelOf[index] : MakePixel(0, 0, 0);
            }
        }
    }
}
