#include "engine/save/SaveDispatch.h"

#include "engine/metadata/Metadata.h"
#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"

#include <new>
#include <stdexcept>

int SaveFormatFromExtension(const std::string& extension)
{
    // Without regard to case: a name typed as "photo.JPG" is a JPEG.
    const SaveTarget* target = SaveTargetOfExtension(extension);
    return target ? target->code : -1;
}

const char* SaveExtensionOf(int code)
{
    const SaveTarget* target = SaveTargetOfCode(code);
    return target ? target->extension : nullptr;
}

SaveParameters MakeSaveParameters(int code, const SaveOptionValues& values)
{
    const SaveTarget* target = SaveTargetOfCode(code);
    return target ? ParametersFrom(target->options, values) : SaveParameters{};
}

bool SavePicture(int code, const std::string& path, CBmp& bmp, const SaveParameters& p)
{
    const SaveTarget* target = SaveTargetOfCode(code);
    if (!target || !target->write)
        return false;
    // A target that cannot hold the data is written without it.
    CBeforeCommit::Work carry;
    if (p.metadata && SaveCodeHoldsMetadata(code))
        carry = [metadata = p.metadata, width = bmp.GetWidth(), height = bmp.GetHeight(),
                 upright = p.upright](std::FILE* file) {
            return metadata->WriteIntoStream(file, width, height, upright);
        };
    CBeforeCommit scope(std::move(carry));
    try {
        target->write(path, bmp, p);
        return true;
    } catch (const std::bad_alloc&) {
        throw CTextException(ErrNoMemory, kTextOutOfMemory);
    } catch (const std::length_error&) {
        throw CTextException(ErrNoMemory, kTextOutOfMemory);
    }
}

bool SavePicture(int code, const std::string& path, CBmp& bmp, const SaveOptionValues& values)
{
    return SavePicture(code, path, bmp, MakeSaveParameters(code, values));
}
