// A search stopped from outside: by its time limit it still returns a design, marked as not proven; by
// the cancel flag it returns none.
#include "search/best_values.h"

#include <gtest/gtest.h>

#include <atomic>

namespace torvel::search {
namespace {

// A design whose proof takes far longer than the limits below, so that they always cut it short: E96
// resistors, E24 capacitors, the zero above fo.
SectionRequest longSearch()
{
    SectionRequest request;
    request.type = FilterType::TzfLow;
    request.H = 1.38810685;
    request.fo = 193.149667;
    request.Q = 2.47889726;
    request.fn = 570.44994;
    request.resistorSeries = 96;
    request.capacitorSeries = 24;
    request.options.largestAcceptedError = 1;
    return request;
}

TEST(SearchControl, ATimeLimitBeforeAnyCandidateStillReturnsADesignNotProven)
{
    // The first passes only look for designs with every error below 0.2 %, then 2 %; a limit that ends
    // them before they find one must not turn into "no design". This low-pass section's first pass looks
    // at more nodes than the limit lets it.
    SectionRequest request;
    request.type = FilterType::Lpf;
    request.H = 0.777904136;
    request.fo = 1296.68473;
    request.Q = 0.996962728;
    request.resistorSeries = 24;
    request.capacitorSeries = 6;
    request.options.timeLimitSeconds = 1e-6;
    request.options.largestAcceptedError = 1;  // whatever it found by then
    const SectionResult result = findBestValues(request);
    ASSERT_EQ(result.status, SearchStatus::Found) << result.reason;
    EXPECT_FALSE(result.proven);
    EXPECT_GT(result.candidates, 0);
    EXPECT_EQ(result.elements.size(), 8u);  // C1, C2, R1 ... R6
}

TEST(SearchControl, TheCancelFlagReturnsNoDesign)
{
    const std::atomic<bool> cancel{true};
    SearchControl control;
    control.cancel = &cancel;
    const SectionResult result = findBestValues(longSearch(), control);
    EXPECT_EQ(result.status, SearchStatus::Cancelled);
    EXPECT_TRUE(result.elements.empty());
}

}  // namespace
}  // namespace torvel::search
