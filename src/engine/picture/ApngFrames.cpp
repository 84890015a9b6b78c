// The frames of an animated PNG: acTL, fcTL and fdAT read by hand, and each
// frame's data handed to the PNG decoder as a small PNG of its own (the
// file's header at the frame's size, its palette and transparency, the
// frame's data as IDAT), then composed by the frame's dispose and blend ops.
#include "engine/picture/Animation.h"
#include "engine/picture/ByteOrder.h"
#include "engine/picture/PNGDecoder.h"
#include "engine/picture/WinBmp.h"

#include <algorithm>
#include <cstring>

#include <zlib.h>

namespace {

constexpr size_t kSignatureSize = 8;
constexpr int kDisposeBackground = 1;
constexpr int kDisposePrevious = 2;
constexpr int kBlendOver = 1;

struct Span {
    size_t offset = 0;
    size_t length = 0;
};

struct ApngFrame {
    int x = 0, y = 0, w = 0, h = 0;
    int dispose = 0;
    int blend = 0;
    std::vector<Span> data; // IDAT or fdAT contents, in order
};

void AppendChunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t length)
{
    const size_t at = out.size();
    out.resize(at + 12 + length);
    const ByteSpan chunk(out.data() + at, 12 + length);
    StoreBE32(chunk, 0, uint32_t(length));
    std::memcpy(chunk.data() + 4, type, 4);
    if (length)
        std::memcpy(chunk.data() + 8, data, length);
    StoreBE32(chunk, 8 + length, uint32_t(crc32(crc32(0, nullptr, 0), chunk.data() + 4, uInt(length + 4))));
}

class CApngFrames : public CCanvasFrames {
  public:
    explicit CApngFrames(std::shared_ptr<const std::vector<uint8_t>> bytes)
        : CCanvasFrames("PNG", std::move(bytes))
    {
    }
    bool Scan();

  protected:
    void ComposeNext(int index) override;

  private:
    std::vector<uint8_t> m_header;       // IHDR's 13 bytes
    std::vector<uint8_t> m_sharedChunks; // PLTE, tRNS and the like, whole chunks
    std::vector<ApngFrame> m_frames;
    std::vector<uint8_t> m_png; // the frame's own PNG, reused
    CPNGDecoder m_decoder;
    CWinBmp m_frame;
};

bool CApngFrames::Scan()
{
    const ByteView file(Bytes().data(), Bytes().size());
    size_t offset = kSignatureSize;
    bool animated = false;
    int loops = 0;
    bool seenImageData = false;
    std::vector<int> delays;
    ApngFrame* current = nullptr;
    bool damaged = false;
    while (file.size() - offset >= 12) {
        const size_t length = LoadBE32(file, offset);
        if (length > file.size() - offset - 12) {
            damaged = true; // cut short: what came before is kept
            break;
        }
        const char* type = reinterpret_cast<const char*>(file.data() + offset + 4);
        const uint8_t* data = file.data() + offset + 8;
        const size_t whole = length + 12;
        if (std::memcmp(type, "IHDR", 4) == 0 && length == 13) {
            m_header.assign(data, data + 13);
        } else if (std::memcmp(type, "acTL", 4) == 0 && length == 8 && !seenImageData) {
            animated = true;
            loops = int(std::min<uint32_t>(LoadBE32(ByteView(data, 8), 4), 1u << 30));
        } else if (std::memcmp(type, "fcTL", 4) == 0 && length == 26) {
            if (m_frames.size() >= size_t(kMaxAnimationFrames))
                break;
            const ByteView v(data, 26);
            ApngFrame f;
            const uint32_t w = LoadBE32(v, 4), h = LoadBE32(v, 8), x = LoadBE32(v, 12), y = LoadBE32(v, 16);
            const int num = LoadBE16(v, 20), den = LoadBE16(v, 22);
            f.dispose = data[24];
            f.blend = data[25];
            if (w > uint32_t(kMaxSide) || h > uint32_t(kMaxSide) || x > uint32_t(kMaxSide) ||
                y > uint32_t(kMaxSide)) {
                damaged = true;
                break;
            }
            f.w = int(w), f.h = int(h), f.x = int(x), f.y = int(y);
            m_frames.push_back(std::move(f));
            delays.push_back(int(int64_t(num) * 1000 / (den == 0 ? 100 : den)));
            current = &m_frames.back();
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            // Image data before any fcTL is a default picture outside the animation.
            if (current && m_frames.size() == 1)
                current->data.push_back({offset + 8, length});
            seenImageData = true;
        } else if (std::memcmp(type, "fdAT", 4) == 0 && length > 4) {
            if (current && m_frames.size() > 1)
                current->data.push_back({offset + 12, length - 4});
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            break;
        } else if (!seenImageData &&
                   (std::memcmp(type, "PLTE", 4) == 0 || std::memcmp(type, "tRNS", 4) == 0 ||
                    std::memcmp(type, "sBIT", 4) == 0)) {
            m_sharedChunks.insert(m_sharedChunks.end(), file.data() + offset, file.data() + offset + whole);
        }
        offset += whole;
    }
    if (!animated || m_header.size() != 13)
        return false;
    // Frames without data (the last one cut off) are left out.
    while (!m_frames.empty() && m_frames.back().data.empty()) {
        m_frames.pop_back();
        delays.pop_back();
        damaged = true;
    }
    const int width = int(std::min<uint32_t>(LoadBE32(ByteView(m_header.data(), 13), 0), uint32_t(kMaxSide)));
    const int height =
        int(std::min<uint32_t>(LoadBE32(ByteView(m_header.data(), 13), 4), uint32_t(kMaxSide)));
    // A frame off the canvas is damage: the frames end before it.
    for (size_t i = 0; i < m_frames.size(); ++i) {
        const ApngFrame& f = m_frames[i];
        if (f.w == 0 || f.h == 0 || int64_t(f.x) + f.w > width || int64_t(f.y) + f.h > height ||
            f.data.empty()) {
            EndBeforeFrameOffCanvas(i, delays);
            m_frames.resize(i);
            damaged = false;
            break;
        }
    }
    if (m_frames.size() < 2)
        return false;
    if (damaged)
        AddWarning("The file is cut short; the animation ends before frame " +
                   std::to_string(m_frames.size() + 1) + ".");
    SetCanvasFrames(width, height, loops, std::move(delays));
    m_frames.resize(size_t(FrameCount()));
    return true;
}

void CApngFrames::ComposeNext(int index)
{
    const ApngFrame& f = m_frames[size_t(index)];
    // The first frame's "previous" is the empty canvas.
    BeginFrame(f.x, f.y, f.w, f.h,
               f.dispose == kDisposeBackground || (f.dispose == kDisposePrevious && index == 0)
                   ? Disposal::Clear
               : f.dispose == kDisposePrevious ? Disposal::Restore
                                               : Disposal::Keep);

    // The frame as a PNG of its own.
    size_t dataBytes = 0;
    for (const Span& s : f.data)
        dataBytes += s.length;
    if (dataBytes > size_t(INT32_MAX))
        RaiseError(ErrBadFormat, "The frame's data is too long.");
    uint8_t header[13];
    std::memcpy(header, m_header.data(), 13);
    StoreBE32(header, 0, uint32_t(f.w));
    StoreBE32(header, 4, uint32_t(f.h));
    m_png.assign(reinterpret_cast<const uint8_t*>("\x89PNG\r\n\x1a\n"),
                 reinterpret_cast<const uint8_t*>("\x89PNG\r\n\x1a\n") + kSignatureSize);
    AppendChunk(m_png, "IHDR", header, 13);
    m_png.insert(m_png.end(), m_sharedChunks.begin(), m_sharedChunks.end());
    std::vector<uint8_t> idat;
    idat.reserve(dataBytes);
    for (const Span& s : f.data)
        idat.insert(idat.end(), Bytes().data() + s.offset, Bytes().data() + s.offset + s.length);
    AppendChunk(m_png, "IDAT", idat.data(), idat.size());
    AppendChunk(m_png, "IEND", nullptr, 0);

    CMemSource source(m_png.data(), m_png.size(), "APNG frame");
    m_decoder.Decode(source, m_frame, 32);
    if (m_frame.GetWidth() != f.w || m_frame.GetHeight() != f.h || m_frame.GetBitsPerPixel() != 32)
        RaiseError(ErrBadFormat, "The frame's size does not match its header.");
    for (int row = 0; row < f.h; ++row) {
        const uint32_t* in = m_frame.GetLine32(row);
        uint32_t* out = m_canvas.Line(f.y + row) + f.x;
        if (f.blend == kBlendOver)
            for (int i = 0; i < f.w; ++i)
                out[i] = BlendOver(out[i], in[i]);
        else
            std::copy_n(in, f.w, out);
    }
}

} // namespace

std::unique_ptr<CFrameSource> OpenApngFrames(std::shared_ptr<const std::vector<uint8_t>> bytes)
{
    return OpenScanned<CApngFrames>(std::move(bytes));
}
