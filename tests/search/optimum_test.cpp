// The search returns the true optimum of its objective: on ranges small enough to try every component set,
// an exhaustive search over the same space finds nothing better, for every type and option.
#include "search/best_values.h"
#include "search/search_space.h"
#include "small_space.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace torvel::search {
namespace {

// Every candidate of the space, judged from scratch.
Objective exhaustiveOptimum(const SearchSpace& space, long long& evaluated)
{
    Objective best;
    bool have = false;
    forEachCandidate(space, [&](const Candidate& candidate) {
        const Objective o = space.evaluate(candidate).objective;
        ++evaluated;
        if (!have || compareObjectives(o, best) < 0) {
            best = o;
            have = true;
        }
    });
    return best;
}

std::string describe(const Objective& o)
{
    std::string text = "steps";
    for (long long s : o.steps)
        text += " " + std::to_string(s);
    return text + ", distinct " + std::to_string(o.distinctValues) + ", spread " + std::to_string(o.spread);
}

void expectOptimum(const SectionRequest& request, const std::string& name)
{
    std::string reason;
    const std::unique_ptr<SearchSpace> space = SearchSpace::make(request, reason);
    ASSERT_TRUE(space) << name << ": " << reason;
    long long evaluated = 0;
    const Objective best = exhaustiveOptimum(*space, evaluated);
    const SectionResult found = findBestValues(request);
    ASSERT_EQ(found.status, SearchStatus::Found) << name << ": " << found.reason;
    const Objective& a = found.objective;
    EXPECT_TRUE(a.steps == best.steps && a.distinctValues == best.distinctValues)
        << name << "\n search     " << describe(a) << "\n exhaustive " << describe(best);
    // The spreads are sums of the same logarithms, possibly added in another order.
    EXPECT_NEAR(a.spread, best.spread, 1e-12) << name;
    EXPECT_LT(found.candidates, evaluated) << name << ": the search tried every candidate";
}

struct Row {
    const char* name;
    FilterType type;
    double H, fo, Q, fn;
    bool keepEqualC = false;
    bool keepR5R6 = false;
    FieldSet pairs = {};
    double resolution = 1e-4;
};

TEST(BestValues, NothingBeatsTheSearchOnRangesSmallEnoughToTryEverything)
{
    // Figures off the grid, so that errors, ties on the distinct values and ties on the spread all take
    // part; the options and a coarse step (many ties) or a fine one (almost none) change the space.
    const Row rows[] = {
        {"lpf", FilterType::Lpf, 1.3, 4500, 0.83, 0},
        {"lpf_coarse_steps_force_ties", FilterType::Lpf, 1, 5000, 0.7071, 0, false, false, {}, 2e-2},
        {"bpf_equal_c", FilterType::Bpf, 2.1, 5200, 1.7, 0, true},
        {"hpf_r5_r6", FilterType::Hpf, 0.8, 3900, 0.62, 0, false, true},
        {"tzf_low", FilterType::TzfLow, 1.1, 4700, 1.2, 7400},
        {"tzf_high", FilterType::TzfHigh, 1.5, 4800, 0.9, 2300},
        {"notch_pair_r1", FilterType::Notch, 1, 4400, 1.4, 4400, false, false, {Field::R1}},
        {"apf", FilterType::Apf, 1.2, 4600, 0.95, 0},
        {"apf_r7_pair", FilterType::Apf, 0.9, 5100, 1.1, 0, true, false, {Field::R7}},
        {"lpf_pairs_r3_c2", FilterType::Lpf, 0.75, 4100, 1.05, 0, false, true, {Field::R3, Field::C2}},
        {"tzf_low_exact_steps", FilterType::TzfLow, 1, 4900, 0.8, 9000, false, false, {}, 1e-9},
    };
    for (const Row& row : rows) {
        SectionRequest request = smallRequest(row.type, row.H, row.fo, row.Q, row.fn);
        request.options.keepEqualC = row.keepEqualC;
        request.options.keepR5R6 = row.keepR5R6;
        request.options.pairs = row.pairs;
        request.options.errorResolution = row.resolution;
        expectOptimum(request, row.name);
    }
}

TEST(BestValues, NothingBeatsTheSearchOnRandomSmallDesigns)
{
    // Random figures around the ranges' middle, with error steps from 1e-4 to 3 % so that some designs are
    // decided by the errors and others by distinct values and spread.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int trial = 0; trial < 35; ++trial) {
        const FilterType type = kAllFilterTypes[static_cast<std::size_t>(trial) % kFilterTypeCount];
        const double fo = 3000 * std::pow(2.5, unit(random));
        const double fn = type == FilterType::TzfLow ? fo * (1.3 + unit(random)) : (type == FilterType::TzfHigh ? fo / (1.3 + unit(random)) : fo);
        SectionRequest request = smallRequest(type, 0.5 * std::pow(4.0, unit(random)), fo, 0.6 * std::pow(3.0, unit(random)), fn);
        request.options.errorResolution = std::pow(10.0, -4 + 2.5 * unit(random));
        request.options.keepEqualC = unit(random) < 0.3;
        request.options.keepR5R6 = unit(random) < 0.3;
        expectOptimum(request, "trial " + std::to_string(trial) + " " + std::string(filterTypeInfo(type).cliName));
    }
}

TEST(BestValues, NothingBeatsTheSearchForTheTransmissionZeroTypesNearlyInReach)
{
    // The two types whose zero lies off fo are bounded through the products R2 R8 (wn^2 - w0^2 =
    // 1/(R8 R2 C1 C2) where R8 comes from A2) and R3/R8 (wn^2 = w0^2 (1 - R3/R8) where it comes from A3),
    // and the low-pass one's DC gain through R10/R4 and wn^2/w0^2. Those bounds only cut where the best
    // errors are small, so the wanted figures are what some parts of the space realise, nudged by up to
    // 0.3 %, with fine steps: the bounds then decide nearly everything.
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0, 1);
    const double resistors[] = {1e3, 1.5e3, 2.2e3, 3.3e3};
    const double capacitors[] = {10e-9, 15e-9, 22e-9};
    const auto pick = [&](const auto& values) { return values[static_cast<std::size_t>(unit(random) * 0.999 * std::size(values))]; };
    const auto nudge = [&](double value) { return value * (1 + 0.003 * (2 * unit(random) - 1)); };
    for (int trial = 0; trial < 12; ++trial) {
        const FilterType type = trial % 2 == 0 ? FilterType::TzfLow : FilterType::TzfHigh;
        CircuitComponents parts;
        parts.C1 = pick(capacitors);
        parts.C2 = pick(capacitors);
        for (double& r : parts.R)
            r = pick(resistors);
        parts.R[6] = parts.R[0];  // R7 = R1 and R9 = R4, as the search builds the summing stage
        parts.R[8] = parts.R[3];
        if (type == FilterType::TzfHigh && parts.R[7] <= parts.R[2]) {
            std::swap(parts.R[7], parts.R[2]);  // the zero needs R8 > R3 here
            if (parts.R[7] == parts.R[2])
                parts.R[7] = 3.3e3, parts.R[2] = 1e3;
        }
        const SectionFigures f = sectionFigures(sectionTransfer(parts, type), type);
        SectionRequest request = smallRequest(type, nudge(f.H), nudge(f.fo), nudge(f.Q), nudge(f.fn));
        request.options.errorResolution = std::pow(10.0, -6 + 2 * unit(random));
        request.options.keepEqualC = trial % 4 == 1;
        request.options.keepR5R6 = trial % 6 == 3;
        expectOptimum(request, "trial " + std::to_string(trial) + " " + std::string(filterTypeInfo(type).cliName));
    }
}

}  // namespace
}  // namespace torvel::search
