// RoundToSeries over many random values: the result is always a member of the series times a power of
// ten, and no other member of the series lies nearer on a logarithmic scale.
#include "values/e_series.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace torvel {
namespace {

std::vector<double> membersOf(int size)
{
    std::vector<double> members;
    for (int i = 0; i < size; ++i)
        members.push_back(SeriesMember(i, size));
    return members;
}

class RoundToSeriesProperty : public ::testing::TestWithParam<int> {};

TEST_P(RoundToSeriesProperty, GivesTheNearestMemberOnALogScale)
{
    const int size = GetParam();
    const std::vector<double> members = membersOf(size);
    std::mt19937_64 random(20261209 + size);
    std::uniform_real_distribution<double> exponent(-12, 12);
    for (int run = 0; run < 20000; ++run) {
        const double sign = run % 2 ? -1.0 : 1.0;
        const double value = sign * std::pow(10.0, exponent(random));
        const double rounded = RoundToSeries(value, size);
        ASSERT_EQ(std::signbit(rounded), std::signbit(value)) << value;

        // Distance on a log scale to every candidate member in the decades around the value.
        const int decade = static_cast<int>(std::floor(std::log10(std::fabs(value))));
        double nearest = INFINITY;
        bool isMember = false;
        for (int d = decade - 1; d <= decade + 1; ++d)
            for (double m : members) {
                const double candidate = m * std::pow(10.0, d);
                nearest = std::min(nearest, std::fabs(std::log(candidate / std::fabs(value))));
                // Members times powers of ten are not exact doubles: compare relatively.
                isMember = isMember || std::fabs(candidate - std::fabs(rounded)) <= 1e-12 * candidate;
            }
        ASSERT_TRUE(isMember) << value << " rounded to " << rounded;
        // Ties at the geometric mean may go either way; 1e-12 covers the last bits of the logs.
        ASSERT_LE(std::fabs(std::log(std::fabs(rounded) / std::fabs(value))), nearest + 1e-12)
            << value << " rounded to " << rounded;
    }
}

INSTANTIATE_TEST_SUITE_P(ESeries, RoundToSeriesProperty, ::testing::Values(6, 12, 24, 48, 96, 192),
                         [](const ::testing::TestParamInfo<int>& row) { return "E" + std::to_string(row.param); });

}  // namespace
}  // namespace torvel
