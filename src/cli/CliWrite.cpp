#include "CliWrite.h"

#include "picture/except.h"
#include "picture/outfile.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

// Binary P6, lines from the top.
void WritePpm(const CBmp& bmp, const std::string& path)
{
    COutputFile file(path);
    std::string header = "P6\n" + std::to_string(bmp.GetWidth()) + " " + std::to_string(bmp.GetHeight()) + "\n255\n";
    file.Write(header.data(), header.size());
    std::vector<uint8_t> line(size_t(bmp.GetWidth()) * 3);
    for (int y = 0; y < bmp.GetHeight(); ++y) {
        const uint8_t* in = bmp.GetLine(y);
        for (int x = 0; x < bmp.GetWidth(); ++x) {
            line[3 * size_t(x)] = in[4 * x + 2];
            line[3 * size_t(x) + 1] = in[4 * x + 1];
            line[3 * size_t(x) + 2] = in[4 * x];
        }
        file.Write(line.data(), line.size());
    }
    file.Commit();
}

} // namespace

bool IsWritableExtension(const std::string& ext)
{
    std::string e = Lower(ext);
    return e == "bmp" || e == "ppm";
}

void WritePicture(CWinBmp& bmp, const std::string& path, const std::string& ext, const CliSaveOptions&)
{
    std::string e = Lower(ext);
    if (e == "bmp")
        bmp.SaveAsBmpFile(path);
    else if (e == "ppm")
        WritePpm(bmp, path);
    else
        RaiseError(ErrUnsupported, "Cannot write ." + ext + " files.");
}
