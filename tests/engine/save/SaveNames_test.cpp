// Naming rules of Save As and Convert: dialog texts, extension case,
// converted names, name clashes, the rename answer and when a source may
// be deleted.
#include "TestSupport.h"
#include "engine/save/SaveDispatch.h"
#include "engine/save/SaveNames.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace vktest;

TEST(SaveNames, ExtensionsAndTheirCase)
{
    EXPECT_EQ(NameWithoutExtension("cat.tar.bmp"), "cat.tar");
    EXPECT_EQ(NameWithoutExtension("cat"), "cat");
    EXPECT_EQ(NameWithoutExtension(".hidden"), ".hidden");
    EXPECT_EQ(ExtensionOfPath("/a.b/photo.JPG"), "JPG");
    EXPECT_EQ(ExtensionOfPath("/a.b/photo"), "") << "a dot in a folder name is no extension";
    EXPECT_EQ(WithExtensionCase("/p/Photo.jpg", true), "/p/Photo.JPG") << "the name keeps its case";
    EXPECT_EQ(WithExtensionCase("/p/Photo.JpG", false), "/p/Photo.jpg");
    EXPECT_EQ(WithExtensionCase("/p.d/Photo", true), "/p.d/Photo");
    // "photo.JPG" typed in Save As is a JPEG and, with lower case, photo.jpg.
    EXPECT_EQ(SaveFormatFromExtension(ExtensionOfPath("/p/photo.JPG")), kSaveJpg);
}

TEST(SaveNames, DialogTextsAndConvertedNames)
{
    // Their order and extensions follow the save targets (FormatRegistry_test).
    ASSERT_EQ(ConvertFormats().size(), 16u);
    EXPECT_STREQ(ConvertFormats()[9].text, "Macintosh PICT (PCT)");
    EXPECT_STREQ(SaveFilters()[0].description, "Windows Bitmap (*.bmp)");
    EXPECT_STREQ(SaveFilters()[11].description, "Tag Image File Format (*.tif)");
    // The newer formats follow the classic twelve.
    EXPECT_STREQ(ConvertFormats()[12].text, "WebP (WEBP)");
    EXPECT_STREQ(SaveFilters()[15].description, "High Efficiency Image (*.heic)");
    EXPECT_EQ(ConvertedName("cat.bmp", 14, true), "cat.JXL");
    EXPECT_EQ(ConvertedName("cat.bmp", 1, true), "cat.JPG");
    EXPECT_EQ(ConvertedName("Cat.Small.bmp", 1, false), "Cat.Small.jpg");
    EXPECT_EQ(ConvertedName("cat", 2, false), "cat.png");
    EXPECT_EQ(ConvertedName("cat.bmp", 99, false), "cat.bmp") << "an unknown index is the first format";
}

TEST(SaveNames, ClashesPoliciesAndRenameAnswers)
{
    const std::vector<std::string> names = {"cat.bmp", "Cat.JPG", "dog.png"};
    EXPECT_TRUE(NameInList("cat.jpg", names)) << "without regard to case";
    EXPECT_FALSE(NameInList("cat.png", names));
    EXPECT_EQ(ConvertClashStep(false, kPolicySkip), ClashStep::Write);
    EXPECT_EQ(ConvertClashStep(true, kPolicyAsk), ClashStep::Ask);
    EXPECT_EQ(ConvertClashStep(true, kPolicyReplace), ClashStep::Write);
    EXPECT_EQ(ConvertClashStep(true, kPolicyRename), ClashStep::PromptName);
    EXPECT_EQ(ConvertClashStep(true, kPolicySkip), ClashStep::Stop);
    EXPECT_EQ(ConvertClashStep(true, 42), ClashStep::Ask) << "an unknown policy asks";
    EXPECT_EQ(CheckRenameAnswer("", ".jpg", names), RenameAnswer::Empty);
    EXPECT_EQ(CheckRenameAnswer("cat", ".jpg", names), RenameAnswer::Exists);
    EXPECT_EQ(CheckRenameAnswer("cat2", ".jpg", names), RenameAnswer::Accepted);
}

TEST(SaveNames, SourceIsNeverDeletedWhenItIsTheFileJustWritten)
{
    TempDir dir;
    const std::string a = dir.File("cat.bmp");
    const std::string b = dir.File("cat.jpg");
    WriteFile(a, "a");
    WriteFile(b, "b");
    EXPECT_FALSE(MayDeleteSource(a, a));
    EXPECT_TRUE(MayDeleteSource(a, b));
    // The same file under another name.
    ASSERT_EQ(symlink(a.c_str(), dir.File("link.bmp").c_str()), 0);
    EXPECT_FALSE(MayDeleteSource(a, dir.File("link.bmp")));
    EXPECT_FALSE(MayDeleteSource(dir.File("./cat.bmp"), a));
}
