// The pair table must answer every lookup exactly as a binary search over the fully sorted pairs would:
// the searches' bounds rely on seeing every pair inside a window, and a pair lost at a bucket's edge would
// make the search miss its optimum without any other sign.
#include "search/pair_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace torvel::search {
namespace {

OptionList listOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    OptionList list;
    for (double v : values) {
        PartOption o;
        o.value = v;
        o.lnValue = std::log(v);
        list.options.push_back(o);
    }
    return list;
}

// E96 over three decades: equal ratios (1, 10, 100) and products by the hundred, as the searches build them.
std::vector<double> e96ThreeDecades()
{
    std::vector<double> v;
    for (int decade = 0; decade < 3; ++decade)
        for (int k = 0; k < 96; ++k)
            v.push_back(std::round(std::pow(10.0, k / 96.0) * 100) / 100 * std::pow(10.0, 3 + decade));
    return v;
}

std::vector<double> randomValues(unsigned seed, int n)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> ln(std::log(100e-12), std::log(10e-6));
    std::vector<double> v;
    for (int i = 0; i < n; ++i)
        v.push_back(std::exp(ln(random)));
    return v;
}

struct Shape {
    std::string name;
    std::vector<double> first, second;
};

std::vector<Shape> shapes()
{
    return {
        {"E96 resistors", e96ThreeDecades(), e96ThreeDecades()},
        {"random capacitors and resistors", randomValues(1, 50), randomValues(2, 70)},
        {"one option each", {4700}, {1e3}},
        {"every value equal", {1e3, 1e3, 1e3}, {2e3, 2e3}},
        {"two values", {1e3, 10e3}, {1e3}},
    };
}

TEST(PairTable, LooksUpAsABinarySearchOverEveryPairInOrder)
{
    const double inf = std::numeric_limits<double>::infinity();
    for (const Shape& shape : shapes())
        for (PairTable::Combine combine : {PairTable::Combine::Ratio, PairTable::Combine::Product}) {
            SCOPED_TRACE(shape.name + (combine == PairTable::Combine::Ratio ? ", ratios" : ", products"));
            const OptionList a = listOf(shape.first);
            const OptionList b = listOf(shape.second);
            const PairTable table(a, b, combine);
            ASSERT_EQ(table.size(), a.options.size() * b.options.size());

            std::vector<double> sorted;
            std::set<std::pair<int, int>> seen;
            for (std::size_t i = 0; i < table.size(); ++i) {
                const OptionPair& p = table[i];
                const double sign = combine == PairTable::Combine::Ratio ? -1 : 1;
                EXPECT_EQ(p.ln, a.options[static_cast<std::size_t>(p.first)].lnValue + sign * b.options[static_cast<std::size_t>(p.second)].lnValue);
                EXPECT_TRUE(seen.insert({p.first, p.second}).second) << "pair listed twice";
                if (i > 0) {
                    ASSERT_LE(table[i - 1].ln, p.ln) << "out of order at " << i;
                }
                sorted.push_back(p.ln);
            }

            std::vector<double> probes{-inf, inf, std::numeric_limits<double>::quiet_NaN(), sorted.front() - 1, sorted.back() + 1};
            for (std::size_t i = 0; i < sorted.size(); ++i) {
                probes.push_back(sorted[i]);
                probes.push_back(std::nextafter(sorted[i], -inf));
                probes.push_back(std::nextafter(sorted[i], inf));
                if (i + 1 < sorted.size())
                    probes.push_back((sorted[i] + sorted[i + 1]) / 2);
            }
            for (double v : probes) {
                EXPECT_EQ(table.lowerBound(v), static_cast<std::size_t>(std::lower_bound(sorted.begin(), sorted.end(), v) - sorted.begin()))
                    << "lowerBound(" << v << ")";
                EXPECT_EQ(table.upperBound(v), static_cast<std::size_t>(std::upper_bound(sorted.begin(), sorted.end(), v) - sorted.begin()))
                    << "upperBound(" << v << ")";
            }
        }
}

TEST(PairTable, EmptyListGivesEmptyTable)
{
    const PairTable table(listOf({}), listOf({1e3}), PairTable::Combine::Ratio);
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.lowerBound(0), 0u);
    EXPECT_EQ(table.upperBound(0), 0u);
}

}  // namespace
}  // namespace torvel::search
