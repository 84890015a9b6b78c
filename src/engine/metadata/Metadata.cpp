#include "engine/metadata/Metadata.h"

#include "engine/picture/FormatRegistry.h"

// exiv2 0.27 hands out std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/bmffimage.hpp>
#include <exiv2/exiv2.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>

namespace {

std::mutex g_xmpMutex;

void LockXmp(void*, bool lock)
{
    if (lock)
        g_xmpMutex.lock();
    else
        g_xmpMutex.unlock();
}

// Once per process, before any thread reads: the XMP toolkit, the BMFF
// reader (HEIF, AVIF, JPEG XL) that exiv2 leaves off, and no log lines on
// standard error for damaged data.
void InitExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(LockXmp, nullptr);
        Exiv2::enableBMFF(true);
    });
}

// Values longer than this are summed up in the tag list.
constexpr long kLongValue = 256;

std::string Printed(const Exiv2::Exifdatum& d, const Exiv2::ExifData& exif)
{
    try {
        return d.print(&exif);
    } catch (...) {
        return {};
    }
}

// The printed value of the tag `find` picks (one of exiv2's easy-access
// finders, or a key), "" without one.
template <class Find> std::string Found(const Exiv2::ExifData& exif, Find find)
{
    try {
        const auto it = find(exif);
        return it == exif.end() ? std::string() : Printed(*it, exif);
    } catch (...) {
        return {};
    }
}

std::string ExifText(const Exiv2::ExifData& exif, const char* key)
{
    return Found(exif, [key](const Exiv2::ExifData& e) { return e.findKey(Exiv2::ExifKey(key)); });
}

std::string XmpText(const Exiv2::XmpData& xmp, const char* key)
{
    try {
        const auto it = xmp.findKey(Exiv2::XmpKey(key));
        return it == xmp.end() ? std::string() : it->toString();
    } catch (...) {
        return {};
    }
}

// "2024:05:01 10:20:30" as "2024-05-01 10:20:30"; XMP's
// "2024-05-01T10:20:30" likewise.
std::string DateText(std::string text)
{
    if (text.size() >= 10 && text[4] == ':' && text[7] == ':')
        text[4] = text[7] = '-';
    if (text.size() > 10 && text[10] == 'T')
        text[10] = ' ';
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

// Degrees from three rationals (degrees, minutes, seconds).
bool Degrees(const Exiv2::ExifData& exif, const char* key, const char* refKey, char negative, double& out)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() != 3)
        return false;
    double value = 0;
    double scale = 1;
    for (long i = 0; i < 3; ++i, scale *= 60) {
        const Exiv2::Rational r = it->toRational(i);
        if (r.second == 0)
            return false;
        value += double(r.first) / double(r.second) / scale;
    }
    if (!std::isfinite(value))
        return false;
    const auto ref = exif.findKey(Exiv2::ExifKey(refKey));
    if (ref != exif.end() && !ref->toString().empty() && ref->toString()[0] == negative)
        value = -value;
    out = value;
    return true;
}

void ReadPosition(const Exiv2::ExifData& exif, PhotoFacts& facts)
{
    facts.hasPosition =
        Degrees(exif, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef", 'S', facts.latitude) &&
        Degrees(exif, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef", 'W', facts.longitude);
    const auto alt = exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSAltitude"));
    if (alt != exif.end() && alt->count() >= 1) {
        const Exiv2::Rational r = alt->toRational(0);
        if (r.second != 0) {
            facts.hasAltitude = true;
            facts.altitude = double(r.first) / double(r.second);
            const auto ref = exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSAltitudeRef"));
            if (ref != exif.end() && ref->count() >= 1 && ref->toLong(0) == 1)
                facts.altitude = -facts.altitude;
        }
    }
}

PhotoFacts FactsOf(const Exiv2::ExifData& exif, const Exiv2::XmpData& xmp)
{
    PhotoFacts f;
    f.dateTaken = DateText(Found(exif, Exiv2::dateTimeOriginal));
    f.make = Found(exif, Exiv2::make);
    f.model = Found(exif, Exiv2::model);
    f.lens = Found(exif, Exiv2::lensName);
    f.exposureTime = Found(exif, Exiv2::exposureTime);
    f.aperture = Found(exif, Exiv2::fNumber);
    f.iso = Found(exif, Exiv2::isoSpeed);
    f.focalLength = Found(exif, Exiv2::focalLength);
    f.flash = ExifText(exif, "Exif.Photo.Flash");
    if (f.flash.empty())
        f.flash = Found(exif, Exiv2::flash);
    try {
        ReadPosition(exif, f);
    } catch (...) {
        f.hasPosition = f.hasAltitude = false;
    }
    // Files written by editors sometimes carry these in XMP only.
    if (f.dateTaken.empty())
        f.dateTaken = DateText(XmpText(xmp, "Xmp.exif.DateTimeOriginal"));
    if (f.dateTaken.empty())
        f.dateTaken = DateText(XmpText(xmp, "Xmp.photoshop.DateCreated"));
    if (f.make.empty())
        f.make = XmpText(xmp, "Xmp.tiff.Make");
    if (f.model.empty())
        f.model = XmpText(xmp, "Xmp.tiff.Model");
    if (f.lens.empty())
        f.lens = XmpText(xmp, "Xmp.aux.Lens");
    return f;
}

template <class Datum> std::string ValueText(const Datum& d, const std::string& printed)
{
    if (d.size() > kLongValue && (d.typeId() == Exiv2::undefined || d.typeId() == Exiv2::unsignedByte))
        return "(" + std::to_string(d.size()) + " bytes)";
    std::string text = printed;
    if (text.size() > 1000)
        text = text.substr(0, 1000) + "...";
    return text;
}

template <class Data> void ListTags(const Data& data, std::vector<MetadataTag>& tags)
{
    for (const auto& d : data) {
        try {
            std::string printed;
            try {
                printed = d.toString();
            } catch (...) {
            }
            tags.push_back({d.key(), d.typeName() ? d.typeName() : "", ValueText(d, printed)});
        } catch (...) {
        }
    }
}

void ListExif(const Exiv2::ExifData& exif, std::vector<MetadataTag>& tags)
{
    for (const auto& d : exif) {
        try {
            const std::string printed =
                d.size() > kLongValue && d.typeId() == Exiv2::undefined ? std::string() : Printed(d, exif);
            tags.push_back({d.key(), d.typeName() ? d.typeName() : "", ValueText(d, printed)});
        } catch (...) {
        }
    }
}

PhotoMetadata ReadFrom(Exiv2::Image::AutoPtr image, bool allTags)
{
    PhotoMetadata result;
    if (!image.get()) {
        result.error = "unknown file type";
        return result;
    }
    image->readMetadata();
    const Exiv2::ExifData& exif = image->exifData();
    const Exiv2::XmpData& xmp = image->xmpData();
    result.container = image->mimeType();
    result.facts = FactsOf(exif, xmp);
    result.iccSize = image->iccProfileDefined() ? size_t(image->iccProfile()->size_) : 0;
    if (allTags) {
        ListExif(exif, result.tags);
        ListTags(image->iptcData(), result.tags);
        ListTags(xmp, result.tags);
    }
    result.read = true;
    return result;
}

template <class Open> PhotoMetadata ReadGuarded(Open open, bool allTags)
{
    InitExiv2();
    try {
        return ReadFrom(open(), allTags);
    } catch (const std::exception& e) {
        PhotoMetadata result;
        result.error = e.what();
        return result;
    } catch (...) {
        PhotoMetadata result;
        result.error = "unreadable camera data";
        return result;
    }
}

// Tags that describe the stored pixels of the file they came from; the
// writer of the new file sets its own.
constexpr const char* kPixelTags[] = {
    "Exif.Image.NewSubfileType",
    "Exif.Image.SubfileType",
    "Exif.Image.ImageWidth",
    "Exif.Image.ImageLength",
    "Exif.Image.BitsPerSample",
    "Exif.Image.Compression",
    "Exif.Image.PhotometricInterpretation",
    "Exif.Image.StripOffsets",
    "Exif.Image.SamplesPerPixel",
    "Exif.Image.RowsPerStrip",
    "Exif.Image.StripByteCounts",
    "Exif.Image.PlanarConfiguration",
    "Exif.Image.Predictor",
    "Exif.Image.TileWidth",
    "Exif.Image.TileLength",
    "Exif.Image.TileOffsets",
    "Exif.Image.TileByteCounts",
    "Exif.Image.SubIFDs",
    "Exif.Image.ExtraSamples",
    "Exif.Image.SampleFormat",
    "Exif.Image.JPEGTables",
    "Exif.Image.InterColorProfile",
    "Exif.Image.XMLPacket",
    "Exif.Image.IPTCNAA",
    "Exif.Image.ImageResources",
    "Exif.Image.ColorMap",
    "Exif.Image.FillOrder",
};

void EraseKey(Exiv2::ExifData& exif, const char* key)
{
    for (auto it = exif.findKey(Exiv2::ExifKey(key)); it != exif.end();
         it = exif.findKey(Exiv2::ExifKey(key)))
        exif.erase(it);
}

// The EXIF of the source made true of the new file.
void FitExif(Exiv2::ExifData& exif, int width, int height, bool upright)
{
    Exiv2::ExifThumb(exif).erase();
    for (const char* key : kPixelTags)
        EraseKey(exif, key);
    if (upright && exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation")) != exif.end())
        exif["Exif.Image.Orientation"] = uint16_t(1);
    if (!exif.empty()) {
        exif["Exif.Photo.PixelXDimension"] = uint32_t(width);
        exif["Exif.Photo.PixelYDimension"] = uint32_t(height);
    }
}

void FitXmp(Exiv2::XmpData& xmp, int width, int height, bool upright)
{
    const auto set = [&](const char* key, const std::string& value) {
        if (xmp.findKey(Exiv2::XmpKey(key)) != xmp.end())
            xmp[key] = value;
    };
    if (upright)
        set("Xmp.tiff.Orientation", "1");
    set("Xmp.exif.PixelXDimension", std::to_string(width));
    set("Xmp.exif.PixelYDimension", std::to_string(height));
    set("Xmp.tiff.ImageWidth", std::to_string(width));
    set("Xmp.tiff.ImageLength", std::to_string(height));
}

bool ReadAll(int fd, std::vector<uint8_t>& bytes)
{
    struct stat st;
    if (::fstat(fd, &st) != 0 || st.st_size < 0 ||
        uint64_t(st.st_size) > uint64_t(std::numeric_limits<long>::max() / 2))
        return false;
    bytes.resize(size_t(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return ::ftruncate(fd, off_t(bytes.size())) == 0;
}

} // namespace

struct CCarriedMetadata::Data {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    std::vector<uint8_t> icc;
};

bool PhotoFacts::Empty() const
{
    return dateTaken.empty() && make.empty() && model.empty() && lens.empty() && exposureTime.empty() &&
           aperture.empty() && iso.empty() && focalLength.empty() && flash.empty() && !hasPosition;
}

std::string PhotoFacts::PositionText() const
{
    if (!hasPosition)
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%.6f, %.6f", latitude, longitude);
    return text;
}

PhotoMetadata ReadPhotoMetadata(const std::string& path, bool allTags)
{
    return ReadGuarded([&] { return Exiv2::ImageFactory::open(path, false); }, allTags);
}

PhotoMetadata ReadPhotoMetadata(const uint8_t* data, size_t size, bool allTags)
{
    if (size > size_t(std::numeric_limits<long>::max()))
        return {};
    return ReadGuarded([&] { return Exiv2::ImageFactory::open(data, long(size)); }, allTags);
}

CCarriedMetadata::CCarriedMetadata(std::unique_ptr<Data> data) : m_data(std::move(data)) {}
CCarriedMetadata::~CCarriedMetadata() = default;

namespace {

void CarriedFrom(Exiv2::Image::AutoPtr image, CCarriedMetadata::Data& data)
{
    if (!image.get())
        return;
    image->readMetadata();
    data.exif = image->exifData();
    data.iptc = image->iptcData();
    data.xmp = image->xmpData();
    if (image->iccProfileDefined()) {
        const Exiv2::DataBuf* icc = image->iccProfile();
        if (icc->pData_ && icc->size_ > 0)
            data.icc.assign(icc->pData_, icc->pData_ + icc->size_);
    }
}

} // namespace

std::shared_ptr<const CCarriedMetadata> CCarriedMetadata::FromFile(const std::string& path)
{
    InitExiv2();
    try {
        auto data = std::make_unique<Data>();
        CarriedFrom(Exiv2::ImageFactory::open(path, false), *data);
        if (data->exif.empty() && data->iptc.empty() && data->xmp.empty() && data->icc.empty())
            return nullptr;
        return std::shared_ptr<const CCarriedMetadata>(new CCarriedMetadata(std::move(data)));
    } catch (...) {
        return nullptr;
    }
}

std::shared_ptr<const CCarriedMetadata> CCarriedMetadata::FromBytes(const uint8_t* bytes, size_t size)
{
    InitExiv2();
    if (size > size_t(std::numeric_limits<long>::max()))
        return nullptr;
    try {
        auto data = std::make_unique<Data>();
        CarriedFrom(Exiv2::ImageFactory::open(bytes, long(size)), *data);
        if (data->exif.empty() && data->iptc.empty() && data->xmp.empty() && data->icc.empty())
            return nullptr;
        return std::shared_ptr<const CCarriedMetadata>(new CCarriedMetadata(std::move(data)));
    } catch (...) {
        return nullptr;
    }
}

bool CCarriedMetadata::WriteInto(std::vector<uint8_t>& bytes, int width, int height, bool upright) const
{
    InitExiv2();
    if (bytes.size() > size_t(std::numeric_limits<long>::max()))
        return false;
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(bytes.data(), long(bytes.size()));
        if (!image.get())
            return false;
        image->readMetadata();
        Exiv2::ExifData exif = m_data->exif;
        FitExif(exif, width, height, upright);
        Exiv2::XmpData xmp = m_data->xmp;
        FitXmp(xmp, width, height, upright);
        image->setExifData(exif);
        image->setIptcData(m_data->iptc);
        image->setXmpData(xmp);
        // A profile the file has already (a JPEG turned with its markers) stays.
        if (!m_data->icc.empty() && !image->iccProfileDefined()) {
            Exiv2::DataBuf icc(m_data->icc.data(), long(m_data->icc.size()));
            image->setIccProfile(icc, false);
        }
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        if (io.open() != 0)
            return false;
        const long size = io.size();
        std::vector<uint8_t> out(size_t(size > 0 ? size : 0));
        const long got = out.empty() ? 0 : io.read(out.data(), size);
        io.close();
        if (got != size || out.empty())
            return false;
        bytes.swap(out);
        return true;
    } catch (...) {
        return false;
    }
}

bool CCarriedMetadata::WriteIntoStream(std::FILE* file, int width, int height, bool upright) const
{
    if (std::fflush(file) != 0)
        return false;
    const int fd = ::fileno(file);
    std::vector<uint8_t> bytes;
    if (!ReadAll(fd, bytes))
        return true; // not readable back: the file stays as the writer made it
    if (!WriteInto(bytes, width, height, upright))
        return true;
    const bool ok = WriteAll(fd, bytes);
    std::fseek(file, 0, SEEK_END);
    return ok;
}

MetadataBlocks CCarriedMetadata::Blocks(int width, int height, bool upright) const
{
    InitExiv2();
    MetadataBlocks blocks;
    blocks.icc = m_data->icc;
    try {
        Exiv2::ExifData exif = m_data->exif;
        FitExif(exif, width, height, upright);
        if (!exif.empty()) {
            Exiv2::Blob blob;
            Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
            blocks.exif.assign(blob.begin(), blob.end());
        }
    } catch (...) {
        blocks.exif.clear();
    }
    try {
        Exiv2::XmpData xmp = m_data->xmp;
        if (!m_data->iptc.empty())
            Exiv2::copyIptcToXmp(m_data->iptc, xmp);
        FitXmp(xmp, width, height, upright);
        if (!xmp.empty() && Exiv2::XmpParser::encode(blocks.xmp, xmp) != 0)
            blocks.xmp.clear();
    } catch (...) {
        blocks.xmp.clear();
    }
    return blocks;
}

bool SaveCodeHoldsMetadata(int code)
{
    const SaveTarget* target = SaveTargetOfCode(code);
    return target && target->metadata == CarriedMetadata::Rewritten;
}

const char* MetadataReadFormats()
{
    return "JPEG, PNG, TIFF, WebP, HEIF, AVIF and JPEG XL in its container";
}

#pragma GCC diagnostic pop
