// The newer formats' option values and Convert's format in "save.ini":
// read back as written, bad lines and values out of range ignored, and
// vk.set's layout unchanged by them.
#include "ScopedEnv.h"
#include "TestSupport.h"
#include "engine/picture/FormatRegistry.h"
#include "models/settings/SaveOptionsFile.h"
#include "models/settings/Settings.h"

#include <gtest/gtest.h>

TEST(SaveOptionsFile, KeptBesideTheSettingsAndReadBack)
{
    vktest::TempDir config;
    vktest::ScopedEnv env({"VELKOR_CONFIG_DIR"});
    vktest::ScopedEnv::Set("VELKOR_CONFIG_DIR", config.Path());
    EXPECT_EQ(CSaveOptionsFile::FilePath(), config.File("save.ini"));

    SaveOptionValues values;
    int convert = 3;
    EXPECT_FALSE(CSaveOptionsFile::Load(values, convert)) << "no file yet";
    EXPECT_EQ(convert, 3);

    SaveOptionValues chosen;
    chosen.webpQuality = 33;
    chosen.webpLossless = 1;
    chosen.avifQuality = 71;
    chosen.avifSpeed = 2;
    chosen.jxlQuality = 12;
    chosen.jxlDistance = 250;
    chosen.jxlLossless = 1;
    chosen.jxlEffort = 9;
    chosen.heicQuality = 99;
    chosen.jpegQuality = 11; // vk.set's, not this file's
    const int webpIndex = SaveTargetOfCode(kSaveWebp)->dialogPosition;
    ASSERT_TRUE(CSaveOptionsFile::Save(chosen, webpIndex));

    SaveOptionValues read;
    ASSERT_TRUE(CSaveOptionsFile::Load(read, convert));
    for (const NewerSaveValue& v : kNewerSaveValues)
        EXPECT_EQ(read.*v.member, chosen.*v.member) << v.key;
    EXPECT_EQ(read.jpegQuality, SaveOptionValues().jpegQuality);
    EXPECT_EQ(convert, webpIndex) << "Convert's choice beyond vk.set's twelve";

    // vk.set is written as it always was, whatever these values are.
    CSettings a, b;
    b.saveOptions = chosen;
    b.saveOptions.jpegQuality = a.saveOptions.jpegQuality;
    EXPECT_EQ(a.Format(), b.Format());
}

TEST(SaveOptionsFile, DamagedLinesAndValuesOutOfRangeKeepWhatWasThere)
{
    SaveOptionValues values;
    values.webpQuality = 40;
    int convert = 2;
    CSaveOptionsFile::FromText("webpQuality=101\r\navifSpeed=11\njxlEffort=0\njxlDistance=-2\n"
                               "heicQuality=abc\nnonsense\n=5\navifQuality=7x\nconvertFormat=99\n"
                               "unknownKey=1\njxlQuality=55\r\n",
                               values, convert);
    const SaveOptionValues d;
    EXPECT_EQ(values.webpQuality, 40);
    EXPECT_EQ(values.avifSpeed, d.avifSpeed);
    EXPECT_EQ(values.jxlEffort, d.jxlEffort);
    EXPECT_EQ(values.jxlDistance, d.jxlDistance);
    EXPECT_EQ(values.heicQuality, d.heicQuality);
    EXPECT_EQ(values.avifQuality, d.avifQuality);
    EXPECT_EQ(values.jxlQuality, 55) << "a good line after bad ones is read";
    EXPECT_EQ(convert, 2);
}
