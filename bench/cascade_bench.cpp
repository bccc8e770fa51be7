// Speed of a whole filter from its mask to its parts: the design, every section synthesised by the
// calculator's command, and the built cascade's response, as the filter window recomputes on each key.
#include "cascade/cascade.h"
#include "cascade/cascade_response.h"

#include <benchmark/benchmark.h>

namespace torvel::cascade {
namespace {

// A tenth-order elliptic band-pass (prototype order 5: five sections) around 1 kHz.
CascadeRequest tenthOrderBandPass()
{
    CascadeRequest r;
    r.filter.kind = approx::ResponseKind::BandPass;
    r.filter.approximation = approx::Approximation::Elliptic;
    r.filter.mask = approx::Mask{800, 700, 1250, 1450, 0.5, 40};
    return r;
}

void ellipticBandPassToPartsAndResponse(benchmark::State& state)
{
    const CascadeRequest request = tenthOrderBandPass();
    const CascadeResult check = designCascade(request);
    if (!check.cascade || check.cascade->design.order != 5) {
        state.SkipWithError("the mask no longer gives a tenth-order band-pass");
        return;
    }
    for (auto _ : state) {
        const CascadeResult result = designCascade(request);
        benchmark::DoNotOptimize(cascadeCurves(*result.cascade, {}, 100, 10e3, 200));
    }
    state.SetLabel("10 poles, 5 sections synthesised, 200 points");
}
BENCHMARK(ellipticBandPassToPartsAndResponse)->Unit(benchmark::kMicrosecond);

void headroomOfTenthOrderBandPass(benchmark::State& state)
{
    const CascadeResult result = designCascade(tenthOrderBandPass());
    for (auto _ : state)
        benchmark::DoNotOptimize(cascadeHeadroom(*result.cascade, {}));
}
BENCHMARK(headroomOfTenthOrderBandPass)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace torvel::cascade
