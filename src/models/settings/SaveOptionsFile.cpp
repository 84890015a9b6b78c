#include "models/settings/SaveOptionsFile.h"

#include "engine/picture/FormatRegistry.h"
#include "engine/picture/OutputFile.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "models/settings/KeyValueLines.h"

#include <sstream>

namespace {

constexpr const char* kConvertKey = "convertFormat";
constexpr size_t kMaxFileSize = 4096;

} // namespace

std::string CSaveOptionsFile::FilePath()
{
    return vkpath::Join(vkplatform::ConfigDirectory(), kFileName);
}

std::string CSaveOptionsFile::ToText(const SaveOptionValues& values, int convertFormat)
{
    std::ostringstream out;
    for (const NewerSaveValue& v : kNewerSaveValues)
        out << v.key << '=' << values.*v.member << '\n';
    out << kConvertKey << '=' << convertFormat << '\n';
    return out.str();
}

void CSaveOptionsFile::FromText(const std::string& text, SaveOptionValues& values, int& convertFormat)
{
    vksettings::ForEachNumberLine(text, [&](const std::string& key, int32_t value) {
        if (key == kConvertKey && value >= 0 && size_t(value) < kSaveTargets.size())
            convertFormat = value;
        for (const NewerSaveValue& v : kNewerSaveValues)
            if (key == v.key && value >= v.minimum && value <= v.maximum)
                values.*v.member = value;
    });
}

bool CSaveOptionsFile::Load(SaveOptionValues& values, int& convertFormat, const std::string& path)
{
    std::string text;
    if (!vksettings::ReadSmallFile(path, kMaxFileSize, text))
        return false;
    FromText(text, values, convertFormat);
    return true;
}

bool CSaveOptionsFile::Save(const SaveOptionValues& values, int convertFormat, const std::string& path)
{
    return WriteFileAtomically(path, ToText(values, convertFormat));
}
