// Save dispatch: a save code's row gives the writer and the parameters it
// is called with. Engine only; the window adds the option dialogs, the
// status texts and the "Can't save file." message.
#pragma once

#include "engine/picture/Bmp.h"
#include "engine/picture/FormatRegistry.h"
#include "engine/save/SaveOptions.h"

#include <cstdint>
#include <string>

// Save codes, their extensions and their order in the save dialog are rows
// of the format registry.
using SaveExtension = SaveTarget;
inline constexpr const auto& kSaveExtensions = kSaveTargets;

// The code of an extension (without the dot, any case), or -1.
int SaveFormatFromExtension(const std::string& extension);
// The extension of a code, or nullptr for a code that is not saved.
const char* SaveExtensionOf(int code);

// The writer's parameters of `code` from the remembered values its row
// names; the defaults for a code that is not saved.
SaveParameters MakeSaveParameters(int code, const SaveOptionValues& values);

// Runs the writer of `code` on bmp. Returns false, writing nothing, for a
// code that is not saved. Throws CTextException when the writer fails; an
// existing file at path is then left as it was.
bool SavePicture(int code, const std::string& path, CBmp& bmp, const SaveOptionValues& values);
bool SavePicture(int code, const std::string& path, CBmp& bmp, const SaveParameters& parameters);
