// The order of the slide show: forward and backward wrap around, random
// never repeats the entry shown and draws from one generator.
#include "models/browser/SlideOrder.h"

#include <gtest/gtest.h>

#include <set>

TEST(SlideOrder, ForwardAndBackwardWrapAround)
{
    CSlideOrder forward(CSlideOrder::Forward, 1);
    EXPECT_EQ(forward.Next(0, 3), 1);
    EXPECT_EQ(forward.Next(2, 3), 0) << "from the last entry to the first";
    EXPECT_EQ(forward.Next(-1, 3), 0);
    EXPECT_EQ(forward.Next(0, 1), 0);
    EXPECT_EQ(forward.Next(5, 3), 0) << "a current entry beyond a shrunken list";

    CSlideOrder backward(CSlideOrder::Backward, 1);
    EXPECT_EQ(backward.Next(2, 3), 1);
    EXPECT_EQ(backward.Next(0, 3), 2) << "from the first entry to the last";
    EXPECT_EQ(backward.Next(-1, 3), 2);

    EXPECT_EQ(forward.Next(0, 0), -1);
    EXPECT_EQ(CSlideOrder(7, 1).GetSequence(), CSlideOrder::Random) << "out-of-range sequences clamp";
}

TEST(SlideOrder, RandomNeverRepeatsAndReachesEveryOtherEntry)
{
    CSlideOrder random(CSlideOrder::Random, 12345);
    int current = 0;
    std::set<int> seen;
    std::set<std::pair<int, int>> steps;
    for (int i = 0; i < 2000; ++i) {
        const int next = random.Next(current, 5);
        ASSERT_NE(next, current);
        ASSERT_GE(next, 0);
        ASSERT_LT(next, 5);
        seen.insert(next);
        steps.insert({current, next});
        current = next;
    }
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(steps.size(), 20u) << "every ordered pair of different entries occurs";

    // Two entries alternate; one entry stays.
    EXPECT_EQ(random.Next(0, 2), 1);
    EXPECT_EQ(random.Next(1, 2), 0);
    EXPECT_EQ(random.Next(0, 1), 0);

    // Picks made in quick succession differ: the generator is not reseeded.
    CSlideOrder fast(CSlideOrder::Random, 99);
    std::set<int> picks;
    for (int i = 0; i < 50; ++i)
        picks.insert(fast.Next(-1, 1000));
    EXPECT_GT(picks.size(), 40u);

    // The same seed gives the same show.
    CSlideOrder a(CSlideOrder::Random, 5), b(CSlideOrder::Random, 5);
    for (int i = 0, ca = 0, cb = 0; i < 20; ++i) {
        ca = a.Next(ca, 10);
        cb = b.Next(cb, 10);
        EXPECT_EQ(ca, cb);
    }
}
