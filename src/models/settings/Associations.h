// The fifteen boxes of the Set File Associations dialog and the step that
// associates the checked ones; both read from the format registry's kinds.
#pragma once

#include "models/settings/DesktopAssociation.h"
#include "models/settings/Settings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vkshell {

struct AssociationBox {
    const char* label = nullptr;    // the box's text, with its mnemonic
    const FileKind* kind = nullptr; // the kind it associates
};

constexpr int kAssociationBoxes = kSettingSlotCount;
using AssociationChecks = std::array<bool, kAssociationBoxes>;

// In the dialog's order, which is also the order of association.
const std::array<AssociationBox, kAssociationBoxes>& AssociationBoxes();

// The initial check states, read from the settings (never written back).
AssociationChecks InitialChecks(const CSettings& settings);

// The kinds read without a box (and so without a setting) of their own:
// WebP, AVIF, HEIC, HEIF and JPEG XL.
std::vector<const FileKind*> KindsWithoutBox();

// Associates each checked kind in order, then, when any box was checked,
// the kinds without a box; one that fails is skipped and the others are
// still associated. Returns the extensions that failed.
std::vector<std::string> AssociateChecked(const CFileAssociation& association,
                                          const AssociationChecks& checks);

} // namespace vkshell
