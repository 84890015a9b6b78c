// Save dispatch: format codes, the extension table, the remembered writer
// options and the call of one writer. Engine only; the window adds the
// option dialogs, the status texts and the "Can't save file." message.
#pragma once

#include "engine/metadata/Metadata.h"
#include "engine/picture/Bmp.h"
#include "engine/picture/FormatRegistry.h"

#include <cstdint>
#include <memory>
#include <string>

// Save codes, their extensions and their order in the save dialog are rows
// of the format registry.
using SaveExtension = SaveTarget;
inline constexpr const auto& kSaveExtensions = kSaveTargets;

// The code of an extension (without the dot, any case), or -1.
int SaveFormatFromExtension(const std::string& extension);
// The extension of a code, or nullptr for a code that is not saved.
const char* SaveExtensionOf(int code);

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
inline int DepthFromChoice(int32_t choice)
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
SaveParameters MakeSaveParameters(int code, const SaveOptionValues& values);

// Runs the writer of `code` on bmp. Returns false, writing nothing, for a
// code that is not saved. Throws CTextException when the writer fails; an
// existing file at path is then left as it was.
bool SavePicture(int code, const std::string& path, CBmp& bmp, const SaveOptionValues& values);
bool SavePicture(int code, const std::string& path, CBmp& bmp, const SaveParameters& parameters);
