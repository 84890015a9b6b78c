// Sizes in the user's unit and the constrained proportions of Resize.
#include "engine/edit/SizeUnits.h"

#include <gtest/gtest.h>

TEST(SizeUnits, FactorsLabelsAndConversions)
{
    EXPECT_STREQ(UnitLabel(UnitPixels), "pixels");
    EXPECT_STREQ(UnitLabel(UnitInches), "inches");
    EXPECT_STREQ(UnitLabel(UnitMillimeters), "mm");
    EXPECT_STREQ(UnitLabel(UnitCentimeters), "cm");
    EXPECT_STREQ(UnitLabel(7), "pixels") << "an unknown unit is pixels";
    EXPECT_DOUBLE_EQ(PixelsToUnit(96, UnitInches), 96 * 0.01041667);
    EXPECT_DOUBLE_EQ(PixelsToUnit(100, UnitMillimeters), 26.45836);
    EXPECT_NEAR(PixelsToUnit(100, UnitCentimeters), 2.645836, 1e-12);
    // Back to pixels by dividing and truncating, at least one pixel.
    EXPECT_EQ(UnitToPixels(26.45, UnitMillimeters, 1000), 99) << "truncated, not rounded";
    EXPECT_EQ(UnitToPixels(26.46, UnitMillimeters, 1000), 100);
    EXPECT_EQ(UnitToPixels(1, UnitInches, 1000), 95);
    EXPECT_EQ(UnitToPixels(640, UnitPixels, 1000), 640);
    EXPECT_EQ(UnitToPixels(0.0001, UnitPixels, 1000), 1);
    EXPECT_EQ(UnitToPixels(5000, UnitPixels, 1000), 1000);
    EXPECT_TRUE(SizeInRange(0.0001));
    EXPECT_TRUE(SizeInRange(10000));
    EXPECT_FALSE(SizeInRange(0));
    EXPECT_FALSE(SizeInRange(-3));
    EXPECT_FALSE(SizeInRange(10000.5));
}

TEST(SizeUnits, ConstrainedProportionsInEveryUnit)
{
    const CResizeProportions p(640, 480); // ratio 0.75
    EXPECT_DOUBLE_EQ(p.HeightFor(320), 240);
    EXPECT_DOUBLE_EQ(p.WidthFor(300), 400);
    EXPECT_EQ(CResizeProportions::Text(p.HeightFor(321), UnitPixels), "241") << "240.75 rounded";
    EXPECT_EQ(CResizeProportions::Text(p.HeightFor(100), UnitMillimeters), "75.0000");
    EXPECT_EQ(CResizeProportions::Text(p.WidthFor(1), UnitInches), "1.3333");
    // The ratio is held in single precision, as the dialog holds it.
    const CResizeProportions odd(3, 1);
    EXPECT_DOUBLE_EQ(odd.HeightFor(3), 3 * double(1.0f / 3.0f));
}
