// The E-series computed by formula must equal the published series, and rounding must follow the
// geometric-mean rule exactly at its boundaries.
#include "values/checked_real.h"
#include "values/e_series.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace torvel {
namespace {

std::vector<double> series(int size)
{
    std::vector<double> out;
    for (int i = 0; i < size; ++i)
        out.push_back(SeriesMember(i, size));
    return out;
}

TEST(SeriesMember, EqualsThePublishedTwoDigitSeries)
{
    EXPECT_EQ(series(6), (std::vector<double>{1.0, 1.5, 2.2, 3.3, 4.7, 6.8}));
    EXPECT_EQ(series(12), (std::vector<double>{1.0, 1.2, 1.5, 1.8, 2.2, 2.7, 3.3, 3.9, 4.7, 5.6, 6.8, 8.2}));
    EXPECT_EQ(series(24), (std::vector<double>{1.0, 1.1, 1.2, 1.3, 1.5, 1.6, 1.8, 2.0, 2.2, 2.4, 2.7, 3.0,
                                               3.3, 3.6, 3.9, 4.3, 4.7, 5.1, 5.6, 6.2, 6.8, 7.5, 8.2, 9.1}));
}

TEST(SeriesMember, EqualsThePublishedThreeDigitSeries)
{
    EXPECT_EQ(series(48), (std::vector<double>{
        1.00, 1.05, 1.10, 1.15, 1.21, 1.27, 1.33, 1.40, 1.47, 1.54, 1.62, 1.69, 1.78, 1.87, 1.96, 2.05,
        2.15, 2.26, 2.37, 2.49, 2.61, 2.74, 2.87, 3.01, 3.16, 3.32, 3.48, 3.65, 3.83, 4.02, 4.22, 4.42,
        4.64, 4.87, 5.11, 5.36, 5.62, 5.90, 6.19, 6.49, 6.81, 7.15, 7.50, 7.87, 8.25, 8.66, 9.09, 9.53}));
    const std::vector<double> e96 = series(96);
    EXPECT_EQ(e96[0], 1.00);
    EXPECT_EQ(e96[1], 1.02);
    EXPECT_EQ(e96[47], 3.09);
    EXPECT_EQ(e96[95], 9.76);
    const std::vector<double> e192 = series(192);
    EXPECT_EQ(e192[185], 9.20);  // the published value; the formula alone gives 9.19
    EXPECT_EQ(e192[186], 9.31);
    EXPECT_EQ(e192[191], 9.88);
}

TEST(SeriesMember, ContinuesOutsideTheDecade)
{
    const struct { int size; double below, above; } rows[] = {
        {6, 0.7, 14.7}, {12, 0.8, 12.1}, {24, 0.9, 11.0},
        // three digits: 10^(49/48) = 10.491, 10^(97/96) = 10.243, 10^(193/192) = 10.121
        {48, 0.95, 10.49}, {96, 0.98, 10.24}, {192, 0.99, 10.12}};
    for (const auto& row : rows) {
        EXPECT_EQ(SeriesMember(-1, row.size), row.below) << row.size;
        EXPECT_EQ(SeriesMember(row.size, row.size), 10.0) << row.size;
        EXPECT_EQ(SeriesMember(row.size + 1, row.size), row.above) << row.size;
    }
}

struct RoundRow {
    const char* name;
    double value;
    int size;
    double rounded;
};

class RoundToSeriesTable : public ::testing::TestWithParam<RoundRow> {};

TEST_P(RoundToSeriesTable, RoundsToTheNearestMemberOnALogScale)
{
    const RoundRow& row = GetParam();
    // Decades outside 10^-3 .. 10^6 scale by exp(), which is not exact in the last bits.
    EXPECT_NEAR(RoundToSeries(row.value, row.size), row.rounded, 1e-12 * std::fabs(row.rounded));
}

INSTANTIATE_TEST_SUITE_P(
    Values, RoundToSeriesTable,
    ::testing::Values(
        RoundRow{"above_geometric_mean_of_4_3_and_4_7", 4500, 24, 4700},  // sqrt(4.3*4.7) = 4.4956
        RoundRow{"below_geometric_mean", 4495, 24, 4300},
        RoundRow{"sign_preserved", -4650, 24, -4700},
        RoundRow{"e24_2_84", 2.84, 24, 2.7},
        RoundRow{"e24_2_85", 2.85, 24, 3.0},
        RoundRow{"e24_up_into_next_decade", 9.54, 24, 10},
        RoundRow{"e6_8_25_up", 8.25, 6, 10},  // sqrt(6.8*10) = 8.2462
        RoundRow{"e6_8_24_down", 8.24, 6, 6.8},
        RoundRow{"e6_1_22", 1.22, 6, 1.0},
        RoundRow{"e192_9_19", 9.19, 192, 9.2},
        RoundRow{"exact_power_of_ten_below_one", 0.1, 24, 0.1},
        RoundRow{"e6_1000", 1000, 6, 1000},
        RoundRow{"nano_capacitor", 33.86e-9, 6, 33e-9},
        RoundRow{"no_rounding", 1234.5, 0, 1234.5},
        RoundRow{"zero_unchanged", 0, 24, 0}),
    [](const ::testing::TestParamInfo<RoundRow>& row) { return std::string(row.param.name); });

TEST(RoundToSeries, KeepsTheSignOfZeroAndRejectsNaN)
{
    EXPECT_TRUE(std::signbit(RoundToSeries(-0.0, 24)));
    EXPECT_THROW(RoundToSeries(std::nan(""), 24), FloatFault);
    EXPECT_TRUE(std::isnan(RoundToSeries(std::nan(""), 0)));  // no rounding: nothing is compared
}

TEST(SeriesSizeText, NormalisesToTheNextSeries)
{
    const struct { const char* text; int size; } rows[] = {
        {"∞", 0}, {"abc", 0}, {"", 0}, {"6", 6}, {"0", 6}, {"-5", 6}, {"10", 12}, {"48", 48},
        {"100", 192}, {"192", 192}, {"200", 384}, {"+24", 24}, {"+-24", 0}, {"2147483647", kLargestSeriesSize},
        {"99999999999", 0}};
    for (const auto& row : rows)
        EXPECT_EQ(SeriesSizeFromText(row.text), row.size) << row.text;
    EXPECT_EQ(SeriesSizeToText(0), "∞");
    EXPECT_EQ(SeriesSizeToText(10), "12");
    EXPECT_EQ(SeriesSizeToText(192), "192");
    EXPECT_EQ(SeriesSizeToText(2147483647), std::to_string(kLargestSeriesSize));  // no overflow, no endless loop
}

}  // namespace
}  // namespace torvel
