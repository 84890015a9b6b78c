// What the writers are called with, what the option dialogs remember, and
// which dialog a save target asks with. A save target's row in the format
// registry names all three; the window gives each dialog kind its window.
#pragma once

#include <cstdint>
#include <memory>

class CCarriedMetadata;

// The remembered values of the option dialogs, with their defaults. A
// depth choice is the dialog's radio index: 0 means 8 bits, anything else
// 24. The settings record holds the same members under the same names.
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
    int quality = 60;         // JPEG
    int smoothing = 0;        // JPEG
    bool optimize = false;    // JPEG
    bool progressive = false; // JPEG
    int compressionIndex = 0; // TIFF
    int secondOption = 60;    // TIFF
    // Camera data and colour profile written into JPEG, PNG and TIFF files
    // before they replace their target; nullptr writes none.
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
    return p;
}
