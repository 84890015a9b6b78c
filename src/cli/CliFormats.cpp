#include "cli/CliFormats.h"

#include "engine/picture/FileName.h"
#include "engine/picture/FormatRegistry.h"

const std::vector<std::string>& WritableTypes()
{
    static const std::vector<std::string> types = [] {
        std::vector<std::string> list;
        for (const WritableFormat& f : WritableFormats())
            list.emplace_back(f.target->extension);
        return list;
    }();
    return types;
}

bool IsWritableType(const std::string& ext)
{
    return SaveTargetOfExtension(ext) != nullptr;
}

std::string WritableTypeNames(std::initializer_list<int> codes)
{
    return WritableTypeNames(std::vector<int>(codes));
}

std::string WritableTypeNames(const std::vector<int>& codes)
{
    std::string names;
    for (int code : codes)
        if (const SaveTarget* t = SaveTargetOfCode(code))
            names += (names.empty() ? "" : " ") + std::string(t->extension);
    return names;
}

const std::vector<std::string>& ReadableFormatNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const ReadableFormat& f : ReadableFormats())
            list.emplace_back(f.name);
        return list;
    }();
    return names;
}

const std::vector<std::string>& ListedExtensions()
{
    static const std::vector<std::string> extensions = [] {
        std::vector<std::string> list;
        for (const ListedExtension& e : kListPatterns)
            list.emplace_back(e.extension);
        return list;
    }();
    return extensions;
}

bool HasListedExtension(const std::string& name)
{
    return FormatOfListedExtension(vkname::ExtensionOf(name)) != nullptr;
}
