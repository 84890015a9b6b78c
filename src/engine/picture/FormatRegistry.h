// The picture formats Velkor reads and writes, one row each: the code the
// detector records, the name velkor-cli prints, the detection test, the
// decoder, where the EXIF orientation is read, the extensions the file list
// shows, and the save codes, extensions and dialog texts of Save As and
// Convert with each writer and its option dialog. The detector, the file
// list, the save dispatch, the option dialogs, the associations and
// velkor-cli all read this table; adding a format is adding a row (and its
// decoder, and its encoder for one that is written).
//
// Detection runs the tests in row order and the first match wins, so the
// order matters: BMP first, then the strong signatures of the newer formats
// (so that none of those files is taken for a Targa), then the Targa test,
// which beats TIFF, PICT and everything after it.
#pragma once

#include "engine/picture/BmpDecoder.h"
#include "engine/picture/ByteOrder.h"
#include "engine/picture/EPSDecoder.h"
#include "engine/picture/GIFDecoder.h"
#include "engine/picture/HEIFDecoder.h"
#include "engine/picture/ICODecoder.h"
#include "engine/picture/IFFDecoder.h"
#include "engine/picture/JPEGDecoder.h"
#include "engine/picture/JXLDecoder.h"
#include "engine/picture/Orientation.h"
#include "engine/picture/PCXDecoder.h"
#include "engine/picture/PNGDecoder.h"
#include "engine/picture/PPMDecoder.h"
#include "engine/picture/PictDecoder.h"
#include "engine/picture/RASDecoder.h"
#include "engine/picture/RawDecoder.h"
#include "engine/picture/TGADecoder.h"
#include "engine/picture/TIFFDecoder.h"
#include "engine/picture/WebPDecoder.h"
#include "engine/save/AVIFEncoder.h"
#include "engine/save/BmpEncoder.h"
#include "engine/save/GIFEncoder.h"
#include "engine/save/HEICEncoder.h"
#include "engine/save/IFFEncoder.h"
#include "engine/save/JPEGEncoder.h"
#include "engine/save/JXLEncoder.h"
#include "engine/save/PCXEncoder.h"
#include "engine/save/PGMEncoder.h"
#include "engine/save/PNGEncoder.h"
#include "engine/save/PPMEncoder.h"
#include "engine/save/PictEncoder.h"
#include "engine/save/RASEncoder.h"
#include "engine/save/SaveOptions.h"
#include "engine/save/TGAEncoder.h"
#include "engine/save/TIFFEncoder.h"
#include "engine/save/WebPEncoder.h"

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

// Codes the detector records for the format it recognised; a row's other
// numbers (its detection result, save codes, settings positions) are
// fields of the row.
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
    // Camera RAW files, read through LibRaw.
    FormatDNG = 23,
    FormatCR2 = 24,
    FormatCR3 = 25,
    FormatNEF = 26,
    FormatARW = 27,
    FormatRAF = 28,
    FormatORF = 29,
    FormatRW2 = 30,
    FormatPEF = 31,
    FormatRAW = 32, // the other makers' RAW files
};

// The detection result of no match.
inline constexpr int kDetectedNone = 0;
// The number of file kinds the settings keep a show and an associate flag
// for (bmp eps gif ico iff jpg pbm pct pcx pgm png ppm ras tga tif).
inline constexpr int kSettingSlotCount = 15;

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

// A kind of file as the user sees it: the extensions it is known by (the
// first names it; the first `classic` of them are the ones the classic
// lists name, the rest come after those), its MIME type, and for the
// fifteen classic kinds their places in the lists the settings and dialogs
// keep: File > Open's filter, the slot of the show and associate flags (also the favourites'
// icon, slot + 1), the Display page's box and the Set File Associations
// box. A kind without a slot is always listed.
struct FileKind {
    std::array<const char*, 4> extensions{}; // lower case, no dot; unused entries null
    int classic = 0;
    const char* mimeType = nullptr;
    const char* openName = nullptr; // "JPEG": File > Open's filter, with the extensions
    int openPosition = -1;          // its place there; -1 after the classic ones
    int slot = -1;
    int displayPosition = -1;
    const char* displayLabel = nullptr; // "JPEG/JFIF (JPG)"
    int associatePosition = -1;
    const char* associateLabel = nullptr; // "&JPG"
};

// A save code, its extension, its place in the Save As dialog's list of
// types and Convert's list of formats, the texts of both lists, its option
// dialog with the remembered values that become the writer's parameters,
// and the writer.
struct SaveTarget {
    int code = -1;
    const char* extension = nullptr;
    int dialogPosition = -1;
    const char* filterText = nullptr;  // "Windows Bitmap (*.bmp)"
    const char* convertText = nullptr; // "Windows Bitmap (BMP)"
    SaveOptionsOf options{};
    CarriedMetadata metadata = CarriedMetadata::None;
    // Throws CTextException (or bad_alloc) when the file cannot be written.
    void (*write)(const std::string& path, CBmp& bmp, const SaveParameters& parameters) = nullptr;
};

template <class Decoder> std::unique_ptr<CPicDecoder> NewDecoder()
{
    return std::make_unique<Decoder>();
}

struct PictureFormatInfo {
    PictureFormat format;
    int detected;              // numbered by the classic tests' order, the newer after
    const char* name;          // printed by velkor-cli info
    const char* recognized;    // trace line (level 2) on detection
    bool (*detect)(HeadBytes); // the detection test
    std::unique_ptr<CPicDecoder> (*makeDecoder)();
    // Where the file records the EXIF orientation of page `page`; nullptr
    // when the decoder already delivers the picture upright or the format
    // has none.
    int (*storedOrientation)(const uint8_t* data, size_t size, int page);
    // What is left to do of the stored orientation once the decoder has run;
    // nullptr when it is all of it.
    int (*orientationLeft)(int stored, const CBmp& decoded);
    std::array<FileKind, 3> kinds;   // unused entries have no extension
    std::array<SaveTarget, 2> saved; // unused entries have no extension
};

// A camera RAW row: read by LibRaw, delivered upright, never written.
template <RawKind Kind> bool IsRawOf(HeadBytes b)
{
    return DetectRawKind(b.data, b.size) == Kind;
}
template <RawKind Kind>
constexpr PictureFormatInfo RawRow(PictureFormat format, int detected, const char* name,
                                   const char* recognized, std::array<FileKind, 3> kinds)
{
    return {format,  detected, name,  recognized, IsRawOf<Kind>, NewDecoder<CRawDecoder>,
            nullptr, nullptr,  kinds, {}};
}

inline constexpr PictureFormatInfo kPictureFormats[] = {
    {FormatBMP,
     1,
     "BMP",
     "Windows bitmap recognized.\n",
     [](HeadBytes b) { return b.LE16(0) == 0x4D42; }, // "BM"
     NewDecoder<CBmpDecoder>,
     nullptr,
     nullptr,
     {{{{"bmp", "dib", "rle"},
        3,
        "image/bmp",
        "Windows Bitmap",
        0,
        0,
        0,
        "Windows Bitmap (BMP, DIB, RLE)",
        0,
        "BMP, &DIB, RLE"}}},
     {{{.code = 0,
        .extension = "bmp",
        .dialogPosition = 0,
        .filterText = "Windows Bitmap (*.bmp)",
        .convertText = "Windows Bitmap (BMP)",
        .options =
            {.dialog = SaveDialog::Depth, .title = "BMP Options", .depth = &SaveOptionValues::bmpDepth},
        .write = [](const std::string& path, CBmp& bmp,
                    const SaveParameters& p) { CBmpEncoder().Save(path, bmp, p.depth); }}}}},
    {FormatWEBP,
     14,
     "WEBP",
     "WebP file recognized.\n",
     [](HeadBytes b) { return b.Equals(0, "RIFF") && b.Equals(8, "WEBP"); },
     NewDecoder<CWebPDecoder>,
     nullptr,
     nullptr,
     {{{{"webp"}, 0, "image/webp", "WebP"}}},
     {{{.code = 19,
        .extension = "webp",
        .dialogPosition = 12,
        .filterText = "WebP (*.webp)",
        .convertText = "WebP (WEBP)",
        .options = {.dialog = SaveDialog::Quality,
                    .title = "WebP Options",
                    .quality = &SaveOptionValues::webpQuality,
                    .lossless = &SaveOptionValues::webpLossless},
        .metadata = CarriedMetadata::Embedded,
        .write = [](const std::string& path, CBmp& bmp,
                    const SaveParameters& p) { CWebPEncoder().Save(path, bmp, p); }}}}},
    {FormatAVIF,
     15,
     "AVIF",
     "AVIF file recognized.\n",
     [](HeadBytes b) { return DetectHeifKind(b.data, b.size) == HeifKind::Avif; },
     NewDecoder<CHEIFDecoder>,
     nullptr,
     nullptr, // libheif turns the picture upright
     {{{{"avif"}, 0, "image/avif", "AVIF"}}},
     {{{.code = 20,
        .extension = "avif",
        .dialogPosition = 13,
        .filterText = "AV1 Image File Format (*.avif)",
        .convertText = "AV1 Image File Format (AVIF)",
        .options = {.dialog = SaveDialog::Quality,
                    .title = "AVIF Options",
                    .quality = &SaveOptionValues::avifQuality,
                    .speed = &SaveOptionValues::avifSpeed},
        .metadata = CarriedMetadata::Embedded,
        .write = [](const std::string& path, CBmp& bmp,
                    const SaveParameters& p) { CAVIFEncoder().Save(path, bmp, p); }}}}},
    {FormatHEIF,
     16,
     "HEIF",
     "HEIF file recognized.\n",
     [](HeadBytes b) { return DetectHeifKind(b.data, b.size) == HeifKind::Heif; },
     NewDecoder<CHEIFDecoder>,
     nullptr,
     nullptr,
     {{{{"heic"}, 0, "image/heic", "HEIC"}, {{"heif", "hif"}, 0, "image/heif", "HEIF"}}},
     {{{.code = 21,
        .extension = "heic",
        .dialogPosition = 15,
        .filterText = "High Efficiency Image (*.heic)",
        .convertText = "High Efficiency Image (HEIC)",
        .options = {.dialog = SaveDialog::Quality,
                    .title = "HEIC Options",
                    .quality = &SaveOptionValues::heicQuality},
        .metadata = CarriedMetadata::Embedded,
        .write = [](const std::string& path, CBmp& bmp,
                    const SaveParameters& p) { CHEICEncoder().Save(path, bmp, p); }}}}},
    {FormatJXL,
     17,
     "JXL",
     "JPEG XL file recognized.\n",
     [](HeadBytes b) { return HasJxlSignature(b.data, b.size); },
     NewDecoder<CJXLDecoder>,
     nullptr,
     nullptr, // libjxl delivers it upright
     {{{{"jxl"}, 0, "image/jxl", "JPEG XL"}}},
     {{{.code = 22,
        .extension = "jxl",
        .dialogPosition = 14,
        .filterText = "JPEG XL (*.jxl)",
        .convertText = "JPEG XL (JXL)",
        .options = {.dialog = SaveDialog::Quality,
                    .title = "JPEG XL Options",
                    .quality = &SaveOptionValues::jxlQuality,
                    .lossless = &SaveOptionValues::jxlLossless,
                    .effort = &SaveOptionValues::jxlEffort,
                    .distance = &SaveOptionValues::jxlDistance},
        .metadata = CarriedMetadata::Embedded,
        .write = [](const std::string& path, CBmp& bmp,
                    const SaveParameters& p) { CJXLEncoder().Save(path, bmp, p); }}}}},
    {FormatTGA,
     2,
     "TGA",
     "TGA file recognized.\n",
     [](HeadBytes b) {
         // colour map type, image type, colour map entry size, pixel depth
         return b.Has(0, 17) && b.AtIs(1, {0, 1}) && b.AtIs(2, {0, 1, 2, 3, 9, 10, 11}) &&
                b.AtIs(7, {0, 8, 15, 16, 24, 32}) && b.AtIs(16, {8, 15, 16, 24, 32});
     },
     NewDecoder<CTGADecoder>,
     nullptr,
     nullptr,
     {{{{"tga", "targa"},
        1,
        "image/x-tga",
        "TrueVision Targa",
        6,
        13,
        3,
        "TrueVision Targa (TGA)",
        12,
        "TG&A"}}},
     {{{.code = 16,
        .extension = "tga",
        .dialogPosition = 5,
        .filterText = "TrueVision Targa (*.tga)",
        .convertText = "TrueVision Targa (TGA)",
        .options = {.dialog = SaveDialog::RleDepth,
                    .title = "TGA Options",
                    .depth = &SaveOptionValues::tgaDepth,
                    .rle = &SaveOptionValues::tgaRle},
        .write = [](const std::string& path, CBmp& bmp,
                    const SaveParameters& p) { CTGAEncoder().Save(path, bmp, p.rle, p.depth); }}}}},
    // Before TIFF: most RAW files are laid out as TIFF.
    RawRow<RawKind::Dng>(FormatDNG, 18, "DNG", "DNG file recognized.\n",
                         {{{{"dng"}, 0, "image/x-adobe-dng", "Digital Negative"}}}),
    RawRow<RawKind::Cr2>(FormatCR2, 19, "CR2", "Canon CR2 file recognized.\n",
                         {{{{"cr2"}, 0, "image/x-canon-cr2", "Canon RAW"}}}),
    RawRow<RawKind::Cr3>(FormatCR3, 20, "CR3", "Canon CR3 file recognized.\n",
                         {{{{"cr3"}, 0, "image/x-canon-cr3", "Canon RAW 3"}}}),
    RawRow<RawKind::Nef>(FormatNEF, 21, "NEF", "Nikon NEF file recognized.\n",
                         {{{{"nef"}, 0, "image/x-nikon-nef", "Nikon RAW"},
                           {{"nrw"}, 0, "image/x-nikon-nrw", "Nikon RAW (NRW)"}}}),
    RawRow<RawKind::Arw>(FormatARW, 22, "ARW", "Sony ARW file recognized.\n",
                         {{{{"arw"}, 0, "image/x-sony-arw", "Sony RAW"},
                           {{"sr2"}, 0, "image/x-sony-sr2", "Sony RAW (SR2)"},
                           {{"srf"}, 0, "image/x-sony-srf", "Sony RAW (SRF)"}}}),
    RawRow<RawKind::Raf>(FormatRAF, 23, "RAF", "Fujifilm RAF file recognized.\n",
                         {{{{"raf"}, 0, "image/x-fuji-raf", "Fujifilm RAW"}}}),
    RawRow<RawKind::Orf>(FormatORF, 24, "ORF", "Olympus ORF file recognized.\n",
                         {{{{"orf"}, 0, "image/x-olympus-orf", "Olympus RAW"}}}),
    RawRow<RawKind::Rw2>(FormatRW2, 25, "RW2", "Panasonic RW2 file recognized.\n",
                         {{{{"rw2", "rwl"}, 0, "image/x-panasonic-rw2", "Panasonic RAW"}}}),
    RawRow<RawKind::Pef>(FormatPEF, 26, "PEF", "Pentax PEF file recognized.\n",
                         {{{{"pef"}, 0, "image/x-pentax-pef", "Pentax RAW"}}}),
    RawRow<RawKind::Other>(FormatRAW, 27, "RAW", "Camera RAW file recognized.\n",
                           {{{{"srw"}, 0, "image/x-samsung-srw", "Samsung RAW"},
                             {{"crw"}, 0, "image/x-canon-crw", "Canon RAW (CRW)"},
                             {{"3fr", "erf", "mrw", "x3f"}, 0, "image/x-dcraw", "Camera RAW"}}}),
    {FormatTIFF,
     3,
     "TIFF",
     "TIFF file recognized.\n",
     [](HeadBytes b) { return b.LE32(0) == 0x002A4949 || b.LE32(0) == 0x2A004D4D; },
     NewDecoder<CTIFFDecoder>,
     ReadTiffOrientation,
     TiffOrientationLeft,
     {{{{"tif", "tiff"},
        1,
        "image/tiff",
        "Tag Image File Format",
        12,
        14,
        2,
        "Tag Image File Format (TIF)",
        13,
        "&TIF, TIFF"}}},
     {{{.code = 17,
        .extension = "tif",
        .dialogPosition = 11,
        .filterText = "Tag Image File Format (*.tif)",
        .convertText = "Tag Image File Format (TIF)",
        .options = {.dialog = SaveDialog::Compression,
                    .title = "TIFF Options",
                    .compression = &SaveOptionValues::tiffCompression,
                    .secondOption = &SaveOptionValues::tiffSecondOption},
        .metadata = CarriedMetadata::Rewritten,
        .write =
            [](const std::string& path, CBmp& bmp, const SaveParameters& p) {
                CTIFFEncoder().Save(path, bmp, p.compressionIndex, p.secondOption);
            }}}}},
    {FormatPICT,
     4,
     "PICT",
     "Mac PICT recognized.\n",
     [](HeadBytes b) {
         // The version opcode after the 512-byte preamble, the size word and
         // the frame rectangle.
         if (b.size <= 540)
             return false;
         const int b0 = b.At(522), b1 = b.At(523), b2 = b.At(524), b3 = b.At(525);
         return (b0 == 0x00 && b1 == 0x11 && b2 == 0x02 && b3 == 0xFF) ||
                (b0 == 0x00 && b1 == 0x11 && b2 == 0x01) ||
                (b0 == 0x11 && b1 == 0x01 && b2 == 0x01 && b3 == 0x00);
     },
     NewDecoder<CPictDecoder>,
     nullptr,
     nullptr,
     {{{{"pct", "pict"},
        2,
        "image/x-pict",
        "Macintosh PICT",
        10,
        7,
        6,
        "Macintosh PICT (PCT, PICT)",
        6,
        "P&CT, PICT"}}},
     {{{.code = 11,
        .extension = "pct",
        .dialogPosition = 9,
        .filterText = "Macintosh PICT (*.pct)",
        .convertText = "Macintosh PICT (PCT)",
        .options = {.dialog = SaveDialog::Rle, .title = "PICT Options", .rle = &SaveOptionValues::pictRle},
        .write = [](const std::string& path, CBmp& bmp,
                    const SaveParameters& p) { CPictEncoder().Save(path, bmp, p.rle); }}}}},
    {FormatJPEG,
     5,
     "JPEG",
     "JPEG file recognized.\n",
     [](HeadBytes b) { return b.At(0) == 0xFF && b.At(1) == 0xD8 && b.At(2) == 0xFF; },
     NewDecoder<CJPEGDecoder>,
     [](const uint8_t* data, size_t size, int) { return ReadJpegOrientation(data, size); },
     nullptr,
     {{{{"jpg", "jpeg", "jpe", "jfif"}, 1, "image/jpeg", "JPEG", 1, 5, 1, "JPEG/JFIF (JPG)", 4, "&JPG"}}},
     {{{.code = 6,
        .extension = "jpg",
        .dialogPosition = 1,
        .filterText = "JPEG (*.jpg)",
        .convertText = "JPEG (JPG)",
        .options = {.dialog = SaveDialog::Jpeg,
                    .title = "JPEG Options",
                    .quality = &SaveOptionValues::jpegQuality,
                    .smoothing = &SaveOptionValues::jpegSmoothing,
                    .progressive = &SaveOptionValues::jpegProgressive,
                    .optimize = &SaveOptionValues::jpegOptimize},
        .metadata = CarriedMetadata::Rewritten,
        .write =
            [](const std::string& path, CBmp& bmp, const SaveParameters& p) {
                CJPEGEncoder().Save(path, bmp, p.quality, p.smoothing, p.optimize, p.progressive);
            }}}}},
    {FormatPNG,
     6,
     "PNG",
     "PNG file recognized.\n",
     [](HeadBytes b) { return b.At(0) == 0x89 && b.Equals(1, "PNG"); },
     NewDecoder<CPNGDecoder>,
     [](const uint8_t* data, size_t size, int) { return ReadPngOrientation(data, size); },
     nullptr,
     {{{{"png"},
        1,
        "image/png",
        "Portable Network Graphics",
        2,
        10,
        4,
        "Portable Network Graphics (PNG)",
        9,
        "P&NG"}}},
     {{{.code = 12,
        .extension = "png",
        .dialogPosition = 2,
        .filterText = "Portable Network Graphics (*.png)",
        .convertText = "Portable Network Graphics (PNG)",
        .options = {.dialog = SaveDialog::Interlace,
                    .title = "PNG Options",
                    .interlace = &SaveOptionValues::pngInterlace},
        .metadata = CarriedMetadata::Rewritten,
        .write = [](const std::string& path, CBmp& bmp,
                    const SaveParameters& p) { CPNGEncoder().Save(path, bmp, p.interlaced, p.pngLevel); }}}}},
    {FormatEPS,
     7,
     "EPS",
     "TIFF preview in EPS file recognized.\n",
     [](HeadBytes b) {
         // Both the TIFF section's offset and its length must be set.
         return b.Has(0, 28) && (b.LE32(0) == 0xC6D3D0C5 || b.LE32(0) == 0xC5D0D3C6) && b.LE32(20) != 0 &&
                b.LE32(24) != 0;
     },
     NewDecoder<CEPSDecoder>,
     nullptr,
     nullptr,
     {{{{"eps", "epsf"},
        1,
        "image/x-eps",
        "EPS TIFF Preview",
        13,
        1,
        11,
        "EPS TIFF Preview (EPS)",
        1,
        "&EPS"}}},
     {}},
    {FormatGIF,
     8,
     "GIF",
     "GIF file recognized.\n",
     [](HeadBytes b) { return b.Equals(0, "GIF8") && b.AtIs(4, {'7', '9'}) && b.At(5) == 'a'; },
     NewDecoder<CGIFDecoder>,
     nullptr,
     nullptr,
     {{{{"gif"},
        1,
        "image/gif",
        "Graphics Interchange Format",
        8,
        2,
        5,
        "Graphics Interchange Format (GIF)",
        2,
        "&GIF"}}},
     {{{.code = 3,
        .extension = "gif",
        .dialogPosition = 7,
        .filterText = "Graphics Interchange Format (*.gif)",
        .convertText = "Graphics Interchange Format (GIF)",
        .options = {.dialog = SaveDialog::Interlace,
                    .title = "GIF Options",
                    .interlace = &SaveOptionValues::gifInterlace},
        .write = [](const std::string& path, CBmp& bmp,
                    const SaveParameters& p) { CGIFEncoder().Save(path, bmp, p.interlaced); }}}}},
    {FormatPCX,
     9,
     "PCX",
     "PCX file recognized.\n",
     [](HeadBytes b) { return b.Has(0, 3) && b.At(0) == 0x0A && b.At(2) == 1; }, // run-length encoded only
     NewDecoder<CPCXDecoder>,
     nullptr,
     nullptr,
     {{{{"pcx"},
        1,
        "image/vnd.zbrush.pcx",
        "ZSoft Paintbrush",
        7,
        8,
        9,
        "ZSoft Paintbrush (PCX)",
        7,
        "PC&X"}}},
     {{{.code = 9,
        .extension = "pcx",
        .dialogPosition = 6,
        .filterText = "ZSoft Paintbrush (*.pcx)",
        .convertText = "ZSoft Paintbrush (PCX)",
        .options =
            {.dialog = SaveDialog::Depth, .title = "PCX Options", .depth = &SaveOptionValues::pcxDepth},
        .write = [](const std::string& path, CBmp& bmp,
                    const SaveParameters& p) { CPCXEncoder().Save(path, bmp, p.depth); }}}}},
    {FormatIFF,
     10,
     "IFF",
     "IFF file recognized.\n",
     [](HeadBytes b) { return b.Equals(0, "FORM") && b.Equals(8, "ILBM"); },
     NewDecoder<CIFFDecoder>,
     nullptr,
     nullptr,
     {{{{"iff", "ilbm", "lbm"},
        2,
        "image/x-ilbm",
        "Interchange File Format",
        9,
        4,
        8,
        "Interchange File Format (IFF, ILBM)",
        3,
        "&IFF, ILBM"}}},
     {{{.code = 4,
        .extension = "iff",
        .dialogPosition = 8,
        .filterText = "Interchange File Format (*.iff)",
        .convertText = "Interchange File Format (IFF)",
        .write = [](const std::string& path, CBmp& bmp,
                    const SaveParameters&) { CIFFEncoder().Save(path, bmp); }}}}},
    {FormatPNM,
     11,
     "PNM",
     "PPM file recognized.\n",
     [](HeadBytes b) { return b.At(0) == 'P' && b.At(1) >= '1' && b.At(1) <= '6'; },
     NewDecoder<CPPMDecoder>,
     nullptr,
     nullptr,
     {{{{"pbm"},
        1,
        "image/x-portable-bitmap",
        "Portable Bitmap",
        5,
        6,
        14,
        "Portable Bitmap (PBM)",
        5,
        "P&BM"},
       {{"pgm"},
        1,
        "image/x-portable-graymap",
        "Portable Graymap",
        4,
        9,
        13,
        "Portable Graymap (PGM)",
        8,
        "PG&M"},
       {{"ppm", "pnm"},
        1,
        "image/x-portable-pixmap",
        "Portable Pixmap",
        3,
        11,
        12,
        "Portable Pixmap (PPM)",
        10,
        "&PPM"}}},
     {{{.code = 13,
        .extension = "ppm",
        .dialogPosition = 3,
        .filterText = "Portable Pixmap (*.ppm)",
        .convertText = "Portable Pixmap (PPM)",
        .write = [](const std::string& path, CBmp& bmp,
                    const SaveParameters&) { CPPMEncoder().Save(path, bmp); }},
       {.code = 10,
        .extension = "pgm",
        .dialogPosition = 4,
        .filterText = "Portable Graymap (*.pgm)",
        .convertText = "Portable Graymap (PGM)",
        .write = [](const std::string& path, CBmp& bmp,
                    const SaveParameters&) { CPGMEncoder().Save(path, bmp); }}}}},
    {FormatRAS,
     12,
     "RAS",
     "RAS file recognized.\n",
     [](HeadBytes b) { return b.At(0) == 0x59 && b.At(1) == 0xA6 && b.At(2) == 0x6A && b.At(3) == 0x95; },
     NewDecoder<CRASDecoder>,
     nullptr,
     nullptr,
     {{{{"ras", "sun"},
        1,
        "image/x-sun-raster",
        "Sun Rasterfile",
        11,
        12,
        10,
        "Sun Rasterfile (RAS)",
        11,
        "&RAS"}}},
     {{{.code = 14,
        .extension = "ras",
        .dialogPosition = 10,
        .filterText = "Sun Rasterfile (*.ras)",
        .convertText = "Sun Rasterfile (RAS)",
        .options = {.dialog = SaveDialog::RleDepth,
                    .title = "RAS Options",
                    .depth = &SaveOptionValues::rasDepth,
                    .rle = &SaveOptionValues::rasRle},
        .write = [](const std::string& path, CBmp& bmp,
                    const SaveParameters& p) { CRASEncoder().Save(path, bmp, p.depth, p.rle); }}}}},
    {FormatICO,
     13,
     "ICO",
     "ICO file recognized.\n",
     [](HeadBytes b) { return b.LE16(0) == 0 && b.LE16(2) == 1; },
     NewDecoder<CICODecoder>,
     nullptr,
     nullptr,
     {{{{"ico"}, 1, "image/vnd.microsoft.icon", "Icon Files", 14, 3, 7, "Icons (ICO)", 14, "IC&O"}}},
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

// The detection result of a format code, kDetectedNone for none.
constexpr int DetectionOf(int format)
{
    const PictureFormatInfo* row = FindPictureFormat(format);
    return row ? row->detected : kDetectedNone;
}

// The save code of a written extension (lower case), -1 for none.
constexpr int SaveCodeOf(std::string_view extension)
{
    for (const PictureFormatInfo& row : kPictureFormats)
        for (const SaveTarget& t : row.saved)
            if (t.extension && extension == t.extension)
                return t.code;
    return -1;
}

// The save codes by name, for the writers' dispatch.
inline constexpr int kSaveNone = -1;
inline constexpr int kSaveBmp = SaveCodeOf("bmp"), kSaveGif = SaveCodeOf("gif"), kSaveIff = SaveCodeOf("iff"),
                     kSaveJpg = SaveCodeOf("jpg"), kSavePcx = SaveCodeOf("pcx"), kSavePgm = SaveCodeOf("pgm"),
                     kSavePct = SaveCodeOf("pct"), kSavePng = SaveCodeOf("png"), kSavePpm = SaveCodeOf("ppm"),
                     kSaveRas = SaveCodeOf("ras"), kSaveTga = SaveCodeOf("tga"), kSaveTif = SaveCodeOf("tif"),
                     kSaveWebp = SaveCodeOf("webp"), kSaveAvif = SaveCodeOf("avif"),
                     kSaveJxl = SaveCodeOf("jxl"), kSaveHeic = SaveCodeOf("heic");

// An extension the file list shows (lower case, no dot), the slot of the
// show setting that covers it (-1: always shown), and whether the classic
// lists name it.
struct ListedExtension {
    const char* extension = nullptr;
    int slot = -1;
    bool classic = false;
};

namespace format_registry_detail {

constexpr size_t CountExtensions()
{
    size_t n = 0;
    for (const PictureFormatInfo& row : kPictureFormats)
        for (const FileKind& kind : row.kinds)
            for (const char* e : kind.extensions)
                n += e != nullptr;
    return n;
}

constexpr size_t CountTargets()
{
    size_t n = 0;
    for (const PictureFormatInfo& row : kPictureFormats)
        for (const SaveTarget& t : row.saved)
            n += t.extension != nullptr;
    return n;
}

} // namespace format_registry_detail

// Every extension read, in the file list's pattern order: alphabetical, so
// .dib sits between .bmp and .eps and .rle comes late.
inline constexpr auto kListPatterns = [] {
    std::array<ListedExtension, format_registry_detail::CountExtensions()> patterns{};
    size_t n = 0;
    for (const PictureFormatInfo& row : kPictureFormats)
        for (const FileKind& kind : row.kinds)
            for (size_t i = 0; i < kind.extensions.size(); ++i)
                if (kind.extensions[i])
                    patterns[n++] = {kind.extensions[i], kind.slot, int(i) < kind.classic};
    std::sort(patterns.begin(), patterns.end(), [](const ListedExtension& a, const ListedExtension& b) {
        return std::string_view(a.extension) < std::string_view(b.extension);
    });
    return patterns;
}();

// The extensions offered where a list lets the user choose one (Select
// Group, Find Images, Compare Directories): the classic ones alphabetically,
// keeping their places, then the others alphabetically.
inline constexpr auto kExtensionChoices = [] {
    std::array<const char*, kListPatterns.size()> choices{};
    size_t n = 0;
    for (bool classic : {true, false})
        for (const ListedExtension& e : kListPatterns)
            if (e.classic == classic)
                choices[n++] = e.extension;
    return choices;
}();

// Every save target in the order of the Save As dialog.
inline constexpr auto kSaveTargets = [] {
    std::array<SaveTarget, format_registry_detail::CountTargets()> targets{};
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
// The kind an extension belongs to, nullptr for none.
const FileKind* FileKindOfExtension(std::string_view extension);
// The classic kind of a settings slot, nullptr for none.
const FileKind* FileKindOfSlot(int slot);
// The kinds in the Display page's order of boxes (the classic ones).
std::vector<const FileKind*> DisplayKinds();
// Every kind in the order of association: the Set File Associations boxes,
// then the kinds without a box in row order.
std::vector<const FileKind*> AssociationKinds();
// File > Open's filters: "All pictures" with every extension read, then
// each kind's name with its extensions ("JPEG (*.jpg *.jpeg *.jpe *.jfif)"),
// the classic ones in their order, the others after.
std::vector<std::string> OpenFilters();
// The favourites' icon of a file name: 0 for none or an unknown extension,
// slot + 1 for the classic kinds, kSettingSlotCount + 1 for the others.
int FavoriteIconOf(std::string_view fileName);
// The save target of an extension, nullptr for one that is not written.
const SaveTarget* SaveTargetOfExtension(std::string_view extension);
// The save target of a save code, nullptr for a code that is not saved.
const SaveTarget* SaveTargetOfCode(int code);

// For help texts and completion: every format read, in detection order,
// with every extension it is known by ("BMP": bmp dib rle) ...
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
