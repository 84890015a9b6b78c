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

// Pixel values of a 256-entry palette, for expanding indexed lines.
void BuildPixelTable(const PaletteEntry* palette, uint32_t table[256]);
// Expands a line of blue, green, red triples into opaque 32-bit pixels.
void ExpandBgrLine(const uint8_t* in, int count, uint32_t* out);
// Expands a line of palette indices into 32-bit pixels.
void ExpandIndexedLine(const uint8_t* indices, int count, const uint32_t table[256], uint32_t* out);
// Expands `count` packed indices of 1, 2, 4 or 8 bits (most significant bits
// first) through table into 32-bit pixels.
void ExpandPackedLine(const uint8_t* in, int count, int bitsPerPixel, const uint32_t table[256], uint32_t* out);
// Unpacks `count` packed indices of 1, 2, 4 or 8 bits into one byte each.
void UnpackIndices(const uint8_t* in, int count, int bitsPerPixel, uint8_t* out);
// Sets bit `bit` (0 to 7) of indices[x] for every set bit x of a bit plane,
// leftmost pixel in the top bit; indices holds planeBytes * 8 bytes.
void OrPlaneIntoIndices(uint8_t* indices, const uint8_t* plane, size_t planeBytes, int bit);
