// Pictures that move: frames composed by Velkor against ImageMagick's
// coalesced frames (GIF), against the frames an animation was made from
// (WebP, JPEG XL and AVIF, lossless), against ImageMagick's compositing (APNG),
// their delays and loops, and damaged files.
#include "TestSupport.h"
#include "engine/picture/Animation.h"
#include "engine/picture/WinBmp.h"

#include <gtest/gtest.h>

#include <zlib.h>

using namespace vktest;

namespace {

std::shared_ptr<const std::vector<uint8_t>> BytesOf(const std::string& text)
{
    return std::make_shared<std::vector<uint8_t>>(text.begin(), text.end());
}

std::unique_ptr<CFrameSource> FramesOf(const std::string& path)
{
    return OpenFrames(BytesOf(ReadFile(path)));
}

Pixels Frame(CFrameSource& frames, int index)
{
    CWinBmp bmp;
    EXPECT_EQ(frames.ComposeFrame(index, bmp), index);
    return FromBitmap(bmp);
}

// Equal where the reference is visible; transparent where it is not.
std::string CompareVisible(const Pixels& got, const Pixels& want)
{
    if (got.width != want.width || got.height != want.height)
        return "size " + std::to_string(got.width) + "x" + std::to_string(got.height) + " wanted " +
               std::to_string(want.width) + "x" + std::to_string(want.height);
    for (int y = 0; y < want.height; ++y)
        for (int x = 0; x < want.width; ++x) {
            const uint32_t g = got.At(x, y), w = want.At(x, y);
            if ((w >> 24) == 0 ? (g >> 24) != 0 : g != w) {
                char text[96];
                std::snprintf(text, sizeof text, "at %d,%d got %08x wanted %08x", x, y, g, w);
                return text;
            }
        }
    return "";
}

// Cut short at every n-th byte: a clear error or fewer frames, never a crash.
void ComposeEveryCut(const std::string& bytes, size_t step)
{
    CWinBmp bmp;
    for (size_t n = 0; n < bytes.size(); n += step) {
        try {
            if (auto part = OpenFrames(BytesOf(bytes.substr(0, n))))
                for (int i = 0; i < part->FrameCount(); ++i)
                    part->ComposeFrame(i, bmp);
        } catch (const CTextException&) {
        }
    }
}

// Three frames over a 24x18 canvas, each frame's disposal as given, the
// second and third smaller than the canvas and partly transparent.
std::string MakeGif(const TempDir& dir, const std::string& name, const std::string& d1, const std::string& d2,
                    const std::string& d3, const std::string& extra = "-loop 0",
                    const std::string& middleDelay = "0")
{
    const std::string path = dir.File(name);
    const std::string command =
        ImageMagick() + " -dispose " + d1 +
        " -delay 7 -size 24x18 xc:'#c03020' -fill '#2040e0' -draw 'rectangle 2,2 9,9'" + " -dispose " + d2 +
        " -delay " + middleDelay +
        " \\( -size 10x8 xc:none -fill '#30c040' -draw 'circle 5,4 5,1' -repage +6+5 \\)" + " -dispose " +
        d3 +
        " -delay 12 \\( -size 8x12 xc:'#f0e010' -fill none -draw 'point 3,3' -transparent none -repage +14+4 "
        "\\) " +
        extra + " " + Quote(path) + " 2>/dev/null";
    EXPECT_EQ(Run(command), 0) << command;
    return path;
}

void ExpectCoalescedLikeImageMagick(const std::string& gif, const TempDir& dir)
{
    auto frames = FramesOf(gif);
    ASSERT_TRUE(frames) << gif;
    const std::string pattern = dir.File("coalesced-%d.png");
    ASSERT_EQ(
        vktest::Run(ImageMagick() + " " + Quote(gif) + " -coalesce PNG32:" + Quote(pattern) + " 2>/dev/null"),
        0);
    for (int i = 0; i < frames->FrameCount(); ++i) {
        const Pixels want = ReadWithImageMagick(dir.File("coalesced-" + std::to_string(i) + ".png"));
        ASSERT_GT(want.width, 0);
        EXPECT_EQ(CompareVisible(Frame(*frames, i), want), "") << gif << " frame " << i;
    }
}

std::string Chunk(const std::string& type, const std::string& data)
{
    const std::string body = type + data;
    return Be32(uint32_t(data.size())) + body +
           Be32(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

// The chunks of a PNG file after its signature, as type and data.
std::vector<std::pair<std::string, std::string>> Chunks(const std::string& png)
{
    std::vector<std::pair<std::string, std::string>> chunks;
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = GetBe32(png, at);
        chunks.push_back({png.substr(at + 4, 4), png.substr(at + 8, length)});
        at += 12 + length;
    }
    return chunks;
}

struct ApngPart {
    std::string png; // a whole PNG of the frame's size, RGBA
    int x = 0, y = 0;
    int dispose = 0, blend = 0;
    int delayMs = 100;
};

// An APNG of the parts; the first is the default picture and frame 0.
std::string MakeApng(const std::vector<ApngPart>& parts, int plays)
{
    std::string out = std::string("\x89PNG\r\n\x1a\n", 8);
    uint32_t sequence = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
        const ApngPart& p = parts[i];
        std::string ihdr;
        std::string data;
        for (const auto& [type, body] : Chunks(p.png)) {
            if (type == "IHDR")
                ihdr = body;
            else if (type == "IDAT")
                data += body;
        }
        if (i == 0)
            out += Chunk("IHDR", ihdr) + Chunk("acTL", Be32(uint32_t(parts.size())) + Be32(uint32_t(plays)));
        out +=
            Chunk("fcTL", Be32(sequence++) + ihdr.substr(0, 8) + Be32(uint32_t(p.x)) + Be32(uint32_t(p.y)) +
                              Be16(unsigned(p.delayMs)) + Be16(1000) + char(p.dispose) + char(p.blend));
        out += i == 0 ? Chunk("IDAT", data) : Chunk("fdAT", Be32(sequence++) + data);
    }
    return out + Chunk("IEND", "");
}

std::string PngOf(const TempDir& dir, const std::string& imArgs)
{
    const std::string path = dir.File("part.png");
    EXPECT_EQ(vktest::Run(ImageMagick() + " " + imArgs + " PNG32:" + Quote(path) + " 2>/dev/null"), 0)
        << imArgs;
    return ReadFile(path);
}

} // namespace

TEST(AnimationGif, ComposedLikeImageMagickCoalesceForEveryDisposal)
{
    TempDir dir;
    for (const auto& [d1, d2, d3] :
         std::vector<std::array<std::string, 3>>{{"none", "none", "none"},
                                                 {"none", "background", "none"},
                                                 {"none", "previous", "background"},
                                                 {"background", "previous", "previous"}})
        ExpectCoalescedLikeImageMagick(MakeGif(dir, "a-" + d1 + d2 + d3 + ".gif", d1, d2, d3), dir);
    // A larger one of many frames ImageMagick optimises into sub-rectangles.
    const std::string big = dir.File("optimised.gif");
    ASSERT_EQ(vktest::Run(ImageMagick() +
                          " -delay 4 -size 60x40 plasma:fractal -seed 3 \\( +clone -rotate 20 -crop "
                          "60x40+0+0 +repage \\) " +
                          "\\( +clone -fill red -draw 'rectangle 10,10 30,20' \\) \\( +clone -blur 0x2 \\) "
                          "-colors 64 -layers optimize " +
                          Quote(big) + " 2>/dev/null"),
              0);
    ExpectCoalescedLikeImageMagick(big, dir);
}

TEST(AnimationGif, DelaysLoopsAndStillFiles)
{
    TempDir dir;
    auto frames = FramesOf(MakeGif(dir, "loop3.gif", "none", "none", "none", "-loop 3"));
    ASSERT_TRUE(frames);
    EXPECT_EQ(frames->FrameCount(), 3);
    EXPECT_STREQ(frames->FormatName(), "GIF");
    EXPECT_EQ(frames->Width(), 24);
    EXPECT_EQ(frames->Height(), 18);
    // 7 and 12 hundredths; 0 is shown for 100 ms as the browsers do.
    EXPECT_EQ(frames->DelayOf(0), 70);
    EXPECT_EQ(frames->DelayOf(1), 100);
    EXPECT_EQ(frames->DelayOf(2), 120);
    EXPECT_EQ(frames->TotalDuration(), 290);
    // The loop extension counts repeats after the first play: ImageMagick's
    // -loop 3 stores 2 (its "Iterations: 3").
    EXPECT_EQ(frames->LoopCount(), 3);
    auto forever = FramesOf(MakeGif(dir, "forever.gif", "none", "none", "none", "-loop 0"));
    ASSERT_TRUE(forever);
    EXPECT_EQ(forever->LoopCount(), 0);

    // A GIF of one image and other formats' stills are not animations.
    const std::string still = dir.File("still.gif");
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 5x5 xc:red " + Quote(still)), 0);
    EXPECT_FALSE(FramesOf(still));
    const std::string png = dir.File("still.png");
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 5x5 xc:red " + Quote(png)), 0);
    EXPECT_FALSE(FramesOf(png));
    EXPECT_FALSE(OpenFrames(BytesOf("not a picture at all")));
}

TEST(AnimationGif, DamagedFilesGiveTheFramesBeforeTheDamage)
{
    TempDir dir;
    const std::string gif = MakeGif(dir, "whole.gif", "none", "background", "none");
    const std::string bytes = ReadFile(gif);
    auto whole = FramesOf(gif);
    ASSERT_TRUE(whole);
    const Pixels first = Frame(*whole, 0), second = Frame(*whole, 1);

    // Cut inside the third frame's data: two frames stay, with a warning.
    const size_t third = bytes.rfind(std::string("\x2C\x0E\x00\x04\x00", 5));
    ASSERT_NE(third, std::string::npos);
    auto cut = OpenFrames(BytesOf(bytes.substr(0, third + 14)));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->FrameCount(), 2);
    EXPECT_EQ(cut->Warnings().size(), 1u);
    EXPECT_EQ(Frame(*cut, 1), second);

    // The third frame placed off the canvas: the frames end before it.
    std::string moved = bytes;
    moved[third + 1] = char(0x40); // left 64 on a 24 wide canvas
    auto off = OpenFrames(BytesOf(moved));
    ASSERT_TRUE(off);
    EXPECT_EQ(off->FrameCount(), 2);
    EXPECT_EQ(Frame(*off, 0), first);

    // A code the table does not hold in the third frame: found while
    // composing, it ends the animation there and the second frame shows.
    std::string garbled = bytes;
    const uint8_t flags = uint8_t(bytes[third + 9]);
    const size_t data = third + 10 + ((flags & 0x80) ? size_t(3) << ((flags & 7) + 1) : 0) + 2;
    for (size_t i = data; i < data + 3; ++i)
        garbled[i] = char(0xFF);
    auto bad = OpenFrames(BytesOf(garbled));
    ASSERT_TRUE(bad);
    ASSERT_EQ(bad->FrameCount(), 3);
    CWinBmp bmp;
    EXPECT_EQ(bad->ComposeFrame(2, bmp), 1);
    EXPECT_EQ(bad->FrameCount(), 2);
    EXPECT_EQ(bad->Warnings().size(), 1u);
    EXPECT_EQ(FromBitmap(bmp), second);

    // A canvas too large to hold is an error, not an allocation.
    std::string huge = bytes;
    huge[6] = huge[7] = huge[8] = huge[9] = char(0xFF);
    EXPECT_THROW(OpenFrames(BytesOf(huge)), CTextException);
    // Every cut of the file is read or refused, never more.
    for (size_t n = 0; n < bytes.size(); n += 3) {
        try {
            if (auto part = OpenFrames(BytesOf(bytes.substr(0, n))))
                for (int i = 0; i < part->FrameCount(); ++i)
                    part->ComposeFrame(i, bmp);
        } catch (const CTextException&) {
        }
    }
}

TEST(AnimationGif, AbortFlagStopsComposing)
{
    TempDir dir;
    auto frames = FramesOf(MakeGif(dir, "a.gif", "none", "none", "none"));
    ASSERT_TRUE(frames);
    std::atomic<bool> abort{true};
    frames->SetAbortFlag(&abort);
    CWinBmp bmp;
    try {
        frames->ComposeFrame(2, bmp);
        ADD_FAILURE() << "not abandoned";
    } catch (const CTextException& e) {
        EXPECT_EQ(e.GetCode(), ErrAborted);
    }
    abort = false;
    EXPECT_EQ(frames->ComposeFrame(2, bmp), 2);
    EXPECT_EQ(frames->FrameCount(), 3); // an abandoned compose is no damage
}

TEST(AnimationApng, DisposeAndBlendOpsMatchImageMagickCompositing)
{
    TempDir dir;
    const std::string base =
        PngOf(dir, "-size 20x16 xc:'#804020' -fill '#10a0f0' -draw 'rectangle 3,3 12,10'");
    const std::string half = PngOf(dir, "-size 8x6 xc:'#ff000080'");
    const std::string dot = PngOf(dir, "-size 6x6 xc:none -fill '#00ff00' -draw 'rectangle 1,1 4,4'");
    // 0: base (dispose none). 1: half-transparent red over at 4,4, blend
    // over, dispose previous. 2: green dot source-copied at 10,8, dispose
    // background. 3: the dot blended at 1,1 onto what frame 2 left.
    const std::string apng = MakeApng(
        {{base, 0, 0, 0, 0, 50}, {half, 4, 4, 2, 1, 60}, {dot, 10, 8, 1, 0, 0}, {dot, 1, 1, 0, 1, 40}}, 2);
    const std::string file = dir.File("anim.png");
    WriteFile(file, apng);
    auto frames = FramesOf(file);
    ASSERT_TRUE(frames);
    EXPECT_EQ(frames->FrameCount(), 4);
    EXPECT_STREQ(frames->FormatName(), "PNG");
    EXPECT_EQ(frames->LoopCount(), 2);
    EXPECT_EQ(frames->DelayOf(0), 50);
    EXPECT_EQ(frames->DelayOf(2), 100);
    EXPECT_EQ(frames->TotalDuration(), 250);

    WriteFile(dir.File("base.png"), base);
    WriteFile(dir.File("half.png"), half);
    WriteFile(dir.File("dot.png"), dot);
    auto reference = [&](const std::string& args) {
        const std::string out = dir.File("ref.png");
        EXPECT_EQ(vktest::Run(ImageMagick() + " " + args + " PNG32:" + Quote(out) + " 2>/dev/null"), 0)
            << args;
        return ReadWithImageMagick(out);
    };
    const std::string b = Quote(dir.File("base.png")), h = Quote(dir.File("half.png")),
                      d = Quote(dir.File("dot.png"));
    EXPECT_EQ(CompareVisible(Frame(*frames, 0), reference(b)), "");
    const Pixels over = reference(b + " " + h + " -geometry +4+4 -composite");
    const Pixels got = Frame(*frames, 1);
    EXPECT_LE(MaxChannelDifference(got, over), 1);
    // Frame 1 disposed to what was before it; the dot copied (its clear
    // pixels clear the canvas there).
    EXPECT_EQ(CompareVisible(Frame(*frames, 2),
                             reference(b +
                                       " \\( -size 6x6 xc:none \\) -geometry +10+8 -compose copy -composite "
                                       "-compose over " +
                                       d + " -geometry +10+8 -composite")),
              "");
    // Frame 2 cleared to nothing, then the dot laid over at 1,1.
    EXPECT_EQ(CompareVisible(Frame(*frames, 3),
                             reference(b +
                                       " \\( -size 6x6 xc:none \\) -geometry +10+8 -compose copy -composite "
                                       "-compose over " +
                                       d + " -geometry +1+1 -composite")),
              "");
    // Going back starts over and gives the same frames.
    EXPECT_LE(MaxChannelDifference(Frame(*frames, 1), over), 1);

    // A frame that does not fit the canvas ends the animation before it;
    // a file cut in its last frame keeps the frames before.
    const std::string outside = MakeApng(
        {{base, 0, 0, 0, 0, 50}, {half, 4, 4, 0, 1, 60}, {dot, 18, 8, 0, 0, 10}, {dot, 1, 1, 0, 0, 10}}, 0);
    auto ended = OpenFrames(BytesOf(outside));
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->FrameCount(), 2);
    EXPECT_EQ(ended->Warnings().size(), 1u);
    auto cut = OpenFrames(BytesOf(apng.substr(0, apng.size() - 40)));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->FrameCount(), 3);
    ComposeEveryCut(apng, 5);
}

namespace {

// Four 40x30 frames as PNG files (the third partly transparent), made by
// ImageMagick, and avifenc's or img2webp's list of them: `delay` before
// each name, the frame's delay from `first` ms on in steps of 10 ms.
std::vector<std::string> MakeFrameFiles(const TempDir& dir, const std::string& delay, int first,
                                        std::string& list)
{
    std::vector<std::string> parts;
    for (int i = 0; i < 4; ++i) {
        parts.push_back(dir.File("f" + std::to_string(i) + ".png"));
        EXPECT_EQ(
            vktest::Run(
                ImageMagick() + " -size 40x30 xc:'#203040' -fill '#e0a010' -draw 'rectangle " +
                std::to_string(i * 6) + ",4 " + std::to_string(i * 6 + 12) + ",20' " +
                (i == 2 ? "-fill none -draw 'color 0,0 reset' -alpha set -channel A -fx 'i<20?0:1' +channel "
                        : "") +
                "PNG32:" + Quote(parts.back()) + " 2>/dev/null"),
            0);
        list += " " + delay + " " + std::to_string(first + 10 * i) + " " + Quote(parts.back());
    }
    return parts;
}

// The four frames of MakeFrameFiles (40 to 70 ms) equal their sources.
void ExpectFramesOfSources(const std::string& path, const char* format, int loops,
                           const std::vector<std::string>& parts)
{
    auto frames = FramesOf(path);
    ASSERT_TRUE(frames);
    EXPECT_STREQ(frames->FormatName(), format);
    EXPECT_EQ(frames->FrameCount(), 4);
    EXPECT_EQ(frames->LoopCount(), loops);
    EXPECT_EQ(frames->DelayOf(0), 40);
    EXPECT_EQ(frames->DelayOf(3), 70);
    for (int i : {0, 1, 2, 3, 1})
        EXPECT_EQ(CompareVisible(Frame(*frames, i), ReadWithImageMagick(parts[size_t(i)])), "") << i;
}

} // namespace

TEST(AnimationWebP, FramesEqualTheLosslessFramesTheyWereMadeFrom)
{
    if (!HasProgram("img2webp"))
        GTEST_SKIP() << "img2webp (webp) is not installed";
    TempDir dir;
    std::string list;
    const std::vector<std::string> parts = MakeFrameFiles(dir, "-d", 40, list);
    const std::string webp = dir.File("anim.webp");
    ASSERT_EQ(vktest::Run("img2webp -loop 3 -lossless" + list + " -o " + Quote(webp) + " >/dev/null 2>&1"),
              0);
    ExpectFramesOfSources(webp, "WebP", 3, parts);
    ComposeEveryCut(ReadFile(webp), 7);
}

TEST(AnimationJxl, FramesOfALosslessAnimationEqualImageMagickCoalesce)
{
    if (!HasProgram("cjxl"))
        GTEST_SKIP() << "cjxl (libjxl-tools) is not installed";
    TempDir dir;
    // A frame of no duration would be merged into the next one. (cjxl reads
    // a GIF's disposals its own way; libjxl composes, we only pass frames on.)
    const std::string gif = MakeGif(dir, "src.gif", "none", "none", "none", "-loop 2", "5");
    const std::string jxl = dir.File("anim.jxl");
    ASSERT_EQ(vktest::Run("cjxl " + Quote(gif) + " " + Quote(jxl) + " -d 0 >/dev/null 2>&1"), 0);
    auto frames = FramesOf(jxl);
    ASSERT_TRUE(frames);
    EXPECT_STREQ(frames->FormatName(), "JPEG XL");
    EXPECT_EQ(frames->FrameCount(), 3);
    EXPECT_EQ(frames->DelayOf(0), 70);
    EXPECT_EQ(frames->DelayOf(1), 50);
    auto fromGif = FramesOf(gif);
    ASSERT_TRUE(fromGif);
    for (int i : {0, 1, 2, 0})
        EXPECT_EQ(CompareVisible(Frame(*frames, i), Frame(*fromGif, i)), "") << i;
}

TEST(AnimationAvif, FramesOfALosslessSequenceEqualTheirSourcesTurnedAsTheFileSays)
{
    if (!HasProgram("avifenc"))
        GTEST_SKIP() << "avifenc (libavif-bin) is not installed";
    TempDir dir;
    std::string list;
    const std::vector<std::string> parts = MakeFrameFiles(dir, "--duration", 40, list);
    const std::string avif = dir.File("anim.avif"), turned = dir.File("turned.avif");
    ASSERT_EQ(vktest::Run("avifenc -l --timescale 1000" + list + " -o " + Quote(avif) + " >/dev/null 2>&1"),
              0);
    ExpectFramesOfSources(avif, "AVIF", 0, parts);
    // A quarter turn counter-clockwise, then top and bottom exchanged.
    ASSERT_EQ(
        vktest::Run("avifenc -l --irot 1 --imir 0" + list + " -o " + Quote(turned) + " >/dev/null 2>&1"), 0);
    auto turnedFrames = FramesOf(turned);
    ASSERT_TRUE(turnedFrames);
    const std::string upright = dir.File("upright.png");
    ASSERT_EQ(
        vktest::Run(ImageMagick() + " " + Quote(parts[1]) + " -rotate -90 -flip PNG32:" + Quote(upright)), 0);
    EXPECT_EQ(CompareVisible(Frame(*turnedFrames, 1), ReadWithImageMagick(upright)), "");
    ComposeEveryCut(ReadFile(avif), 5);
    // A single picture is still.
    const std::string still = dir.File("still.avif");
    ASSERT_EQ(vktest::Run("avifenc -l " + Quote(parts[0]) + " " + Quote(still) + " >/dev/null 2>&1"), 0);
    EXPECT_FALSE(FramesOf(still));
}
