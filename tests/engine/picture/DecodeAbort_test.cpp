// Abandoning a decode through the abort flag: every format stops between
// lines with the abandon error, also when another thread raises the flag,
// the decoder stays usable, and the flag of one decode never reaches another.
#include "TestSupport.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/WinBmp.h"
#include "engine/save/SaveDispatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

using namespace vktest;

namespace {

int CodeOf(const std::function<void()>& decode)
{
    try {
        decode();
    } catch (const CTextException& e) {
        return e.GetCode();
    }
    return 0;
}

// One file per save target, in the variants the writers have (8-bit, RLE,
// interlaced, compressed), a TIFF preview in an EPS file, an icon holding a
// PNG image, and the newer formats where their encoders are installed.
std::vector<std::string> WriteEveryFormat(const TempDir& dir, int width, int height)
{
    CWinBmp picture;
    MakeTestPicture(picture, width, height);
    std::vector<std::string> paths;
    for (const SaveTarget& target : kSaveTargets) {
        for (int choice : {0, 1}) {
            SaveOptionValues values;
            values.bmpDepth = values.tgaDepth = values.rasDepth = values.pcxDepth = choice;
            values.tgaRle = values.rasRle = values.pictRle = choice;
            values.pngInterlace = values.gifInterlace = choice;
            values.tiffCompression = choice;
            const std::string path = dir.File(std::to_string(choice) + "." + target.extension);
            EXPECT_TRUE(SavePicture(target.code, path, picture, values)) << path;
            paths.push_back(path);
        }
    }
    const std::string tiff = ReadFile(dir.File("0.tif"));
    WriteFile(dir.File("preview.eps"), ByteString({0xC5, 0xD0, 0xD3, 0xC6}) + std::string(16, '\0') +
                                           Le32(30) + Le32(uint32_t(tiff.size())) + std::string(2, '\0') +
                                           tiff);
    paths.push_back(dir.File("preview.eps"));
    const std::string png = ReadFile(dir.File("0.png"));
    WriteFile(dir.File("png.ico"), Le16(0) + Le16(1) + Le16(1) + std::string(16, '\0') + png);
    paths.push_back(dir.File("png.ico"));

    const std::pair<const char*, const char*> encoders[] = {
        {"cwebp -quiet -q 80 {in} -o {out}", "lossy.webp"},
        {"cwebp -quiet -lossless {in} -o {out}", "lossless.webp"},
        {"heif-enc -A -q 50 {in} -o {out}", "a.avif"},
        {"cjxl -d 1 {in} {out}", "a.jxl"},
    };
    for (const auto& [encoder, name] : encoders)
        if (RunWith(encoder, dir.File("0.png"), dir.File(name)) == 0 && FileExists(dir.File(name)))
            paths.push_back(dir.File(name));
    return paths;
}

// A detector watching `flag`, and a folder for its files.
class DecodeAbort : public ::testing::Test {
  protected:
    void SetUp() override { decoder.SetAbortFlag(&flag); }
    // A PNG file of a test picture.
    std::string WritePng(const std::string& name, int width, int height)
    {
        CWinBmp picture;
        MakeTestPicture(picture, width, height);
        const std::string path = dir.File(name);
        EXPECT_TRUE(SavePicture(kSavePng, path, picture, SaveOptionValues{}));
        return path;
    }

    TempDir dir;
    std::atomic<bool> flag{false};
    CAnyPicDecoder decoder;
};

} // namespace

TEST_F(DecodeAbort, EveryFormatStopsBetweenLinesAndStaysUsable)
{
    for (const std::string& path : WriteEveryFormat(dir, 300, 70)) {
        for (int depth : {32, 0}) {
            SCOPED_TRACE(path + " depth " + std::to_string(depth));
            flag = false;
            CWatchedBmp abandoning([this](int, int) { flag = true; });
            EXPECT_EQ(CodeOf([&] { decoder.DecodeFile(path, abandoning, depth); }), int(ErrAborted));
            EXPECT_TRUE(flag);

            // The same decoder decodes the file in full once the flag is down.
            flag = false;
            CWinBmp bmp;
            EXPECT_EQ(CodeOf([&] { decoder.DecodeFile(path, bmp, depth); }), 0);
            EXPECT_EQ(bmp.GetWidth(), 300);
            EXPECT_EQ(bmp.GetHeight(), 70);
        }
    }
}

TEST_F(DecodeAbort, AnotherThreadRaisingTheFlagEndsTheDecode)
{
    for (const std::string& path : WriteEveryFormat(dir, 1200, 900)) {
        SCOPED_TRACE(path);
        flag = false;
        // The picture's creation hands over to a second thread and waits
        // until it has raised the flag: the rest of the decode sees it.
        std::mutex mutex;
        std::condition_variable changed;
        bool created = false, raised = false;
        std::thread raiser([&] {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return created; });
            flag.store(true);
            raised = true;
            changed.notify_all();
        });
        CWatchedBmp bmp([&](int, int) {
            std::unique_lock lock(mutex);
            created = true;
            changed.notify_all();
            changed.wait(lock, [&] { return raised; });
        });
        const int code = CodeOf([&] { decoder.DecodeFile(path, bmp, 32); });
        {
            // A decoder that never created the picture lets the thread go.
            std::lock_guard lock(mutex);
            created = true;
            changed.notify_all();
        }
        raiser.join();
        EXPECT_EQ(code, int(ErrAborted));
    }
}

TEST_F(DecodeAbort, FlagAlreadyUpEndsBeforeReadingAndBelongsToItsDecoder)
{
    const std::string path = WritePng("a.png", 40, 30);
    CAnyPicDecoder& abandoned = decoder;
    flag = true;
    CWinBmp bmp;
    EXPECT_EQ(CodeOf([&] { abandoned.DecodeFile(path, bmp, 32); }), int(ErrAborted));
    // Even a missing file: the flag is looked at first.
    EXPECT_EQ(CodeOf([&] { abandoned.DecodeFile(dir.File("missing.png"), bmp, 32); }), int(ErrAborted));
    const std::string bytes = ReadFile(path);
    CMemSource memory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(CodeOf([&] { abandoned.Decode(memory, bmp, 32); }), int(ErrAborted));
    EXPECT_EQ(ErrorOf(abandoned, bytes).second, "Decoding abandoned.");

    // Another decoder on the same thread, without a flag, is not affected,
    // nor one whose flag is down.
    CAnyPicDecoder other;
    EXPECT_EQ(CodeOf([&] { other.DecodeFile(path, bmp, 32); }), 0);
    EXPECT_EQ(bmp.GetWidth(), 40);
    std::atomic<bool> down{false};
    other.SetAbortFlag(&down);
    EXPECT_EQ(CodeOf([&] { other.DecodeFile(path, bmp, 32); }), 0);

    // Nor the abandoned decoder once the flag has been taken away.
    abandoned.SetAbortFlag(nullptr);
    EXPECT_EQ(CodeOf([&] { abandoned.DecodeFile(path, bmp, 32); }), 0);
}

TEST_F(DecodeAbort, FlagRaisedAtAnyMomentEndsInSuccessOrAbandon)
{
    const std::string path = WritePng("big.png", 1500, 1000);
    for (int round = 0; round < 6; ++round) {
        flag = false;
        std::thread raiser([this, round] {
            std::this_thread::sleep_for(std::chrono::milliseconds(round * 3));
            flag = true;
        });
        CWinBmp bmp;
        const int code = CodeOf([&] { decoder.DecodeFile(path, bmp, 32); });
        raiser.join();
        EXPECT_TRUE(code == 0 || code == ErrAborted) << code;
    }
}
