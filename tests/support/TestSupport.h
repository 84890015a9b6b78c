// Helpers shared by the tests: temporary folders, running peer programs and
// comparing pixels with what they read.
#pragma once

#include "picture/winbmp.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vktest {

// A fresh folder under /tmp, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Runs a shell command; returns its exit status. Output is captured when
// `output` is given.
int Run(const std::string& command, std::string* output = nullptr);
// Quotes a string for the shell.
std::string Quote(const std::string& s);
bool HasProgram(const std::string& name);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// Pixels as 0xAARRGGBB words, top line first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> data;
    uint32_t At(int x, int y) const { return data[size_t(y) * size_t(width) + size_t(x)]; }
    bool operator==(const Pixels&) const = default;
};

// The ImageMagick convert command.
std::string ImageMagick();
// What ImageMagick reads from a file (first frame unless `frame` says),
// as 8-bit RGBA. Empty on failure.
Pixels ReadWithImageMagick(const std::string& path, int frame = 0);
// Parses a binary PPM (P6) or PGM (P5) with maxval 255, or a PBM (P4).
Pixels ParsePnm(const std::string& bytes);
// Runs a netpbm command whose standard output is a PNM and parses it.
Pixels ReadWithNetpbm(const std::string& command);
// A bitmap's pixels through its palette when it has one.
Pixels FromBitmap(const CBmp& bmp);
// Alpha set to 255 everywhere, for comparing files without transparency.
Pixels Opaque(Pixels p);

// Decodes a file with our detector at 32 bits per pixel.
Pixels DecodeWithVelkor(const std::string& path);

// Peak signal to noise ratio over red, green and blue (infinite when equal).
double Psnr(const Pixels& a, const Pixels& b);

// A deterministic test picture with gradients and edges, opaque.
void MakeTestPicture(CWinBmp& bmp, int width, int height, unsigned seed = 1);
// A picture of exactly `colors` distinct opaque colours.
void MakePaletteTestPicture(CWinBmp& bmp, int width, int height, int colors);

} // namespace vktest
