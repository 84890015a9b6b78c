// The current picture: fit size, the modified and undo flags through their
// states, and undo giving back the exact picture after every operation.
#include "EditTestHelpers.h"
#include "engine/edit/EditOperations.h"
#include "engine/picture/TextException.h"

#include <gtest/gtest.h>

using namespace edittest;

TEST(PictureFitSize, KeepsAspectInsideTheBox)
{
    CPicture pic;
    pic.Create(200, 100, 32, false); // aspect 0.5
    // A box taller than the picture: the width fills it.
    EXPECT_EQ(pic.FitSize(100, 100, 1.0f), (PictureSize{100, 50}));
    // A box wider than the picture: the height fills it.
    EXPECT_EQ(pic.FitSize(400, 100, 0.25f), (PictureSize{200, 100}));
    EXPECT_EQ(pic.FitSize(300, 150, 0.5f), (PictureSize{300, 150}));
    pic.Create(3, 7, 32, false);
    EXPECT_EQ(pic.FitSize(10, 10, 1.0f), (PictureSize{4, 10})); // trunc(10 / (7/3))
    pic.Create(0, 0, 32, false);
    EXPECT_EQ(pic.FitSize(10, 10, 1.0f), (PictureSize{0, 0}));
}

TEST(PictureUndo, FlagsFollowTheStateTable)
{
    CPictureEx pic;
    vktest::MakeTestPicture(pic, 20, 10);
    pic.ClearEditState(); // as after a load: clean
    EXPECT_FALSE(pic.IsModified());
    EXPECT_FALSE(pic.IsUndoAvailable());
    EXPECT_EQ(pic.Undo(), 0) << "nothing to undo on a clean picture";
    EXPECT_EQ(pic.GetWidth(), 20);

    CWinBmp loaded;
    loaded.CopyFrom(pic);
    pic.Invert(); // edited
    EXPECT_TRUE(pic.IsModified());
    EXPECT_TRUE(pic.IsUndoAvailable());
    EXPECT_EQ(pic.Undo(), 0); // undone
    EXPECT_TRUE(pic.IsModified()) << "Save As stays available after undo";
    EXPECT_FALSE(pic.IsUndoAvailable());
    EXPECT_EQ(Ours(pic), Ours(loaded));
    EXPECT_EQ(pic.Undo(), 0);
    EXPECT_EQ(Ours(pic), Ours(loaded)) << "undo is one step deep";

    // Two edits: undo gives the state after the first.
    pic.FlipLines();
    CWinBmp afterFirst;
    afterFirst.CopyFrom(pic);
    pic.Rotate(90, RotateMedium);
    EXPECT_EQ(pic.Undo(), 1);
    EXPECT_EQ(Ours(pic), Ours(afterFirst));

    // A successful Save As clears modified and leaves undo as it was.
    pic.ToGrayShades();
    pic.SetModified(false);
    EXPECT_TRUE(pic.IsUndoAvailable());
    pic.ClearEditState(); // a new load
    EXPECT_FALSE(pic.IsModified());
    EXPECT_FALSE(pic.IsUndoAvailable());
}

TEST(PictureUndo, RestoresExactlyAfterEveryOperation)
{
    // Tiny pictures too: single lines and columns reach every edge case.
    const std::pair<int, int> sizes[] = {{41, 27}, {1, 1}, {1, 7}, {7, 1}, {2, 2}};
    for (auto [width, height] : sizes) {
        CWinBmp original;
        vktest::MakeTestPicture(original, width, height);
        original.SetSourceBitsPerPixel(24);
        const std::pair<const char*, const char*> steps[] = {
            {"invert", ""},
            {"swap-red-blue", ""},
            {"brightness", "30"},
            {"contrast", "-20"},
            {"gamma", "40"},
            {"gray", ""},
            {"balance", "10,-10,5"},
            {"flip-horizontal", ""},
            {"flip-vertical", ""},
            {"transpose", ""},
            {"rotate", "90,low"},
            {"rotate", "33,low"},
            {"rotate", "200,medium"},
            {"rotate", "123,high"},
            {"shear", "20,up-left,aa"},
            {"shear", "70,down-left,no-aa"},
            {"canvas", "60x10,8"},
            {"resize", "20x13"},
            {"resize", "90x30"},
        };
        for (auto [name, argument] : steps) {
            CPictureEx pic;
            pic.CopyFrom(original);
            pic.ClearEditState();
            const EditOperation* op = FindEditOperation(name);
            ASSERT_NE(op, nullptr) << name;
            RunEditOperation(pic, *op, ParseEditArguments(*op, argument));
            EXPECT_TRUE(pic.IsModified()) << name;
            EXPECT_TRUE(pic.IsUndoAvailable()) << name;
            const bool sizeChanged = pic.GetWidth() != width || pic.GetHeight() != height;
            EXPECT_EQ(pic.Undo(), sizeChanged ? 1 : 0) << name << " " << argument;
            EXPECT_EQ(vktest::FromBitmap(pic), vktest::FromBitmap(original)) << name << " " << argument;
            EXPECT_EQ(pic.GetSourceBitsPerPixel(), 24) << name;
            EXPECT_TRUE(pic.IsModified()) << name;
        }
    }
}

TEST(PictureUndo, EightBitPicturesAreEditedAsTrueColour)
{
    CPictureEx pic;
    pic.Create(4, 2, 8, false); // grayscale palette
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            pic.GetLine(y)[x] = uint8_t(x * 60 + y);
    CWinBmp before;
    before.CopyFrom(pic, 32);
    pic.Invert();
    ASSERT_EQ(pic.GetBitsPerPixel(), 32);
    EXPECT_EQ(Red(pic.GetLine32(1)[3]), 255 - 181);
    pic.Undo();
    EXPECT_EQ(vktest::FromBitmap(pic), vktest::FromBitmap(before));
}

TEST(PictureUndo, EditBesideTheShownPictureThenExchange)
{
    // The window edits a copy while the shown picture stays whole, then
    // exchanges them: the result must be as if edited in place.
    CPictureEx shown, inPlace;
    vktest::MakeTestPicture(shown, 31, 17, 3);
    shown.SetSourceBitsPerPixel(8);
    inPlace.CopyFrom(shown);
    const Pixels original = vktest::FromBitmap(shown);

    CPictureEx work;
    work.CopyForEdit(shown);
    EXPECT_EQ(work.Rotate(90, RotateMedium), 1);
    EXPECT_EQ(vktest::FromBitmap(shown), original) << "the shown picture is untouched meanwhile";
    shown.Exchange(work);
    inPlace.Rotate(90, RotateMedium);
    EXPECT_EQ(vktest::FromBitmap(shown), vktest::FromBitmap(inPlace));
    EXPECT_TRUE(shown.IsModified());
    EXPECT_TRUE(shown.IsUndoAvailable());
    EXPECT_EQ(vktest::FromBitmap(work), original) << "the old picture went to the copy";
    EXPECT_FALSE(work.IsModified());

    // Undo exchanges storage with the snapshot and gives the exact pixels.
    EXPECT_EQ(shown.Undo(), 1);
    EXPECT_EQ(vktest::FromBitmap(shown), original);
    EXPECT_EQ(shown.GetSourceBitsPerPixel(), 8) << "the source depth comes back too";
    EXPECT_FALSE(shown.IsUndoAvailable());
    EXPECT_TRUE(shown.IsModified());
    // The next edit takes a fresh snapshot of the undone picture.
    shown.Invert();
    EXPECT_EQ(shown.Undo(), 0);
    EXPECT_EQ(vktest::FromBitmap(shown), original);
}

TEST(EditOperationTable, ParsesOptionArguments)
{
    auto parse = [](const char* name, const std::string& text) {
        return ParseEditArguments(*FindEditOperation(name), text);
    };
    EXPECT_EQ(parse("rotate", "45"), (std::vector<int>{45, RotateHigh}));
    EXPECT_EQ(parse("rotate", "300,low"), (std::vector<int>{300, RotateLow}));
    EXPECT_EQ(parse("shear", "30"), (std::vector<int>{30, ShearUpLeft, 1}));
    EXPECT_EQ(parse("shear", "30,no-aa,down-left"), (std::vector<int>{30, ShearDownLeft, 0}));
    EXPECT_EQ(parse("canvas", "640x480"), (std::vector<int>{640, 480, AnchorCenter}));
    EXPECT_EQ(parse("canvas", "640x480,8"), (std::vector<int>{640, 480, AnchorBottomRight}));
    EXPECT_EQ(parse("balance", "-100,0,100"), (std::vector<int>{-100, 0, 100}));
    EXPECT_EQ(parse("invert", ""), std::vector<int>{});

    const std::pair<const char*, const char*> bad[] = {
        {"rotate", "0"},       {"rotate", "360"},        {"rotate", "45,best"}, {"rotate", "4.5"},
        {"brightness", "101"}, {"brightness", ""},       {"balance", "1,2"},    {"resize", "0x5"},
        {"resize", "640"},     {"canvas", "5x5,9"},      {"shear", "90"},       {"gamma", "1e2"},
        {"resize", "5x5x5"},   {"rotate", "45,low,low"},
    };
    for (auto [name, text] : bad)
        EXPECT_THROW(parse(name, text), CTextException) << name << " " << text;

    for (const EditOperation& op : EditOperations()) {
        EXPECT_EQ(std::string(op.progressText).rfind("  ", 0), 0u) << op.name;
        for (const EditArgument& arg : op.arguments)
            EXPECT_TRUE(arg.required || (arg.defaultValue >= arg.minimum && arg.defaultValue <= arg.maximum))
                << op.name << " " << arg.name;
    }
}
