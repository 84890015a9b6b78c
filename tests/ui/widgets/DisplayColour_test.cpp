// Colour management of what is drawn: scaled images of a tagged picture
// turned into sRGB or the screen's profile (and nothing else touched), the
// switch, broken profiles left unmanaged, and View > Colour management
// remembered in window.ini.
#include "FrameFixture.h"

#include "engine/picture/ColourTransform.h"
#include "models/settings/WindowState.h"
#include "ui/widgets/DisplayColour.h"
#include "ui/widgets/TileCache.h"

using vktest::FromBitmap;
using vktest::Pixels;

namespace {

// A Display P3 like description: D65, P3 primaries, the sRGB curve.
const double kP3[8] = {0.3127, 0.3290, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
const double kAdobe[8] = {0.3127, 0.3290, 0.64, 0.33, 0.21, 0.71, 0.15, 0.06};

Pixels FromImage(const QImage& image)
{
    Pixels p;
    p.width = image.width();
    p.height = image.height();
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        p.data.insert(p.data.end(), line, line + image.width());
    }
    return p;
}

QImage Shown(const CWinBmp& picture, vkdisplay::ColourTarget target = vkdisplay::ColourTarget::Screen)
{
    QRect actual;
    return vkview::BuildScaledRegion(picture, picture.GetWidth(), picture.GetHeight(),
                                     QRect(0, 0, picture.GetWidth(), picture.GetHeight()), actual, target);
}

class DisplayColour : public ::testing::Test {
  protected:
    void SetUp() override
    {
        vktest::MakeTestPicture(picture, 300, 200);
        plain = FromBitmap(picture);
        picture.SetColourProfile(MakeGammaProfile(0, kP3));
        CWinBmp converted;
        converted.CopyFrom(picture);
        ASSERT_TRUE(vkcolour::ConvertToSrgb(converted));
        inSrgb = FromBitmap(converted);
    }
    void TearDown() override
    {
        vkdisplay::SetColourManaged(true);
        vkdisplay::SetScreenProfile({});
    }

    CWinBmp picture;
    Pixels plain;
    Pixels inSrgb;
};

class ColourFrame : public vkuitest::FrameTest {};

} // namespace

TEST_F(DisplayColour, DrawnImagesAreTurnedThePictureIsNot)
{
    // No screen profile: sRGB, as the picture converted by the engine.
    EXPECT_LE(vktest::MaxChannelDifference(FromImage(Shown(picture)), inSrgb), 1);
    EXPECT_LE(vktest::MaxChannelDifference(FromImage(Shown(picture, vkdisplay::ColourTarget::Srgb)), inSrgb),
              1);
    // A tile of a large display is turned as the engine turns its pixels.
    const QImage tile = vkview::BuildTile(picture, 300, 200, QRect(0, 0, 256, 200));
    vkdisplay::SetColourManaged(false);
    QImage unmanaged = vkview::BuildTile(picture, 300, 200, QRect(0, 0, 256, 200));
    vkdisplay::SetColourManaged(true);
    vkcolour::Apply(*vkcolour::TransformFor(*picture.GetColourProfile(), nullptr), unmanaged.bits(),
                    unmanaged.width(), unmanaged.height(), unmanaged.bytesPerLine());
    EXPECT_LE(vktest::MaxChannelDifference(FromImage(tile), FromImage(unmanaged)), 1);
    EXPECT_EQ(FromBitmap(picture), plain) << "the picture in memory stays as decoded";
    // The clipboard's copy and a switched off management give the pixels.
    EXPECT_EQ(FromImage(Shown(picture, vkdisplay::ColourTarget::None)), plain);
    vkdisplay::SetColourManaged(false);
    EXPECT_EQ(FromImage(Shown(picture)), plain);
}

TEST_F(DisplayColour, ScreenProfileAndBrokenProfiles)
{
    CWinBmp untagged;
    untagged.CopyFrom(picture);
    untagged.SetColourProfile(nullptr);
    EXPECT_EQ(FromImage(Shown(untagged)), plain) << "sRGB on an sRGB screen: nothing to do";

    // An Adobe RGB like screen: untagged pictures are taken as sRGB and
    // turned too; printing stays sRGB.
    vkdisplay::SetScreenProfile(vkcolour::IccBytesOf(*MakeGammaProfile(1 / 2.2, kAdobe)));
    ASSERT_TRUE(vkdisplay::ScreenProfile());
    EXPECT_GT(vktest::MaxChannelDifference(FromImage(Shown(untagged)), plain), 10);
    EXPECT_LE(vktest::MaxChannelDifference(FromImage(Shown(picture, vkdisplay::ColourTarget::Srgb)), inSrgb),
              1);
    EXPECT_GT(vktest::MaxChannelDifference(FromImage(Shown(picture)), inSrgb), 5);

    // A screen profile of noise counts as none; a picture's broken profile
    // leaves it unmanaged.
    vkdisplay::SetScreenProfile(std::vector<uint8_t>(600, 0x5A));
    EXPECT_FALSE(vkdisplay::ScreenProfile());
    std::vector<uint8_t> cut = vkcolour::IccBytesOf(*MakeGammaProfile(0, kP3));
    cut.resize(cut.size() / 2);
    picture.SetColourProfile(MakeIccProfile(cut));
    EXPECT_EQ(FromImage(Shown(picture)), plain);
}

TEST_F(ColourFrame, SwitchIsRememberedInWindowIni)
{
    vktest::TempDir pics;
    ASSERT_TRUE(Start(pics.Path()));
    CommandRegistry& commands = frame->GetCommands();
    EXPECT_TRUE(commands.IsChecked(Cmd::ViewColourManagement));
    ASSERT_TRUE(commands.Run(Cmd::ViewColourManagement));
    EXPECT_FALSE(vkdisplay::ColourManaged());
    CWindowState state;
    ASSERT_TRUE(state.Load());
    EXPECT_FALSE(state.colourManaged);
    ASSERT_TRUE(commands.Run(Cmd::ViewColourManagement));
    EXPECT_TRUE(vkdisplay::ColourManaged());
    ASSERT_TRUE(state.Load());
    EXPECT_TRUE(state.colourManaged);
}
