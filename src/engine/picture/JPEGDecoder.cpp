#include "engine/picture/JPEGDecoder.h"

#include "engine/picture/Orientation.h"
#include "engine/picture/UprightBands.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

// libjpeg reports fatal errors through error_exit, which must not return.
// Ours longjmps back to the setjmp of the step that called the library. The
// steps below hold only plain data between setjmp and the library calls, so
// the jump skips no destructor; all C++ work (creating the bitmap, raising
// errors) happens outside them.

namespace {

constexpr const char* kTextTooManyScans = "Too many scans in progressive JPEG file.";
constexpr const char* kTextCannotCreate = "Cannot create JPEG decompressor.";

// A progressive file may repeat scans without end; libjpeg would decode them
// all. Real encoders write about a dozen.
constexpr int kMaxScans = 1000;
// Bounds what libjpeg itself allocates (coefficient buffers of progressive
// files); a file needing more fails with a library error instead.
constexpr long kMaxLibraryMemory = 1536L * 1024 * 1024;

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

struct ErrorManager {
    jpeg_error_mgr pub; // first, so the library's pointer is ours
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 64];
    bool damaged = false; // warned of lost data in this decode
};

ErrorManager& ErrorsOf(j_common_ptr cinfo)
{
    return *reinterpret_cast<ErrorManager*>(cinfo->err);
}

void ErrorExit(j_common_ptr cinfo)
{
    ErrorManager& err = ErrorsOf(cinfo);
    err.pub.format_message(cinfo, err.message);
    std::longjmp(err.jump, 1);
}

// Warnings (a truncated file, stray bytes) go to the trace.
void OutputMessage(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, text);
    Trace(2, "%s\n", text);
}

// Warnings that mean lost pixels; stray bytes between markers lose none.
bool LosesData(int code)
{
    return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE ||
           code == JWRN_MUST_RESYNC || code == JWRN_NOT_SEQUENTIAL;
}

// Every warning is traced (libjpeg's own routine traces the first only); the
// first one that loses data is raised once as the damaged-picture warning.
void EmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    ErrorManager& err = ErrorsOf(cinfo);
    ++err.pub.num_warnings;
    err.pub.output_message(cinfo);
    if (LosesData(err.pub.msg_code) && !err.damaged) {
        err.damaged = true;
        try { // nothing may be thrown through the library
            Warn(kTextDamaged);
        } catch (...) {
        }
    }
}

void ProgressMonitor(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        ErrorManager& err = ErrorsOf(cinfo);
        std::snprintf(err.message, sizeof err.message, "%s", kTextTooManyScans);
        std::longjmp(err.jump, 1);
    }
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

// Called only when the file image is exhausted: a truncated file ends in a
// supplied end-of-image marker, and libjpeg fills in what is missing.
boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    WARNMS(cinfo, JWRN_JPEG_EOF);
    cinfo->src->next_input_byte = kEndOfImage;
    cinfo->src->bytes_in_buffer = sizeof kEndOfImage;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count)
{
    jpeg_source_mgr* src = cinfo->src;
    if (count <= 0)
        return;
    size_t n = size_t(count) < src->bytes_in_buffer ? size_t(count) : src->bytes_in_buffer;
    src->next_input_byte += n;
    src->bytes_in_buffer -= n;
}

} // namespace

struct CJPEGDecoder::Library {
    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    jpeg_source_mgr source{};
    jpeg_progress_mgr progress{};
    bool created = false;
    std::vector<uint8_t> bands; // lines turned upright as they decode
    std::vector<uint8_t> rows;  // the band handed to a row sink
};

namespace {

using Library = CJPEGDecoder::Library;

bool CreateDecompressor(Library& lib)
{
    lib.cinfo.err = jpeg_std_error(&lib.errors.pub);
    lib.errors.pub.error_exit = ErrorExit;
    lib.errors.pub.output_message = OutputMessage;
    lib.errors.pub.emit_message = EmitMessage;
    if (setjmp(lib.errors.jump))
        return false;
    jpeg_create_decompress(&lib.cinfo);
    // APP2 keeps the ICC profile.
    jpeg_save_markers(&lib.cinfo, JPEG_APP0 + 2, 0xFFFF);
    lib.source.init_source = InitSource;
    lib.source.fill_input_buffer = FillInputBuffer;
    lib.source.skip_input_data = SkipInputData;
    lib.source.resync_to_restart = jpeg_resync_to_restart;
    lib.source.term_source = TermSource;
    lib.progress.progress_monitor = ProgressMonitor;
    return true;
}

bool ReadHeader(Library& lib, const uint8_t* data, size_t size)
{
    if (setjmp(lib.errors.jump))
        return false;
    lib.cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
    lib.source.next_input_byte = data;
    lib.source.bytes_in_buffer = size;
    lib.cinfo.src = &lib.source;
    lib.cinfo.progress = &lib.progress;
    jpeg_read_header(&lib.cinfo, TRUE);
    return true;
}

// The ICC profile of the APP2 markers read with the header, or null.
ColourProfilePtr IccProfileOf(const jpeg_decompress_struct& cinfo)
{
    std::vector<std::pair<const uint8_t*, size_t>> markers;
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 2 && m->data)
            markers.emplace_back(m->data, size_t(m->data_length));
    return markers.empty() ? nullptr : MakeIccProfile(AssembleJpegIccSegments(markers));
}

// With `firstScanOnly`, the output pass shows what the first scan holds and
// reads no further.
bool StartDecompress(Library& lib, J_COLOR_SPACE outSpace, bool fast, int denominator, bool firstScanOnly)
{
    if (setjmp(lib.errors.jump))
        return false;
    lib.cinfo.out_color_space = outSpace;
    lib.cinfo.scale_num = 1;
    lib.cinfo.scale_denom = unsigned(denominator);
    lib.cinfo.dct_method = JDCT_FLOAT;
    lib.cinfo.buffered_image = firstScanOnly ? TRUE : FALSE;
    // An eighth of a block is its DC value alone, unless colour is
    // subsampled: libjpeg then turns the colour at a larger size from
    // coefficients the first scan lacks, and its smoothing estimates them.
    const bool subsampled = lib.cinfo.max_h_samp_factor > 1 || lib.cinfo.max_v_samp_factor > 1;
    lib.cinfo.do_block_smoothing = !firstScanOnly || subsampled ? TRUE : FALSE;
    if (fast)
        lib.cinfo.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&lib.cinfo);
    if (firstScanOnly)
        jpeg_start_output(&lib.cinfo, 1);
    return true;
}

// Adobe writes CMYK inverted (0 = full ink); other writers do not.
void CmykToPixels(const uint8_t* in, int width, bool inverted, uint32_t* out)
{
    for (int x = 0; x < width; ++x, in += 4) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = MakePixel(uint8_t(c * k / 255), uint8_t(m * k / 255), uint8_t(y * k / 255));
    }
}

// Reads up to `count` lines into `rows`; `read` receives how many. CMYK
// lines go through `scratch`.
bool ReadLines(Library& lib, uint8_t** rows, JDIMENSION count, uint8_t* scratch, JDIMENSION& read)
{
    read = 0;
    if (setjmp(lib.errors.jump))
        return false;
    j_decompress_ptr cinfo = &lib.cinfo;
    while (read < count && cinfo->output_scanline < cinfo->output_height) {
        // libjpeg hands back at most one row group per call: an abandoned
        // decode ends between them, outside the library.
        CheckDecodeAbort();
        JDIMENSION got = 0;
        if (scratch) {
            JSAMPROW row = scratch;
            got = jpeg_read_scanlines(cinfo, &row, 1);
            if (got == 1)
                CmykToPixels(scratch, int(cinfo->output_width), cinfo->saw_Adobe_marker,
                             reinterpret_cast<uint32_t*>(rows[read]));
        } else {
            got = jpeg_read_scanlines(cinfo, rows + read, count - read);
        }
        if (got == 0)
            break; // the caller sees the short count
        read += got;
    }
    return true;
}

// Leaves the source after what libjpeg consumed; data after the
// end-of-image marker is left.
void SeekPastImage(const Library& lib, CDataSource& source)
{
    const uint8_t* next = lib.source.next_input_byte;
    if (next >= source.GetPosition() && next <= source.GetPosition() + source.GetRemaining())
        source.Seek(size_t(next - source.GetStart()));
}

bool FinishDecompress(Library& lib)
{
    if (setjmp(lib.errors.jump))
        return false;
    if (lib.cinfo.buffered_image) {
        // The later scans are not wanted: left unread.
        jpeg_finish_output(&lib.cinfo);
        jpeg_abort_decompress(&lib.cinfo);
        return true;
    }
    jpeg_finish_decompress(&lib.cinfo);
    return true;
}

} // namespace

CJPEGDecoder::CJPEGDecoder() : m_library(std::make_unique<Library>())
{
    m_library->created = CreateDecompressor(*m_library);
}

CJPEGDecoder::~CJPEGDecoder()
{
    if (m_library->created)
        jpeg_destroy_decompress(&m_library->cinfo);
}

void CJPEGDecoder::DecodeInto(CBmp& bmp, PaletteHolder&, int& wantedDepth, CDataSource& source)
{
    // For this decode only: an embedded JPEG decoded next is left as stored.
    int orientation = std::exchange(m_orientation, int(OrientUpright));
    const bool firstScanOnly = std::exchange(m_firstScanOnly, false);
    m_wasFirstScanOnly = false;
    if (orientation < OrientUpright || orientation > OrientTurnedLeft)
        orientation = OrientUpright;
    Library& lib = *m_library;
    if (!lib.created)
        RaiseError(ErrInternal, kTextCannotCreate);
    auto libraryError = [&lib]() {
        jpeg_abort_decompress(&lib.cinfo);
        RaiseError(ErrUnsupported, std::string(lib.errors.message) + "\n");
    };
    lib.errors.damaged = false;
    try {
        if (!ReadHeader(lib, source.GetPosition(), source.GetRemaining()))
            libraryError();
        j_decompress_ptr cinfo = &lib.cinfo;
        // Checked before libjpeg allocates anything for the picture.
        CheckPictureSize(cinfo->image_width, cinfo->image_height);
        m_fullWidth = int(cinfo->image_width);
        m_fullHeight = int(cinfo->image_height);
        m_denominator = 1;
        if (m_scaleChooser) {
            const int d = m_scaleChooser(m_fullWidth, m_fullHeight);
            if (d == 2 || d == 4 || d == 8)
                m_denominator = d;
        }

        const bool gray = cinfo->jpeg_color_space == JCS_GRAYSCALE;
        const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
        const int sourceDepth = gray ? 8 : cmyk ? 32 : 24;
        const int depth = ResolveTargetDepth(sourceDepth, wantedDepth);
        if (CRowSink* sink = GetRowSink();
            sink && depth == 32 && !cmyk && orientation == OrientUpright && m_denominator == 1) {
            StreamRows(*sink);
            SeekPastImage(lib, source);
            return;
        }
        // libjpeg writes blue, green, red and an alpha of 255 straight into
        // the bitmap lines; grayscale is widened the same way.
        J_COLOR_SPACE outSpace = cmyk ? JCS_CMYK : depth == 8 ? JCS_GRAYSCALE : JCS_EXT_BGRA;
        m_wasFirstScanOnly = firstScanOnly && m_denominator > 1 && jpeg_has_multiple_scans(cinfo);
        // The first scan holds one value per block: an eighth is all it has.
        if (m_wasFirstScanOnly)
            m_denominator = 8;
        if (!StartDecompress(lib, outSpace, m_fastMode, m_denominator, m_wasFirstScanOnly))
            libraryError();
        const int expectedComponents = depth == 8 ? 1 : 4;
        if (cinfo->output_components != expectedComponents)
            RaiseError(ErrInternal, "Internal error.");

        // A reduced size is never larger than the full one, and never empty.
        if (cinfo->output_width == 0 || cinfo->output_height == 0 ||
            cinfo->output_width > cinfo->image_width || cinfo->output_height > cinfo->image_height)
            RaiseError(ErrInternal, "Internal error.");
        const int width = int(cinfo->output_width), height = int(cinfo->output_height);
        const bool turned = OrientationSwapsSides(orientation);
        bmp.Create(turned ? height : width, turned ? width : height, uint16_t(depth), false);
        bmp.SetSourceBitsPerPixel(sourceDepth);
        bmp.SetColourProfile(IccProfileOf(*cinfo));
        std::vector<uint8_t> scratch(cmyk ? size_t(width) * 4 : 0);
        uint8_t* cmykLine = cmyk ? scratch.data() : nullptr;
        if (orientation == OrientUpright) {
            // Straight into the bitmap's lines.
            JDIMENSION read = 0;
            if (!ReadLines(lib, bmp.GetLines(), JDIMENSION(height), cmykLine, read))
                libraryError();
            if (read != JDIMENSION(height))
                RaiseError(ErrInternal, "Internal error.");
        } else {
            CUprightBands bands(width, height, orientation, bmp, lib.bands);
            for (int y = 0; y < height;) {
                JDIMENSION read = 0;
                if (!ReadLines(lib, bands.NextBand(),
                               JDIMENSION(std::min(CUprightBands::kBandLines, height - y)), cmykLine, read))
                    libraryError();
                if (read == 0)
                    RaiseError(ErrInternal, "Internal error.");
                bands.Place(y, int(read));
                y += int(read);
            }
            bands.Finish();
        }
        if (!FinishDecompress(lib))
            libraryError();
        if (!m_wasFirstScanOnly)
            SeekPastImage(lib, source);
    } catch (...) {
        // Keeps the decompressor reusable; aborting twice is harmless.
        jpeg_abort_decompress(&lib.cinfo);
        throw;
    }
}

void CJPEGDecoder::StreamRows(CRowSink& sink)
{
    Library& lib = *m_library;
    j_decompress_ptr cinfo = &lib.cinfo;
    auto libraryError = [&lib]() { RaiseError(ErrUnsupported, std::string(lib.errors.message) + "\n"); };
    // Red, green and blue as the writer stores them: no pass to reorder.
    if (!StartDecompress(lib, JCS_RGB, m_fastMode, 1, false))
        libraryError();
    if (cinfo->output_components != 3 || cinfo->output_width != cinfo->image_width ||
        cinfo->output_height != cinfo->image_height)
        RaiseError(ErrInternal, "Internal error.");
    const int width = int(cinfo->output_width), height = int(cinfo->output_height);
    sink.Begin(width, height);
    // A band small enough to stay in the cache between decoder and writer.
    constexpr int kBandLines = 32;
    const size_t lineBytes = size_t(width) * 3;
    lib.rows.resize(lineBytes * kBandLines);
    uint8_t* band[kBandLines];
    for (int i = 0; i < kBandLines; ++i)
        band[i] = lib.rows.data() + size_t(i) * lineBytes;
    for (int y = 0; y < height;) {
        JDIMENSION read = 0;
        if (!ReadLines(lib, band, JDIMENSION(std::min(kBandLines, height - y)), nullptr, read))
            libraryError();
        if (read == 0)
            RaiseError(ErrInternal, "Internal error.");
        sink.Rows(band, int(read));
        y += int(read);
    }
    if (!FinishDecompress(lib))
        libraryError();
    sink.End();
}
