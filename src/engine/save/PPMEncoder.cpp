#include "engine/save/PPMEncoder.h"

#include "engine/picture/OutputFile.h"
#include "engine/save/ColorHash.h"

#include <cstdio>
#include <vector>

std::string PnmHeader(char kind, int width, int height)
{
    char header[64];
    int n = std::snprintf(header, sizeof header, "%c%c\n%d %d\n%d\n", 'P', kind, width, height, 255);
    return std::string(header, size_t(n));
}

void CPPMEncoder::Save(const std::string& path, CBmp& bmp)
{
    std::unique_ptr<CWinBmp> holder;
    const CBmp& source = As32Bits(bmp, holder);
    const int width = source.GetWidth();
    COutputFile file(path);
    const std::string header = PnmHeader('6', width, source.GetHeight());
    file.Write(header.data(), header.size());
    std::vector<uint8_t> line(size_t(width) * 3 + 1);
    for (int y = 0; y < source.GetHeight(); ++y) {
        const uint8_t* in = source.GetLine(y);
        uint8_t* out = line.data();
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        file.Write(line.data(), size_t(width) * 3);
    }
    file.Commit();
}

CPPMRowWriter::CPPMRowWriter(std::string path, std::function<void()> beforeOpen)
    : m_path(std::move(path)), m_beforeOpen(std::move(beforeOpen))
{
}

CPPMRowWriter::~CPPMRowWriter() = default;

void CPPMRowWriter::Begin(int width, int height)
{
    if (m_beforeOpen)
        m_beforeOpen();
    m_width = width;
    m_file = std::make_unique<COutputFile>(m_path);
    const std::string header = PnmHeader('6', width, height);
    m_file->Write(header.data(), header.size());
}

void CPPMRowWriter::Rows(const uint8_t* const* rows, int count)
{
    for (int i = 0; i < count; ++i)
        m_file->Write(rows[i], size_t(m_width) * 3);
}

void CPPMRowWriter::End()
{
    m_file->Commit();
    m_written = true;
}
