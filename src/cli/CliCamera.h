// The camera data of velkor-cli info: JSON members and text lines.
#pragma once

#include "engine/metadata/Metadata.h"

#include <ostream>
#include <string>

// `"camera": {...}` (null members for missing fields, "position" null
// without GPS), and with allTags `, "tags": [{"key", "type", "value"}...]`.
std::string CameraJson(const PhotoMetadata& metadata, bool allTags);
// The same as indented text lines after the file's line; nothing for a file
// without camera data.
void PrintCamera(std::ostream& out, const PhotoMetadata& metadata, bool allTags);
