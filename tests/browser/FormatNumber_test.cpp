#include "browser/FormatNumber.h"

#include <gtest/gtest.h>

TEST(FormatNumberUi, BelowOneShowsEveryDecimal)
{
    EXPECT_EQ(FormatNumber(0.5, 3), "0.500");
    EXPECT_EQ(FormatNumber(0.0, 3), "0.000");
    EXPECT_EQ(FormatNumber(0.25, 2), "0.25");
}

TEST(FormatNumberUi, FromOneDecimalsOnlyWhenNotZero)
{
    EXPECT_EQ(FormatNumber(2.0, 3), "2");
    EXPECT_EQ(FormatNumber(1.5, 3), "1.500");
    EXPECT_EQ(FormatNumber(5120.0, 3), "5120");
    EXPECT_EQ(FormatNumber(640.0, 4), "640");
    // 640 pixels in inches: 640 / 96.
    EXPECT_EQ(FormatNumber(640 * 0.01041667, 2), "6.67");
    // Rounding that carries over to a whole number drops the decimals.
    EXPECT_EQ(FormatNumber(1.9996, 3), "2");
    EXPECT_EQ(FormatNumber(0.9996, 3), "1");
}

TEST(FormatNumberUi, SinglePrecisionLikeTheStatusTexts)
{
    // 16777217 is not representable in single precision.
    EXPECT_EQ(FormatNumber(16777217.0, 3), "16777216");
    EXPECT_EQ(FormatNumber(1.0 / 1024.0 * 1314, 3), "1.283");
}
