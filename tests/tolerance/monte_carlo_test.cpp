// Monte Carlo runs: the same bits on one thread and on two, streams fixed by the seed and the run, the
// spread of fo and Q against the linear estimate from the sensitivities, yields, bands, cancellation and
// refusal; the statistics and the random streams underneath.
#include "cascade/cascade.h"
#include "cascade/cascade_response.h"
#include "designed_sections.h"
#include "tolerance/cascade_monte_carlo.h"
#include "tolerance/frequency_grid.h"
#include "tolerance/sensitivity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace torvel::tolerance {
namespace {

using testing::designedOfType;
using testing::typeName;

template <typename V>
bool sameBits(const std::vector<V>& a, const std::vector<V>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(V)) == 0);
}

bool sameBits(const Statistics& a, const Statistics& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameBits(const ResponseBand& a, const ResponseBand& b)
{
    return sameBits(a.frequencyHz, b.frequencyHz) && sameBits(a.nominalDb, b.nominalDb) && sameBits(a.lowDb, b.lowDb)
        && sameBits(a.highDb, b.highDb);
}

bool sameBits(const SectionRuns& a, const SectionRuns& b)
{
    for (std::size_t k = 0; k < kFigureCount; ++k)
        if (!sameBits(a.samples[k], b.samples[k]) || !sameBits(a.statistics[k], b.statistics[k]))
            return false;
    return true;
}

MonteCarloSettings settings(std::int64_t runs, Distribution distribution = Distribution::Uniform)
{
    MonteCarloSettings s;
    s.runs = runs;
    s.seed = 20240611;
    s.tolerances.distribution = distribution;
    s.limits.relative = {0.03, 0.05, 0.02, 0.03};
    s.bandFrequencyHz = logGrid(100, 10e3, 41);
    return s;
}

RunControl threads(int n)
{
    RunControl c;
    c.threads = n;
    return c;
}

cascade::Cascade tenthOrderBandPass(const char* series = "24", const char* capacitors = "6")
{
    cascade::CascadeRequest r;
    r.parts = {series, capacitors, "4.7K"};
    r.filter.kind = approx::ResponseKind::BandPass;
    r.filter.approximation = approx::Approximation::Elliptic;
    r.filter.mask = approx::Mask{800, 700, 1250, 1450, 0.5, 40};
    cascade::CascadeResult result = cascade::designCascade(r);
    EXPECT_TRUE(result.cascade.has_value()) << result.error;
    return *result.cascade;
}

TEST(MonteCarlo, OneThreadAndTwoGiveTheSameBits)
{
    for (Distribution d : {Distribution::Uniform, Distribution::Normal}) {
        const cascade::SectionCircuit tzf = designedOfType(FilterType::TzfLow);
        const MonteCarloSettings s = settings(3000, d);
        const SectionMonteCarlo one = sectionMonteCarlo(tzf, s, threads(1));
        const SectionMonteCarlo two = sectionMonteCarlo(tzf, s, threads(2));
        ASSERT_EQ(one.status, RunStatus::Completed);
        ASSERT_EQ(two.status, RunStatus::Completed);
        EXPECT_TRUE(sameBits(one.section, two.section)) << distributionName(d);
        EXPECT_TRUE(sameBits(one.band, two.band)) << distributionName(d);
        EXPECT_EQ(one.passed, two.passed);

        const cascade::Cascade filter = tenthOrderBandPass();
        CascadeMonteCarloSettings cs;
        cs.common = settings(2000, d);
        cs.mask = filter.request.filter.mask;
        const CascadeMonteCarlo a = cascadeMonteCarlo(filter, cs, threads(1));
        const CascadeMonteCarlo b = cascadeMonteCarlo(filter, cs, threads(2));
        ASSERT_EQ(a.status, RunStatus::Completed);
        ASSERT_EQ(a.sections.size(), filter.sections.size());
        for (std::size_t k = 0; k < a.sections.size(); ++k)
            EXPECT_TRUE(sameBits(a.sections[k], b.sections[k])) << distributionName(d) << " section " << k;
        EXPECT_TRUE(sameBits(a.band, b.band)) << distributionName(d);
        EXPECT_EQ(a.passed, b.passed);
    }
}

TEST(MonteCarlo, RunsAreFixedByTheSeedAndTheirNumberAlone)
{
    const cascade::SectionCircuit lpf = designedOfType(FilterType::Lpf);
    MonteCarloSettings s = settings(500);
    const SectionMonteCarlo first = sectionMonteCarlo(lpf, s);
    EXPECT_TRUE(sameBits(first.section, sectionMonteCarlo(lpf, s).section));
    // Fewer runs are the first runs of more.
    s.runs = 100;
    const SectionMonteCarlo fewer = sectionMonteCarlo(lpf, s);
    EXPECT_EQ(std::memcmp(fewer.section.samplesOf(Figure::Fo).data(), first.section.samplesOf(Figure::Fo).data(), 100 * sizeof(double)), 0);
    s.seed += 1;
    EXPECT_NE(sectionMonteCarlo(lpf, s).section.samplesOf(Figure::Fo)[0], fewer.section.samplesOf(Figure::Fo)[0]);

    // A whole filter's first section draws the first numbers of each run's stream: the same boards as the
    // section on its own.
    const cascade::Cascade filter = tenthOrderBandPass();
    CascadeMonteCarloSettings cs;
    cs.common = settings(300);
    const CascadeMonteCarlo whole = cascadeMonteCarlo(filter, cs);
    const SectionMonteCarlo alone = sectionMonteCarlo(filter.sections[0].circuit, cs.common);
    EXPECT_TRUE(sameBits(whole.sections[0].samplesOf(Figure::Q), alone.section.samplesOf(Figure::Q)));
}

// For small tolerances each figure is linear in the parts' deviations, so its standard deviation is
// y sqrt(sum (S_i sigma_i)^2) with sigma_i = t / sqrt(3) (uniform) or t / 3 (normal). 20,000 runs estimate
// a standard deviation to about 0.5 %, far inside the 5 % asked for.
TEST(MonteCarlo, SpreadMatchesTheSensitivitiesAtSmallTolerances)
{
    for (FilterType type : {FilterType::Lpf, FilterType::TzfLow, FilterType::Notch}) {
        for (Distribution d : {Distribution::Uniform, Distribution::Normal}) {
            for (const OpAmpModel& opAmp : {OpAmpModel{}, OpAmpModel{1e6, 1e5}}) {
                const cascade::SectionCircuit circuit = designedOfType(type);
                MonteCarloSettings s = settings(20000, d);
                s.tolerances.resistor = s.tolerances.capacitor = 0.001;
                s.opAmp = opAmp;
                s.bandFrequencyHz.clear();
                const SectionMonteCarlo mc = sectionMonteCarlo(circuit, s);
                const SectionSensitivities sens = sectionSensitivities(circuit, opAmp);
                const double sigma = d == Distribution::Uniform ? 0.001 / std::sqrt(3.0) : 0.001 / 3;
                for (Figure f : {Figure::Fo, Figure::Q, Figure::H}) {
                    double variance = 0;
                    for (const SensitivityRow& row : sens.rows)
                        variance += row.of(f) * row.of(f) * sigma * sigma;
                    const double linear = sens.nominal[f] * std::sqrt(variance);
                    EXPECT_NEAR(mc.section.statisticsOf(f).std, linear, 0.05 * linear)
                        << typeName(type) << " " << distributionName(d) << " " << figureName(f) << " gbw " << opAmp.gainBandwidthHz;
                    EXPECT_NEAR(mc.section.statisticsOf(f).mean, sens.nominal[f], 0.05 * linear) << typeName(type) << " " << figureName(f);
                }
            }
        }
    }
}

TEST(MonteCarlo, YieldCountsTheRunsWithinEveryLimit)
{
    const cascade::SectionCircuit tzf = designedOfType(FilterType::TzfHigh);
    MonteCarloSettings s = settings(4000);
    const SectionMonteCarlo mc = sectionMonteCarlo(tzf, s);
    std::int64_t within = 0;
    for (std::size_t i = 0; i < 4000; ++i) {
        bool ok = true;
        for (Figure f : kAllFigures) {
            const double v = mc.section.samplesOf(f)[i];
            ok = ok && std::abs(v / mc.section.nominal[f] - 1) <= *s.limits.of(f);
        }
        within += ok ? 1 : 0;
    }
    ASSERT_TRUE(mc.passed.has_value());
    EXPECT_EQ(*mc.passed, within);
    EXPECT_GT(*mc.yield(), 0.05);
    EXPECT_LT(*mc.yield(), 0.95);

    s.limits.relative = {0.5, 0.5, 0.5, 0.5};
    EXPECT_EQ(sectionMonteCarlo(tzf, s).yield(), std::optional(1.0));
    s.limits.relative = {1e-9, std::nullopt, std::nullopt, std::nullopt};
    EXPECT_EQ(sectionMonteCarlo(tzf, s).yield(), std::optional(0.0));
    s.limits = {};
    EXPECT_FALSE(sectionMonteCarlo(tzf, s).yield().has_value());
}

TEST(MonteCarlo, WithoutToleranceEveryRunIsTheNominalBoard)
{
    const cascade::Cascade filter = tenthOrderBandPass();
    CascadeMonteCarloSettings cs;
    cs.common = settings(50);
    cs.common.tolerances.resistor = cs.common.tolerances.capacitor = 0;
    cs.common.limits = {};
    cs.mask = filter.request.filter.mask;
    const CascadeMonteCarlo mc = cascadeMonteCarlo(filter, cs);
    const bool nominalMeets = cascade::checkMask(filter, *cs.mask, {}).metBuilt;
    EXPECT_EQ(mc.yield(), std::optional(nominalMeets ? 1.0 : 0.0));
    for (std::size_t i = 0; i < mc.band.frequencyHz.size(); ++i) {
        // The band's levels are kept as floats.
        EXPECT_NEAR(mc.band.lowDb[i], mc.band.nominalDb[i], 1e-4);
        EXPECT_NEAR(mc.band.highDb[i], mc.band.nominalDb[i], 1e-4);
    }
    // Identical runs; only the rounding of their mean is left.
    EXPECT_LE(mc.sections[2].statisticsOf(Figure::Fo).std, 1e-14 * mc.sections[2].nominal[Figure::Fo]);
}

TEST(MonteCarlo, BandHoldsTheNominalResponseAndWidensWithTolerance)
{
    // Unrounded parts, so that the nominal board is the design, judged against a mask with room to spare:
    // 1 dB passband and 35 dB stopband where the design has 0.5 dB and 40 dB.
    const cascade::Cascade filter = tenthOrderBandPass("∞", "∞");
    CascadeMonteCarloSettings cs;
    cs.common = settings(2000);
    cs.common.limits = {};
    cs.common.bandFrequencyHz = logGrid(500, 2000, 31);
    cs.common.tolerances.resistor = cs.common.tolerances.capacitor = 0.001;
    cs.mask = approx::Mask{800, 700, 1250, 1450, 1, 35};
    const CascadeMonteCarlo narrow = cascadeMonteCarlo(filter, cs);
    cs.common.tolerances.resistor = 0.01;
    cs.common.tolerances.capacitor = 0.05;
    const CascadeMonteCarlo wide = cascadeMonteCarlo(filter, cs);
    double narrowWidth = 0, wideWidth = 0;
    for (std::size_t i = 0; i < narrow.band.frequencyHz.size(); ++i) {
        EXPECT_LE(narrow.band.lowDb[i], narrow.band.highDb[i]);
        narrowWidth += narrow.band.highDb[i] - narrow.band.lowDb[i];
        wideWidth += wide.band.highDb[i] - wide.band.lowDb[i];
    }
    EXPECT_GT(wideWidth, 10 * narrowWidth);
    EXPECT_GT(*narrow.yield(), 0.9);
    EXPECT_LT(*wide.yield(), 0.5);
}

TEST(MonteCarlo, CancelStopsTheRunsAndSaysSo)
{
    const cascade::SectionCircuit lpf = designedOfType(FilterType::Lpf);
    std::atomic<bool> cancel{false};
    std::vector<std::int64_t> reported;
    RunControl control;
    control.threads = 2;
    control.cancel = &cancel;
    control.progress = [&](std::int64_t done, std::int64_t total) {
        reported.push_back(done);
        EXPECT_EQ(total, 200000);
        cancel = true;
    };
    const SectionMonteCarlo mc = sectionMonteCarlo(lpf, settings(200000), control);
    EXPECT_EQ(mc.status, RunStatus::Cancelled);
    EXPECT_FALSE(mc.yield().has_value());
    ASSERT_FALSE(reported.empty());
    EXPECT_LT(reported.back(), 200000);

    reported.clear();
    control.cancel = nullptr;
    control.progress = [&](std::int64_t done, std::int64_t) { reported.push_back(done); };
    EXPECT_EQ(sectionMonteCarlo(lpf, settings(20000), control).status, RunStatus::Completed);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(reported.back(), 20000);
}

TEST(MonteCarlo, SettingsOutOfRangeAreRefused)
{
    const cascade::SectionCircuit lpf = designedOfType(FilterType::Lpf);
    const auto refused = [&](MonteCarloSettings s) {
        const SectionMonteCarlo mc = sectionMonteCarlo(lpf, s);
        return mc.status == RunStatus::Refused && !mc.error.empty();
    };
    MonteCarloSettings s = settings(10);
    EXPECT_FALSE(refused(s));
    s.runs = 0;
    EXPECT_TRUE(refused(s));
    s.runs = kMaxRuns + 1;
    EXPECT_TRUE(refused(s));
    s = settings(10);
    s.tolerances.capacitor = 0.31;
    EXPECT_TRUE(refused(s));
    s = settings(10);
    s.tolerances.perPart[3] = -0.01;
    EXPECT_TRUE(refused(s));
    s = settings(10);
    s.limits.relative[1] = 0;
    EXPECT_TRUE(refused(s));
    s.limits.relative[1] = std::nan("");
    EXPECT_TRUE(refused(s));
}

TEST(MonteCarlo, BandFrequenciesAreThinnedToTheMemoryBound)
{
    const std::vector<double> grid = logGrid(1, 1e6, 400);
    EXPECT_EQ(bandFrequencies(grid, 10000), grid);
    const std::vector<double> thinned = bandFrequencies(grid, kMaxRuns);
    EXPECT_LE(static_cast<std::int64_t>(thinned.size()) * kMaxRuns, kMaxBandValues);
    EXPECT_GE(thinned.size(), 16u);
    EXPECT_EQ(thinned.front(), grid.front());
    EXPECT_EQ(thinned.back(), grid.back());
}

TEST(Statistics, PercentilesInterpolateBetweenOrderStatistics)
{
    const struct {
        const char* name;
        std::vector<double> values;
        double p, expected;
    } rows[] = {
        {"median_of_four", {4, 1, 3, 2}, 0.5, 2.5},       // h = 1.5: halfway from 2 to 3
        {"first_percentile", {0, 100}, 0.01, 1},           // h = 0.01 of the way from 0 to 100
        {"ends", {5, 9, 7}, 1, 9},
        {"single", {3}, 0.99, 3},
        {"ninety_ninth_of_101", [] { std::vector<double> v; for (int i = 100; i >= 0; --i) v.push_back(i); return v; }(), 0.99, 99},
    };
    for (const auto& row : rows) {
        std::vector<double> v = row.values;
        EXPECT_DOUBLE_EQ(quantile(v, row.p), row.expected) << row.name;
    }
    std::vector<double> empty;
    EXPECT_TRUE(std::isnan(quantile(empty, 0.5)));
}

TEST(Statistics, NonFiniteRunsAreLeftOut)
{
    const Statistics s = statisticsOf({1, 2, std::nan(""), 3, INFINITY});
    EXPECT_EQ(s.count, 3);
    EXPECT_DOUBLE_EQ(s.mean, 2);
    EXPECT_DOUBLE_EQ(s.std, 1);  // sample deviation: sqrt((1 + 0 + 1) / 2)
    const Statistics none = statisticsOf({std::nan("")});
    EXPECT_EQ(none.count, 0);
    EXPECT_TRUE(std::isnan(none.mean));

    const Histogram h = histogramOf({0, 1, 2, 3, 4, std::nan("")}, 4);
    EXPECT_EQ(h.from, 0);
    EXPECT_EQ(h.to, 4);
    EXPECT_EQ(h.counts, (std::vector<std::int64_t>{1, 1, 1, 2}));  // the largest closes the last bin
}

TEST(RunStream, UniformAndNormalDrawsHaveTheirMomentsAndBounds)
{
    double sum = 0, squares = 0, normalSum = 0, normalSquares = 0, largest = 0;
    constexpr int n = 200000;
    for (int run = 0; run < n / 4; ++run) {
        RunStream stream(7, static_cast<std::uint64_t>(run));
        for (int k = 0; k < 4; ++k) {
            const double u = stream.symmetric();
            ASSERT_GT(u, -1);
            ASSERT_LT(u, 1);
            sum += u;
            squares += u * u;
            const double z = stream.normal();
            normalSum += z;
            normalSquares += z * z;
            largest = std::max(largest, std::abs(z));
        }
    }
    // Standard errors at n = 200,000: mean 0.0013 (uniform) and 0.0022 (normal); four of them allowed.
    EXPECT_NEAR(sum / n, 0, 0.006);
    EXPECT_NEAR(squares / n, 1.0 / 3, 0.006);
    EXPECT_NEAR(normalSum / n, 0, 0.01);
    EXPECT_NEAR(normalSquares / n, 1, 0.015);
    EXPECT_LT(largest, 8.58);
    // Neighbouring runs and seeds start far apart.
    EXPECT_NE(RunStream(7, 0).next(), RunStream(7, 1).next());
    EXPECT_NE(RunStream(7, 0).next(), RunStream(8, 0).next());
}

}  // namespace
}  // namespace torvel::tolerance
