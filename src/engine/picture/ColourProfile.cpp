#include "engine/picture/ColourProfile.h"

#include <cstring>

namespace {

constexpr uint8_t kIccMarkerName[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
constexpr size_t kIccMarkerHeader = sizeof kIccMarkerName + 2; // name, number, count

uint32_t LoadLE32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

bool CColourProfile::operator==(const CColourProfile& other) const
{
    return kind == other.kind && icc == other.icc && gamma == other.gamma &&
           hasChromaticities == other.hasChromaticities &&
           std::memcmp(chromaticities, other.chromaticities, sizeof chromaticities) == 0;
}

ColourProfilePtr MakeIccProfile(std::vector<uint8_t> bytes)
{
    if (bytes.empty() || bytes.size() > kMaxIccProfileBytes)
        return nullptr;
    auto profile = std::make_shared<CColourProfile>();
    profile->kind = CColourProfile::Kind::Icc;
    profile->icc = std::move(bytes);
    return profile;
}

ColourProfilePtr MakeSrgbProfile()
{
    static const ColourProfilePtr srgb = std::make_shared<const CColourProfile>();
    return srgb;
}

ColourProfilePtr MakeGammaProfile(double gamma, const double* chromaticities)
{
    auto profile = std::make_shared<CColourProfile>();
    profile->kind = CColourProfile::Kind::Gamma;
    profile->gamma = gamma;
    if (chromaticities) {
        profile->hasChromaticities = true;
        std::memcpy(profile->chromaticities, chromaticities, sizeof profile->chromaticities);
    }
    return profile;
}

std::vector<uint8_t> AssembleJpegIccSegments(const std::vector<std::pair<const uint8_t*, size_t>>& markers)
{
    // Segment number (1 to count) -> its data.
    std::vector<std::pair<const uint8_t*, size_t>> parts;
    size_t total = 0;
    for (const auto& [body, size] : markers) {
        if (size < kIccMarkerHeader || std::memcmp(body, kIccMarkerName, sizeof kIccMarkerName) != 0)
            continue; // another APP2 use
        const unsigned number = body[12], count = body[13];
        if (count == 0 || number == 0 || number > count)
            return {};
        if (parts.empty())
            parts.assign(count, {nullptr, 0});
        else if (parts.size() != count)
            return {};
        if (parts[number - 1].first)
            return {}; // the same segment twice
        parts[number - 1] = {body + kIccMarkerHeader, size - kIccMarkerHeader};
        total += size - kIccMarkerHeader;
    }
    if (parts.empty() || total == 0 || total > kMaxIccProfileBytes)
        return {};
    std::vector<uint8_t> profile;
    profile.reserve(total);
    for (const auto& [data, size] : parts) {
        if (!data)
            return {}; // a segment is missing
        profile.insert(profile.end(), data, data + size);
    }
    return profile;
}

std::vector<uint8_t> FindWebPIccChunk(const uint8_t* data, size_t size)
{
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WEBP", 4) != 0)
        return {};
    // The RIFF size bounds the chunks when it is smaller than the file.
    const uint64_t riffEnd = uint64_t(LoadLE32(data + 4)) + 8;
    const size_t end = riffEnd < size ? size_t(riffEnd) : size;
    size_t offset = 12;
    while (offset <= end && end - offset >= 8) {
        const uint8_t* chunk = data + offset;
        const uint64_t length = LoadLE32(chunk + 4);
        if (length > end - offset - 8)
            return {};
        if (std::memcmp(chunk, "ICCP", 4) == 0) {
            if (length == 0 || length > kMaxIccProfileBytes)
                return {};
            return {chunk + 8, chunk + 8 + length};
        }
        // Chunks are padded to an even length.
        offset += 8 + size_t(length) + (length & 1);
    }
    return {};
}
