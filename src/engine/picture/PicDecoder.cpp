#include "engine/picture/PicDecoder.h"

#include "engine/picture/FileSource.h"

#include <new>

namespace {

// The abort flag of the decode running on this thread.
thread_local const std::atomic<bool>* t_abortFlag = nullptr;

} // namespace

CPicDecoder::AbortScope::AbortScope(const std::atomic<bool>* flag) : m_saved(t_abortFlag)
{
    if (flag)
        t_abortFlag = flag;
}

CPicDecoder::AbortScope::~AbortScope()
{
    t_abortFlag = m_saved;
}

bool DecodeAbandoned()
{
    return t_abortFlag && t_abortFlag->load(std::memory_order_relaxed);
}

void CheckDecodeAbort()
{
    if (DecodeAbandoned())
        throw CTextException(ErrAborted, kTextAborted);
}

void CheckPage(int page, int count)
{
    if (page < 0 || page >= count)
        RaiseError(ErrBadFormat, kTextNoSuchPage);
}

void CPicDecoder::DecodeFile(const std::string& fileName, CBmp& bmp, int wantedDepth)
{
    const AbortScope abortScope(m_abortFlag);
    CheckDecodeAbort();
    Trace(1, "--- Decoding file %s. ---\n", fileName.c_str());
    CFileSource source;
    int result = source.Open(fileName);
    if (result != 0)
        RaiseError(result, "Opening " + fileName + " failed: " + FileFailureText(source.GetFailure()));
    Decode(source, bmp, wantedDepth);
}

void CPicDecoder::Decode(CDataSource& source, CBmp& bmp, int wantedDepth)
{
    const AbortScope abortScope(m_abortFlag);
    CheckDecodeAbort();
    PaletteHolder palette;
    m_found = Found{};
    bmp.SetColourProfile(nullptr); // the decoder sets the new picture's own
    try {
        DecodeInto(bmp, palette, wantedDepth, source);
    } catch (const std::bad_alloc&) {
        RaiseError(ErrNoMemory, kTextOutOfMemory);
    }
}

int CPicDecoder::ResolveTargetDepth(int sourceDepth, int& wantedDepth)
{
    if (wantedDepth != 32)
        wantedDepth = sourceDepth <= 8 ? 8 : 32;
    return wantedDepth;
}

PaletteEntry* CPicDecoder::AllocPalette(PaletteHolder& holder)
{
    holder = std::make_unique<PaletteEntry[]>(256);
    for (int i = 0; i < 256; ++i)
        holder[i] = PaletteEntry{0, 0, 0, 255};
    return holder.get();
}
