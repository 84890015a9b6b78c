#include "engine/picture/RawDecoder.h"

#include "engine/picture/ByteOrder.h"
#include "engine/picture/JPEGDecoder.h"
#include "engine/picture/Orientation.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <libraw/libraw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kTextRawPrefix = "RAW decoder: ";
constexpr const char* kTextNoImage = "RAW decoder: the developed picture is empty.";
constexpr const char* kTextBadPreview = "RAW decoder: the embedded preview is damaged.";
constexpr const char* kTextTooSmall = "RAW decoder: the file is too small for the picture it describes.";
constexpr const char* kTextEndless = "RAW decoder: the file's structure is damaged; reading it does not end.";
// No camera packs its sensor data tighter than this many pixels a byte (a
// lossy DNG reaches about four), so a small damaged file cannot make LibRaw
// allocate for a large picture.
constexpr uint64_t kMaxPixelsPerByte = 64;

// TIFF tags that mark a RAW file.
constexpr uint16_t kTagMake = 271;
constexpr uint16_t kTagPhotometric = 262;
constexpr uint16_t kTagSubIfds = 330;
constexpr uint16_t kTagDngVersion = 50706;
constexpr uint16_t kPhotometricCfa = 32803;
constexpr uint16_t kPhotometricLinearRaw = 34892;
constexpr size_t kIfdEntrySize = 12;
// A camera's directories are few; a damaged file's chain is not followed far.
constexpr int kMaxIfds = 16;
constexpr size_t kMaxIfdEntries = 512;
constexpr size_t kMaxSubIfds = 8;

// The facts of a TIFF-laid-out file that tell a RAW file from a picture.
struct TiffFacts {
    bool dng = false;
    bool cfa = false;
    std::string_view make;
};

class TiffReader {
  public:
    TiffReader(const uint8_t* data, size_t size, bool big) : m_data(data), m_size(size), m_big(big) {}
    bool Has(size_t at, size_t n) const { return at <= m_size && n <= m_size - at; }
    uint32_t U16(size_t at) const
    {
        return m_big ? LoadBE16(ByteView(m_data, m_size), at) : LoadLE16(ByteView(m_data, m_size), at);
    }
    uint32_t U32(size_t at) const
    {
        return m_big ? LoadBE32(ByteView(m_data, m_size), at) : LoadLE32(ByteView(m_data, m_size), at);
    }

    // Reads one directory into `facts`; adds its sub-directories to `pending`
    // and returns the offset of the next one (0 for none).
    size_t Read(size_t ifd, TiffFacts& facts, bool first, std::vector<size_t>& pending) const
    {
        if (!Has(ifd, 2))
            return 0;
        const size_t count = U16(ifd);
        if (count > kMaxIfdEntries || !Has(ifd + 2, count * kIfdEntrySize + 4))
            return 0;
        for (size_t i = 0; i < count; ++i) {
            const size_t entry = ifd + 2 + i * kIfdEntrySize;
            const uint32_t tag = U16(entry);
            const uint32_t n = U32(entry + 4);
            if (tag == kTagDngVersion && first) {
                facts.dng = true;
            } else if (tag == kTagPhotometric) {
                const uint32_t value = U16(entry + 8);
                facts.cfa = facts.cfa || value == kPhotometricCfa || value == kPhotometricLinearRaw;
            } else if (tag == kTagMake && first && n > 0 && n < 256) {
                const size_t at = n <= 4 ? entry + 8 : U32(entry + 8);
                if (Has(at, n)) {
                    const char* text = reinterpret_cast<const char*>(m_data + at);
                    facts.make = std::string_view(text, strnlen(text, n));
                }
            } else if (tag == kTagSubIfds && n > 0 && n <= kMaxSubIfds) {
                if (n == 1) {
                    pending.push_back(U32(entry + 8));
                } else {
                    const size_t at = U32(entry + 8);
                    for (size_t k = 0; k < n && Has(at + 4 * k, 4); ++k)
                        pending.push_back(U32(at + 4 * k));
                }
            }
        }
        return U32(ifd + 2 + count * kIfdEntrySize);
    }

  private:
    const uint8_t* m_data;
    size_t m_size;
    bool m_big;
};

// Reads the first directories and their sub-directories; false when the
// bytes are not laid out as TIFF.
bool ReadTiffFacts(const uint8_t* data, size_t size, uint32_t magic, TiffFacts& facts)
{
    if (size < 8 || !((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M')))
        return false;
    const TiffReader r(data, size, data[0] == 'M');
    if (r.U16(2) != magic)
        return false;
    std::vector<size_t> pending;
    size_t next = r.U32(4);
    int visited = 0;
    for (bool first = true; next != 0 && visited < kMaxIfds; first = false, ++visited)
        next = r.Read(next, facts, first, pending);
    for (size_t i = 0; i < pending.size() && visited < kMaxIfds; ++i, ++visited)
        r.Read(pending[i], facts, false, pending);
    return true;
}

bool MakeIs(std::string_view make, std::initializer_list<std::string_view> makers)
{
    for (std::string_view m : makers)
        if (make.size() >= m.size() && make.substr(0, m.size()) == m)
            return true;
    return false;
}

bool StartsWith(const uint8_t* data, size_t size, size_t at, std::string_view text)
{
    return at <= size && text.size() <= size - at && std::memcmp(data + at, text.data(), text.size()) == 0;
}

[[noreturn]] void RaiseLibRawError(int code)
{
    switch (code) {
    case LIBRAW_UNSUFFICIENT_MEMORY:
        ThrowOutOfMemory();
    case LIBRAW_CANCELLED_BY_CALLBACK:
        throw CTextException(ErrAborted, kTextAborted);
    case LIBRAW_FILE_UNSUPPORTED:
    case LIBRAW_NOT_IMPLEMENTED:
        RaiseError(ErrUnsupported, std::string(kTextRawPrefix) + libraw_strerror(code));
    case LIBRAW_IO_ERROR:
        throw CTextException(ErrEndOfFile, kTextEndOfFile);
    default:
        RaiseError(ErrBadFormat, std::string(kTextRawPrefix) + libraw_strerror(code));
    }
}

void Check(int code)
{
    if (code != LIBRAW_SUCCESS)
        RaiseLibRawError(code);
}

// LibRaw reports its stages here; a non-zero answer cancels the work at
// the next stage.
int ProgressCallback(void*, LibRaw_progress, int, int)
{
    return DecodeAbandoned() ? 1 : 0;
}

// LibRaw's own handlers print to standard error; the decode's error says it.
void DataError(void*, const char*, const int offset)
{
    Trace(2, "LibRaw: data error at %d\n", offset);
}
void MemoryError(void*, const char*, const char* where)
{
    Trace(2, "LibRaw: out of memory in %s\n", where ? where : "?");
}

// dcraw's flip (bit 2: transpose, bit 1: upside down, bit 0: mirrored) as
// an EXIF orientation.
int OrientationOfFlip(int flip)
{
    static constexpr int kOrientation[8] = {OrientUpright,     OrientMirrored,   OrientFlipped,
                                            OrientTurned180,   OrientTransposed, OrientTurnedLeft,
                                            OrientTurnedRight, OrientTransversed};
    return kOrientation[flip & 7];
}

// LibRaw's parsers can go round for ever on a crafted file (a chain of CR3
// boxes that never moves on), out of reach of the abort flag. While a file
// is opened, every read, seek and byte counts against a budget far above
// what a real file's directories take; past it, the stream throws LibRaw's
// own "corrupt" exception and the open fails. Unpacking, which reads every
// byte, is not counted.
template <class Stream> class CBudgetedStream : public Stream {
  public:
    template <class... Args>
    explicit CBudgetedStream(uint64_t budget, Args&&... args)
        : Stream(std::forward<Args>(args)...), m_left(budget)
    {
    }
    void EndBudget() { m_counting = false; }
    bool Spent() const { return m_counting && m_left == 0; }

    int read(void* ptr, size_t size, size_t count) override
    {
        Spend();
        return Stream::read(ptr, size, count);
    }
    int seek(INT64 offset, int whence) override
    {
        Spend();
        return Stream::seek(offset, whence);
    }
    int get_char() override
    {
        Spend();
        return Stream::get_char();
    }

  private:
    void Spend()
    {
        if (!m_counting)
            return;
        if (m_left == 0)
            throw LIBRAW_EXCEPTION_IO_CORRUPT;
        --m_left;
    }
    uint64_t m_left;
    bool m_counting = true;
};

// Calls for opening a file of `size` bytes: a real file's directories take
// a few thousand.
uint64_t OpenBudget(uint64_t size)
{
    return (uint64_t(1) << 22) + 2 * size;
}

// LibRaw with the stream it reads, which must outlive it.
class CRaw : public LibRaw {
  public:
    CRaw() : LibRaw(LIBRAW_OPTIONS_NONE) {}
    ~CRaw() override { recycle(); } // lets go of the stream before it goes
    std::unique_ptr<LibRaw_abstract_datastream> stream;
};

// A LibRaw instance opened on a `Stream` made of `args`, for a file of
// `size` bytes, with its sizes checked before anything is unpacked.
// LibRaw's object is large: it lives on the heap.
template <class Stream, class... Args> std::unique_ptr<LibRaw> OpenRawFrom(uint64_t size, Args&&... args)
{
    auto raw = std::make_unique<CRaw>();
    raw->set_progress_handler(ProgressCallback, nullptr);
    raw->set_dataerror_handler(DataError, nullptr);
    raw->set_memerror_handler(MemoryError, nullptr);
    auto stream = std::make_unique<CBudgetedStream<Stream>>(OpenBudget(size), std::forward<Args>(args)...);
    CBudgetedStream<Stream>* budgeted = stream.get();
    raw->stream = std::move(stream);
    const int opened = raw->open_datastream(budgeted);
    if (opened != LIBRAW_SUCCESS && budgeted->Spent())
        RaiseError(ErrBadFormat, kTextEndless);
    Check(opened);
    budgeted->EndBudget();
    const libraw_image_sizes_t& s = raw->imgdata.sizes;
    CheckPictureSize(s.raw_width, s.raw_height);
    CheckPictureSize(s.width, s.height);
    const uint64_t pixels = std::max(uint64_t(s.raw_width) * s.raw_height, uint64_t(s.width) * s.height);
    if (pixels / kMaxPixelsPerByte > size)
        RaiseError(ErrBadFormat, kTextTooSmall);
    return raw;
}

std::unique_ptr<LibRaw> OpenRaw(const uint8_t* data, size_t size)
{
    // LibRaw reads the buffer only.
    return OpenRawFrom<LibRaw_buffer_datastream>(size, const_cast<uint8_t*>(data), size);
}

void FullSizeOf(const LibRaw& raw, int& width, int& height)
{
    const libraw_image_sizes_t& s = raw.imgdata.sizes;
    const bool swapped = (s.flip & 4) != 0;
    width = swapped ? s.height : s.width;
    height = swapped ? s.width : s.height;
}

struct MemImage {
    libraw_processed_image_t* image = nullptr;
    ~MemImage() { LibRaw::dcraw_clear_mem(image); }
};

void Develop(LibRaw& raw, CBmp& bmp)
{
    libraw_output_params_t& p = raw.imgdata.params;
    p.use_camera_wb = 1;
    p.output_bps = 8;
    Check(raw.unpack());
    CheckDecodeAbort();
    Check(raw.dcraw_process());
    CheckDecodeAbort();
    int error = LIBRAW_SUCCESS;
    MemImage mem{raw.dcraw_make_mem_image(&error)};
    if (mem.image == nullptr)
        RaiseLibRawError(error == LIBRAW_SUCCESS ? LIBRAW_UNSUFFICIENT_MEMORY : error);
    const libraw_processed_image_t& img = *mem.image;
    if (img.type != LIBRAW_IMAGE_BITMAP || img.bits != 8 || (img.colors != 3 && img.colors != 1) ||
        img.width == 0 || img.height == 0)
        RaiseError(ErrBadFormat, kTextNoImage);
    CheckPictureSize(img.width, img.height);
    const size_t rowBytes = size_t(img.width) * img.colors;
    if (img.data_size / img.height < rowBytes)
        RaiseError(ErrBadFormat, kTextNoImage);
    // LibRaw hands back packed RGB lines (already turned upright); ours are
    // 32-bit, so one more pass copies them over.
    bmp.Create(img.width, img.height, 32, false);
    for (int y = 0; y < img.height; ++y) {
        const uint8_t* in = img.data + size_t(y) * rowBytes;
        uint32_t* out = LineToFill32(bmp, y);
        if (img.colors == 3)
            for (int x = 0; x < img.width; ++x, in += 3)
                out[x] = 0xFF000000u | uint32_t(in[0]) << 16 | uint32_t(in[1]) << 8 | in[2];
        else
            for (int x = 0; x < img.width; ++x)
                out[x] = 0xFF000000u | uint32_t(in[x]) * 0x010101u;
    }
}

void DecodeBitmapPreview(const RawPreview& preview, CBmp& bmp)
{
    CheckPictureSize(preview.width, preview.height);
    const size_t rowBytes = size_t(preview.width) * 3;
    if (preview.width <= 0 || preview.height <= 0 || preview.bytes.size() / size_t(preview.height) < rowBytes)
        RaiseError(ErrBadFormat, kTextBadPreview);
    bmp.Create(preview.width, preview.height, 32, false);
    for (int y = 0; y < preview.height; ++y) {
        const uint8_t* in = preview.bytes.data() + size_t(y) * rowBytes;
        uint32_t* out = LineToFill32(bmp, y);
        for (int x = 0; x < preview.width; ++x, in += 3)
            out[x] = 0xFF000000u | uint32_t(in[0]) << 16 | uint32_t(in[1]) << 8 | in[2];
    }
    ApplyOrientation(bmp, preview.orientation);
}

bool TakePreview(LibRaw& raw, RawPreview& preview)
{
    FullSizeOf(raw, preview.fullWidth, preview.fullHeight);
    preview.orientation = OrientationOfFlip(raw.imgdata.sizes.flip);
    if (raw.unpack_thumb() != LIBRAW_SUCCESS)
        return false;
    const libraw_thumbnail_t& t = raw.imgdata.thumbnail;
    if (t.thumb == nullptr || t.tlength == 0)
        return false;
    if (t.tformat == LIBRAW_THUMBNAIL_JPEG) {
        preview.jpeg = true;
    } else if (t.tformat == LIBRAW_THUMBNAIL_BITMAP && t.tcolors == 3) {
        preview.width = t.twidth;
        preview.height = t.theight;
    } else {
        return false;
    }
    preview.bytes.assign(reinterpret_cast<const uint8_t*>(t.thumb),
                         reinterpret_cast<const uint8_t*>(t.thumb) + t.tlength);
    return true;
}

} // namespace

RawKind DetectRawKind(const uint8_t* data, size_t size)
{
    if (data == nullptr || size < 16)
        return RawKind::None;
    if (StartsWith(data, size, 0, "FUJIFILMCCD-RAW"))
        return RawKind::Raf;
    if (StartsWith(data, size, 4, "ftypcrx "))
        return RawKind::Cr3;
    // Olympus and Panasonic write TIFF with magic numbers of their own.
    if (StartsWith(data, size, 0, "IIRO") || StartsWith(data, size, 0, "IIRS") ||
        StartsWith(data, size, 0, "MMOR"))
        return RawKind::Orf;
    if (StartsWith(data, size, 0, "IIU\0"))
        return RawKind::Rw2;
    // Sigma, Minolta, Canon's older CRW.
    if (StartsWith(data, size, 0, "FOVb") || StartsWith(data, size, 0, std::string_view("\0MRM", 4)) ||
        StartsWith(data, size, 6, "HEAPCCDR"))
        return RawKind::Other;

    TiffFacts facts;
    if (!ReadTiffFacts(data, size, 42, facts))
        return RawKind::None;
    if (facts.dng)
        return RawKind::Dng;
    if (StartsWith(data, size, 8, "CR\x02"))
        return RawKind::Cr2;
    if (!facts.cfa)
        return RawKind::None;
    if (MakeIs(facts.make, {"NIKON"}))
        return RawKind::Nef;
    if (MakeIs(facts.make, {"SONY"}))
        return RawKind::Arw;
    if (MakeIs(facts.make, {"PENTAX", "RICOH IMAGING", "Asahi"}))
        return RawKind::Pef;
    return RawKind::Other;
}

bool ReadRawPreview(const uint8_t* data, size_t size, RawPreview& preview)
{
    try {
        std::unique_ptr<LibRaw> raw = OpenRaw(data, size);
        return TakePreview(*raw, preview);
    } catch (const std::bad_alloc&) {
        ThrowOutOfMemory();
    }
}

bool ReadRawPreviewOfFile(const std::string& path, RawPreview& preview)
{
    // The head decides; a TIFF-laid-out file whose first directory lies
    // beyond it (libtiff writes its directories last) is left to LibRaw.
    constexpr size_t kHeadBytes = 65536;
    std::vector<uint8_t> head(kHeadBytes);
    struct stat st {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const ssize_t got =
        ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::pread(fd, head.data(), kHeadBytes, 0) : -1;
    ::close(fd);
    if (got < 16)
        return false;
    head.resize(size_t(got));
    const bool tiff = (head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0) ||
                      (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42);
    const uint32_t ifd = head[0] == 'I' ? LoadLE32(ByteView(head.data(), head.size()), 4)
                                        : LoadBE32(ByteView(head.data(), head.size()), 4);
    if (DetectRawKind(head.data(), head.size()) == RawKind::None && !(tiff && ifd + 2 > head.size()))
        return false;
    try {
        std::unique_ptr<LibRaw> raw =
            OpenRawFrom<LibRaw_bigfile_datastream>(uint64_t(st.st_size), path.c_str());
        return TakePreview(*raw, preview);
    } catch (const std::bad_alloc&) {
        ThrowOutOfMemory();
    }
}

void CRawDecoder::DecodeInto(CBmp& bmp, PaletteHolder&, int& wantedDepth, CDataSource& source)
{
    wantedDepth = 32;
    std::unique_ptr<LibRaw> raw = OpenRaw(source.GetStart(), source.GetSize());
    bmp.SetSourceBitsPerPixel(24);
    RawPreview preview;
    if (GetChoice().preview && TakePreview(*raw, preview)) {
        // Only a preview that decodes counts; a damaged one is developed over.
        try {
            if (preview.jpeg) {
                CJPEGDecoder jpeg;
                jpeg.SetOrientation(preview.orientation);
                CMemSource bytes(preview.bytes.data(), preview.bytes.size(), source.GetName());
                jpeg.Decode(bytes, bmp, 32);
            } else {
                DecodeBitmapPreview(preview, bmp);
            }
            bmp.SetSourceBitsPerPixel(24);
            m_found.preview = true;
            m_found.fullWidth = preview.fullWidth;
            m_found.fullHeight = preview.fullHeight;
            return;
        } catch (const CTextException& e) {
            if (e.GetCode() == ErrAborted || e.GetCode() == ErrNoMemory)
                throw;
        }
    }
    Develop(*raw, bmp);
    bmp.SetSourceBitsPerPixel(24);
}
