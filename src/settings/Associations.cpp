#include "Associations.h"

namespace vkshell {

const std::array<AssociationBox, kAssociationBoxes>& AssociationBoxes()
{
    static const std::array<AssociationBox, kAssociationBoxes> boxes = {{
        {"BMP, &DIB, RLE", ".bmp", &CSettings::associateBmp},
        {"&EPS", ".eps", &CSettings::associateEps},
        {"&GIF", ".gif", &CSettings::associateGif},
        {"&IFF, ILBM", ".iff", &CSettings::associateIff},
        {"&JPG", ".jpg", &CSettings::associateJpg},
        {"P&BM", ".pbm", &CSettings::associatePbm},
        {"P&CT, PICT", ".pct", &CSettings::associatePct},
        {"PC&X", ".pcx", &CSettings::associatePcx},
        {"PG&M", ".pgm", &CSettings::associatePgm},
        {"P&NG", ".png", &CSettings::associatePng},
        {"&PPM", ".ppm", &CSettings::associatePpm},
        {"&RAS", ".ras", &CSettings::associateRas},
        {"TG&A", ".tga", &CSettings::associateTga},
        {"&TIF, TIFF", ".tif", &CSettings::associateTif},
        {"IC&O", ".ico", &CSettings::associateIco},
    }};
    return boxes;
}

AssociationChecks InitialChecks(const CSettings& settings)
{
    AssociationChecks checks{};
    for (size_t i = 0; i < checks.size(); ++i)
        checks[i] = settings.*(AssociationBoxes()[i].setting) != 0;
    return checks;
}

const std::array<const char*, kModernExtensions>& ModernExtensions()
{
    static const std::array<const char*, kModernExtensions> extensions = {".webp", ".avif", ".heic", ".heif",
                                                                          ".jxl"};
    return extensions;
}

std::vector<std::string> AssociateChecked(CRegistry& registry, const AssociationChecks& checks)
{
    std::vector<std::string> failed;
    bool any = false;
    for (size_t i = 0; i < checks.size(); ++i) {
        if (!checks[i])
            continue;
        any = true;
        if (!registry.AssociateExtension(AssociationBoxes()[i].extension))
            failed.push_back(AssociationBoxes()[i].extension);
    }
    // The types that have no box of their own go with any association.
    if (any)
        for (const char* extension : ModernExtensions())
            if (!registry.AssociateExtension(extension))
                failed.push_back(extension);
    return failed;
}

} // namespace vkshell
