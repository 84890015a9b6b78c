// Animated AVIF (an image sequence, "avis") on libavif. The library decodes
// each AV1 frame whole, so there is nothing to compose: every frame is
// converted to 8-bit BGRA and laid on the canvas upright (irot, imir). The
// still picture of the same file is libheif's, its primary image.
#include "engine/picture/Animation.h"
#include "engine/picture/AvifApi.h"
#include "engine/picture/Orientation.h"
#include "engine/picture/WinBmp.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* kTextBadData = "AVIF decoder: damaged picture data.";

void RaiseAvif(avifResult result)
{
    if (result == AVIF_RESULT_OUT_OF_MEMORY)
        ThrowOutOfMemory();
    if (result == AVIF_RESULT_TRUNCATED_DATA)
        throw CTextException(ErrEndOfFile, kTextEndOfFile);
    RaiseError(ErrBadFormat, std::string("AVIF decoder: ") + Avif().avifResultToString(result) + ".");
}

// The EXIF orientation that shows the stored frame as the file's irot
// (quarter turns counter-clockwise) and then imir (0 top and bottom
// exchanged, 1 left and right) say.
int OrientationOf(const avifImage& image)
{
    int turns = (image.transformFlags & AVIF_TRANSFORM_IROT) ? image.irot.angle & 3 : 0;
    if (!(image.transformFlags & AVIF_TRANSFORM_IMIR)) {
        static constexpr int kTurned[4] = {OrientUpright, OrientTurnedLeft, OrientTurned180,
                                           OrientTurnedRight};
        return kTurned[turns];
    }
    // Top and bottom exchanged is a half turn and left and right exchanged.
    if (image.imir.mode == 0)
        turns = (turns + 2) & 3;
    static constexpr int kMirrored[4] = {OrientMirrored, OrientTransversed, OrientFlipped, OrientTransposed};
    return kMirrored[turns];
}

class CAvifFrames : public CFrameSource {
  public:
    explicit CAvifFrames(std::shared_ptr<const std::vector<uint8_t>> bytes)
        : CFrameSource("AVIF", std::move(bytes))
    {
    }
    bool Scan();

  protected:
    void Rewind() override
    {
        if (Avif().avifDecoderReset(m_decoder.get()) != AVIF_RESULT_OK)
            m_broken = true;
    }
    void ComposeNext(int index) override;
    const uint32_t* CanvasLine(int y) const override
    {
        return reinterpret_cast<const uint32_t*>(m_canvas.GetLine(y));
    }

  private:
    std::unique_ptr<avifDecoder, AvifFree<&AvifApi::avifDecoderDestroy>> m_decoder;
    int m_storedWidth = 0;
    int m_storedHeight = 0;
    int m_orientation = OrientUpright;
    bool m_broken = false;
    CWinBmp m_canvas;
    std::vector<uint8_t> m_bgra;         // the frame as stored
    std::vector<const uint8_t*> m_lines; // its lines, for turning
};

bool CAvifFrames::Scan()
{
    m_decoder.reset(Avif().avifDecoderCreate());
    if (!m_decoder)
        ThrowOutOfMemory();
    avifDecoder* decoder = m_decoder.get();
    decoder->maxThreads = 1;
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    decoder->imageSizeLimit = uint32_t(kMaxPixels);
    avifResult result = Avif().avifDecoderSetIOMemory(decoder, Bytes().data(), Bytes().size());
    if (result == AVIF_RESULT_OK)
        result = Avif().avifDecoderSetSource(decoder, AVIF_DECODER_SOURCE_TRACKS);
    if (result == AVIF_RESULT_OK)
        result = Avif().avifDecoderParse(decoder);
    if (result == AVIF_RESULT_NO_CONTENT || (result == AVIF_RESULT_OK && decoder->imageCount < 2))
        return false; // a still picture: no track, or a track of one frame
    if (result != AVIF_RESULT_OK)
        RaiseAvif(result);
    m_storedWidth = int(std::min<uint32_t>(decoder->image->width, 1u << 30));
    m_storedHeight = int(std::min<uint32_t>(decoder->image->height, 1u << 30));
    CheckPictureSize(m_storedWidth, m_storedHeight);
    m_orientation = OrientationOf(*decoder->image);
    const int count = std::min(decoder->imageCount, kMaxAnimationFrames);
    std::vector<int> delays;
    delays.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        avifImageTiming timing{};
        if (Avif().avifDecoderNthImageTiming(decoder, uint32_t(i), &timing) != AVIF_RESULT_OK)
            break;
        const double ms = timing.duration * 1000.0;
        delays.push_back(std::isfinite(ms) ? int(std::clamp(ms + 0.5, 0.0, 1e9)) : 0);
    }
    if (delays.size() < 2)
        return false;
    const bool swap = OrientationSwapsSides(m_orientation);
    const int width = swap ? m_storedHeight : m_storedWidth;
    const int height = swap ? m_storedWidth : m_storedHeight;
    // The track's edit list (its loops) is not read by this libavif: for ever.
    SetFrames(width, height, 0, std::move(delays));
    m_canvas.Create(width, height, 32, true);
    return true;
}

void CAvifFrames::ComposeNext(int)
{
    if (m_broken)
        RaiseError(ErrBadFormat, kTextBadData);
    avifDecoder* decoder = m_decoder.get();
    const avifResult result = Avif().avifDecoderNextImage(decoder);
    if (result != AVIF_RESULT_OK)
        RaiseAvif(result);
    avifImage* image = decoder->image;
    // Every frame of the track is the size its header said.
    if (image->width != uint32_t(m_storedWidth) || image->height != uint32_t(m_storedHeight))
        RaiseError(ErrBadFormat, kTextBadData);
    avifRGBImage rgb;
    Avif().avifRGBImageSetDefaults(&rgb, image);
    rgb.format = AVIF_RGB_FORMAT_BGRA;
    rgb.depth = 8;
    rgb.rowBytes = uint32_t(m_storedWidth) * 4;
    m_bgra.resize(size_t(rgb.rowBytes) * size_t(m_storedHeight));
    rgb.pixels = m_bgra.data();
    const avifResult converted = Avif().avifImageYUVToRGB(image, &rgb);
    if (converted != AVIF_RESULT_OK)
        RaiseAvif(converted);
    if (m_orientation == OrientUpright) {
        for (int y = 0; y < m_storedHeight; ++y)
            std::copy_n(m_bgra.data() + size_t(y) * rgb.rowBytes, rgb.rowBytes, m_canvas.GetLine(y));
        return;
    }
    m_lines.resize(size_t(m_storedHeight));
    for (int y = 0; y < m_storedHeight; ++y)
        m_lines[size_t(y)] = m_bgra.data() + size_t(y) * rgb.rowBytes;
    PlaceLinesUpright(m_lines.data(), 0, m_storedHeight, m_storedWidth, m_storedHeight, m_orientation,
                      m_canvas);
}

} // namespace

std::unique_ptr<CFrameSource> OpenAvifFrames(std::shared_ptr<const std::vector<uint8_t>> bytes)
{
    return OpenScanned<CAvifFrames>(std::move(bytes));
}
