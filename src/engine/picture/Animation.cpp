#include "engine/picture/Animation.h"

#include "engine/picture/FileSource.h"
#include "engine/picture/FormatRegistry.h"
#include "engine/picture/HEIFDecoder.h"
#include "engine/picture/PicDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// An error's text without the decoders' prefix and line end.
std::string Trimmed(std::string text)
{
    const std::string prefix = "Decoder error: ";
    if (text.compare(0, prefix.size(), prefix) == 0)
        text.erase(0, prefix.size());
    while (!text.empty() && (text.back() == '\n' || text.back() == '.'))
        text.pop_back();
    return text;
}

} // namespace

int PlayedDelay(int fileDelayMs)
{
    return fileDelayMs <= 10 ? 100 : fileDelayMs;
}

int64_t CFrameSource::TotalDuration() const
{
    int64_t total = 0;
    for (int delay : m_delays)
        total += delay;
    return total;
}

void CFrameSource::EndBeforeFrameOffCanvas(size_t index, std::vector<int>& delays)
{
    if (index < 2)
        RaiseError(ErrBadFormat, "The animation's frames lie outside its picture.");
    AddWarning("Frame " + std::to_string(index + 1) +
               " lies outside the picture; the animation ends before it.");
    delays.resize(index);
}

void CFrameSource::SetFrames(int width, int height, int loops, std::vector<int> delays)
{
    CheckPictureSize(width, height);
    if (width <= 0 || height <= 0)
        RaiseError(ErrBadFormat, "The animation's canvas is empty.");
    m_width = width;
    m_height = height;
    m_loops = std::max(loops, 0);
    if (delays.size() > size_t(kMaxAnimationFrames))
        delays.resize(size_t(kMaxAnimationFrames));
    for (int& delay : delays)
        delay = PlayedDelay(delay);
    m_delays = std::move(delays);
}

int CFrameSource::ComposeFrame(int index, CBmp& bmp)
{
    if (index < 0 || index >= FrameCount())
        RaiseError(ErrInternal, kTextInternalError);
    const CPicDecoder::AbortScope abortScope(m_abortFlag);
    if (index < m_next) {
        Rewind();
        m_next = 0;
    }
    try {
        while (m_next <= index) {
            CheckDecodeAbort();
            ComposeNext(m_next);
            ++m_next;
        }
    } catch (const std::bad_alloc&) {
        m_next = FrameCount(); // the canvas may be half drawn: start over next time
        RaiseError(ErrNoMemory, kTextOutOfMemory);
    } catch (const CTextException& e) {
        const int damaged = m_next;
        m_next = FrameCount();
        if (e.GetCode() == ErrAborted || e.GetCode() == ErrNoMemory || damaged == 0)
            throw;
        // The frames end before the damaged one; the last good one is shown.
        AddWarning("Frame " + std::to_string(damaged + 1) + " of the animation is damaged (" +
                   Trimmed(e.what()) + "); the animation ends before it.");
        m_delays.resize(size_t(damaged));
        Rewind();
        m_next = 0;
        return ComposeFrame(damaged - 1, bmp);
    }
    bmp.Create(m_width, m_height, 32, true);
    const size_t lineBytes = size_t(m_width) * 4;
    for (int y = 0; y < m_height; ++y)
        std::memcpy(bmp.GetLine(y), CanvasLine(y), lineBytes);
    return index;
}

void CFrameCanvas::Reset(int width, int height)
{
    m_width = width;
    m_height = height;
    m_pixels.assign(size_t(width) * size_t(height), 0u);
}

void CFrameCanvas::ClearRect(int x, int y, int w, int h)
{
    for (int row = y; row < y + h; ++row)
        std::fill_n(Line(row) + x, w, 0u);
}

void CFrameCanvas::SaveRect(int x, int y, int w, int h, std::vector<uint32_t>& saved) const
{
    saved.resize(size_t(w) * size_t(h));
    for (int row = 0; row < h; ++row)
        std::copy_n(Line(y + row) + x, w, saved.data() + size_t(row) * size_t(w));
}

void CFrameCanvas::RestoreRect(int x, int y, int w, int h, const std::vector<uint32_t>& saved)
{
    if (saved.size() != size_t(w) * size_t(h))
        return;
    for (int row = 0; row < h; ++row)
        std::copy_n(saved.data() + size_t(row) * size_t(w), w, Line(y + row) + x);
}

void CCanvasFrames::BeginFrame(int x, int y, int w, int h, Disposal disposal)
{
    const Pending& p = m_pending;
    if (p.disposal == Disposal::Clear)
        m_canvas.ClearRect(p.x, p.y, p.w, p.h);
    else if (p.disposal == Disposal::Restore)
        m_canvas.RestoreRect(p.x, p.y, p.w, p.h, m_saved);
    if (disposal == Disposal::Restore)
        m_canvas.SaveRect(x, y, w, h, m_saved);
    m_pending = {x, y, w, h, disposal};
}

uint32_t BlendOver(uint32_t under, uint32_t over)
{
    const uint32_t a = over >> 24;
    if (a == 255)
        return over;
    if (a == 0)
        return under;
    const uint32_t b = under >> 24;
    // Result alpha and colour, non-premultiplied: c = (co*ao + cu*au*(1-ao)) / a.
    const uint32_t underWeight = b * (255 - a); // scaled by 255
    const uint32_t outAlpha255 = a * 255 + underWeight;
    uint32_t result = (outAlpha255 + 127) / 255 << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t co = (over >> shift) & 0xFF, cu = (under >> shift) & 0xFF;
        const uint32_t c = (co * a * 255 + cu * underWeight + outAlpha255 / 2) / outAlpha255;
        result |= std::min(c, 255u) << shift;
    }
    return result;
}

std::unique_ptr<CFrameSource> OpenFrames(std::shared_ptr<const std::vector<uint8_t>> bytes)
{
    if (!bytes || bytes->size() < 12)
        return nullptr;
    const uint8_t* d = bytes->data();
    if (std::memcmp(d, "GIF8", 4) == 0)
        return OpenGifFrames(std::move(bytes));
    if (std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0)
        return OpenApngFrames(std::move(bytes));
    if (std::memcmp(d, "RIFF", 4) == 0 && std::memcmp(d + 8, "WEBP", 4) == 0)
        return OpenWebPFrames(std::move(bytes));
    if ((d[0] == 0xFF && d[1] == 0x0A) || std::memcmp(d + 4, "JXL ", 4) == 0)
        return OpenJxlFrames(std::move(bytes));
    if (DetectHeifKind(d, bytes->size()) == HeifKind::Avif)
        return OpenAvifFrames(std::move(bytes));
    return nullptr;
}

std::unique_ptr<CFrameSource> OpenFramesOfFile(const std::string& path)
{
    CFileSource source;
    if (source.Open(path) != 0)
        RaiseError(ErrFileNotFound, "Opening " + path + " failed: " + FileFailureText(source.GetFailure()));
    auto bytes =
        std::make_shared<std::vector<uint8_t>>(source.GetStart(), source.GetStart() + source.GetSize());
    return OpenFrames(std::move(bytes));
}

bool FormatMayMove(int format)
{
    return format == FormatGIF || format == FormatPNG || format == FormatWEBP || format == FormatJXL ||
           format == FormatAVIF;
}

std::unique_ptr<CFrameSource> ShowFirstFrame(std::unique_ptr<CFrameSource> frames, CBmp& picture,
                                             const std::atomic<bool>* abortFlag)
{
    ColourProfilePtr profile = picture.GetColourProfile();
    const int sourceBits = picture.GetSourceBitsPerPixel();
    frames->SetAbortFlag(abortFlag);
    frames->ComposeFrame(0, picture);
    frames->SetAbortFlag(nullptr); // the player sets its own
    picture.SetColourProfile(std::move(profile));
    picture.SetSourceBitsPerPixel(sourceBits);
    return frames;
}
