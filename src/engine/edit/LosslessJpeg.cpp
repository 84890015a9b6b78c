#include "engine/edit/LosslessJpeg.h"

#include "engine/metadata/Metadata.h"
#include "engine/picture/Orientation.h"
#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"

#include <turbojpeg.h>

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <memory>

namespace {

// A turn as the signed permutation matrix {a, b, c, d} that takes a point
// (x, y) of the stored picture (y down, origin in the middle) to
// (a x + b y, c x + d y) of the result.
using Matrix = std::array<int, 4>;

struct TurnRow {
    int op; // TJXOP_*
    Matrix m;
};
constexpr TurnRow kTurns[] = {
    {TJXOP_NONE, {1, 0, 0, 1}},     {TJXOP_HFLIP, {-1, 0, 0, 1}},       {TJXOP_VFLIP, {1, 0, 0, -1}},
    {TJXOP_ROT180, {-1, 0, 0, -1}}, {TJXOP_TRANSPOSE, {0, 1, 1, 0}},    {TJXOP_ROT90, {0, -1, 1, 0}},
    {TJXOP_ROT270, {0, 1, -1, 0}},  {TJXOP_TRANSVERSE, {0, -1, -1, 0}},
};

Matrix MatrixOf(int op)
{
    for (const TurnRow& row : kTurns)
        if (row.op == op)
            return row.m;
    return kTurns[0].m;
}

int OpOf(const Matrix& m)
{
    for (const TurnRow& row : kTurns)
        if (row.m == m)
            return row.op;
    return TJXOP_NONE;
}

// p then q.
Matrix Then(const Matrix& p, const Matrix& q)
{
    return {q[0] * p[0] + q[1] * p[2], q[0] * p[1] + q[1] * p[3], q[2] * p[0] + q[3] * p[2],
            q[2] * p[1] + q[3] * p[3]};
}

// The turn that shows a picture of this EXIF orientation upright.
int UprightOp(int orientation)
{
    switch (orientation) {
    case OrientMirrored:
        return TJXOP_HFLIP;
    case OrientTurned180:
        return TJXOP_ROT180;
    case OrientFlipped:
        return TJXOP_VFLIP;
    case OrientTransposed:
        return TJXOP_TRANSPOSE;
    case OrientTurnedRight:
        return TJXOP_ROT90;
    case OrientTransversed:
        return TJXOP_TRANSVERSE;
    case OrientTurnedLeft:
        return TJXOP_ROT270;
    default:
        return TJXOP_NONE;
    }
}

int RequestedOp(JpegTurn turn)
{
    switch (turn) {
    case JpegTurn::Rotate90:
        return TJXOP_ROT90;
    case JpegTurn::Rotate180:
        return TJXOP_ROT180;
    case JpegTurn::Rotate270:
        return TJXOP_ROT270;
    case JpegTurn::FlipHorizontal:
        return TJXOP_VFLIP;
    case JpegTurn::FlipVertical:
        return TJXOP_HFLIP;
    case JpegTurn::Transpose:
        return TJXOP_TRANSPOSE;
    case JpegTurn::Upright:
        break;
    }
    return TJXOP_NONE;
}

// Whether the turn moves partial edge blocks inside the picture, which it
// cannot do without dropping them (libjpeg's own rule).
bool Perfect(int op, int width, int height, int subsampling)
{
    const int mcuWidth = tjMCUWidth[subsampling];
    const int mcuHeight = tjMCUHeight[subsampling];
    const bool wholeWidth = width % mcuWidth == 0;
    const bool wholeHeight = height % mcuHeight == 0;
    switch (op) {
    case TJXOP_HFLIP:
    case TJXOP_ROT270:
        return wholeWidth;
    case TJXOP_VFLIP:
    case TJXOP_ROT90:
        return wholeHeight;
    case TJXOP_TRANSVERSE:
    case TJXOP_ROT180:
        return wholeWidth && wholeHeight;
    default:
        return true;
    }
}

struct TjFree {
    void operator()(unsigned char* p) const { tjFree(p); }
};
struct TjDestroy {
    void operator()(void* h) const { tjDestroy(h); }
};

[[noreturn]] void Fail(tjhandle handle, const char* what)
{
    RaiseError(ErrBadFormat, std::string(what) + ": " + tjGetErrorStr2(handle));
}

} // namespace

JpegTurnResult TurnJpegBytes(const std::vector<uint8_t>& in, JpegTurn turn, bool trim,
                             std::vector<uint8_t>& out)
{
    if (in.size() < 4 || in[0] != 0xFF || in[1] != 0xD8)
        RaiseError(ErrWrongSignature, "not a JPEG file");
    const int orientation = ReadJpegOrientation(in.data(), in.size());
    const int upright = UprightOp(orientation);
    if (turn == JpegTurn::Upright && upright == TJXOP_NONE)
        return JpegTurnResult::AlreadyUpright;
    const int op = OpOf(Then(MatrixOf(upright), MatrixOf(RequestedOp(turn))));

    std::unique_ptr<void, TjDestroy> handle(tjInitTransform());
    if (!handle)
        RaiseError(ErrNoMemory, kTextOutOfMemory);
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), in.data(), static_cast<unsigned long>(in.size()), &width, &height,
                            &subsampling, &colorspace) != 0)
        Fail(handle.get(), "cannot read the JPEG header");
    if (subsampling < 0 || subsampling >= TJ_NUMSAMP)
        RaiseError(ErrUnsupported, "unknown chroma subsampling");
    if (!trim && !Perfect(op, width, height, subsampling))
        return JpegTurnResult::NeedsTrim;

    tjtransform transform{};
    transform.op = op;
    transform.options = trim ? TJXOPT_TRIM : TJXOPT_PERFECT;
    unsigned char* turned = nullptr;
    unsigned long turnedSize = 0;
    const int status = tjTransform(handle.get(), in.data(), static_cast<unsigned long>(in.size()), 1, &turned,
                                   &turnedSize, &transform, 0);
    std::unique_ptr<unsigned char, TjFree> keep(turned);
    if (status != 0 || !turned)
        Fail(handle.get(), "cannot turn the JPEG");
    out.assign(turned, turned + turnedSize);
    keep.reset();

    // The markers came along as they were; the camera data is made true of
    // the new picture.
    if (auto metadata = CCarriedMetadata::FromBytes(in.data(), in.size())) {
        int newWidth = width, newHeight = height;
        if (tjDecompressHeader3(handle.get(), out.data(), static_cast<unsigned long>(out.size()), &newWidth,
                                &newHeight, &subsampling, &colorspace) != 0)
            Fail(handle.get(), "cannot read the turned JPEG");
        metadata->WriteInto(out, newWidth, newHeight, true);
    }
    return JpegTurnResult::Turned;
}

JpegTurnResult TurnJpegFile(const std::string& path, JpegTurn turn, bool trim)
{
    std::vector<uint8_t> in;
    {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
        if (!file)
            RaiseError(ErrFileNotFound, "Opening " + path + " failed");
        struct stat st;
        // libjpeg-turbo takes sizes as unsigned long; 1 GiB is beyond any photograph.
        if (::fstat(::fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
            st.st_size > (off_t(1) << 30))
            RaiseError(ErrBadFormat, "not a JPEG file of a size that can be turned");
        in.resize(size_t(st.st_size));
        if (std::fread(in.data(), 1, in.size(), file.get()) != in.size())
            RaiseError(ErrEndOfFile, kTextEndOfFile);
    }
    std::vector<uint8_t> out;
    const JpegTurnResult result = TurnJpegBytes(in, turn, trim, out);
    if (result == JpegTurnResult::Turned) {
        COutputFile file(path);
        file.Write(out.data(), out.size());
        file.Commit();
    }
    return result;
}
