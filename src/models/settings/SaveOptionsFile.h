// CSaveOptionsFile: the remembered options of the newer formats' writers
// (kNewerSaveValues) and Convert's choice of format when it is one of them,
// kept in "save.ini" beside the settings file, whose layout has no place for
// them, as plain "key=value" lines. A missing file, an unknown or damaged
// line, or a value out of range leaves the value as it was.
#pragma once

#include "engine/save/SaveOptions.h"

#include <string>

struct CSaveOptionsFile {
    static constexpr const char* kFileName = "save.ini";
    static std::string FilePath();

    static std::string ToText(const SaveOptionValues& values, int convertFormat);
    static void FromText(const std::string& text, SaveOptionValues& values, int& convertFormat);

    // False when the file cannot be read (nothing is changed then).
    static bool Load(SaveOptionValues& values, int& convertFormat, const std::string& path = FilePath());
    // Written atomically; false when the file could not be written.
    static bool Save(const SaveOptionValues& values, int convertFormat, const std::string& path = FilePath());
};
