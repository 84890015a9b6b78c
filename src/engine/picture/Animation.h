// CFrameSource: the frames of a picture that moves (animated GIF, APNG,
// animated WebP, JPEG XL, AVIF), composed on demand. Only the file's bytes, the
// frame table (delays) and one canvas are held, never every frame: a frame
// is composed from the one before it, so stepping forward costs one frame
// and going back starts over from the first.
//
// The frame table is read when the source opens; a damaged frame found
// later while composing ends the animation before it (the frames before it
// stay, with a warning), and a damaged first frame is an error.
#pragma once

#include "engine/picture/Bmp.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Most frames a source takes; the rest of a longer file is left out.
inline constexpr int kMaxAnimationFrames = 100000;

// The delay a frame is shown for: what the file says, except that delays of
// 10 ms and less (0 in many files meant "as fast as you can") are shown for
// 100 ms, as the web browsers do.
int PlayedDelay(int fileDelayMs);

class CFrameSource {
  public:
    CFrameSource(const CFrameSource&) = delete;
    CFrameSource& operator=(const CFrameSource&) = delete;
    virtual ~CFrameSource() = default;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Frames that can be shown (fewer once a damaged frame was met).
    int FrameCount() const { return int(m_delays.size()); }
    // How often the animation plays; 0 for ever.
    int LoopCount() const { return m_loops; }
    // The delay frame `index` is shown for, in milliseconds (PlayedDelay).
    int DelayOf(int index) const { return m_delays.at(size_t(index)); }
    // The sum of every frame's delay.
    int64_t TotalDuration() const;
    // The name of the format ("GIF", "PNG", "WebP", "JPEG XL", "AVIF").
    const char* FormatName() const { return m_format; }

    // Composes frame `index` (0 .. FrameCount()-1) and copies it into bmp as
    // a 32-bit picture with alpha of Width() x Height(). Honours the abort
    // flag of the running decode (CPicDecoder::AbortScope). When a frame
    // turns out damaged the frames end before it and the last good frame is
    // given instead; its index is returned (else `index`).
    int ComposeFrame(int index, CBmp& bmp);
    // The flag ComposeFrame checks between frames and lines (as a decode's,
    // CPicDecoder::SetAbortFlag); nullptr stops checking.
    void SetAbortFlag(const std::atomic<bool>* flag) { m_abortFlag = flag; }

    // Warnings met while composing (a damaged frame), one each.
    const std::vector<std::string>& Warnings() const { return m_warnings; }

  protected:
    CFrameSource(const char* format, std::shared_ptr<const std::vector<uint8_t>> bytes)
        : m_format(format), m_bytes(std::move(bytes))
    {
    }
    // The file.
    const std::vector<uint8_t>& Bytes() const { return *m_bytes; }
    // Called by the opener once the canvas size and delays are known.
    void SetFrames(int width, int height, int loops, std::vector<int> delays);

    void AddWarning(std::string text) { m_warnings.push_back(std::move(text)); }
    // Frame `index` lies off the canvas: the animation ends before it (the
    // delays are cut there, with a warning), or, with fewer than two frames
    // left, it is refused. The caller cuts its own frame list.
    void EndBeforeFrameOffCanvas(size_t index, std::vector<int>& delays);

    // Back to before the first frame.
    virtual void Rewind() = 0;
    // Composes frame `index`, the one after the last composed, onto the
    // canvas; throws CTextException when the frame is damaged.
    virtual void ComposeNext(int index) = 0;
    // Line y of the composed canvas, Width() pixels.
    virtual const uint32_t* CanvasLine(int y) const = 0;

  private:
    const char* m_format;
    std::shared_ptr<const std::vector<uint8_t>> m_bytes;
    int m_width = 0;
    int m_height = 0;
    int m_loops = 0;
    std::vector<int> m_delays;
    int m_next = 0; // the frame ComposeNext makes next
    std::vector<std::string> m_warnings;
    const std::atomic<bool>* m_abortFlag = nullptr;
};

// The frames of `bytes` when they hold a picture that moves (two frames or
// more); nullptr for a still picture or a format without animation. Throws
// CTextException when the file claims frames but its header is unusable
// (too large, a canvas of zero size). The source keeps the bytes.
std::unique_ptr<CFrameSource> OpenFrames(std::shared_ptr<const std::vector<uint8_t>> bytes);
// Reads the file first (CFileSource's errors).
std::unique_ptr<CFrameSource> OpenFramesOfFile(const std::string& path);

// True for the formats (FormatRegistry's numbers) whose files may move.
bool FormatMayMove(int format);
// A picture decoded still from a file that moves shows the animation's
// first frame as composed instead, keeping the still decode's colour
// profile and source depth; `frames` is handed back, its abort flag unset.
std::unique_ptr<CFrameSource> ShowFirstFrame(std::unique_ptr<CFrameSource> frames, CBmp& picture,
                                             const std::atomic<bool>* abortFlag);

// The canvas most frame sources compose on: pixels of Velkor's 32-bit
// format, top line first, with the disposal helpers they share.
class CFrameCanvas {
  public:
    // Allocates width x height transparent pixels (size checked by the caller).
    void Reset(int width, int height);
    void Clear() { std::fill(m_pixels.begin(), m_pixels.end(), 0u); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    uint32_t* Line(int y) { return m_pixels.data() + size_t(y) * size_t(m_width); }
    const uint32_t* Line(int y) const { return m_pixels.data() + size_t(y) * size_t(m_width); }
    // A rectangle made transparent.
    void ClearRect(int x, int y, int w, int h);
    // The rectangle's pixels saved into `saved`, and put back from it.
    void SaveRect(int x, int y, int w, int h, std::vector<uint32_t>& saved) const;
    void RestoreRect(int x, int y, int w, int h, const std::vector<uint32_t>& saved);

  private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint32_t> m_pixels;
};

// A source that composes on a canvas of its own (GIF, APNG): the frame
// before is disposed of (its rectangle cleared or put back as it was)
// before the next is drawn.
class CCanvasFrames : public CFrameSource {
  protected:
    using CFrameSource::CFrameSource;
    void Rewind() override
    {
        m_canvas.Clear();
        m_pending = {};
    }
    const uint32_t* CanvasLine(int y) const override { return m_canvas.Line(y); }

    // The frame table once read (SetFrames) and a canvas of its size.
    void SetCanvasFrames(int width, int height, int loops, std::vector<int> delays)
    {
        SetFrames(width, height, loops, std::move(delays));
        m_canvas.Reset(width, height);
    }

    enum class Disposal { Keep, Clear, Restore };
    // Frame rectangle x, y, w, h (on the canvas) is drawn next, and disposed
    // of as `disposal` says before the frame after it.
    void BeginFrame(int x, int y, int w, int h, Disposal disposal);

    CFrameCanvas m_canvas;

  private:
    struct Pending {
        int x = 0, y = 0, w = 0, h = 0;
        Disposal disposal = Disposal::Keep;
    };
    Pending m_pending;
    std::vector<uint32_t> m_saved;
};

// Makes `Frames` over the bytes and reads its frame table (Scan, false for
// a still picture): the source, or nullptr for a still picture.
template <class Frames>
std::unique_ptr<CFrameSource> OpenScanned(std::shared_ptr<const std::vector<uint8_t>> bytes)
{
    auto frames = std::make_unique<Frames>(std::move(bytes));
    if (!frames->Scan())
        return nullptr;
    return frames;
}

// Source over: the pixel `over` laid on `under` by its alpha.
uint32_t BlendOver(uint32_t under, uint32_t over);

// Openers of each format, used by OpenFrames; nullptr when still.
std::unique_ptr<CFrameSource> OpenGifFrames(std::shared_ptr<const std::vector<uint8_t>> bytes);
std::unique_ptr<CFrameSource> OpenApngFrames(std::shared_ptr<const std::vector<uint8_t>> bytes);
std::unique_ptr<CFrameSource> OpenWebPFrames(std::shared_ptr<const std::vector<uint8_t>> bytes);
std::unique_ptr<CFrameSource> OpenJxlFrames(std::shared_ptr<const std::vector<uint8_t>> bytes);
std::unique_ptr<CFrameSource> OpenAvifFrames(std::shared_ptr<const std::vector<uint8_t>> bytes);
