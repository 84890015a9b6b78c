// The picture formats Velkor reads and writes, one row each: the code the
// detector records, the name velkor-cli prints, the detection test, the
// decoder, where the EXIF orientation is read, the extensions the file list
// shows, and the save codes, extensions and dialog texts of Save As and
// Convert. The detector, the file list, the save dispatch and velkor-cli
// all read this table; adding a format is adding a row (and its decoder).
//
// Detection runs the tests in row order and the first match wins, so the
// order matters: BMP first, then the strong signatures of the newer formats
// (so that none of those files is taken for a Targa), then the Targa test,
// which beats TIFF, PICT and everything after it.
#pragma once

#include "BmpDecoder.h"
#include "ByteOrder.h"
#include "EPSDecoder.h"
#include "GIFDecoder.h"
#include "HEIFDecoder.h"
#include "ICODecoder.h"
#include "IFFDecoder.h"
#include "JPEGDecoder.h"
#include "JXLDecoder.h"
#include "Orientation.h"
#include "PCXDecoder.h"
#include "PNGDecoder.h"
#include "PPMDecoder.h"
#include "PictDecoder.h"
#include "RASDecoder.h"
#include "TGADecoder.h"
#include "TIFFDecoder.h"
#include "WebPDecoder.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Codes the detector records for the format it recognised.
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

// Detection results, numbered by the order the classic tests run in; the
// newer formats' results follow, although their tests run right after BMP.
enum DetectionResult : int {
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
    DetWEBP = 14,
    DetAVIF = 15,
    DetHEIF = 16,
    DetJXL = 17,
};

// Save codes shared by Save As and Convert.
enum SaveFormatCode : int {
    kSaveNone = -1,
    kSaveBmp = 0,
    kSaveGif = 3,
    kSaveIff = 4,
    kSaveJpg = 6,
    kSavePcx = 9,
    kSavePgm = 10,
    kSavePct = 11,
    kSavePng = 12,
    kSavePpm = 13,
    kSaveRas = 14,
    kSaveTga = 16,
    kSaveTif = 17,
};

// The file types the browser shows or hides, in the order of the settings'
// show flags (showBmp, showEps, ...). The newer formats have no flag of
// their own: their files are always listed.
enum ListedType : int {
    TypeAlwaysShown = -1,
    TypeBmp, TypeEps, TypeGif, TypeIco, TypeIff, TypeJpg, TypePbm, TypePct,
    TypePcx, TypePgm, TypePng, TypePpm, TypeRas, TypeTga, TypeTif,
    kListedTypeCount
};

// The first bytes of a file image as a detection test sees them: bytes
// beyond the end of a short file count as not matching.
struct HeadBytes {
    const uint8_t* data;
    size_t size;

    constexpr bool Has(size_t offset, size_t n) const { return offset <= size && n <= size - offset; }
    constexpr int At(size_t offset) const { return offset < size ? data[offset] : -1; }
    constexpr bool AtIs(size_t offset, std::initializer_list<int> values) const
    {
        return std::find(values.begin(), values.end(), At(offset)) != values.end();
    }
    constexpr uint32_t LE16(size_t offset) const { return Has(offset, 2) ? LoadLE16(Bytes(), offset) : ~0u; }
    constexpr uint32_t LE32(size_t offset) const { return Has(offset, 4) ? LoadLE32(Bytes(), offset) : 0; }
    constexpr ByteView Bytes() const { return ByteView(data, size); }
    constexpr bool Equals(size_t offset, std::string_view text) const
    {
        if (!Has(offset, text.size()))
            return false;
        for (size_t i = 0; i < text.size(); ++i)
            if (data[offset + i] != uint8_t(text[i]))
                return false;
        return true;
    }
};

// An extension the file list shows (lower case, no dot) and the file type
// whose show setting covers it.
struct ListedExtension {
    const char* extension = nullptr;
    ListedType type = TypeAlwaysShown;
};

// A save code, its extension, its place in the Save As dialog's list of
// types and Convert's list of formats, and the texts of both lists.
struct SaveTarget {
    int code = kSaveNone;
    const char* extension = nullptr;
    int dialogPosition = -1;
    const char* filterText = nullptr;  // "Windows Bitmap (*.bmp)"
    const char* convertText = nullptr; // "Windows Bitmap (BMP)"
};

template <class Decoder> std::unique_ptr<CPicDecoder> NewDecoder() { return std::make_unique<Decoder>(); }

struct PictureFormatInfo {
    PictureFormat format;
    DetectionResult detected;
    const char* name;                       // printed by velkor-cli info
    const char* recognized;                 // trace line (level 2) on detection
    bool (*detect)(HeadBytes);              // the detection test
    std::unique_ptr<CPicDecoder> (*makeDecoder)();
    // Where the file records its EXIF orientation; nullptr when the decoder
    // already delivers the picture upright or the format has none.
    int (*storedOrientation)(const uint8_t* data, size_t size);
    // What is left to do of the stored orientation once the decoder has run;
    // nullptr when it is all of it.
    int (*orientationLeft)(int stored, const CBmp& decoded);
    std::array<ListedExtension, 3> listed;  // unused entries have no extension
    std::array<SaveTarget, 2> saved;        // unused entries have no extension
};

inline constexpr PictureFormatInfo kPictureFormats[] = {
    {FormatBMP, DetBMP, "BMP", "Windows bitmap recognized.\n",
     [](HeadBytes b) { return b.LE16(0) == 0x4D42; }, // "BM"
     NewDecoder<CBmpDecoder>, nullptr, nullptr,
     {{{"bmp", TypeBmp}, {"dib", TypeBmp}, {"rle", TypeBmp}}},
     {{{kSaveBmp, "bmp", 0, "Windows Bitmap (*.bmp)", "Windows Bitmap (BMP)"}}}},
    {FormatWEBP, DetWEBP, "WEBP", "WebP file recognized.\n",
     [](HeadBytes b) { return b.Equals(0, "RIFF") && b.Equals(8, "WEBP"); },
     NewDecoder<CWebPDecoder>, nullptr, nullptr,
     {{{"webp"}}},
     {}},
    {FormatAVIF, DetAVIF, "AVIF", "AVIF file recognized.\n",
     [](HeadBytes b) { return DetectHeifKind(b.data, b.size) == HeifKind::Avif; },
     NewDecoder<CHEIFDecoder>, nullptr, nullptr, // libheif turns the picture upright
     {{{"avif"}}},
     {}},
    {FormatHEIF, DetHEIF, "HEIF", "HEIF file recognized.\n",
     [](HeadBytes b) { return DetectHeifKind(b.data, b.size) == HeifKind::Heif; },
     NewDecoder<CHEIFDecoder>, nullptr, nullptr,
     {{{"heic"}, {"heif"}}},
     {}},
    {FormatJXL, DetJXL, "JXL", "JPEG XL file recognized.\n",
     [](HeadBytes b) { return HasJxlSignature(b.data, b.size); },
     NewDecoder<CJXLDecoder>, nullptr, nullptr, // libjxl delivers it upright
     {{{"jxl"}}},
     {}},
    {FormatTGA, DetTGA, "TGA", "TGA file recognized.\n",
     [](HeadBytes b) {
         // colour map type, image type, colour map entry size, pixel depth
         return b.Has(0, 17) && b.AtIs(1, {0, 1}) && b.AtIs(2, {0, 1, 2, 3, 9, 10, 11}) &&
                b.AtIs(7, {0, 8, 15, 16, 24, 32}) && b.AtIs(16, {8, 15, 16, 24, 32});
     },
     NewDecoder<CTGADecoder>, nullptr, nullptr,
     {{{"tga", TypeTga}}},
     {{{kSaveTga, "tga", 5, "TrueVision Targa (*.tga)", "TrueVision Targa (TGA)"}}}},
    {FormatTIFF, DetTIFF, "TIFF", "TIFF file recognized.\n",
     [](HeadBytes b) { return b.LE32(0) == 0x002A4949 || b.LE32(0) == 0x2A004D4D; },
     NewDecoder<CTIFFDecoder>, ReadTiffOrientation, TiffOrientationLeft,
     {{{"tif", TypeTif}}},
     {{{kSaveTif, "tif", 11, "Tag Image File Format (*.tif)", "Tag Image File Format (TIF)"}}}},
    {FormatPICT, DetPICT, "PICT", "Mac PICT recognized.\n",
     [](HeadBytes b) {
         // The version opcode after the 512-byte preamble, the size word and
         // the frame rectangle.
         if (b.size <= 540)
             return false;
         const int b0 = b.At(522), b1 = b.At(523), b2 = b.At(524), b3 = b.At(525);
         return (b0 == 0x00 && b1 == 0x11 && b2 == 0x02 && b3 == 0xFF) || (b0 == 0x00 && b1 == 0x11 && b2 == 0x01) ||
                (b0 == 0x11 && b1 == 0x01 && b2 == 0x01 && b3 == 0x00);
     },
     NewDecoder<CPictDecoder>, nullptr, nullptr,
     {{{"pct", TypePct}, {"pict", TypePct}}},
     {{{kSavePct, "pct", 9, "Macintosh PICT (*.pct)", "Macintosh PICT (PCT)"}}}},
    {FormatJPEG, DetJPEG, "JPEG", "JPEG file recognized.\n",
     [](HeadBytes b) { return b.At(0) == 0xFF && b.At(1) == 0xD8 && b.At(2) == 0xFF; },
     NewDecoder<CJPEGDecoder>, ReadJpegOrientation, nullptr,
     {{{"jpg", TypeJpg}}},
     {{{kSaveJpg, "jpg", 1, "JPEG (*.jpg)", "JPEG (JPG)"}}}},
    {FormatPNG, DetPNG, "PNG", "PNG file recognized.\n",
     [](HeadBytes b) { return b.At(0) == 0x89 && b.Equals(1, "PNG"); },
     NewDecoder<CPNGDecoder>, ReadPngOrientation, nullptr,
     {{{"png", TypePng}}},
     {{{kSavePng, "png", 2, "Portable Network Graphics (*.png)", "Portable Network Graphics (PNG)"}}}},
    {FormatEPS, DetEPS, "EPS", "TIFF preview in EPS file recognized.\n",
     [](HeadBytes b) {
         // Both the TIFF section's offset and its length must be set.
         return b.Has(0, 28) && (b.LE32(0) == 0xC6D3D0C5 || b.LE32(0) == 0xC5D0D3C6) && b.LE32(20) != 0 &&
                b.LE32(24) != 0;
     },
     NewDecoder<CEPSDecoder>, nullptr, nullptr,
     {{{"eps", TypeEps}}},
     {}},
    {FormatGIF, DetGIF, "GIF", "GIF file recognized.\n",
     [](HeadBytes b) { return b.Equals(0, "GIF8") && b.AtIs(4, {'7', '9'}) && b.At(5) == 'a'; },
     NewDecoder<CGIFDecoder>, nullptr, nullptr,
     {{{"gif", TypeGif}}},
     {{{kSaveGif, "gif", 7, "Graphics Interchange Format (*.gif)", "Graphics Interchange Format (GIF)"}}}},
    {FormatPCX, DetPCX, "PCX", "PCX file recognized.\n",
     [](HeadBytes b) { return b.Has(0, 3) && b.At(0) == 0x0A && b.At(2) == 1; }, // run-length encoded only
     NewDecoder<CPCXDecoder>, nullptr, nullptr,
     {{{"pcx", TypePcx}}},
     {{{kSavePcx, "pcx", 6, "ZSoft Paintbrush (*.pcx)", "ZSoft Paintbrush (PCX)"}}}},
    {FormatIFF, DetIFF, "IFF", "IFF file recognized.\n",
     [](HeadBytes b) { return b.Equals(0, "FORM") && b.Equals(8, "ILBM"); },
     NewDecoder<CIFFDecoder>, nullptr, nullptr,
     {{{"iff", TypeIff}, {"ilbm", TypeIff}}},
     {{{kSaveIff, "iff", 8, "Interchange File Format (*.iff)", "Interchange File Format (IFF)"}}}},
    {FormatPNM, DetPNM, "PNM", "PPM file recognized.\n",
     [](HeadBytes b) { return b.At(0) == 'P' && b.At(1) >= '1' && b.At(1) <= '6'; },
     NewDecoder<CPPMDecoder>, nullptr, nullptr,
     {{{"pbm", TypePbm}, {"pgm", TypePgm}, {"ppm", TypePpm}}},
     {{{kSavePpm, "ppm", 3, "Portable Pixmap (*.ppm)", "Portable Pixmap (PPM)"},
       {kSavePgm, "pgm", 4, "Portable Graymap (*.pgm)", "Portable Graymap (PGM)"}}}},
    {FormatRAS, DetRAS, "RAS", "RAS file recognized.\n",
     [](HeadBytes b) { return b.At(0) == 0x59 && b.At(1) == 0xA6 && b.At(2) == 0x6A && b.At(3) == 0x95; },
     NewDecoder<CRASDecoder>, nullptr, nullptr,
     {{{"ras", TypeRas}}},
     {{{kSaveRas, "ras", 10, "Sun Rasterfile (*.ras)", "Sun Rasterfile (RAS)"}}}},
    {FormatICO, DetICO, "ICO", "ICO file recognized.\n",
     [](HeadBytes b) { return b.LE16(0) == 0 && b.LE16(2) == 1; },
     NewDecoder<CICODecoder>, nullptr, nullptr,
     {{{"ico", TypeIco}}},
     {}},
};

inline constexpr size_t kPictureFormatCount = std::size(kPictureFormats);

// The row of a format code, nullptr for none.
constexpr const PictureFormatInfo* FindPictureFormat(int format)
{
    for (const PictureFormatInfo& row : kPictureFormats)
        if (row.format == format)
            return &row;
    return nullptr;
}

// The short name of a format code ("BMP", "JPEG", ...), "" for none.
constexpr const char* FormatName(int format)
{
    const PictureFormatInfo* row = FindPictureFormat(format);
    return row ? row->name : "";
}

namespace format_registry_detail {

template <class Entry, size_t N> constexpr size_t CountUsed(std::array<Entry, N> PictureFormatInfo::*member)
{
    size_t n = 0;
    for (const PictureFormatInfo& row : kPictureFormats)
        for (const Entry& e : row.*member)
            n += e.extension != nullptr;
    return n;
}

} // namespace format_registry_detail

// Every listed extension in the file list's pattern order: alphabetical, so
// .dib sits between .bmp and .eps and .rle comes late.
inline constexpr auto kListPatterns = [] {
    std::array<ListedExtension, format_registry_detail::CountUsed(&PictureFormatInfo::listed)> patterns{};
    size_t n = 0;
    for (const PictureFormatInfo& row : kPictureFormats)
        for (const ListedExtension& e : row.listed)
            if (e.extension)
                patterns[n++] = e;
    std::sort(patterns.begin(), patterns.end(), [](const ListedExtension& a, const ListedExtension& b) {
        return std::string_view(a.extension) < std::string_view(b.extension);
    });
    return patterns;
}();

// Every save target in the order of the Save As dialog.
inline constexpr auto kSaveTargets = [] {
    std::array<SaveTarget, format_registry_detail::CountUsed(&PictureFormatInfo::saved)> targets{};
    size_t n = 0;
    for (const PictureFormatInfo& row : kPictureFormats)
        for (const SaveTarget& t : row.saved)
            if (t.extension)
                targets[n++] = t;
    std::sort(targets.begin(), targets.end(),
              [](const SaveTarget& a, const SaveTarget& b) { return a.dialogPosition < b.dialogPosition; });
    return targets;
}();

// Extensions (without the dot) are matched without regard to case.
bool SameExtension(std::string_view extension, std::string_view lowerCase);
// The row whose files the list shows under `extension`, nullptr for none.
const PictureFormatInfo* FormatOfListedExtension(std::string_view extension);
// The save target of an extension, nullptr for one that is not written.
const SaveTarget* SaveTargetOfExtension(std::string_view extension);
// The save target of a save code, nullptr for a code that is not saved.
const SaveTarget* SaveTargetOfCode(int code);

// For help texts and completion: every format read, in detection order,
// with the extensions the file list shows for it ("BMP": bmp dib rle) ...
struct ReadableFormat {
    const char* name;
    std::vector<const char*> extensions;
};
std::vector<ReadableFormat> ReadableFormats();
// ... and every format written, in the Save As dialog's order, with the
// row's name, its save extension and its dialog texts.
struct WritableFormat {
    const char* name;
    const SaveTarget* target;
};
std::vector<WritableFormat> WritableFormats();
