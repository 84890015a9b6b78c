// The free 2 MiB blocks counted from /proc/buddyinfo, which decides whether
// a large picture asks for huge pages.
#include "engine/picture/HugePages.h"

#include <gtest/gtest.h>

TEST(HugePages, CountsTheFreeBlocksOfEveryZone)
{
    // Orders 0 to 10: order 9 is one 2 MiB block, order 10 two.
    EXPECT_EQ(FreeHugeBlocks("Node 0, zone      DMA      0      0      0      0      0      0      0      0  "
                             "    1      1      3 \n"
                             "Node 0, zone    DMA32      1      2      2      2      1      2      0      3  "
                             "    3      1    753 \n"
                             "Node 0, zone   Normal  11600  38005  22411  12972   3533   1300    457     45  "
                             "   23     60    695 \n"),
              size_t(1 + 3 * 2 + 1 + 753 * 2 + 60 + 695 * 2));
    // Memory cut up into small blocks offers none; text that is no zone line counts nothing.
    EXPECT_EQ(FreeHugeBlocks("Node 0, zone   Normal  90000  5000  10  0  0  0  0  0  0  0  0\n"), 0u);
    EXPECT_EQ(FreeHugeBlocks(""), 0u);
    EXPECT_EQ(FreeHugeBlocks("garbage 1 2 3 4 5 6 7 8 9 10 11\nNode 0, zone Normal 1 2"), 0u);
    // A line cut short mid-way, as a read of a fixed size may leave it.
    EXPECT_EQ(FreeHugeBlocks("Node 0, zone Normal 0 0 0 0 0 0 0 0 0 4 2"), size_t(4 + 2 * 2));
}
