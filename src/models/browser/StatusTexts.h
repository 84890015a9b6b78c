// The texts of the title, the "Image Properties" sizes and the status bar
// panes, from plain values; the frame only shows them.
#pragma once

#include "engine/metadata/Metadata.h"
#include "engine/picture/FileSource.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vktext {

inline constexpr const char* kProgramTitle = "Velkor 1.0";

// Units as the settings hold them.
enum FileSizeUnit : int { Bytes = 0, Kilobytes = 1, Megabytes = 2 };
enum ImageSizeUnit : int { Pixels = 0, Inches = 1, Millimetres = 2, Centimetres = 3 };

// "Velkor 1.0", or "Velkor 1.0 - [path]" with the full path option.
std::string TitleText(bool fullPath, const std::string& path);
// A file's size: "438 bytes", "0.428 KB", "1.500 MB".
std::string FileSizeText(uint64_t size, int unit);
// "640x480" in pixels, or the lengths in inches, millimetres, centimetres.
std::string ImageSizeText(int width, int height, int unit);
// " Free Disk Space: " and the free bytes, rounded down to whole KB or MB.
std::string FreeSpaceText(uint64_t freeBytes, int unit);
// " 3 of 12 (1 KB)": selected files, listed files and their total.
std::string BrowserCountText(int selected, int listed, uint64_t total, int unit);
// " 50%": a picture `pictureWidth` wide shown `displayWidth` wide; "" for none.
std::string ZoomText(int displayWidth, int pictureWidth);
// " 5/12" for the entry at `index`; " 0/0" when no file is shown (index < 0).
std::string ViewerCountText(int index, int listed);
// "page 2 of 3" for page 1 (from 0) of three; "" for a file of one page.
std::string PageText(int page, int count);
// The status bar while a camera RAW file develops, and after.
inline constexpr const char* kTextDeveloping = "  Developing the RAW picture...";
inline constexpr const char* kTextDeveloped = "  RAW picture developed";
inline constexpr const char* kTextNotDeveloped =
    "  The RAW picture could not be developed; the preview stays";
// " name.jpg, 640x480 32 bpp, 1.500 KB"; " name.jpg, 1.500 KB" without a
// picture (width or height 0).
std::string ViewerInfoText(const std::string& name, int width, int height, int bitsPerPixel,
                           uint64_t fileSize, int fileSizeUnit, int imageSizeUnit);

// What the view and the status bar say of a file that could not be shown:
// the file is gone, empty or not ours to read, else "Unknow format.".
struct LoadFailureTexts {
    std::string view;   // "File not found." ...
    std::string status; // "  File not found" ...
};
LoadFailureTexts DescribeLoadFailure(FileFailure failure);

// The camera lines of the "Image Properties" pane, label and value, in
// their order: "Taken:", "Camera:", "Lens:", "Exposure:" (time, aperture,
// ISO, focal length), "Flash:", "GPS:"; a line without a value is left out.
inline constexpr int kCameraLineCount = 6;
std::vector<std::pair<std::string, std::string>> CameraLines(const PhotoFacts& facts);

// The status text of a picture read in part: its warning.
std::string PartlyReadStatus(const std::string& warning);

} // namespace vktext
