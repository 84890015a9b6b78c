// CWinBmp: a CBmp stored as one packed, bottom-up DIB block (header,
// palette, rows), the layout that is drawn, put on the clipboard and written
// as a BMP file without conversion.
#pragma once

#include "engine/picture/Bmp.h"
#include "engine/picture/DibHeader.h"

#include <memory>

class CWinBmp : public CBmp {
  public:
    // A new bitmap is 16 x 16 x 8 with the grayscale palette.
    CWinBmp();
    ~CWinBmp() override;

    // Reuses the block when the new picture needs the same number of bytes.
    void Create(int width, int height, uint16_t bitsPerPixel, bool hasAlpha) override;

    size_t GetMemoryUsed() const override;
    int GetLineBytes() const override;

    // Takes a packed DIB (40-byte header, palette, rows) of at most
    // `available` bytes; throws ErrBadFormat for another header and
    // ErrEndOfFile when the rows do not fit.
    void CreateFromDIB(const uint8_t* header, size_t available);

    // The packed DIB block and its size.
    const uint8_t* GetDIB() const { return m_dib; }
    size_t GetDIBSize() const { return m_dibSize; }
    // First byte of the bottom row.
    uint8_t* GetPixels() { return m_pixels; }
    const uint8_t* GetPixels() const { return m_pixels; }

    // The block's header as held.
    DibHeader GetDIBHeader() const;

    // Exchanges contents with another bitmap without copying pixels.
    void Swap(CWinBmp& other) noexcept;

    static size_t BlockSize(int width, int height, int bitsPerPixel);

  protected:
    void AllocateStorage(int width, int height, uint16_t bitsPerPixel, bool hasAlpha) override;
    void ReleaseStorage() override;
    void BuildLineTable() override;
    void LocateDIBParts();

  private:
    // Writes the geometry into the block's header and lays the picture out
    // in it; on failure the storage is released.
    void SetBlockFormat(int width, int height, uint16_t bitsPerPixel, bool hasAlpha);

    uint8_t* m_allocation = nullptr; // what m_dib lies in, to be freed
    uint8_t* m_dib = nullptr;
    size_t m_dibSize = 0;
};

// The picture as 32 bits per pixel: itself, or a copy kept in `holder`
// (ErrNoMemory "Out of memory." when the copy cannot be made).
const CBmp& As32Bits(const CBmp& bmp, std::unique_ptr<CWinBmp>& holder);
