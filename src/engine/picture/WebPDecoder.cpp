#include "engine/picture/WebPDecoder.h"

#include "engine/picture/Animation.h"

#include <algorithm>
#include <cstring>

#include <webp/decode.h>
#include <webp/demux.h>

namespace {

constexpr const char* kTextNotWebP = "WebP decoder: This isn't a WebP file.";
constexpr const char* kTextBadData = "WebP decoder: damaged picture data.";
constexpr const char* kTextUnsupported = "WebP decoder: unsupported variant.";
constexpr const char* kTextNoFrame = "WebP decoder: the animation has no frame.";

[[noreturn]] void RaiseStatus(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_NOT_ENOUGH_DATA:
        throw CTextException(ErrEndOfFile, kTextEndOfFile);
    case VP8_STATUS_OUT_OF_MEMORY:
        ThrowOutOfMemory();
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        RaiseError(ErrUnsupported, kTextUnsupported);
    default:
        RaiseError(ErrBadFormat, kTextBadData);
    }
}

// The file is handed to the library in steps of this many bytes, so an
// abandoned decode ends between them.
constexpr size_t kInputStep = size_t(64) * 1024;

struct IncrementalDecoder {
    WebPIDecoder* decoder = nullptr;
    ~IncrementalDecoder() { WebPIDelete(decoder); }
};

struct DecoderConfig {
    WebPDecoderConfig config;
    DecoderConfig() { WebPInitDecoderConfig(&config); }
    ~DecoderConfig() { WebPFreeDecBuffer(&config.output); }
};

void DecodeStill(const uint8_t* data, size_t size, CBmp& bmp, const WebPBitstreamFeatures& features)
{
    CheckPictureSize(features.width, features.height);
    bmp.Create(features.width, features.height, 32, features.has_alpha != 0);
    DecoderConfig holder;
    WebPDecoderConfig& config = holder.config;
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    const size_t stride = size_t(features.width) * 4;
    const size_t bytes = stride * size_t(features.height);
    std::unique_ptr<uint8_t[]> buffer;
    if (IsBottomUpBlock(bmp)) {
        config.options.flip = 1;
        config.output.u.RGBA.rgba = bmp.GetLine(features.height - 1);
    } else {
        buffer = AllocateBuffer<uint8_t>(bytes);
        config.output.u.RGBA.rgba = buffer.get();
    }
    config.output.u.RGBA.stride = int(stride);
    config.output.u.RGBA.size = bytes;
    IncrementalDecoder incremental;
    incremental.decoder = WebPIDecode(nullptr, 0, &config);
    if (incremental.decoder == nullptr)
        ThrowOutOfMemory();
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    for (size_t given = 0; status == VP8_STATUS_SUSPENDED;) {
        if (given == size)
            RaiseStatus(VP8_STATUS_NOT_ENOUGH_DATA);
        CheckDecodeAbort();
        given += std::min(kInputStep, size - given);
        status = WebPIUpdate(incremental.decoder, data, given);
    }
    if (status != VP8_STATUS_OK)
        RaiseStatus(status);
    if (buffer)
        for (int y = 0; y < features.height; ++y)
            std::memcpy(LineToFill(bmp, y), buffer.get() + size_t(y) * stride, stride);
}

struct AnimDecoder {
    WebPAnimDecoder* decoder = nullptr;
    ~AnimDecoder() { WebPAnimDecoderDelete(decoder); }
};

void DecodeFirstFrame(const uint8_t* data, size_t size, CBmp& bmp)
{
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        RaiseError(ErrInternal, "Internal error.");
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData webpData{data, size};
    // The demuxer reads the canvas size first; it is checked before the
    // animation decoder allocates its canvas.
    WebPDemuxState state;
    WebPDemuxer* demux = WebPDemuxPartial(&webpData, &state);
    if (demux == nullptr)
        RaiseError(ErrBadFormat, kTextBadData);
    const uint32_t width = WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH);
    const uint32_t height = WebPDemuxGetI(demux, WEBP_FF_CANVAS_HEIGHT);
    const uint32_t frames = WebPDemuxGetI(demux, WEBP_FF_FRAME_COUNT);
    WebPDemuxDelete(demux);
    if (state != WEBP_DEMUX_DONE)
        throw CTextException(ErrEndOfFile, kTextEndOfFile);
    CheckPictureSize(width, height);
    if (width == 0 || height == 0)
        RaiseError(ErrBadFormat, kTextBadData);
    if (frames == 0)
        RaiseError(ErrBadFormat, kTextNoFrame);

    AnimDecoder anim;
    anim.decoder = WebPAnimDecoderNew(&webpData, &options);
    if (anim.decoder == nullptr)
        RaiseError(ErrBadFormat, kTextBadData);
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(anim.decoder, &info) || info.canvas_width != width ||
        info.canvas_height != height)
        RaiseError(ErrBadFormat, kTextBadData);
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(anim.decoder, &canvas, &timestamp) || canvas == nullptr)
        RaiseError(ErrBadFormat, kTextBadData);
    bmp.Create(int(width), int(height), 32, true);
    const size_t stride = size_t(width) * 4;
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(LineToFill(bmp, int(y)), canvas + size_t(y) * stride, stride);
}

} // namespace

void CWebPDecoder::DecodeInto(CBmp& bmp, PaletteHolder&, int& wantedDepth, CDataSource& source)
{
    Trace(2, "Decoding WebP.\n");
    const uint8_t* data = source.GetPosition();
    const size_t size = source.GetRemaining();
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WEBP", 4) != 0)
        RaiseError(ErrWrongSignature, kTextNotWebP);
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(data, size, &features);
    if (status != VP8_STATUS_OK)
        RaiseStatus(status);
    wantedDepth = 32;
    if (features.has_animation)
        DecodeFirstFrame(data, size, bmp);
    else
        DecodeStill(data, size, bmp, features);
    bmp.SetSourceBitsPerPixel(features.has_alpha ? 32 : 24);
    bmp.SetColourProfile(MakeIccProfile(FindWebPIccChunk(data, size)));
    source.Skip(size);
    Trace(3, "Decoding finished.\n");
}

namespace {

struct Demuxer {
    WebPDemuxer* demux = nullptr;
    ~Demuxer() { WebPDemuxDelete(demux); }
};

// The library composes (blend and dispose by the file's frame flags) on
// its own canvas; going back resets it.
class CWebPFrames : public CFrameSource {
  public:
    explicit CWebPFrames(std::shared_ptr<const std::vector<uint8_t>> bytes)
        : CFrameSource("WebP", std::move(bytes))
    {
    }
    bool Scan();

  protected:
    void Rewind() override { WebPAnimDecoderReset(m_anim.decoder); }
    void ComposeNext(int) override
    {
        int timestamp = 0;
        if (!WebPAnimDecoderHasMoreFrames(m_anim.decoder) ||
            !WebPAnimDecoderGetNext(m_anim.decoder, &m_canvas, &timestamp) || m_canvas == nullptr)
            RaiseError(ErrBadFormat, kTextBadData);
    }
    const uint32_t* CanvasLine(int y) const override
    {
        return reinterpret_cast<const uint32_t*>(m_canvas + size_t(y) * size_t(Width()) * 4);
    }

  private:
    AnimDecoder m_anim;
    uint8_t* m_canvas = nullptr;
};

bool CWebPFrames::Scan()
{
    const WebPData webpData{Bytes().data(), Bytes().size()};
    WebPDemuxState state;
    Demuxer demuxer;
    demuxer.demux = WebPDemuxPartial(&webpData, &state);
    if (demuxer.demux == nullptr || !(WebPDemuxGetI(demuxer.demux, WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG))
        return false;
    const uint32_t width = WebPDemuxGetI(demuxer.demux, WEBP_FF_CANVAS_WIDTH);
    const uint32_t height = WebPDemuxGetI(demuxer.demux, WEBP_FF_CANVAS_HEIGHT);
    const uint32_t count = WebPDemuxGetI(demuxer.demux, WEBP_FF_FRAME_COUNT);
    const int loops = int(std::min<uint32_t>(WebPDemuxGetI(demuxer.demux, WEBP_FF_LOOP_COUNT), 1u << 30));
    if (state != WEBP_DEMUX_DONE)
        throw CTextException(ErrEndOfFile, kTextEndOfFile);
    CheckPictureSize(width, height);
    if (count < 2)
        return false;
    std::vector<int> delays;
    WebPIterator it;
    if (WebPDemuxGetFrame(demuxer.demux, 1, &it)) {
        do
            delays.push_back(it.duration);
        while (delays.size() < size_t(kMaxAnimationFrames) && WebPDemuxNextFrame(&it));
        WebPDemuxReleaseIterator(&it);
    }
    if (delays.size() < 2)
        return false;
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        RaiseError(ErrInternal, kTextInternalError);
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    m_anim.decoder = WebPAnimDecoderNew(&webpData, &options);
    if (m_anim.decoder == nullptr)
        RaiseError(ErrBadFormat, kTextBadData);
    SetFrames(int(width), int(height), loops, std::move(delays));
    return true;
}

} // namespace

std::unique_ptr<CFrameSource> OpenWebPFrames(std::shared_ptr<const std::vector<uint8_t>> bytes)
{
    return OpenScanned<CWebPFrames>(std::move(bytes));
}
