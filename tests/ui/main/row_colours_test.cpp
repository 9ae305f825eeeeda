// A selected grey row's text stays readable on whatever colours the system has.
#include "ui/main/row_colours.h"

#include <gtest/gtest.h>

#include <random>

namespace karnio {
namespace {

TEST(RowColours, SelectedGreyTextReadsAtFourAndAHalfToOneWhereAnyDarkerTextCan)
{
    EXPECT_NEAR(Contrast(0x000000, 0xFFFFFF), 21.0, 1e-9);
    EXPECT_EQ(Mix(0xFF0000, 0x0000FF, 25), 0x4000BFu);
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        const Colour grey = random() & 0xFFFFFF, darker = random() & 0xFFFFFF, background = random() & 0xFFFFFF;
        const Colour text = ReadableGrey(grey, darker, background);
        EXPECT_TRUE(Contrast(grey, background) < 4.5 || text == grey);
        EXPECT_TRUE((text == darker && Contrast(darker, background) < 4.5) || Contrast(text, background) >= 4.5);
    }
    // Windows' own colours: grey text on the focused list's tint and on the face colour.
    for (const bool focused : {true, false}) {
        const RowColours row = SelectedGreyRow(focused, 0x6D6D6D, 0x000000, 0xFFFFFF, 0xD77800, 0xF0F0F0);
        EXPECT_GE(Contrast(row.text, row.background), 4.5);
        EXPECT_EQ(row.background, focused ? Mix(0xD77800, 0xFFFFFF, 25) : 0xF0F0F0u);
    }
}

}  // namespace
}  // namespace karnio
