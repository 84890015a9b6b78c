// The one extension rule: last dot of the last component, hidden names and
// dotted folders have none, a trailing dot an empty one.
#include "engine/picture/FileName.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* path;
    const char* base;      // WithoutExtension
    const char* extension; // ExtensionOf
    bool has;              // ExtensionDot found one
};

} // namespace

TEST(FileName, SplitsAtTheExtension)
{
    const Case cases[] = {
        {"photo.jpg", "photo", "jpg", true},
        {"photo.JPG", "photo", "JPG", true},
        {"a.tar.gz", "a.tar", "gz", true},
        {"README", "README", "", false},
        {".bashrc", ".bashrc", "", false},
        {"..", "..", "", false},
        {".", ".", "", false},
        {"...x", "...x", "", false},
        {".a.b", ".a", "b", true},
        {"name.", "name", "", true},
        {"dir.d/file", "dir.d/file", "", false},
        {"dir.d/file.png", "dir.d/file", "png", true},
        {"/home/u/.cache/x.y/.profile", "/home/u/.cache/x.y/.profile", "", false},
        {"/p/dir.d/", "/p/dir.d/", "", false},
        {"", "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(vkname::WithoutExtension(c.path), c.base);
        EXPECT_EQ(vkname::ExtensionOf(c.path), c.extension);
        EXPECT_EQ(vkname::ExtensionDot(c.path) != std::string::npos, c.has);
        const auto [base, dotted] = vkname::SplitAtLastDot(c.path);
        EXPECT_EQ(base, c.base);
        EXPECT_EQ(dotted, c.has ? "." + std::string(c.extension) : "");
        EXPECT_EQ(base + dotted, c.path) << "nothing lost or added";
    }
}
