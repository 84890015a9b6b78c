#include "TestSupport.h"

#include "engine/picture/AnyPicDecoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace vktest {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "velkor-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Make read-only folders removable again.
    for (auto& entry : std::filesystem::recursive_directory_iterator(m_path, ec))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::string Quote(const std::string& s)
{
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

int Run(const std::string& command, std::string* output)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 65536> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        if (output)
            output->append(buffer.data(), n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HasProgram(const std::string& name)
{
    return Run("command -v " + Quote(name) + " >/dev/null 2>&1") == 0;
}

int RunWith(const std::string& command, const std::string& in, const std::string& out)
{
    return Run("(" + Substitute(Substitute(command, "{in}", Quote(in)), "{out}", Quote(out)) +
               ") >/dev/null 2>&1");
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

bool FileExists(const std::string& path)
{
    return std::filesystem::exists(path);
}

std::string ImageMagick()
{
    // Call ImageMagick itself, not a wrapper that may stand in front of it.
    return FileExists("/usr/bin/convert") ? "/usr/bin/convert" : "convert";
}

Pixels ReadWithImageMagick(const std::string& path, int frame)
{
    std::string size;
    std::string target = Quote(path + "[" + std::to_string(frame) + "]");
    if (Run("identify -format '%w %h' " + target + " 2>/dev/null", &size) != 0)
        return {};
    Pixels p;
    std::istringstream(size) >> p.width >> p.height;
    std::string raw;
    if (Run(ImageMagick() + " " + target + " -depth 8 rgba:- 2>/dev/null", &raw) != 0 ||
        raw.size() != size_t(p.width) * size_t(p.height) * 4)
        return {};
    p.data.resize(size_t(p.width) * size_t(p.height));
    for (size_t i = 0; i < p.data.size(); ++i) {
        auto* b = reinterpret_cast<const uint8_t*>(raw.data()) + 4 * i;
        p.data[i] = MakePixel(b[0], b[1], b[2], b[3]);
    }
    return p;
}

Pixels ParsePnm(const std::string& bytes)
{
    Pixels p;
    std::istringstream in(bytes);
    std::string magic;
    int maxval = 0;
    auto next = [&in](int& v) {
        in >> std::ws;
        while (in.peek() == '#') {
            std::string line;
            std::getline(in, line);
            in >> std::ws;
        }
        in >> v;
    };
    in >> magic;
    next(p.width);
    next(p.height);
    if (magic == "P4") {
        in.get();
        if (p.width <= 0 || p.height <= 0)
            return {};
        size_t rowBytes = (size_t(p.width) + 7) / 8;
        std::string raw(rowBytes * size_t(p.height), '\0');
        in.read(raw.data(), std::streamsize(raw.size()));
        if (size_t(in.gcount()) != raw.size())
            return {};
        p.data.resize(size_t(p.width) * size_t(p.height));
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                bool black = (uint8_t(raw[size_t(y) * rowBytes + size_t(x) / 8]) >> (7 - x % 8)) & 1;
                p.data[size_t(y) * size_t(p.width) + size_t(x)] = black ? 0xFF000000u : 0xFFFFFFFFu;
            }
        return p;
    }
    next(maxval);
    in.get();
    if ((magic != "P6" && magic != "P5") || maxval != 255 || p.width <= 0 || p.height <= 0)
        return {};
    size_t channels = magic == "P6" ? 3 : 1;
    size_t count = size_t(p.width) * size_t(p.height);
    std::string raw(count * channels, '\0');
    in.read(raw.data(), std::streamsize(raw.size()));
    if (size_t(in.gcount()) != raw.size())
        return {};
    p.data.resize(count);
    for (size_t i = 0; i < count; ++i) {
        auto* b = reinterpret_cast<const uint8_t*>(raw.data()) + channels * i;
        p.data[i] = channels == 3 ? MakePixel(b[0], b[1], b[2]) : MakePixel(b[0], b[0], b[0]);
    }
    return p;
}

Pixels ReadWithNetpbm(const std::string& command)
{
    std::string out;
    if (Run(command + " 2>/dev/null", &out) != 0)
        return {};
    return ParsePnm(out);
}

Pixels FromBitmap(const CBmp& bmp)
{
    Pixels p;
    p.width = bmp.GetWidth();
    p.height = bmp.GetHeight();
    p.data.resize(size_t(p.width) * size_t(p.height));
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* line = bmp.GetLine(y);
        for (int x = 0; x < p.width; ++x) {
            uint32_t v;
            switch (bmp.GetBitsPerPixel()) {
            case 32:
                v = reinterpret_cast<const uint32_t*>(line)[x];
                break;
            case 8:
                v = PaletteToPixel(bmp.GetPalette()[line[x]]);
                break;
            default:
                v = PaletteToPixel(bmp.GetPalette()[(line[x >> 3] >> (7 - (x & 7))) & 1]);
                break;
            }
            p.data[size_t(y) * size_t(p.width) + size_t(x)] = v;
        }
    }
    return p;
}

Pixels Opaque(Pixels p)
{
    for (uint32_t& v : p.data)
        v |= 0xFF000000u;
    return p;
}

Pixels DecodeWithVelkor(const std::string& path)
{
    CAnyPicDecoder decoder;
    CWinBmp bmp;
    decoder.DecodeFile(path, bmp, 32);
    return FromBitmap(bmp);
}

std::string Diff(const Pixels& got, const Pixels& want)
{
    char text[96];
    if (got.width != want.width || got.height != want.height || got.data.size() != want.data.size()) {
        std::snprintf(text, sizeof text, "size %dx%d, want %dx%d", got.width, got.height, want.width,
                      want.height);
        return text;
    }
    for (size_t i = 0; i < got.data.size(); ++i)
        if (got.data[i] != want.data[i]) {
            std::snprintf(text, sizeof text, "(%zu,%zu): %08x, want %08x", i % size_t(got.width),
                          i / size_t(got.width), got.data[i], want.data[i]);
            return text;
        }
    return "";
}

std::string Substitute(std::string text, const std::string& key, const std::string& value)
{
    for (size_t at = 0; (at = text.find(key, at)) != std::string::npos; at += value.size())
        text.replace(at, key.size(), value);
    return text;
}

std::string ToPpm(const Pixels& p)
{
    std::string out = "P6\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
    out.reserve(out.size() + 3 * p.data.size());
    for (uint32_t v : p.data)
        out += {char(v >> 16), char(v >> 8), char(v)};
    return out;
}

std::string ToPpm(const CBmp& bmp)
{
    return ToPpm(FromBitmap(bmp));
}

int MaxChannelDifference(const Pixels& a, const Pixels& b)
{
    if (a.width != b.width || a.height != b.height || a.data.empty() || a.data.size() != b.data.size())
        return 256;
    int most = 0;
    for (size_t i = 0; i < a.data.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
            most =
                std::max(most, std::abs(int((a.data[i] >> shift) & 0xFF) - int((b.data[i] >> shift) & 0xFF)));
    return most;
}

double Psnr(const Pixels& a, const Pixels& b)
{
    if (a.width != b.width || a.height != b.height || a.data.empty())
        return 0;
    double sum = 0;
    for (size_t i = 0; i < a.data.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            double d = double((a.data[i] >> shift) & 0xFF) - double((b.data[i] >> shift) & 0xFF);
            sum += d * d;
        }
    }
    if (sum == 0)
        return INFINITY;
    double mse = sum / (double(a.data.size()) * 3);
    return 10 * std::log10(255.0 * 255.0 / mse);
}

void MakeTestPicture(CWinBmp& bmp, int width, int height, unsigned seed)
{
    bmp.Create(width, height, 32, false);
    bmp.SetSourceBitsPerPixel(24);
    unsigned state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        uint32_t* line = bmp.GetLine32(y);
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            auto r = uint8_t(x * 255 / std::max(1, width - 1));
            auto g = uint8_t(y * 255 / std::max(1, height - 1));
            auto b = uint8_t(((x / 8 + y / 8) & 1) ? 200 : 40);
            if ((state >> 16) % 17 == 0)
                b = uint8_t(state >> 24);
            line[x] = MakePixel(r, g, b);
        }
    }
}

void MakePaletteTestPicture(CWinBmp& bmp, int width, int height, int colors)
{
    bmp.Create(width, height, 32, false);
    bmp.SetSourceBitsPerPixel(24);
    for (int y = 0; y < height; ++y) {
        uint32_t* line = bmp.GetLine32(y);
        for (int x = 0; x < width; ++x) {
            unsigned i = unsigned(y * width + x) % unsigned(colors);
            line[x] = MakePixel(uint8_t(i * 37), uint8_t(i * 91 + 13), uint8_t(i * 7 + (i >> 8) * 50));
        }
    }
}

Pixels WriteTestPpm(const std::string& path, int width, int height, int colors, unsigned seed)
{
    CWinBmp bmp;
    if (colors)
        MakePaletteTestPicture(bmp, width, height, colors);
    else
        MakeTestPicture(bmp, width, height, seed);
    Pixels p = FromBitmap(bmp);
    WriteFile(path, ToPpm(p));
    return p;
}

Pixels DecodeBytes(CPicDecoder& decoder, const std::string& bytes, int depth, CWinBmp* keep)
{
    CWinBmp local;
    CWinBmp& bmp = keep ? *keep : local;
    CMemSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    decoder.Decode(source, bmp, depth);
    return FromBitmap(bmp);
}

std::pair<int, std::string> ErrorOf(CPicDecoder& decoder, const std::string& bytes, int depth)
{
    try {
        DecodeBytes(decoder, bytes, depth);
    } catch (const CTextException& e) {
        return {e.GetCode(), e.GetText()};
    } catch (const std::exception& e) {
        return {-1, e.what()};
    }
    return {0, ""};
}

std::string Raised(const std::string& text)
{
    return "Decoder error: " + text + "\n";
}

namespace {

// Collects failure lines, the first twenty in full and then a count.
struct FailureList {
    std::string text;
    size_t count = 0;
    // Adds a line when `code` is not allowed; -1 (no CTextException) never is.
    void Check(int code, const std::vector<int>& allowed, const std::string& what)
    {
        if (code != -1 &&
            (allowed.empty() || std::find(allowed.begin(), allowed.end(), code) != allowed.end()))
            return;
        Add(what + ": code " + std::to_string(code));
    }
    void Add(const std::string& line)
    {
        if (++count <= 20)
            text += line + "\n";
    }
    std::string Result() const { return count > 20 ? text + std::to_string(count - 20) + " more\n" : text; }
};

} // namespace

std::string CutFailures(CPicDecoder& decoder, const std::string& file, const std::vector<int>& allowed,
                        std::vector<size_t> cuts, int depth)
{
    if (cuts.empty())
        for (size_t n = 0; n < file.size(); ++n)
            cuts.push_back(n);
    FailureList failures;
    for (size_t n : cuts) {
        int code = ErrorOf(decoder, file.substr(0, n), depth).first;
        if (code == 0)
            failures.Add("cut at " + std::to_string(n) + ": decodes");
        else
            failures.Check(code, allowed, "cut at " + std::to_string(n));
    }
    return failures.Result();
}

std::string FlipFailures(CPicDecoder& decoder, const std::string& file, const std::vector<size_t>& positions,
                         const std::vector<uint8_t>& masks, const std::vector<int>& allowed, int depth)
{
    FailureList failures;
    std::string bad = file;
    for (size_t i : positions) {
        if (i >= file.size())
            continue;
        for (uint8_t mask : masks) {
            bad[i] = char(file[i] ^ mask);
            int code = ErrorOf(decoder, bad, depth).first;
            if (code != 0)
                failures.Check(code, allowed, "byte " + std::to_string(i) + " ^ " + std::to_string(mask));
        }
        bad[i] = file[i];
    }
    return failures.Result();
}

std::vector<size_t> Positions(size_t from, size_t to, size_t denseUntil, size_t step)
{
    std::vector<size_t> at;
    for (size_t i = from; i < to; i += i < denseUntil ? 1 : step)
        at.push_back(i);
    return at;
}

std::vector<std::string> DataFiles(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.path().filename() != "README.md")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

std::string ByteString(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += char(v);
    return out;
}

FileSizeLimit::FileSizeLimit(rlim_t limit) : m_handler(std::signal(SIGXFSZ, SIG_IGN))
{
    getrlimit(RLIMIT_FSIZE, &m_old);
    rlimit low{limit, m_old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &low);
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_handler);
}

bool OnlyFile(const std::string& dir, const std::string& name)
{
    for (auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().filename() != name)
            return false;
    return true;
}

} // namespace vktest
