// Helpers shared by the tests: temporary folders, running peer programs,
// comparing pixels with what they read, decoding bytes and damaging them,
// and building files byte by byte. No GoogleTest here: the benchmarks use
// these too.
#pragma once

#include "engine/picture/PicDecoder.h"
#include "engine/picture/WinBmp.h"
#include "engine/save/BmpEncoder.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <sys/resource.h>
#include <utility>
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
// Runs a command template with {in} and {out} replaced by the quoted paths,
// its messages discarded; returns its exit status.
int RunWith(const std::string& command, const std::string& in, const std::string& out);

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

// "" when equal, else the sizes or the first pixel that differs.
std::string Diff(const Pixels& got, const Pixels& want);
// A binary PPM (P6) of the pixels, alpha dropped.
// Every "key" in text replaced by value (command templates such as "{in}").
std::string Substitute(std::string text, const std::string& key, const std::string& value);
std::string ToPpm(const Pixels& p);
std::string ToPpm(const CBmp& bmp);

// Largest difference of one channel (alpha included) between two pictures
// of one size; 256 when the sizes differ or a picture is empty.
int MaxChannelDifference(const Pixels& a, const Pixels& b);
// Peak signal to noise ratio over red, green and blue (infinite when equal).
double Psnr(const Pixels& a, const Pixels& b);

// A deterministic test picture with gradients and edges, opaque.
void MakeTestPicture(CWinBmp& bmp, int width, int height, unsigned seed = 1);
// A picture of exactly `colors` distinct opaque colours.
void MakePaletteTestPicture(CWinBmp& bmp, int width, int height, int colors);
// Writes the first (`colors` 0, with `seed`) or the second picture as a PPM
// at `path`, the input peer writers get; returns its pixels.
Pixels WriteTestPpm(const std::string& path, int width, int height, int colors = 0, unsigned seed = 1);

// A picture that tells `creating` the size of each Create before making
// it: decoders create the picture after the header, before the first line.
class CWatchedBmp : public CWinBmp {
  public:
    explicit CWatchedBmp(std::function<void(int width, int height)> creating)
        : m_creating(std::move(creating))
    {
    }
    void Create(int width, int height, uint16_t bitsPerPixel, bool hasAlpha) override
    {
        m_creating(width, height);
        CWinBmp::Create(width, height, bitsPerPixel, hasAlpha);
    }

  private:
    std::function<void(int, int)> m_creating;
};

// Decodes `bytes` with `decoder` at `depth`; the bitmap is kept in `keep`
// when given.
Pixels DecodeBytes(CPicDecoder& decoder, const std::string& bytes, int depth = 32, CWinBmp* keep = nullptr);
// The code and text of the error decoding raises; {0, ""} on success and
// {-1, what} for anything thrown that is no CTextException.
std::pair<int, std::string> ErrorOf(CPicDecoder& decoder, const std::string& bytes, int depth = 32);
// A decoder's own error text as RaiseError words it.
std::string Raised(const std::string& text);

// Damage: each cut of `file` (every length below its size unless `cuts`
// names them) and each byte at `positions` flipped by each mask is decoded;
// the result lists, a line each, those whose error code is not one of
// `allowed` (an empty list allows any error, so only a crash fails), or a
// cut that decodes. Empty when all went as allowed.
std::string CutFailures(CPicDecoder& decoder, const std::string& file, const std::vector<int>& allowed,
                        std::vector<size_t> cuts = {}, int depth = 32);
std::string FlipFailures(CPicDecoder& decoder, const std::string& file, const std::vector<size_t>& positions,
                         const std::vector<uint8_t>& masks, const std::vector<int>& allowed, int depth = 32);
// Byte positions from `from` below `to`: every one below `denseUntil`, then
// every `step`-th.
std::vector<size_t> Positions(size_t from, size_t to, size_t denseUntil = SIZE_MAX, size_t step = 1);
// The files of a test data folder but its README.md, sorted.
std::vector<std::string> DataFiles(const std::string& folder);

// Builds a file field by field, little- or big-endian.
struct ByteWriter {
    explicit ByteWriter(bool bigEndian) : big(bigEndian) {}
    ByteWriter& u8(unsigned v)
    {
        s += char(v & 0xFF);
        return *this;
    }
    ByteWriter& u16(unsigned v) { return big ? u8(v >> 8).u8(v) : u8(v).u8(v >> 8); }
    ByteWriter& u32(uint32_t v) { return big ? u16(v >> 16).u16(v & 0xFFFF) : u16(v & 0xFFFF).u16(v >> 16); }
    ByteWriter& bytes(const std::string& b)
    {
        s += b;
        return *this;
    }
    ByteWriter& zeros(size_t n)
    {
        s.append(n, '\0');
        return *this;
    }
    // Four 16-bit fields, as QuickDraw rectangles are stored.
    ByteWriter& rect(int top, int left, int bottom, int right)
    {
        return u16(unsigned(top)).u16(unsigned(left)).u16(unsigned(bottom)).u16(unsigned(right));
    }
    // Pads to an even offset.
    ByteWriter& align() { return s.size() & 1 ? u8(0) : *this; }
    std::string s;
    bool big;
};
inline std::string Le16(unsigned v)
{
    return ByteWriter(false).u16(v).s;
}
inline std::string Le32(uint32_t v)
{
    return ByteWriter(false).u32(v).s;
}
inline std::string Be16(unsigned v)
{
    return ByteWriter(true).u16(v).s;
}
inline std::string Be32(uint32_t v)
{
    return ByteWriter(true).u32(v).s;
}
// Bytes from a list of values.
std::string ByteString(std::initializer_list<int> values);
// Fields read back from bytes.
inline unsigned GetLe16(const std::string& b, size_t at)
{
    return uint8_t(b[at]) | unsigned(uint8_t(b[at + 1])) << 8;
}
inline unsigned GetBe16(const std::string& b, size_t at)
{
    return unsigned(uint8_t(b[at])) << 8 | uint8_t(b[at + 1]);
}
inline uint32_t GetBe32(const std::string& b, size_t at)
{
    return uint32_t(GetBe16(b, at)) << 16 | GetBe16(b, at + 2);
}

// While alive, files cannot grow past `limit` bytes, as on a full disk.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t limit);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit m_old{};
    void (*m_handler)(int);
};
// True when `name` is all the folder holds: no temporary left behind.
bool OnlyFile(const std::string& dir, const std::string& name);

} // namespace vktest
