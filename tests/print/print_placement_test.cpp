// Placement of the printed window picture: pure arithmetic, every case without a printer.
#include "shell/printing/print_placement.h"

#include <gtest/gtest.h>

namespace torvel {
namespace {

struct PlacementRow {
    const char* name;
    double leftMm, topMm;
    int width, height;
    PrinterGeometry printer;
    PrintRectangle expected;
};

class Placement : public ::testing::TestWithParam<PlacementRow> {};

TEST_P(Placement, LandsWhereTheMarginsAndScaleSay)
{
    const PlacementRow& row = GetParam();
    const PrintRectangle r = printRectangle(row.leftMm, row.topMm, row.width, row.height, row.printer);
    EXPECT_EQ(r.left, row.expected.left);
    EXPECT_EQ(r.top, row.expected.top);
    EXPECT_EQ(r.right, row.expected.right);
    EXPECT_EQ(r.bottom, row.expected.bottom);
}

INSTANTIATE_TEST_SUITE_P(
    PrintRectangle, Placement,
    ::testing::Values(
        // 600 dpi: s = 23.6220 px/mm; 15 mm -> 354.33 -> 354, less the offsets 100 and 120;
        // 743 px * 0.235 mm * s = 4124.6 -> 4125, 436 px -> 2420.3 -> 2420.
        PlacementRow{"worked_example_600dpi", 15, 15, 743, 436, {600, 100, 120}, {254, 234, 4379, 2654}},
        // Only the vertical resolution scales: a 1200 x 600 dpi printer reports 600 here and prints the
        // same rectangle as the square 600 dpi one.
        PlacementRow{"vertical_resolution_sets_both_scales", 15, 15, 743, 436, {600, 0, 0}, {354, 354, 4479, 2774}},
        PlacementRow{"zero_margins_start_at_the_paper_corner", 0, 0, 100, 100, {600, 100, 120}, {-100, -120, 455, 435}},
        PlacementRow{"huge_margins_stay_in_range", 1e12, 1e12, 100, 100, {600, 0, 0},
                     {1000000000, 1000000000, 1000000555, 1000000555}},
        // 25.4 dpi makes s = 1 px/mm: 2.5 mm rounds to 2 and 3.5 mm to 4 (halves to even);
        // 10 px * 0.235 = 2.35 -> 2.
        PlacementRow{"halves_round_to_even", 2.5, 3.5, 10, 10, {25.4, 0, 0}, {2, 4, 4, 6}}),
    [](const ::testing::TestParamInfo<PlacementRow>& row) { return std::string(row.param.name); });

TEST(PrintMarginFromText, ReadsComponentValueTextAndFallsBackTo20)
{
    EXPECT_DOUBLE_EQ(printMarginFromText("15"), 15);
    EXPECT_DOUBLE_EQ(printMarginFromText("25"), 25);
    EXPECT_DOUBLE_EQ(printMarginFromText("abc"), 20);
    EXPECT_DOUBLE_EQ(printMarginFromText(""), 20);
    EXPECT_DOUBLE_EQ(printMarginFromText("-3"), -3);  // no range check: the margin is used as it stands
}

}  // namespace
}  // namespace torvel
