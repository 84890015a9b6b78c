#include "engine/picture/AnyPicDecoder.h"

CAnyPicDecoder::CAnyPicDecoder()
{
    for (size_t i = 0; i < kPictureFormatCount; ++i)
        m_decoders[i] = kPictureFormats[i].makeDecoder();
}

CAnyPicDecoder::~CAnyPicDecoder() = default;

const PictureFormatInfo* CAnyPicDecoder::Detect(const uint8_t* data, size_t size)
{
    const HeadBytes head{data, data ? size : 0};
    for (const PictureFormatInfo& row : kPictureFormats)
        if (row.detect(head))
            return &row;
    return nullptr;
}

int CAnyPicDecoder::DetectFormat(const uint8_t* data, size_t size)
{
    const PictureFormatInfo* row = Detect(data, size);
    return row ? row->detected : kDetectedNone;
}

void CAnyPicDecoder::Decode(CDataSource& source, CBmp& bmp, int wantedDepth)
{
    const AbortScope abortScope(GetAbortFlag());
    CheckDecodeAbort();
    const PictureFormatInfo* row = Detect(source.GetStart(), source.GetSize());
    m_detectedFormat = row ? row->format : FormatNone;
    m_storedOrientation = OrientUpright;
    m_found = Found{};
    if (!row)
        RaiseError(ErrUnknownType, "Unknown file type.");
    Trace(2, "%s", row->recognized);
    CPicDecoder& decoder = *m_decoders[size_t(row - kPictureFormats)];
    // Read first: a decoder that can turn the picture as it decodes does it
    // in the same pass.
    if (row->storedOrientation)
        m_storedOrientation = row->storedOrientation(source.GetStart(), source.GetSize(), GetChoice().page);
    const bool turnedWhileDecoding = m_applyOrientation && m_storedOrientation != OrientUpright &&
                                     decoder.SetOrientation(m_storedOrientation);
    decoder.SetChoice(GetChoice());
    // Rows go to the sink only as stored: a picture still to be turned is
    // decoded whole.
    const bool turnAfter = m_applyOrientation && m_storedOrientation != OrientUpright && !turnedWhileDecoding;
    decoder.SetRowSink(turnAfter || turnedWhileDecoding ? nullptr : GetRowSink());
    struct SinkReset {
        CPicDecoder& decoder;
        ~SinkReset() { decoder.SetRowSink(nullptr); }
    } sinkReset{decoder};
    decoder.Decode(source, bmp, wantedDepth);
    m_found = decoder.GetFound();

    if (!row->storedOrientation || turnedWhileDecoding)
        return;
    const int left =
        row->orientationLeft ? row->orientationLeft(m_storedOrientation, bmp) : m_storedOrientation;
    if (m_applyOrientation && left != OrientUpright) {
        CheckDecodeAbort(); // a quarter turn of a large picture takes a while
        ApplyOrientation(bmp, left);
    }
}

void CAnyPicDecoder::DecodeInto(CBmp&, PaletteHolder&, int&, CDataSource&)
{
    // Decode dispatches to the format's own decoder; nothing reaches here.
    RaiseError(ErrInternal, "Internal error.");
}
