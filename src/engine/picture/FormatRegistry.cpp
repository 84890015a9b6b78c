#include "engine/picture/FormatRegistry.h"

#include "engine/picture/FileName.h"

bool SameExtension(std::string_view extension, std::string_view lowerCase)
{
    if (extension.size() != lowerCase.size())
        return false;
    for (size_t i = 0; i < extension.size(); ++i) {
        char c = extension[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != lowerCase[i])
            return false;
    }
    return true;
}

const FileKind* FileKindOfExtension(std::string_view extension)
{
    for (const PictureFormatInfo& row : kPictureFormats)
        for (const FileKind& kind : row.kinds)
            for (const char* e : kind.extensions)
                if (e && SameExtension(extension, e))
                    return &kind;
    return nullptr;
}

const PictureFormatInfo* FormatOfListedExtension(std::string_view extension)
{
    const FileKind* found = FileKindOfExtension(extension);
    for (const PictureFormatInfo& row : kPictureFormats)
        for (const FileKind& kind : row.kinds)
            if (found == &kind)
                return &row;
    return nullptr;
}

const FileKind* FileKindOfSlot(int slot)
{
    for (const PictureFormatInfo& row : kPictureFormats)
        for (const FileKind& kind : row.kinds)
            if (kind.extensions[0] && kind.slot >= 0 && kind.slot == slot)
                return &kind;
    return nullptr;
}

namespace {

// The kinds that have an extension, sorted by `position` (those at -1 last,
// in row order).
std::vector<const FileKind*> KindsBy(int FileKind::*position, bool withoutPosition)
{
    std::vector<const FileKind*> kinds;
    for (const PictureFormatInfo& row : kPictureFormats)
        for (const FileKind& kind : row.kinds)
            if (kind.extensions[0] && (withoutPosition || kind.*position >= 0))
                kinds.push_back(&kind);
    std::stable_sort(kinds.begin(), kinds.end(), [position](const FileKind* a, const FileKind* b) {
        const unsigned pa = unsigned(a->*position), pb = unsigned(b->*position); // -1 sorts last
        return pa < pb;
    });
    return kinds;
}

} // namespace

std::vector<const FileKind*> DisplayKinds()
{
    return KindsBy(&FileKind::displayPosition, false);
}

std::vector<const FileKind*> AssociationKinds()
{
    return KindsBy(&FileKind::associatePosition, true);
}

std::vector<std::string> OpenFilters()
{
    std::string all;
    for (const ListedExtension& e : kListPatterns)
        all += (all.empty() ? "*." : " *.") + std::string(e.extension);
    std::vector<std::string> filters{"All pictures (" + all + ")"};
    for (const FileKind* kind : KindsBy(&FileKind::openPosition, true)) {
        std::string patterns;
        for (const char* e : kind->extensions)
            if (e)
                patterns += (patterns.empty() ? "*." : " *.") + std::string(e);
        filters.push_back(std::string(kind->openName) + " (" + patterns + ")");
    }
    return filters;
}

int FavoriteIconOf(std::string_view fileName)
{
    const FileKind* kind = FileKindOfExtension(vkname::ExtensionOf(fileName));
    if (!kind)
        return 0;
    return kind->slot >= 0 ? kind->slot + 1 : kSettingSlotCount + 1;
}

const SaveTarget* SaveTargetOfExtension(std::string_view extension)
{
    for (const SaveTarget& t : kSaveTargets)
        if (SameExtension(extension, t.extension))
            return &t;
    return nullptr;
}

const SaveTarget* SaveTargetOfCode(int code)
{
    for (const SaveTarget& t : kSaveTargets)
        if (t.code == code)
            return &t;
    return nullptr;
}

std::vector<ReadableFormat> ReadableFormats()
{
    std::vector<ReadableFormat> formats;
    for (const PictureFormatInfo& row : kPictureFormats) {
        ReadableFormat f{row.name, {}};
        for (const FileKind& kind : row.kinds)
            for (const char* e : kind.extensions)
                if (e)
                    f.extensions.push_back(e);
        formats.push_back(std::move(f));
    }
    return formats;
}

std::vector<WritableFormat> WritableFormats()
{
    std::vector<WritableFormat> formats;
    for (const SaveTarget& t : kSaveTargets)
        for (const PictureFormatInfo& row : kPictureFormats)
            for (const SaveTarget& own : row.saved)
                if (own.extension && own.code == t.code)
                    formats.push_back({row.name, &t});
    return formats;
}
