// The fifteen boxes of the Set File Associations dialog and the step that
// associates the checked ones.
#pragma once

#include "Registry.h"
#include "Settings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vkshell {

struct AssociationBox {
    const char* label;           // the box's text, with its mnemonic
    const char* extension;       // the one extension it associates
    int32_t CSettings::*setting; // its initial check state
};

constexpr int kAssociationBoxes = 15;
using AssociationChecks = std::array<bool, kAssociationBoxes>;

// In the dialog's order, which is also the order of association.
const std::array<AssociationBox, kAssociationBoxes>& AssociationBoxes();

// The initial check states, read from the settings (never written back).
AssociationChecks InitialChecks(const CSettings& settings);

// The types read without a box (and so without a setting) of their own:
// WebP, AVIF, HEIC/HEIF and JPEG XL.
constexpr int kModernExtensions = 5;
const std::array<const char*, kModernExtensions>& ModernExtensions();

// Associates each checked extension in order, then, when any box was
// checked, the modern types; one that fails is skipped and the others are
// still associated. Returns the extensions that failed.
std::vector<std::string> AssociateChecked(CRegistry& registry, const AssociationChecks& checks);

} // namespace vkshell
