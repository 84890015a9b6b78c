#include "models/settings/Settings.h"

#include "engine/picture/OutputFile.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kCompareExtensionPosition = 25;
constexpr int kHomeDirectoryPosition = 119;
constexpr const char* kDefaultCompareExtension = "bmp";

struct IntPosition {
    int32_t& (*member)(CSettings&);
    int32_t defaultValue;
    int32_t minimum;
    int32_t maximum;
};

constexpr int32_t kPageUnitsMax = 1000000; // 10,000 inches

#define VK_BOOL(m, d)                                                                                        \
    IntPosition                                                                                              \
    {                                                                                                        \
        [](CSettings& s) -> int32_t& { return s.m; }, d, 0, 1                                                \
    }
#define VK_INT(m, d, lo, hi)                                                                                 \
    IntPosition                                                                                              \
    {                                                                                                        \
        [](CSettings& s) -> int32_t& { return s.m; }, d, lo, hi                                              \
    }
#define VK_STRING                                                                                            \
    IntPosition                                                                                              \
    {                                                                                                        \
        nullptr, 0, 0, 0                                                                                     \
    }

// Positions 1..119 in file order; the two strings have no member here.
const IntPosition kPositionTable[CSettings::kPositions] = {
    VK_BOOL(sortByName, 1),
    VK_INT(previewPosition, 0, 0, 2),
    VK_BOOL(autoRefresh, 0),
    VK_INT(renameSeriesScope, 0, 0, 1),
    VK_BOOL(associateBmp, 1),
    VK_BOOL(associateEps, 1),
    VK_BOOL(associateGif, 1),
    VK_BOOL(associateIco, 1),
    VK_BOOL(associateIff, 1),
    VK_BOOL(associateJpg, 1),
    VK_BOOL(associatePbm, 1),
    VK_BOOL(associatePct, 1),
    VK_BOOL(associatePcx, 1),
    VK_BOOL(associatePgm, 1),
    VK_BOOL(associatePng, 1),
    VK_BOOL(associatePpm, 1),
    VK_BOOL(associateRas, 1),
    VK_BOOL(associateTga, 1),
    VK_BOOL(associateTif, 1),
    VK_BOOL(compareName, 1),
    VK_BOOL(compareExtension, 1),
    VK_BOOL(compareSize, 1),
    VK_BOOL(compareDate, 1),
    VK_BOOL(compareCaseSensitive, 1),
    VK_STRING, // 25 compareExtensionText
    VK_BOOL(comparePreviewSource, 1),
    VK_BOOL(comparePreviewDestination, 1),
    VK_INT(printVertical, 1, 0, 2),
    VK_INT(printHorizontal, 1, 0, 2),
    VK_BOOL(printInfoPath, 0),
    VK_BOOL(printInfoName, 1),
    VK_BOOL(printInfoFileSize, 0),
    VK_BOOL(printInfoDimensions, 1),
    VK_INT(printInfoAlign, 0, 0, 2),
    VK_INT(printInfoPosition, 0, 0, 1),
    VK_INT(printMarginLeft, 0, 0, kPageUnitsMax),
    VK_INT(printMarginRight, 0, 0, kPageUnitsMax),
    VK_INT(printMarginTop, 0, 0, kPageUnitsMax),
    VK_INT(printMarginBottom, 0, 0, kPageUnitsMax),
    VK_INT(printSizeMode, 0, 0, 3),
    VK_INT(printCustomWidth, 0, 0, kPageUnitsMax),
    VK_INT(printCustomHeight, 0, 0, kPageUnitsMax),
    VK_INT(printThumbWidth, 100, 0, kPageUnitsMax),
    VK_INT(printThumbHeight, 100, 0, kPageUnitsMax),
    VK_INT(printThumbSelectedOnly, 1, 0, 1),
    VK_BOOL(findGoToFile, 1),
    VK_BOOL(findPreview, 1),
    VK_INT(rotateQuality, 2, 0, 2),
    VK_INT(rotateAngle, 45, 1, 359),
    VK_INT(rotateDirection, 0, 0, 1),
    VK_BOOL(shearAntiAlias, 1),
    VK_INT(shearAngle, 45, 1, 89),
    VK_INT(shearCorner, 0, 0, 1),
    VK_INT(canvasAnchor, 0, 0, 8),
    VK_BOOL(resizeConstrain, 1),
    VK_INT(balanceRed, 0, -100, 100),
    VK_INT(balanceGreen, 0, -100, 100),
    VK_INT(balanceBlue, 0, -100, 100),
    VK_BOOL(convertReplaceOriginal, 0),
    VK_INT(convertFormat, 0, 0, 11),
    VK_INT(convertPolicy, 0, 0, 3),
    VK_BOOL(saveOptions.jpegProgressive, 0),
    VK_BOOL(saveOptions.jpegOptimize, 0),
    VK_INT(saveOptions.jpegQuality, 60, 0, 100),
    VK_INT(saveOptions.jpegSmoothing, 0, 0, 100),
    VK_INT(saveOptions.tiffCompression, 0, 0, 2),
    VK_INT(saveOptions.bmpDepth, 0, -1, 1), // a depth choice: -1 when nothing was picked
    VK_INT(saveOptions.tiffSecondOption, 60, INT32_MIN, INT32_MAX),
    VK_BOOL(saveOptions.pngInterlace, 0),
    VK_BOOL(saveOptions.tgaRle, 0),
    VK_INT(saveOptions.tgaDepth, 0, -1, 1),
    VK_INT(saveOptions.pcxDepth, 0, -1, 1),
    VK_BOOL(saveOptions.gifInterlace, 0),
    VK_BOOL(saveOptions.pictRle, 1),
    VK_BOOL(saveOptions.rasRle, 0),
    VK_INT(saveOptions.rasDepth, 0, -1, 1),
    VK_BOOL(browserPreviewEnabled, 1),
    VK_BOOL(browserPreviewEnlarge, 0),
    VK_BOOL(browserPreviewShrink, 1),
    VK_BOOL(browserFullPathInTitle, 1),
    VK_BOOL(showBmp, 1),
    VK_BOOL(showEps, 1),
    VK_BOOL(showGif, 1),
    VK_BOOL(showIco, 1),
    VK_BOOL(showIff, 1),
    VK_BOOL(showJpg, 1),
    VK_BOOL(showPbm, 1),
    VK_BOOL(showPct, 1),
    VK_BOOL(showPcx, 1),
    VK_BOOL(showPgm, 1),
    VK_BOOL(showPng, 1),
    VK_BOOL(showPpm, 1),
    VK_BOOL(showRas, 1),
    VK_BOOL(showTga, 1),
    VK_BOOL(showTif, 1),
    VK_BOOL(selectAfterCopyMove, 0),
    VK_BOOL(selectAfterDelete, 0),
    VK_BOOL(selectAfterConvert, 0),
    VK_BOOL(confirmCopyMove, 1),
    VK_BOOL(confirmMultipleDelete, 1),
    VK_BOOL(confirmSingleDelete, 1),
    VK_BOOL(upperCaseExtension, 0),
    VK_BOOL(useRecycleBin, 1),
    VK_INT(overwritePolicy, 0, 0, 3),
    VK_BOOL(slideDelayFlip, 1),
    VK_INT(slideDelaySeconds, 3, 0, 10),
    VK_INT(slidePosition, 0, 0, 1),
    VK_INT(slideImageSize, 0, 0, 2),
    VK_INT(slideSequence, 0, 0, 2),
    VK_BOOL(viewerEnlarge, 1),
    VK_BOOL(viewerFullPathInTitle, 1),
    VK_BOOL(viewerShrink, 1),
    VK_BOOL(saveRecentFolders, 1),
    VK_BOOL(saveSettingsOnExit, 1),
    VK_BOOL(printSetupFirst, 1),
    VK_BOOL(startInHome, 0),
    VK_INT(fileSizeUnit, 0, 0, 2),
    VK_INT(imageSizeUnit, 0, 0, 3),
    VK_STRING, // 119 homeDirectory
};

#undef VK_BOOL
#undef VK_INT
#undef VK_STRING

const IntPosition* PositionInfo(int position)
{
    if (position < 1 || position > CSettings::kPositions || !kPositionTable[position - 1].member)
        return nullptr;
    return &kPositionTable[position - 1];
}

// An extension never holds a space; a space would shift every later token.
std::string WithoutSpaces(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '*')
            out.push_back(c);
    return out;
}

} // namespace

void CSettings::SetDefaults()
{
    for (const auto& p : kPositionTable)
        if (p.member)
            p.member(*this) = p.defaultValue;
    compareExtensionText = kDefaultCompareExtension;
    homeDirectory.clear();
}

int32_t* CSettings::IntAt(int position)
{
    const IntPosition* info = PositionInfo(position);
    return info ? &info->member(*this) : nullptr;
}

const int32_t* CSettings::IntAt(int position) const
{
    return const_cast<CSettings*>(this)->IntAt(position);
}

int32_t CSettings::DefaultAt(int position)
{
    const IntPosition* info = PositionInfo(position);
    return info ? info->defaultValue : 0;
}

bool CSettings::InRange(int position, int32_t value)
{
    const IntPosition* info = PositionInfo(position);
    return info && value >= info->minimum && value <= info->maximum;
}

bool CSettings::Parse(const std::string& text)
{
    CSettings parsed; // defaults for whatever is not read
    size_t at = 0;
    bool ok = true;
    bool outOfRange = false;
    for (int position = 1; position < kHomeDirectoryPosition && ok; ++position) {
        const size_t space = text.find(' ', at);
        if (space == std::string::npos) {
            ok = false; // ends early
            break;
        }
        const std::string_view token(text.data() + at, space - at);
        at = space + 1;
        if (position == kCompareExtensionPosition) {
            if (token.find('*') != std::string_view::npos) {
                ok = false;
                break;
            }
            parsed.compareExtensionText = std::string(token);
            continue;
        }
        int32_t value = 0;
        const char* first = token.data();
        const char* last = token.data() + token.size();
        auto [end, error] = std::from_chars(first, last, value);
        if (token.empty() || end != last ||
            (error != std::errc() && error != std::errc::result_out_of_range)) {
            ok = false; // not a number: the tokens after it cannot be trusted
            break;
        }
        if (error != std::errc() || !InRange(position, value)) {
            // A number out of range loses only its own value; the positions
            // after it are still read.
            outOfRange = true;
            continue;
        }
        *parsed.IntAt(position) = value;
    }
    if (ok) {
        // The home directory is the rest, ended by the final "*"; it may
        // hold spaces.
        const size_t star = text.rfind('*');
        if (star == std::string::npos || star < at)
            ok = false;
        else
            parsed.homeDirectory = text.substr(at, star - at);
    }
    *this = parsed;
    return ok && !outOfRange;
}

int32_t CSettings::Clamp(int position, int32_t value)
{
    const IntPosition* info = PositionInfo(position);
    if (!info)
        return value;
    return value < info->minimum ? info->minimum : value > info->maximum ? info->maximum : value;
}

void CSettings::ClampAll()
{
    for (int position = 1; position <= kPositions; ++position)
        if (int32_t* value = IntAt(position))
            *value = Clamp(position, *value);
}

std::string CSettings::Format() const
{
    std::string out;
    out.reserve(512 + homeDirectory.size());
    for (int position = 1; position < kHomeDirectoryPosition; ++position) {
        if (position == kCompareExtensionPosition)
            out += WithoutSpaces(compareExtensionText);
        else
            out += std::to_string(*IntAt(position));
        out += ' ';
    }
    out += homeDirectory;
    out += '*';
    return out;
}

std::string CSettings::SettingsPath()
{
    return vkpath::Join(vkplatform::ConfigDirectory(), kFileName);
}

std::string CSettings::RecentFoldersPath()
{
    return vkpath::Join(vkplatform::ConfigDirectory(), kRecentFoldersFileName);
}

bool CSettings::Load()
{
    return Load(SettingsPath());
}

bool CSettings::Load(const std::string& path)
{
    std::string text;
    if (!ReadSmallFile(path, text))
        return false;
    Parse(text);
    return true;
}

bool CSettings::Save() const
{
    return Save(SettingsPath());
}

bool CSettings::Save(const std::string& path) const
{
    vkplatform::MakePath(vkpath::Parent(path));
    return WriteFileAtomically(path, Format());
}

void CSettings::ParseRecentFolders(const std::string& text, std::vector<std::string>& folders)
{
    const size_t star = text.find('*');
    if (star == std::string::npos || star == 0 || star > 9)
        return;
    long count = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + star, count);
    if (error != std::errc() || end != text.data() + star || count <= 0)
        return;
    size_t at = star + 1;
    for (long i = 0; i < count; ++i) {
        const size_t next = text.find('*', at);
        if (next == std::string::npos)
            return; // ends early: keep what was read
        folders.push_back(text.substr(at, next - at));
        at = next + 1;
    }
}

std::string CSettings::FormatRecentFolders(const std::vector<std::string>& folders)
{
    // A "*" cannot be stored; such a folder is left out rather than
    // splitting into two bogus entries.
    std::string body;
    size_t count = 0;
    for (const auto& folder : folders) {
        if (folder.find('*') != std::string::npos)
            continue;
        body += folder;
        body += '*';
        ++count;
    }
    return std::to_string(count) + "*" + body;
}

bool CSettings::LoadRecentFolders(std::vector<std::string>& folders)
{
    return LoadRecentFolders(RecentFoldersPath(), folders);
}

bool CSettings::LoadRecentFolders(const std::string& path, std::vector<std::string>& folders)
{
    std::string text;
    if (!ReadSmallFile(path, text, 64u << 20))
        return false;
    ParseRecentFolders(text, folders);
    return true;
}

bool CSettings::SaveRecentFolders(const std::vector<std::string>& folders)
{
    return SaveRecentFolders(RecentFoldersPath(), folders);
}

bool CSettings::SaveRecentFolders(const std::string& path, const std::vector<std::string>& folders)
{
    vkplatform::MakePath(vkpath::Parent(path));
    return WriteFileAtomically(path, FormatRecentFolders(folders));
}

bool ReadSmallFile(const std::string& path, std::string& bytes, size_t maxBytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return false;
    }
    bytes.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<size_t>(n) > maxBytes) {
            ::close(fd);
            return false;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}
