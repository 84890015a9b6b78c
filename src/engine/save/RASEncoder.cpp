#include "engine/save/RASEncoder.h"

#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"
#include "engine/save/ColorHash.h"

#include <new>
#include <vector>

namespace {

// Escape byte of the byte-encoding.
constexpr uint8_t kRasEscape = 128;

} // namespace

void CRasRunEncoder::Flush()
{
    if (m_count == 0)
        return;
    if (m_count == 1) {
        *m_next++ = m_value;
        if (m_value == kRasEscape)
            *m_next++ = 0;
    } else if (m_count == 2 && m_value != kRasEscape) {
        *m_next++ = m_value;
        *m_next++ = m_value;
    } else {
        *m_next++ = kRasEscape;
        *m_next++ = uint8_t(m_count - 1);
        *m_next++ = m_value;
    }
    m_count = 0;
}

void CRasRunEncoder::Put(const uint8_t* data, size_t size)
{
    size_t i = 0;
    while (i < size) {
        if (m_count != 0 && data[i] == m_value) {
            // A run of 256 is the longest one packet holds.
            while (i < size && data[i] == m_value && m_count < 256) {
                ++i;
                ++m_count;
            }
            if (m_count == 256)
                Flush();
            continue;
        }
        Flush();
        m_value = data[i++];
        m_count = 1;
    }
}

void CRASEncoder::Save(const std::string& path, CBmp& bmp, int depth, bool rle)
{
    if (depth != 8 && depth != 24)
        throw CTextException(ErrInternal, kTextInternalError);
    const int width = bmp.GetWidth();
    const int height = bmp.GetHeight();
    // Each line padded to an even number of bytes.
    const uint64_t lineBytes = (uint64_t(width) * uint64_t(depth) + 15) / 16 * 2;
    const uint64_t imageBytes = lineBytes * uint64_t(height);
    if (imageBytes > 0xFFFFFFFFull)
        throw CTextException(ErrNoMemory, kTextOutOfMemory);

    COutputFile file(path);

    std::unique_ptr<CWinBmp> holder;
    CReducedPalette palette;
    const CBmp* source = nullptr;
    uint8_t colormap[768] = {};
    if (depth == 8) {
        palette = ReducePalette(bmp);
        source = palette.pixels;
        for (int i = 0; i < palette.Count(); ++i) {
            colormap[i] = palette.colors[size_t(i)].red;
            colormap[256 + i] = palette.colors[size_t(i)].green;
            colormap[512 + i] = palette.colors[size_t(i)].blue;
        }
    } else {
        source = &As32Bits(bmp, holder);
    }

    std::vector<uint8_t> line;
    std::unique_ptr<uint8_t[]> encoded;
    try {
        line.assign(size_t(lineBytes) + 1, 0);
        if (rle)
            encoded.reset(new uint8_t[CRasRunEncoder::MaxEncodedSize(size_t(imageBytes))]);
    } catch (const std::bad_alloc&) {
        throw CTextException(ErrNoMemory, kTextOutOfMemory);
    }
    auto fillLine = [&](int y) {
        if (depth == 8) {
            MapLineToIndices(palette, source->GetLine32(y), width, line.data());
        } else {
            const uint8_t* in = source->GetLine(y);
            uint8_t* out = line.data();
            for (int x = 0; x < width; ++x, in += 4, out += 3) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        }
    };

    try {
        auto writeHeader = [&](uint32_t length) {
            RasHeader header;
            header.width = uint32_t(width);
            header.height = uint32_t(height);
            header.depth = uint32_t(depth);
            header.length = length;
            header.type = rle ? RasByteEncoded : RasStandard;
            header.mapType = depth == 8 ? RasMapEqualRGB : RasMapNone;
            header.mapLength = depth == 8 ? 768u : 0u;
            const auto bytes = RasHeaderBytes(header);
            file.Write(bytes.data(), bytes.size());
            if (depth == 8)
                file.Write(colormap, sizeof colormap);
        };
        if (rle) {
            // The header holds the encoded length, so encode everything first.
            CRasRunEncoder encoder(encoded.get());
            for (int y = 0; y < height; ++y) {
                fillLine(y);
                encoder.Put(line.data(), size_t(lineBytes));
            }
            encoder.Finish();
            if (encoder.Size() > 0xFFFFFFFFu)
                throw CTextException(ErrNoMemory, kTextOutOfMemory);
            writeHeader(uint32_t(encoder.Size()));
            file.Write(encoded.get(), encoder.Size());
        } else {
            writeHeader(uint32_t(imageBytes));
            for (int y = 0; y < height; ++y) {
                fillLine(y);
                file.Write(line.data(), size_t(lineBytes));
            }
        }
        file.Commit();
    } catch (const CTextException& e) {
        if (e.GetCode() == ErrWriting)
            throw CTextException(ErrWriting, kTextRasWriteError);
        throw;
    }
}
