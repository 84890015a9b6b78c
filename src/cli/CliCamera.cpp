#include "cli/CliCamera.h"

#include "cli/CliJson.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace {

// The fields by the names JSON and the text lines give them.
std::vector<std::pair<const char*, const std::string*>> Fields(const PhotoFacts& f)
{
    return {{"date_taken", &f.dateTaken},
            {"make", &f.make},
            {"model", &f.model},
            {"lens", &f.lens},
            {"exposure_time", &f.exposureTime},
            {"aperture", &f.aperture},
            {"iso", &f.iso},
            {"focal_length", &f.focalLength},
            {"flash", &f.flash}};
}

std::string Number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", v);
    return text;
}

std::string Metres(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f m", v);
    return text;
}

} // namespace

std::string CameraJson(const PhotoMetadata& metadata, bool allTags)
{
    const PhotoFacts& f = metadata.facts;
    std::string json = ", \"camera\": {";
    bool first = true;
    for (const auto& [name, value] : Fields(f)) {
        json += std::string(first ? "" : ", ") + "\"" + name +
                "\": " + (value->empty() ? "null" : JsonString(*value));
        first = false;
    }
    json += ", \"position\": ";
    if (f.hasPosition)
        json += "{\"latitude\": " + Number(f.latitude) + ", \"longitude\": " + Number(f.longitude) +
                ", \"altitude\": " + (f.hasAltitude ? Number(f.altitude) : "null") + "}";
    else
        json += "null";
    json += ", \"icc_profile_bytes\": " + std::to_string(metadata.iccSize) + "}";
    if (allTags) {
        json += ", \"tags\": [";
        for (size_t i = 0; i < metadata.tags.size(); ++i) {
            const MetadataTag& t = metadata.tags[i];
            json += std::string(i ? ", " : "") + "{\"key\": " + JsonString(t.key) +
                    ", \"type\": " + JsonString(t.type) + ", \"value\": " + JsonString(t.value) + "}";
        }
        json += "]";
    }
    return json;
}

void PrintCamera(std::ostream& out, const PhotoMetadata& metadata, bool allTags)
{
    const PhotoFacts& f = metadata.facts;
    for (const auto& [name, value] : Fields(f)) {
        if (value->empty())
            continue;
        std::string label = name;
        for (char& c : label)
            if (c == '_')
                c = ' ';
        out << "  " << label << ": " << *value << "\n";
    }
    if (f.hasPosition)
        out << "  position: " << f.PositionText()
            << (f.hasAltitude ? ", " + Metres(f.altitude) : std::string()) << "\n";
    if (allTags)
        for (const MetadataTag& t : metadata.tags)
            out << "  " << t.key << " (" << t.type << "): " << t.value << "\n";
}
