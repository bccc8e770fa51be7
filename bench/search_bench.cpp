// Speed of the search for best values: one section of every type with E24 resistors and E6 capacitors and
// with E96 / E24, and six sections in a row as a 12th-order filter's worth of work.
#include "search/best_values.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <string>

namespace torvel {
namespace {

// Searches that have not ended by then return their best design so far, so that every run ends; the label
// says when one did.
constexpr double kTimeLimitSeconds = 10;

search::SectionRequest section(FilterType type, int resistors, int capacitors)
{
    search::SectionRequest r;
    r.type = type;
    r.H = 1;
    r.fo = 1000;
    r.Q = 0.707;
    r.fn = type == FilterType::TzfLow ? 2000 : (type == FilterType::TzfHigh ? 500 : 0);
    r.resistorSeries = resistors;
    r.capacitorSeries = capacitors;
    r.options.timeLimitSeconds = kTimeLimitSeconds;
    return r;
}

void searchSection(benchmark::State& state)
{
    const FilterType type = kAllFilterTypes[static_cast<std::size_t>(state.range(0))];
    const bool fine = state.range(1) != 0;
    const search::SectionRequest request = section(type, fine ? 96 : 24, fine ? 24 : 6);
    search::SectionResult result;
    for (auto _ : state) {
        result = search::findBestValues(request);
        benchmark::DoNotOptimize(result);
    }
    state.counters["candidates"] = static_cast<double>(result.candidates);
    state.SetLabel(std::string(filterTypeInfo(type).cliName) + (fine ? " E96/E24" : " E24/E6")
                   + (result.proven ? "" : " (stopped at the time limit)"));
}
BENCHMARK(searchSection)->ArgsProduct({benchmark::CreateDenseRange(0, kFilterTypeCount - 1, 1), {0}})->Unit(benchmark::kMillisecond);
BENCHMARK(searchSection)->ArgsProduct({benchmark::CreateDenseRange(0, kFilterTypeCount - 1, 1), {1}})
    ->Unit(benchmark::kMillisecond)->Iterations(1);

// A 12th-order Butterworth low-pass: six sections at 1 kHz with Q = 1 / (2 sin((2k - 1) pi / 24)), searched
// one after another as a whole-filter command will.
void twelfthOrderFilter(benchmark::State& state)
{
    const bool fine = state.range(0) != 0;
    int unproven = 0;
    for (auto _ : state) {
        unproven = 0;
        for (int k = 1; k <= 6; ++k) {
            search::SectionRequest request = section(FilterType::Lpf, fine ? 96 : 24, fine ? 24 : 6);
            request.Q = 1 / (2 * std::sin((2 * k - 1) * std::numbers::pi / 24));
            const search::SectionResult result = search::findBestValues(request);
            unproven += result.proven ? 0 : 1;
            benchmark::DoNotOptimize(result);
        }
    }
    state.SetLabel(std::string(fine ? "E96/E24" : "E24/E6") + ", six low-pass sections"
                   + (unproven ? ", " + std::to_string(unproven) + " stopped at the time limit" : ""));
}
BENCHMARK(twelfthOrderFilter)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace torvel
