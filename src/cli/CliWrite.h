// Writing a picture in the format named by an extension, for velkor-cli.
#pragma once

#include "cli/CliOptions.h"
#include "engine/picture/WinBmp.h"
#include "engine/save/PPMEncoder.h"
#include "engine/save/SaveDispatch.h"

#include <functional>
#include <memory>
#include <string>

// The remembered option defaults with the command line's save options over
// them (--depth sets every depth choice, --rle every RLE flag).
SaveOptionValues SaveValuesFromOptions(const CliSaveOptions& options);

// Depth written without --depth: 24 bits for more than 256 colours, else 8.
int DefaultDepth(const CBmp& bmp);

// Writes bmp to path in the format of ext, with metadata (camera data and
// colour profile) when the format holds it; upright: the pixels were turned
// by their EXIF orientation. Throws CTextException; nothing is left at path
// on failure.
void WritePicture(CWinBmp& bmp, const std::string& path, const std::string& ext,
                  const CliSaveOptions& options, std::shared_ptr<const CCarriedMetadata> metadata = nullptr,
                  bool upright = true);

// A writer taking the rows of a picture of type ext as they are decoded,
// for a conversion with nothing to do between decoder and writer; nullptr
// when the type's writer needs the whole picture. `beforeOpen` runs before
// the file is made.
std::unique_ptr<CPPMRowWriter> MakeRowWriter(const std::string& path, const std::string& ext,
                                             std::function<void()> beforeOpen);
