// What the writers are called with, what the option dialogs remember, and
// which dialog a save target asks with. A save target's row in the format
// registry names all three; the window gives each dialog kind its window.
#pragma once

#include <cstdint>
#include <memory>

class CCarriedMetadata;

// The remembered values of the option dialogs, with their defaults. A
// depth choice is the dialog's radio index: 0 means 8 bits, anything else
// 24. The settings record holds the classic members under the same names;
// the newer formats' values live in a file of their own (kNewerSaveValues).
struct SaveOptionValues {
    int32_t jpegProgressive = 0;   // JPEG "&Progressive"
    int32_t jpegOptimize = 0;      // JPEG "Optimize &Huffman codes"
    int32_t jpegQuality = 60;      // JPEG quality slider, 0..100
    int32_t jpegSmoothing = 0;     // JPEG smoothing slider, 0..100
    int32_t tiffCompression = 0;   // TIFF: 0 None, 1 Packbits, 2 LZW
    int32_t bmpDepth = 0;          // BMP depth choice
    int32_t tiffSecondOption = 60; // second value handed to the TIFF writer, never changed by a dialog
    int32_t pngInterlace = 0;      // PNG "&Interlaced"
    int32_t tgaRle = 0;            // Targa "&RLE compressed"
    int32_t tgaDepth = 0;          // Targa depth choice
    int32_t pcxDepth = 0;          // PCX depth choice
    int32_t gifInterlace = 0;      // GIF "&Interlaced"
    int32_t pictRle = 1;           // PICT "&RLE compressed"
    int32_t rasRle = 0;            // Sun raster "&RLE compressed"
    int32_t rasDepth = 0;          // Sun raster depth choice
    // The newer formats; the defaults are those of their own tools.
    int32_t webpQuality = 75; // WebP quality, 0..100
    int32_t webpLossless = 0; // WebP "&Lossless"
    int32_t avifQuality = 60; // AVIF quality, 0..100
    int32_t avifSpeed = 6;    // AVIF encoder speed, 0 slowest .. 10 fastest
    int32_t jxlQuality = 90;  // JPEG XL quality, 0..100 (distance 1.0 at 90)
    int32_t jxlDistance = -1; // JPEG XL distance in hundredths, 0..1500; -1: from the quality
    int32_t jxlLossless = 0;  // JPEG XL "&Lossless"
    int32_t jxlEffort = 7;    // JPEG XL effort, 1 fastest .. 9 smallest
    int32_t heicQuality = 50; // HEIC quality, 0..100
};

// The remembered values vk.set has no place for, each with the key it is
// kept under and its range: a value out of range keeps its default.
struct NewerSaveValue {
    const char* key;
    int32_t SaveOptionValues::*member;
    int32_t minimum;
    int32_t maximum;
};
inline constexpr NewerSaveValue kNewerSaveValues[] = {
    {"webpQuality", &SaveOptionValues::webpQuality, 0, 100},
    {"webpLossless", &SaveOptionValues::webpLossless, 0, 1},
    {"avifQuality", &SaveOptionValues::avifQuality, 0, 100},
    {"avifSpeed", &SaveOptionValues::avifSpeed, 0, 10},
    {"jxlQuality", &SaveOptionValues::jxlQuality, 0, 100},
    {"jxlDistance", &SaveOptionValues::jxlDistance, -1, 1500},
    {"jxlLossless", &SaveOptionValues::jxlLossless, 0, 1},
    {"jxlEffort", &SaveOptionValues::jxlEffort, 1, 9},
    {"heicQuality", &SaveOptionValues::heicQuality, 0, 100},
};

// 24 for a non-zero depth choice, else 8.
constexpr int DepthFromChoice(int32_t choice)
{
    return choice != 0 ? 24 : 8;
}

// What one writer is called with; members a format does not use are left
// at their defaults.
struct SaveParameters {
    int depth = 24;           // BMP, PCX, Sun raster, Targa (8 or 24); TIFF always 24
    bool rle = false;         // Sun raster, Targa, PICT
    bool interlaced = false;  // GIF, PNG
    int pngLevel = 9;         // PNG zlib level, 0..9; Save As keeps 9
    int quality = 60;         // JPEG, WebP, AVIF, JPEG XL, HEIC: 0..100
    int smoothing = 0;        // JPEG
    bool optimize = false;    // JPEG
    bool progressive = false; // JPEG
    int compressionIndex = 0; // TIFF
    int secondOption = 60;    // TIFF
    bool lossless = false;    // WebP, JPEG XL
    int speed = 6;            // AVIF: 0 slowest .. 10 fastest
    int effort = 7;           // JPEG XL: 1 fastest .. 9 smallest
    int distance = -1;        // JPEG XL, in hundredths; -1 from the quality
    // Camera data and colour profile written into the files of targets that
    // carry them (CarriedMetadata) before they replace their target; nullptr
    // writes none.
    std::shared_ptr<const CCarriedMetadata> metadata;
    bool upright = true; // the pixels were turned upright by their EXIF orientation
};

// The kinds of option dialog; several formats share one kind under their
// own title and their own remembered values.
enum class SaveDialog {
    None,        // nothing is asked
    Depth,       // pixel depth
    Interlace,   // "&Interlaced"
    RleDepth,    // "&RLE compressed" and pixel depth
    Rle,         // "&RLE compressed"
    Compression, // TIFF compression
    Jpeg,        // quality, smoothing, progressive, Huffman codes
    Quality,     // the newer formats: quality and what else the row names
                 // (lossless, speed, distance, effort)
};

// How a save target carries the camera data and colour profile of the file
// the picture came from.
enum class CarriedMetadata {
    None,      // the format has no place for them
    Rewritten, // exiv2 writes them into the finished file
    Embedded,  // the writer embeds them (SaveParameters::metadata)
};

// A save target's option dialog, its kind and title, and the remembered
// values it shows and sets, each named beside the writer's parameter it
// becomes. A value a target does not name leaves its parameter at the
// default.
using SavedValue = int32_t SaveOptionValues::*;
struct SaveOptionsOf {
    SaveDialog dialog = SaveDialog::None;
    const char* title = nullptr;       // "BMP Options"
    SavedValue depth = nullptr;        // a depth choice: depth 8 or 24
    SavedValue rle = nullptr;          // rle
    SavedValue interlace = nullptr;    // interlaced
    SavedValue quality = nullptr;      // quality
    SavedValue smoothing = nullptr;    // smoothing
    SavedValue progressive = nullptr;  // progressive
    SavedValue optimize = nullptr;     // optimize
    SavedValue compression = nullptr;  // compressionIndex
    SavedValue secondOption = nullptr; // secondOption, set by no dialog
    SavedValue lossless = nullptr;     // lossless
    SavedValue speed = nullptr;        // speed
    SavedValue effort = nullptr;       // effort
    SavedValue distance = nullptr;     // distance
};

// The writer's parameters from the remembered values a target names.
inline SaveParameters ParametersFrom(const SaveOptionsOf& o, const SaveOptionValues& v)
{
    SaveParameters p;
    if (o.depth)
        p.depth = DepthFromChoice(v.*o.depth);
    if (o.rle)
        p.rle = v.*o.rle != 0;
    if (o.interlace)
        p.interlaced = v.*o.interlace != 0;
    if (o.quality)
        p.quality = v.*o.quality;
    if (o.smoothing)
        p.smoothing = v.*o.smoothing;
    if (o.progressive)
        p.progressive = v.*o.progressive != 0;
    if (o.optimize)
        p.optimize = v.*o.optimize != 0;
    if (o.compression)
        p.compressionIndex = v.*o.compression;
    if (o.secondOption)
        p.secondOption = v.*o.secondOption;
    if (o.lossless)
        p.lossless = v.*o.lossless != 0;
    if (o.speed)
        p.speed = v.*o.speed;
    if (o.effort)
        p.effort = v.*o.effort;
    if (o.distance)
        p.distance = v.*o.distance;
    return p;
}
