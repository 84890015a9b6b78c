// Camera RAW test files: a Bayer DNG written with libtiff, as a camera or a
// converter would lay it out, with an embedded JPEG preview if asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vktest {

struct BayerDng {
    int width = 64; // of the sensor data, even
    int height = 48;
    int orientation = 1;     // the Orientation tag
    std::string previewJpeg; // a JPEG file's bytes, kept as the preview; none when empty
    int previewWidth = 0;    // its size, for the preview's directory
    int previewHeight = 0;
    unsigned seed = 1;
};

// Writes the DNG: directory 0 holds 16-bit RGGB sensor data with the DNG
// version, colour matrix, as-shot neutral, black and white levels; the
// preview, if any, follows as directory 1 (a reduced-resolution JPEG).
// Returns false when libtiff fails.
bool WriteBayerDng(const std::string& path, const BayerDng& dng);

// The first bytes of a little-endian TIFF-laid-out file, enough for the
// detection tests: "II*\0", `prefix` (Canon's "CR" mark lives there), and
// directory 0 with the given entries, each a SHORT value or an ASCII text.
struct TiffEntry {
    uint16_t tag;
    uint16_t value = 0;
    std::string text; // ASCII when not empty
};
std::string TinyTiff(const std::vector<TiffEntry>& entries, const std::string& prefix = "");

} // namespace vktest
