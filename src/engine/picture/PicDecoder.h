// CPicDecoder: the decode template every format decoder follows.
#pragma once

#include "engine/picture/Bmp.h"
#include "engine/picture/DataSource.h"
#include "engine/picture/RowSink.h"

#include <atomic>
#include <memory>
#include <string>

// A palette a decoder parks while it works; freed by Decode whatever happens.
using PaletteHolder = std::unique_ptr<PaletteEntry[]>;

// Abandoning a decode. A decoder given an abort flag (SetAbortFlag) checks
// it before it reads the file and between the lines it fills (LineToFill
// below; the library decoders between the lines or strips the library hands
// back). Once the flag reads true the decode ends with
// CTextException(ErrAborted, kTextAborted) and the bitmap is half filled, as
// after any failed decode. The flag is held per thread for the length of the
// decode, so decoders a decode runs in turn (the detector's, an icon's PNG
// decoder) check it too.
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

    // Which picture later decodes deliver. A file of several pictures (the
    // pages of a TIFF, the images of an icon) gives `page`, counted from 0,
    // and one without so many fails with kTextNoSuchPage; a camera RAW file
    // gives its embedded preview when `preview` asks for it and it has one,
    // and is developed in full otherwise.
    struct Choice {
        int page = 0;
        bool preview = false;
    };
    void SetChoice(Choice choice) { m_choice = choice; }
    Choice GetChoice() const { return m_choice; }
    // What the last decode found: how many pages the file holds, and
    // whether it delivered a RAW file's preview instead of the developed
    // picture, whose upright size is then fullWidth x fullHeight.
    struct Found {
        int pageCount = 1;
        bool preview = false;
        int fullWidth = 0;
        int fullHeight = 0;
    };
    const Found& GetFound() const { return m_found; }

    // The flag later decodes check; nullptr (the default) stops checking.
    // It must outlive every decode that starts while it is set.
    void SetAbortFlag(const std::atomic<bool>* flag) { m_abortFlag = flag; }
    const std::atomic<bool>* GetAbortFlag() const { return m_abortFlag; }

    // Later decodes hand the picture to `sink` row by row where the decoder
    // can (JPEG and PNG at full size, as stored, not interlaced, not CMYK):
    // Begin, the rows, then End once the picture is whole; the bitmap is
    // left empty. Other decodes fill the bitmap and never call the sink.
    // nullptr (the default) stops it.
    void SetRowSink(CRowSink* sink) { m_rowSink = sink; }
    CRowSink* GetRowSink() const { return m_rowSink; }

    // 0 becomes 8 for sources of 8 bits or less and 32 otherwise; the
    // result is written back.
    static int ResolveTargetDepth(int sourceDepth, int& wantedDepth);

    // Allocates a 256-entry palette of opaque black in the holder, so that
    // an index beyond a short palette reads as black.
    static PaletteEntry* AllocPalette(PaletteHolder& holder);

  protected:
    // Makes `flag` the flag of the decode running on this thread until the
    // scope ends; a null flag keeps the one of an enclosing decode.
    class AbortScope {
      public:
        explicit AbortScope(const std::atomic<bool>* flag);
        ~AbortScope();
        AbortScope(const AbortScope&) = delete;
        AbortScope& operator=(const AbortScope&) = delete;

      private:
        const std::atomic<bool>* m_saved;
    };

    // The format's work: create bmp at the resolved depth, set its source
    // depth, fill every line top-down, install the palette for 8 bits.
    virtual void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) = 0;

    friend class CAnyPicDecoder;
    friend class CFrameSource; // composes frames under the same flag

    Found m_found; // set by DecodeInto; reset before it runs

  private:
    const std::atomic<bool>* m_abortFlag = nullptr;
    Choice m_choice;
    CRowSink* m_rowSink = nullptr;
};

// The file holds fewer pictures than the page asked for.
inline constexpr const char* kTextNoSuchPage = "The file has no such page.";
// The page asked for, checked against the file's `count` pages.
void CheckPage(int page, int count);

// True when the decode running on this thread has been abandoned.
bool DecodeAbandoned();
// Throws CTextException(ErrAborted, kTextAborted) when it has.
void CheckDecodeAbort();

// Line y of bmp, about to be filled by a decoder; an abandoned decode ends
// here instead.
inline uint8_t* LineToFill(CBmp& bmp, int y)
{
    CheckDecodeAbort();
    return bmp.GetLine(y);
}
inline uint32_t* LineToFill32(CBmp& bmp, int y)
{
    CheckDecodeAbort();
    return bmp.GetLine32(y);
}
