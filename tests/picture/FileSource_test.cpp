// Reading files for decoding: a file that another thread or process shortens
// while it is decoded ends in an error, never in a crash, and the open
// errors keep their codes.
#include "TestSupport.h"
#include "picture/AnyPicDecoder.h"
#include "picture/FileSource.h"
#include "save/SaveDispatch.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vktest;

namespace {

// Alternately writes the whole file and cuts it short, until told to stop.
void ShrinkAndRestore(const std::string& path, const std::string& bytes, const std::function<bool()>& goOn)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    for (size_t round = 0; goOn(); ++round) {
        // Cut points well inside the pixel data, so the header stays whole.
        const off_t cut = off_t(1000 + (round * 7919) % (bytes.size() / 2));
        if (::pwrite(fd, bytes.data(), bytes.size(), 0) < 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (::ftruncate(fd, cut) != 0)
            break;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    ::close(fd);
}

// Decodes the file over and over; every decode either gives the whole
// picture or the end-of-file error.
void DecodeWhileShrinking(const std::string& path, int width, int height)
{
    CAnyPicDecoder decoder;
    for (int i = 0; i < 40; ++i) {
        CWinBmp bmp;
        try {
            decoder.DecodeFile(path, bmp, 32);
            EXPECT_EQ(bmp.GetWidth(), width);
            EXPECT_EQ(bmp.GetHeight(), height);
        } catch (const CTextException& e) {
            EXPECT_EQ(e.GetCode(), ErrEndOfFile) << e.GetText();
        }
    }
}

std::string WriteBigBmp(const TempDir& dir, int width, int height)
{
    CWinBmp picture;
    MakeTestPicture(picture, width, height);
    const std::string path = dir.File("shrinking.bmp");
    SaveOptionValues values;
    values.bmpDepth = 1;
    SavePicture(kSaveBmp, path, picture, values);
    return path;
}

} // namespace

TEST(FileSource, FileShortenedByAnotherThreadDuringDecodes)
{
    TempDir dir;
    const std::string path = WriteBigBmp(dir, 2000, 1500);
    const std::string bytes = ReadFile(path);
    std::atomic<bool> running{true};
    std::thread shrinker([&] { ShrinkAndRestore(path, bytes, [&] { return running.load(); }); });
    DecodeWhileShrinking(path, 2000, 1500);
    running = false;
    shrinker.join();
}

TEST(FileSource, FileShortenedByAnotherProcessDuringDecodes)
{
    TempDir dir;
    const std::string path = WriteBigBmp(dir, 2000, 1500);
    const std::string bytes = ReadFile(path);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ShrinkAndRestore(path, bytes, [] { return ::getppid() != 1; });
        ::_exit(0);
    }
    DecodeWhileShrinking(path, 2000, 1500);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
}

TEST(FileSource, OpenErrorsAndWhatIsRead)
{
    TempDir dir;
    CFileSource source;
    EXPECT_EQ(source.Open(dir.File("missing.bmp")), ErrFileNotFound);
    EXPECT_EQ(source.Open(dir.File("no/such/folder.bmp")), ErrPathNotFound);
    EXPECT_EQ(source.Open(dir.Path()), ErrAccessDenied); // a folder is no file
    WriteFile(dir.File("empty.bmp"), "");
    EXPECT_EQ(source.Open(dir.File("empty.bmp")), ErrAccessDenied);

    // The bytes are a copy: changing the file afterwards changes nothing read.
    WriteFile(dir.File("a.bin"), "abcdef");
    ASSERT_EQ(source.Open(dir.File("a.bin")), 0);
    WriteFile(dir.File("a.bin"), "xy");
    ASSERT_EQ(source.GetSize(), 6u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(source.ReadBytes(6)), 6), "abcdef");
    EXPECT_THROW(source.ReadBytes(1), CTextException);
    source.Close();
    EXPECT_FALSE(source.IsOpen());
}
