#include "models/settings/Associations.h"

namespace vkshell {

const std::array<AssociationBox, kAssociationBoxes>& AssociationBoxes()
{
    static const std::array<AssociationBox, kAssociationBoxes> boxes = [] {
        std::array<AssociationBox, kAssociationBoxes> list{};
        size_t n = 0;
        for (const FileKind* kind : AssociationKinds())
            if (kind->associatePosition >= 0 && n < list.size())
                list[n++] = {kind->associateLabel, kind};
        return list;
    }();
    return boxes;
}

AssociationChecks InitialChecks(const CSettings& settings)
{
    AssociationChecks checks{};
    for (size_t i = 0; i < checks.size(); ++i) {
        const int32_t* flag = settings.AssociateFlag(AssociationBoxes()[i].kind->slot);
        checks[i] = flag && *flag != 0;
    }
    return checks;
}

std::vector<const FileKind*> KindsWithoutBox()
{
    std::vector<const FileKind*> kinds;
    for (const FileKind* kind : AssociationKinds())
        if (kind->associatePosition < 0)
            kinds.push_back(kind);
    return kinds;
}

namespace {

// The extension a kind is associated by (".jpg"); its MIME types follow.
std::string DottedName(const FileKind& kind)
{
    return std::string(".") + kind.extensions[0];
}

} // namespace

std::vector<std::string> AssociateChecked(const CFileAssociation& association,
                                          const AssociationChecks& checks)
{
    std::vector<std::string> failed;
    std::vector<const FileKind*> chosen;
    for (size_t i = 0; i < checks.size(); ++i)
        if (checks[i])
            chosen.push_back(AssociationBoxes()[i].kind);
    // The types that have no box of their own go with any association.
    if (!chosen.empty())
        for (const FileKind* kind : KindsWithoutBox())
            chosen.push_back(kind);
    for (const FileKind* kind : chosen)
        if (!association.AssociateExtension(DottedName(*kind)))
            failed.push_back(DottedName(*kind));
    return failed;
}

} // namespace vkshell
