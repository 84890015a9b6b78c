// Camera data of a picture file: EXIF, IPTC and XMP read with exiv2, the
// common fields a person looks for, every tag for the information dialog,
// and the data carried from one file into another on a save.
//
// exiv2 reads only what it needs (JPEG segments up to the image data, PNG
// chunk headers, a memory map for TIFF). Damaged data (truncated blocks,
// looping directories, huge counts) ends in an empty result with the error
// text, never in an exception: the picture still shows.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// The fields of the properties pane; empty text where the file has none.
struct PhotoFacts {
    std::string dateTaken; // "2024-05-01 10:20:30"
    std::string make;
    std::string model;
    std::string lens;
    std::string exposureTime; // "1/125 s"
    std::string aperture;     // "F2.8"
    std::string iso;          // "200"
    std::string focalLength;  // "35.0 mm"
    std::string flash;        // "No, compulsory"
    bool hasPosition = false;
    double latitude = 0;  // degrees, north positive
    double longitude = 0; // degrees, east positive
    bool hasAltitude = false;
    double altitude = 0; // metres above sea level

    bool Empty() const;
    // "48.858370, 2.294481", or "" without a position.
    std::string PositionText() const;
};

// One tag as exiv2 names it: "Exif.Photo.FNumber", its type ("Rational"),
// and its value as text (binary values longer than a line are summed up).
struct MetadataTag {
    std::string key;
    std::string type;
    std::string value;
};

struct PhotoMetadata {
    bool read = false;     // exiv2 knew the file and read it
    std::string error;     // why nothing was read, "" when read
    std::string container; // exiv2's MIME type of the file
    PhotoFacts facts;
    std::vector<MetadataTag> tags; // filled only when asked for
    size_t iccSize = 0;            // bytes of the embedded colour profile, 0 for none
};

// Reads the camera data of the file at path. allTags fills the tag list.
PhotoMetadata ReadPhotoMetadata(const std::string& path, bool allTags = false);
// The same from a file in memory.
PhotoMetadata ReadPhotoMetadata(const uint8_t* data, size_t size, bool allTags = false);

// Camera data as the newer formats hold it, each block empty when there is
// none: EXIF as a TIFF structure from its byte order mark on (no "Exif"
// prefix), an XMP packet (IPTC folded into it, having no place of its own
// there) and an ICC profile.
struct MetadataBlocks {
    std::vector<uint8_t> exif;
    std::string xmp;
    std::vector<uint8_t> icc;

    bool Empty() const { return exif.empty() && xmp.empty() && icc.empty(); }
};

// EXIF, IPTC, XMP and the colour profile of one file, to be written into
// another. Safe to share between threads once made.
class CCarriedMetadata {
  public:
    // The data of the file at path, or nullptr when it has none or cannot be
    // read (the save then goes on without).
    static std::shared_ptr<const CCarriedMetadata> FromFile(const std::string& path);
    static std::shared_ptr<const CCarriedMetadata> FromBytes(const uint8_t* data, size_t size);
    ~CCarriedMetadata();

    // The file in memory (JPEG, PNG or TIFF) with this data written into it:
    // the orientation set to 1 when the pixels were turned upright, the
    // pixel dimensions set to width x height, no EXIF thumbnail. Returns
    // false, leaving bytes as they were, when exiv2 cannot write the file.
    bool WriteInto(std::vector<uint8_t>& bytes, int width, int height, bool upright) const;
    // The same for a finished temporary file open for writing and reading
    // (COutputFile's stream). Returns false only when writing the file
    // failed; data exiv2 cannot write is left out and the file kept.
    bool WriteIntoStream(std::FILE* file, int width, int height, bool upright) const;
    // The data made true of a picture of width x height as above, for a
    // writer that embeds it itself (WebP, AVIF, JPEG XL, HEIC). A block
    // exiv2 cannot encode is left empty.
    MetadataBlocks Blocks(int width, int height, bool upright) const;

    struct Data;

  private:
    explicit CCarriedMetadata(std::unique_ptr<Data> data);
    std::unique_ptr<Data> m_data;
};

// True for the save codes whose files get EXIF, IPTC, XMP and a profile
// written into them by exiv2 once the writer is done; the writers that embed
// the data themselves take it from their parameters.
bool SaveCodeHoldsMetadata(int code);

// The file formats exiv2 here reads camera data from, for the manual and
// --help ("JPEG, PNG, TIFF, WebP, HEIF, AVIF, JPEG XL").
const char* MetadataReadFormats();
