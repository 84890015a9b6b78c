#include "engine/picture/DibHeader.h"

bool IsKnownDibHeaderSize(uint32_t size)
{
    return size == kDibCoreHeaderSize || size == kDibHeaderSize || size == kDibV2HeaderSize ||
           size == kDibV3HeaderSize || size == kDibV4HeaderSize || size == kDibV5HeaderSize;
}

std::optional<DibHeader> ParseDibHeader(ByteView bytes)
{
    if (!IsKnownDibHeaderSize(DibHeaderSizeField(bytes)))
        return std::nullopt;
    return LoadHeader<Endian::Little, DibHeader>(bytes);
}

void StoreDibHeader(const DibHeader& header, ByteSpan bytes)
{
    if (!IsKnownDibHeaderSize(header.size))
        throw CTextException(ErrInternal, kTextInternalError);
    StoreHeader<Endian::Little>(header, bytes);
}
