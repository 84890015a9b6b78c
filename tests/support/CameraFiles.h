// Photographs with camera data for the tests, written with exiftool: a
// picture of ours as a JPEG with make, model, date taken, GPS position,
// orientation 6, IPTC keywords, an XMP title and an EXIF thumbnail.
#pragma once

#include "TestSupport.h"
#include "engine/save/SaveDispatch.h"

#include <string>

namespace vktest {

inline constexpr const char* kCameraTags =
    "-Make=Canon -Model='EOS 5D' '-DateTimeOriginal=2024:05:01 10:20:30' -GPSLatitude=48.85837 "
    "-GPSLatitudeRef=N -GPSLongitude=2.5 -GPSLongitudeRef=E -GPSAltitude=35 -ExposureTime=0.008 "
    "-FNumber=2.8 -ISO=200 -FocalLength=35 -EXIF:Flash#=16 '-LensModel=EF35mm f/2' -Orientation#=6 "
    "'-XMP:Title=A test' -IPTC:Keywords=test";

// A width x height JPEG with the tags above at path; false when exiftool
// is missing or fails.
inline bool MakeCameraJpeg(const std::string& path, int width, int height)
{
    if (!HasProgram("exiftool"))
        return false;
    CWinBmp bmp;
    MakeTestPicture(bmp, width, height);
    SaveParameters p;
    p.quality = 90;
    if (!SavePicture(kSaveJpg, path, bmp, p))
        return false;
    // The thumbnail is any small JPEG: it must not survive a save.
    const std::string thumb = path + ".thumb.jpg";
    CWinBmp small;
    MakeTestPicture(small, 16, 12);
    SavePicture(kSaveJpg, thumb, small, p);
    const int status = Run("exiftool -q -q -overwrite_original " + std::string(kCameraTags) + " " +
                           Quote("-ThumbnailImage<=" + thumb) + " " + Quote(path));
    std::remove(thumb.c_str());
    return status == 0;
}

// exiftool's short answer for tags of a file: "Make: Canon\n..." in the
// order asked, numbers as numbers (-n).
inline std::string ExifTool(const std::string& path, const std::string& tags)
{
    std::string out;
    Run("exiftool -s2 -n " + tags + " " + Quote(path), &out);
    return out;
}

} // namespace vktest
