// JPEG XL, HEIC and AVIF when their libraries cannot be loaded: velkor-cli
// says which library is missing and goes on with the formats it has.
#include "CliTestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace vktest;
using vkclitest::Cli;
using vkclitest::Has;
using vkclitest::Paths;

namespace {

// `velkor-cli convert FROM TO` told to look for the libraries opened on first
// use in `folder`; its messages in the result.
std::string ConvertLoadingFrom(const std::string& folder, const std::string& from, const std::string& to,
                               int* status)
{
    std::string out;
    *status = vktest::Run("VELKOR_TEST_LIBRARY_DIR=" + Quote(folder) + " " + VELKOR_CLI + " convert" +
                              Paths({from, to}) + " 2>&1",
                          &out);
    return out;
}

} // namespace

TEST(CliLazyLibraries, MissingCodecLibraryGivesAClearError)
{
    TempDir dir, empty;
    const std::string bmp = dir.File("in.bmp");
    vkclitest::Picture(bmp, 24, 16);
    int status = 0;
    // AVIF is read through libheif and written through libavif.
    const struct {
        std::string extension, reader, writer;
    } formats[] = {{"jxl", "libjxl.so", "libjxl.so"},
                   {"heic", "libheif.so", "libheif.so"},
                   {"avif", "libheif.so", "libavif.so"}};
    for (const auto& format : formats) {
        SCOPED_TRACE(format.extension);
        const std::string file = dir.File("in." + format.extension);
        // Written and read with the library...
        Cli("convert" + Paths({bmp, file}), &status);
        ASSERT_EQ(status, 0);
        Cli("convert" + Paths({file, dir.File("back.ppm")}), &status);
        EXPECT_EQ(status, 0);
        // ...refused without it, both ways, naming it.
        const std::string out = dir.File("out." + format.extension);
        for (const auto& [from, to, library] :
             {std::tuple{file, dir.File("out.ppm"), format.reader}, std::tuple{bmp, out, format.writer}}) {
            const std::string said = ConvertLoadingFrom(empty.Path(), from, to, &status);
            EXPECT_EQ(status, 1) << said;
            EXPECT_TRUE(Has(said, library + ".") && Has(said, "could not be loaded")) << said;
            EXPECT_FALSE(FileExists(to));
        }
    }
    // The formats linked in go on working.
    ConvertLoadingFrom(empty.Path(), bmp, dir.File("out.png"), &status);
    EXPECT_EQ(status, 0);
}
