#include "FormatRegistry.h"

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

const PictureFormatInfo* FormatOfListedExtension(std::string_view extension)
{
    for (const PictureFormatInfo& row : kPictureFormats)
        for (const ListedExtension& e : row.listed)
            if (e.extension && SameExtension(extension, e.extension))
                return &row;
    return nullptr;
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
        for (const ListedExtension& e : row.listed)
            if (e.extension)
                f.extensions.push_back(e.extension);
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
