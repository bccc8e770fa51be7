// The floors a result reports must be true lower bounds: no component set of the search's own space may
// beat them. Where the gain is the ratio of two elements, its floor is reached exactly by some set, and a
// search whose H error sits above it would be visible to the designer as "the parts allow better".
#include "search/best_values.h"
#include "search/search_space.h"
#include "small_space.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace torvel::search {
namespace {

struct Smallest {
    double H = std::numeric_limits<double>::infinity();
    double foOrQ = std::numeric_limits<double>::infinity();  // the smaller of the larger of the two
};

// Every buildable component set of the space.
Smallest exhaustiveSmallest(const SearchSpace& space)
{
    Smallest s;
    forEachCandidate(space, [&](const Candidate& candidate) {
        // An all-pass R7 of R1/2 outside the range cannot be built: such a set is no design.
        for (Field field : kAllFields)
            if (static_cast<int>(field) < kElementCount && space.inLayout(field) && !space.optionOf(candidate, field).usable)
                return;
        const std::array<double, Objective::kMaxErrors> e = space.evaluate(candidate).errors;  // H, fo, Q first
        s.H = std::min(s.H, e[0]);
        s.foOrQ = std::min(s.foOrQ, std::max(e[1], e[2]));
    });
    return s;
}

TEST(ErrorFloors, NoComponentSetBeatsThemAndTheGainFloorIsReached)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    for (FilterType type : kAllFilterTypes) {
        for (int k = 0; k < 3; ++k) {
            const double fo = 3500 * std::pow(1.8, unit(random));
            const double fn = type == FilterType::TzfLow ? fo * 1.6 : (type == FilterType::TzfHigh ? fo / 1.6 : 0);
            const SectionRequest request = smallRequest(type, 0.6 + 2 * unit(random), fo, 0.6 + 1.5 * unit(random), fn);
            SCOPED_TRACE(std::string(filterTypeInfo(type).cliName) + " #" + std::to_string(k));
            std::string reason;
            const std::unique_ptr<SearchSpace> space = SearchSpace::make(request, reason);
            ASSERT_TRUE(space) << reason;
            const ErrorFloors floors = errorFloors(*space);
            const Smallest smallest = exhaustiveSmallest(*space);
            ASSERT_TRUE(floors.foAndQ);
            EXPECT_LE(*floors.foAndQ, smallest.foOrQ * (1 + 1e-12));
            const bool ratioGain = type == FilterType::Bpf || type == FilterType::Hpf || type == FilterType::TzfHigh
                || type == FilterType::Notch || type == FilterType::Apf;
            ASSERT_EQ(floors.gain.has_value(), ratioGain);
            if (ratioGain) {
                EXPECT_NEAR(*floors.gain, smallest.H, 1e-12);
            }
        }
    }
}

// On the default parts a search reports its floors, and where nothing else needs the gain resistors its
// H error is the floor itself: H = 1.03 from E24 resistors is 1/1 (2.9 % low) at best, since no ratio of
// two E24 values lies between 1 and 1.6/1.5.
TEST(ErrorFloors, SearchReportsThemAndAHighPassGainSitsOnItsFloor)
{
    SectionRequest request;
    request.type = FilterType::Hpf;
    request.H = 1.03;
    request.fo = 1000;
    request.Q = 0.707;
    const SectionResult result = findBestValues(request);
    ASSERT_EQ(result.status, SearchStatus::Found);
    ASSERT_TRUE(result.floors.gain);
    EXPECT_NEAR(*result.floors.gain, 1 - 1 / 1.03, 1e-12);
    EXPECT_NEAR(std::abs(result.realised.values[0].errorPercent) / 100, *result.floors.gain, 1e-9);
    const double foOrQ = std::max(std::abs(result.realised.values[1].errorPercent), std::abs(result.realised.values[2].errorPercent)) / 100;
    ASSERT_TRUE(result.floors.foAndQ);
    EXPECT_LE(*result.floors.foAndQ, foOrQ * (1 + 1e-12));

    // A pair allowed on R10 makes the ratios denser: the floor drops with the parts.
    request.options.pairs = {Field::R10};
    request.options.timeLimitSeconds = 5;
    const SectionResult paired = findBestValues(request);
    ASSERT_TRUE(paired.floors.gain);
    EXPECT_LT(*paired.floors.gain, *result.floors.gain / 10);
}

}  // namespace
}  // namespace torvel::search
