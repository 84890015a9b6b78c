// Reading files for decoding: the open errors keep their codes and texts,
// reads stop at the last byte, and a file that another thread or process
// shortens while it is decoded ends in an error, never in a crash.
#include "TestSupport.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/FileSource.h"
#include "engine/save/SaveDispatch.h"

#include <atomic>
#include <cerrno>
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

} // namespace

TEST(FileSource, OpenErrorsReadBoundsAndCopiedBytes)
{
    TempDir dir;
    CAnyPicDecoder decoder;
    CWinBmp bmp;
    auto error = [&](const std::string& path) -> std::pair<int, std::string> {
        try {
            decoder.DecodeFile(path, bmp, 32);
        } catch (const CTextException& e) {
            return {e.GetCode(), e.GetText()};
        }
        return {0, ""};
    };
    // The text says why: gone, empty, not ours to read, or anything else.
    auto opening = [&](const std::string& path, const char* why) {
        return "Decoder error: Opening " + path + " failed: " + why + "\n";
    };
    EXPECT_EQ(error(dir.File("missing.bmp")),
              std::pair(int(ErrFileNotFound), opening(dir.File("missing.bmp"), "file not found")));
    EXPECT_EQ(error(dir.File("no/such/folder.bmp")),
              std::pair(int(ErrPathNotFound), opening(dir.File("no/such/folder.bmp"), "file not found")));
    EXPECT_EQ(error(dir.Path()), // a folder is no file
              std::pair(int(ErrAccessDenied), opening(dir.Path(), "the file cannot be read")));
    WriteFile(dir.File("empty.bmp"), "");
    EXPECT_EQ(error(dir.File("empty.bmp")),
              std::pair(int(ErrAccessDenied), opening(dir.File("empty.bmp"), "the file is empty")));
    EXPECT_EQ(FileFailureFromErrno(EACCES), FileFailure::Denied);
    EXPECT_EQ(FileFailureFromErrno(ENOTDIR), FileFailure::NotFound);
    EXPECT_EQ(FileFailureFromErrno(EIO), FileFailure::Unreadable);
    if (geteuid() != 0) {
        WriteFile(dir.File("locked.bmp"), "BM");
        chmod(dir.File("locked.bmp").c_str(), 0);
        EXPECT_EQ(error(dir.File("locked.bmp")),
                  std::pair(int(ErrAccessDenied), opening(dir.File("locked.bmp"), "permission denied")));
    }

    // The bytes are a copy: changing the file afterwards changes nothing read.
    CFileSource source;
    WriteFile(dir.File("a.bin"), "abcdef");
    ASSERT_EQ(source.Open(dir.File("a.bin")), 0);
    WriteFile(dir.File("a.bin"), "xy");
    ASSERT_EQ(source.GetSize(), 6u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(source.ReadBytes(6)), 6), "abcdef");
    EXPECT_THROW(source.ReadBytes(1), CTextException);
    source.Close();
    EXPECT_FALSE(source.IsOpen());

    // Memory reads up to the last byte only, in either byte order.
    const uint8_t bytes[4] = {1, 2, 3, 4};
    CMemSource memory(bytes, 4);
    EXPECT_EQ(memory.ReadWordLE(), 0x0201);
    EXPECT_EQ(memory.ReadWordBE(), 0x0304);
    try {
        memory.ReadByte();
        FAIL();
    } catch (const CTextException& e) {
        EXPECT_EQ(e.GetCode(), ErrEndOfFile);
        EXPECT_EQ(e.GetText(), "End of file reached while decoding.\n");
    }
    CMemSource again(bytes, 4);
    again.Skip(3);
    EXPECT_THROW(again.ReadWordLE(), CTextException);
}

TEST(FileSource, FileShortenedByAnotherThreadOrProcessDuringDecodes)
{
    TempDir dir;
    CWinBmp picture;
    MakeTestPicture(picture, 2000, 1500);
    const std::string path = dir.File("shrinking.bmp");
    SaveOptionValues values;
    values.bmpDepth = 1;
    ASSERT_TRUE(SavePicture(kSaveBmp, path, picture, values));
    const std::string bytes = ReadFile(path);
    // Every decode either gives the whole picture or the end-of-file error.
    auto decodeWhileShrinking = [&] {
        CAnyPicDecoder decoder;
        for (int i = 0; i < 40; ++i) {
            CWinBmp bmp;
            try {
                decoder.DecodeFile(path, bmp, 32);
                EXPECT_EQ(bmp.GetWidth(), 2000);
                EXPECT_EQ(bmp.GetHeight(), 1500);
            } catch (const CTextException& e) {
                EXPECT_EQ(e.GetCode(), ErrEndOfFile) << e.GetText();
            }
        }
    };

    std::atomic<bool> running{true};
    std::thread shrinker([&] { ShrinkAndRestore(path, bytes, [&] { return running.load(); }); });
    decodeWhileShrinking();
    running = false;
    shrinker.join();

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ShrinkAndRestore(path, bytes, [] { return ::getppid() != 1; });
        ::_exit(0);
    }
    decodeWhileShrinking();
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
}
