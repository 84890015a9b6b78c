#include "engine/save/SaveDispatch.h"

#include "engine/save/BmpEncoder.h"
#include "engine/save/GIFEncoder.h"
#include "engine/save/IFFEncoder.h"
#include "engine/save/JPEGEncoder.h"
#include "engine/save/PCXEncoder.h"
#include "engine/save/PGMEncoder.h"
#include "engine/save/PNGEncoder.h"
#include "engine/save/PPMEncoder.h"
#include "engine/save/PictEncoder.h"
#include "engine/save/RASEncoder.h"
#include "engine/save/TGAEncoder.h"
#include "engine/save/TIFFEncoder.h"

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
    SaveParameters p;
    switch (code) {
    case kSaveBmp:
        p.depth = DepthFromChoice(values.bmpDepth);
        break;
    case kSaveGif:
        p.interlaced = values.gifInterlace != 0;
        break;
    case kSaveJpg:
        p.quality = values.jpegQuality;
        p.smoothing = values.jpegSmoothing;
        p.optimize = values.jpegOptimize != 0;
        p.progressive = values.jpegProgressive != 0;
        break;
    case kSavePcx:
        p.depth = DepthFromChoice(values.pcxDepth);
        break;
    case kSavePct:
        p.rle = values.pictRle != 0;
        break;
    case kSavePng:
        p.interlaced = values.pngInterlace != 0;
        break;
    case kSaveRas:
        p.depth = DepthFromChoice(values.rasDepth);
        p.rle = values.rasRle != 0;
        break;
    case kSaveTga:
        p.depth = DepthFromChoice(values.tgaDepth);
        p.rle = values.tgaRle != 0;
        break;
    case kSaveTif:
        p.depth = 24;
        p.compressionIndex = values.tiffCompression;
        p.secondOption = values.tiffSecondOption;
        break;
    default:
        break;
    }
    return p;
}

bool SavePicture(int code, const std::string& path, CBmp& bmp, const SaveParameters& p)
{
    // A target that cannot hold the data is written without it.
    CBeforeCommit::Work carry;
    if (p.metadata && SaveCodeHoldsMetadata(code))
        carry = [metadata = p.metadata, width = bmp.GetWidth(), height = bmp.GetHeight(),
                 upright = p.upright](std::FILE* file) {
            return metadata->WriteIntoStream(file, width, height, upright);
        };
    CBeforeCommit scope(std::move(carry));
    try {
        switch (code) {
        case kSaveBmp:
            CBmpEncoder().Save(path, bmp, p.depth);
            return true;
        case kSaveGif:
            CGIFEncoder().Save(path, bmp, p.interlaced);
            return true;
        case kSaveIff:
            CIFFEncoder().Save(path, bmp);
            return true;
        case kSaveJpg:
            CJPEGEncoder().Save(path, bmp, p.quality, p.smoothing, p.optimize, p.progressive);
            return true;
        case kSavePcx:
            CPCXEncoder().Save(path, bmp, p.depth);
            return true;
        case kSavePgm:
            CPGMEncoder().Save(path, bmp);
            return true;
        case kSavePct:
            CPictEncoder().Save(path, bmp, p.rle);
            return true;
        case kSavePng:
            CPNGEncoder().Save(path, bmp, p.interlaced, p.pngLevel);
            return true;
        case kSavePpm:
            CPPMEncoder().Save(path, bmp);
            return true;
        case kSaveRas:
            CRASEncoder().Save(path, bmp, p.depth, p.rle);
            return true;
        case kSaveTga:
            CTGAEncoder().Save(path, bmp, p.rle, p.depth);
            return true;
        case kSaveTif:
            CTIFFEncoder().Save(path, bmp, p.compressionIndex, p.secondOption);
            return true;
        default:
            return false;
        }
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
