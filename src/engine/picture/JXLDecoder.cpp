#include "engine/picture/JXLDecoder.h"

#include "engine/picture/Animation.h"
#include "engine/picture/JxlApi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr const char* kTextNotJxl = "JPEG XL decoder: This isn't a JPEG XL file.";
constexpr const char* kTextBadData = "JPEG XL decoder: damaged picture data.";
constexpr const char* kTextEmpty = "JPEG XL decoder: the picture is empty.";

const uint8_t kContainerSignature[12] = {0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', 0x0D, 0x0A, 0x87, 0x0A};

// What libjxl may hold at once. Its working buffers take several times the
// picture's own size; a hostile header must not reserve more than this.
constexpr size_t kMaxLibraryMemory = size_t(1536) * 1024 * 1024;

// Counts what the library holds and refuses what would pass the bound. Each
// block carries its size in front.
struct MemoryBudget {
    size_t used = 0;
};
constexpr size_t kBlockHeader = 16; // keeps the library's blocks 16-byte aligned

void* BudgetAlloc(void* opaque, size_t size)
{
    auto& budget = *static_cast<MemoryBudget*>(opaque);
    if (size > kMaxLibraryMemory - budget.used)
        return nullptr;
    auto* block = static_cast<uint8_t*>(std::malloc(size + kBlockHeader));
    if (block == nullptr)
        return nullptr;
    std::memcpy(block, &size, sizeof size);
    budget.used += size;
    return block + kBlockHeader;
}

void BudgetFree(void* opaque, void* address)
{
    if (address == nullptr)
        return;
    auto& budget = *static_cast<MemoryBudget*>(opaque);
    uint8_t* block = static_cast<uint8_t*>(address) - kBlockHeader;
    size_t size;
    std::memcpy(&size, block, sizeof size);
    budget.used -= size;
    std::free(block);
}

// The file is handed to the library in steps of this many bytes, so an
// abandoned decode ends between them.
constexpr size_t kInputStep = size_t(256) * 1024;

using DecoderDeleter = JxlFree<&JxlApi::JxlDecoderDestroy>;

// Where the library's pixel stripes go: straight into the bitmap's lines,
// red and blue exchanged. Stripes outside the picture are dropped.
struct Target {
    CBmp* bmp = nullptr;
    size_t width = 0, height = 0;
};

void PutStripe(void* opaque, size_t x, size_t y, size_t count, const void* pixels)
{
    const Target& t = *static_cast<const Target*>(opaque);
    if (y >= t.height || x >= t.width)
        return;
    if (count > t.width - x)
        count = t.width - x;
    if (DecodeAbandoned())
        return; // the library is left once it returns
    const uint8_t* in = static_cast<const uint8_t*>(pixels);
    uint32_t* out = t.bmp->GetLine32(int(y)) + x;
    for (size_t i = 0; i < count; ++i, in += 4)
        out[i] = MakePixel(in[0], in[1], in[2], in[3]);
}

// The bitmap's lines as one block the library can fill in place: true when
// they follow each other, top-down or bottom-up, without gaps.
bool LinesAreOneBlock(CBmp& bmp, uint8_t*& first, bool& bottomUp)
{
    const int height = bmp.GetHeight();
    const ptrdiff_t lineBytes = ptrdiff_t(bmp.GetWidth()) * 4;
    if (height <= 0 || bmp.GetLineBytes() != lineBytes)
        return false;
    uint8_t* top = bmp.GetLine(0);
    uint8_t* bottom = bmp.GetLine(height - 1);
    if (bottom == top + (height - 1) * lineBytes) {
        first = top;
        bottomUp = false;
        return true;
    }
    if (top == bottom + (height - 1) * lineBytes) {
        first = bottom;
        bottomUp = true;
        return true;
    }
    return false;
}

// The library's red, green, blue, alpha made the bitmap's pixels in place,
// the lines put in their order when the block runs bottom-up: one pass.
void ToBitmapOrder(CBmp& bmp, bool bottomUp)
{
    const int height = bmp.GetHeight();
    const size_t width = size_t(bmp.GetWidth());
    auto convert = [](uint32_t* line, size_t count) {
        uint8_t* bytes = reinterpret_cast<uint8_t*>(line);
        for (size_t i = 0; i < count; ++i, bytes += 4)
            line[i] = MakePixel(bytes[0], bytes[1], bytes[2], bytes[3]);
    };
    if (!bottomUp) {
        for (int y = 0; y < height; ++y)
            convert(bmp.GetLine32(y), width);
        return;
    }
    // Line y of the block is line height-1-y of the picture.
    for (int top = 0, bottom = height - 1; top <= bottom; ++top, --bottom) {
        uint32_t* a = bmp.GetLine32(top);
        uint32_t* b = bmp.GetLine32(bottom);
        if (a != b)
            std::swap_ranges(a, a + width, b);
        convert(a, width);
        if (a != b)
            convert(b, width);
    }
}

} // namespace

bool HasJxlSignature(const uint8_t* data, size_t size)
{
    if (data == nullptr)
        return false;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0x0A)
        return true;
    return size >= sizeof kContainerSignature &&
           std::memcmp(data, kContainerSignature, sizeof kContainerSignature) == 0;
}

namespace {

// The colour of the pixels handed back: nothing for sRGB, else the profile
// the library describes them with.
ColourProfilePtr ColourProfileOf(const JxlDecoder* dec)
{
    const JxlApi& jxl = Jxl();
    JxlColorEncoding encoding;
    if (jxl.JxlDecoderGetColorAsEncodedProfile(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &encoding) ==
            JXL_DEC_SUCCESS &&
        encoding.color_space == JXL_COLOR_SPACE_RGB && encoding.white_point == JXL_WHITE_POINT_D65 &&
        encoding.primaries == JXL_PRIMARIES_SRGB && encoding.transfer_function == JXL_TRANSFER_FUNCTION_SRGB)
        return nullptr;
    size_t bytes = 0;
    if (jxl.JxlDecoderGetICCProfileSize(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &bytes) !=
            JXL_DEC_SUCCESS ||
        bytes == 0 || bytes > kMaxIccProfileBytes)
        return nullptr;
    std::vector<uint8_t> icc(bytes);
    if (jxl.JxlDecoderGetColorAsICCProfile(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, icc.data(), bytes) !=
        JXL_DEC_SUCCESS)
        return nullptr;
    return MakeIccProfile(std::move(icc));
}

} // namespace

void CJXLDecoder::DecodeInto(CBmp& bmp, PaletteHolder&, int& wantedDepth, CDataSource& source)
{
    Trace(2, "Decoding JPEG XL.\n");
    const uint8_t* data = source.GetPosition();
    const size_t size = source.GetRemaining();
    if (!HasJxlSignature(data, size))
        RaiseError(ErrWrongSignature, kTextNotJxl);
    const JxlApi& jxl = Jxl();
    // No parallel runner: the library works on this thread only, so the
    // budget needs no lock.
    MemoryBudget budget;
    const JxlMemoryManager memory{&budget, BudgetAlloc, BudgetFree};
    std::unique_ptr<JxlDecoder, DecoderDeleter> decoder(jxl.JxlDecoderCreate(&memory));
    if (!decoder)
        ThrowOutOfMemory();
    JxlDecoder* dec = decoder.get();
    size_t given = std::min(size, kInputStep);
    if (jxl.JxlDecoderSubscribeEvents(dec, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                               JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        jxl.JxlDecoderSetInput(dec, data, given) != JXL_DEC_SUCCESS)
        RaiseError(ErrInternal, "Internal error.");
    if (given == size)
        jxl.JxlDecoderCloseInput(dec);

    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    Target target;
    target.bmp = &bmp;
    bool created = false;
    // Filled in place by the library when the lines allow, else stripe by stripe.
    uint8_t* block = nullptr;
    bool bottomUp = false;
    for (;;) {
        const JxlDecoderStatus status = jxl.JxlDecoderProcessInput(dec);
        CheckDecodeAbort();
        switch (status) {
        case JXL_DEC_BASIC_INFO: {
            JxlBasicInfo info;
            if (jxl.JxlDecoderGetBasicInfo(dec, &info) != JXL_DEC_SUCCESS)
                RaiseError(ErrBadFormat, kTextBadData);
            // Sides as shown: the library turns the picture upright.
            size_t width = info.xsize, height = info.ysize;
            if (info.orientation >= JXL_ORIENT_TRANSPOSE)
                std::swap(width, height);
            CheckPictureSize(int64_t(width), int64_t(height));
            if (width == 0 || height == 0)
                RaiseError(ErrBadFormat, kTextEmpty);
            wantedDepth = 32;
            bmp.Create(int(width), int(height), 32, info.alpha_bits != 0);
            const int channelBits =
                info.bits_per_sample > 0 && info.bits_per_sample <= 32 ? int(info.bits_per_sample) : 8;
            bmp.SetSourceBitsPerPixel(channelBits * (info.num_color_channels == 1 ? 1 : 3) +
                                      (info.alpha_bits != 0 ? int(info.alpha_bits) : 0));
            target.width = width;
            target.height = height;
            created = true;
            break;
        }
        case JXL_DEC_COLOR_ENCODING:
            bmp.SetColourProfile(ColourProfileOf(dec));
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            if (!created)
                RaiseError(ErrBadFormat, kTextBadData);
            size_t needed = 0;
            const size_t blockBytes = target.width * 4 * target.height;
            if (LinesAreOneBlock(bmp, block, bottomUp) &&
                jxl.JxlDecoderImageOutBufferSize(dec, &format, &needed) == JXL_DEC_SUCCESS &&
                needed == blockBytes) {
                if (jxl.JxlDecoderSetImageOutBuffer(dec, &format, block, blockBytes) != JXL_DEC_SUCCESS)
                    RaiseError(ErrBadFormat, kTextBadData);
            } else {
                block = nullptr;
                if (jxl.JxlDecoderSetImageOutCallback(dec, &format, PutStripe, &target) != JXL_DEC_SUCCESS)
                    RaiseError(ErrBadFormat, kTextBadData);
            }
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            // The first frame is all we show.
            if (block != nullptr)
                ToBitmapOrder(bmp, bottomUp);
            source.Skip(size);
            Trace(3, "Decoding finished.\n");
            return;
        case JXL_DEC_NEED_MORE_INPUT: {
            if (given == size)
                throw CTextException(ErrEndOfFile, kTextEndOfFile);
            // What the library has not used yet is given again with the next step.
            const size_t from = given - jxl.JxlDecoderReleaseInput(dec);
            given = std::min(size, given + kInputStep);
            if (jxl.JxlDecoderSetInput(dec, data + from, given - from) != JXL_DEC_SUCCESS)
                RaiseError(ErrInternal, "Internal error.");
            if (given == size)
                jxl.JxlDecoderCloseInput(dec);
            break;
        }
        case JXL_DEC_SUCCESS:
            // Ended without a picture.
            RaiseError(ErrBadFormat, kTextBadData);
        case JXL_DEC_ERROR:
        default:
            RaiseError(ErrBadFormat, kTextBadData);
        }
    }
}

namespace {

// The library's frames come composed (coalesced) and upright. The frame
// table is read once with the decoder told to skip the pixels; composing
// runs a second decoder frame by frame, made anew to go back.
class CJxlFrames : public CFrameSource {
  public:
    explicit CJxlFrames(std::shared_ptr<const std::vector<uint8_t>> bytes)
        : CFrameSource("JPEG XL", std::move(bytes))
    {
    }
    bool Scan();

  protected:
    void Rewind() override { m_decoder.reset(); }
    void ComposeNext(int index) override;
    const uint32_t* CanvasLine(int y) const override { return m_canvas.Line(y); }

  private:
    // A decoder over the whole file subscribed to `events`.
    std::unique_ptr<JxlDecoder, DecoderDeleter> Start(int events);

    MemoryBudget m_budget;
    JxlMemoryManager m_memory{&m_budget, BudgetAlloc, BudgetFree};
    std::unique_ptr<JxlDecoder, DecoderDeleter> m_decoder;
    CFrameCanvas m_canvas;
    std::vector<uint8_t> m_rgba;
};

std::unique_ptr<JxlDecoder, DecoderDeleter> CJxlFrames::Start(int events)
{
    const JxlApi& jxl = Jxl();
    std::unique_ptr<JxlDecoder, DecoderDeleter> decoder(jxl.JxlDecoderCreate(&m_memory));
    if (!decoder)
        ThrowOutOfMemory();
    if (jxl.JxlDecoderSubscribeEvents(decoder.get(), events) != JXL_DEC_SUCCESS ||
        jxl.JxlDecoderSetInput(decoder.get(), Bytes().data(), Bytes().size()) != JXL_DEC_SUCCESS)
        RaiseError(ErrInternal, kTextInternalError);
    jxl.JxlDecoderCloseInput(decoder.get());
    return decoder;
}

bool CJxlFrames::Scan()
{
    if (!HasJxlSignature(Bytes().data(), Bytes().size()))
        return false;
    const JxlApi& jxl = Jxl();
    auto decoder = Start(JXL_DEC_BASIC_INFO | JXL_DEC_FRAME);
    JxlBasicInfo info{};
    double msPerTick = 0;
    std::vector<int> delays;
    for (;;) {
        const JxlDecoderStatus status = jxl.JxlDecoderProcessInput(decoder.get());
        CheckDecodeAbort();
        if (status == JXL_DEC_BASIC_INFO) {
            if (jxl.JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
                RaiseError(ErrBadFormat, kTextBadData);
            if (!info.have_animation || info.animation.tps_numerator == 0)
                return false;
            msPerTick = 1000.0 * info.animation.tps_denominator / info.animation.tps_numerator;
        } else if (status == JXL_DEC_FRAME) {
            JxlFrameHeader header;
            if (jxl.JxlDecoderGetFrameHeader(decoder.get(), &header) != JXL_DEC_SUCCESS)
                RaiseError(ErrBadFormat, kTextBadData);
            delays.push_back(int(std::min(header.duration * msPerTick, 1e9)));
            if (header.is_last || delays.size() >= size_t(kMaxAnimationFrames))
                break;
        } else if (status == JXL_DEC_SUCCESS) {
            break;
        } else {
            // Damaged or cut short: the frames before the damage play.
            if (delays.size() < 2)
                RaiseError(ErrBadFormat, kTextBadData);
            AddWarning("The file is damaged after frame " + std::to_string(delays.size()) +
                       "; the animation ends there.");
            break;
        }
    }
    if (delays.size() < 2)
        return false;
    size_t width = info.xsize, height = info.ysize;
    if (info.orientation >= JXL_ORIENT_TRANSPOSE)
        std::swap(width, height);
    CheckPictureSize(int64_t(width), int64_t(height));
    SetFrames(int(width), int(height), int(std::min<uint32_t>(info.animation.num_loops, 1u << 30)),
              std::move(delays));
    m_canvas.Reset(int(width), int(height));
    return true;
}

void CJxlFrames::ComposeNext(int)
{
    const JxlApi& jxl = Jxl();
    if (!m_decoder)
        m_decoder = Start(JXL_DEC_FULL_IMAGE);
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    const size_t bytes = size_t(Width()) * size_t(Height()) * 4;
    for (;;) {
        const JxlDecoderStatus status = jxl.JxlDecoderProcessInput(m_decoder.get());
        CheckDecodeAbort();
        if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            size_t needed = 0;
            if (jxl.JxlDecoderImageOutBufferSize(m_decoder.get(), &format, &needed) != JXL_DEC_SUCCESS ||
                needed != bytes)
                RaiseError(ErrBadFormat, kTextBadData);
            m_rgba.resize(bytes);
            if (jxl.JxlDecoderSetImageOutBuffer(m_decoder.get(), &format, m_rgba.data(), bytes) !=
                JXL_DEC_SUCCESS)
                RaiseError(ErrBadFormat, kTextBadData);
        } else if (status == JXL_DEC_FULL_IMAGE) {
            break;
        } else {
            RaiseError(ErrBadFormat, kTextBadData);
        }
    }
    const uint8_t* in = m_rgba.data();
    for (int y = 0; y < Height(); ++y) {
        uint32_t* out = m_canvas.Line(y);
        for (int x = 0; x < Width(); ++x, in += 4)
            out[x] = MakePixel(in[0], in[1], in[2], in[3]);
    }
}

} // namespace

std::unique_ptr<CFrameSource> OpenJxlFrames(std::shared_ptr<const std::vector<uint8_t>> bytes)
{
    return OpenScanned<CJxlFrames>(std::move(bytes));
}
