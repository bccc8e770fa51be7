// Speed of a whole-filter design from a tolerance mask down to the section list: elliptic band-passes,
// the most work per pole (Jacobi functions, the band transformation, pairing zeros with poles).
#include "approx/filter_design.h"

#include <benchmark/benchmark.h>

#include <string>

namespace torvel::approx {
namespace {

// Prototype order 5 (a tenth-order band-pass: ten poles, five sections) and prototype order 10 (twenty
// poles, ten sections), both around 1 kHz with asymmetric stopband edges.
Mask bandPassMask(int prototypeOrder)
{
    return prototypeOrder == 5 ? Mask{800, 700, 1250, 1450, 0.5, 40} : Mask{800, 780, 1250, 1290, 3, 80};
}

void ellipticBandPassFromMask(benchmark::State& state)
{
    const int prototypeOrder = static_cast<int>(state.range(0));
    const FilterRequest request{.kind = ResponseKind::BandPass, .approximation = Approximation::Elliptic,
                                .mask = bandPassMask(prototypeOrder)};
    const DesignResult check = designFilter(request);
    if (!check.design || check.design->order != prototypeOrder) {
        state.SkipWithError("the mask no longer gives the intended order");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(designFilter(request));
    state.SetLabel(std::to_string(2 * prototypeOrder) + " poles, " + std::to_string(check.design->sections.size()) + " sections");
}
BENCHMARK(ellipticBandPassFromMask)->Arg(5)->Arg(10)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace torvel::approx
