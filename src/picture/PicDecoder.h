// CPicDecoder: the decode template every format decoder follows.
#pragma once

#include "Bmp.h"
#include "DataSource.h"

#include <memory>
#include <string>

// A palette a decoder parks while it works; freed by Decode whatever happens.
using PaletteHolder = std::unique_ptr<PaletteEntry[]>;

class CPicDecoder {
public:
    CPicDecoder() = default;
    CPicDecoder(const CPicDecoder&) = delete;
    CPicDecoder& operator=(const CPicDecoder&) = delete;
    virtual ~CPicDecoder() = default;

    // Maps the file and decodes it into bmp. wantedDepth is 0, 8 or 32.
    // Every failure is a CTextException; an allocation failure becomes
    // ErrNoMemory "Out of memory.".
    virtual void DecodeFile(const std::string& fileName, CBmp& bmp, int wantedDepth = 32);
    virtual void Decode(CDataSource& source, CBmp& bmp, int wantedDepth = 32);
    // A decoder that can write its next picture turned by an EXIF
    // orientation (1 to 8) as it decodes takes it here and returns true;
    // the others return false and the picture is turned afterwards.
    virtual bool SetOrientation(int /*orientation*/) { return false; }

    // 0 becomes 8 for sources of 8 bits or less and 32 otherwise; the
    // result is written back.
    static int ResolveTargetDepth(int sourceDepth, int& wantedDepth);

    // Allocates a 256-entry palette of opaque black in the holder, so that
    // an index beyond a short palette reads as black.
    static PaletteEntry* AllocPalette(PaletteHolder& holder);

protected:
    // The format's work: create bmp at the resolved depth, set its source
    // depth, fill every line top-down, install the palette for 8 bits.
    virtual void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth,
                            CDataSource& source) = 0;

    friend class CAnyPicDecoder;
};
