// Speed of the value texts, E-series rounding and the two whole commands on the in-memory panel.
#include "design/circuit_response.h"
#include "design/filter_types.h"
#include "design/model_session.h"
#include "values/e_series.h"
#include "values/engineering_notation.h"

#include <benchmark/benchmark.h>

namespace torvel {
namespace {

void parseEngineering(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseEngineering("  4.7000k"));
}
BENCHMARK(parseEngineering);

void formatEngineering(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatEngineering(4700.0, 9, 4));
}
BENCHMARK(formatEngineering);

void roundToSeries(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(RoundToSeries(4523.7, static_cast<int>(state.range(0))));
}
BENCHMARK(roundToSeries)->Arg(24)->Arg(192);

void prepare(ModelSession& s, FilterType type)
{
    s.panel.checkRadio(type);
    s.panel.setFieldText(Field::H, "1");
    s.panel.setFieldText(Field::Fo, "1k");
    s.panel.setFieldText(Field::Q, "2");
    s.panel.setFieldText(Field::Fn, type == FilterType::TzfHigh ? "500" : "2k");
}

void synthesis(benchmark::State& state)
{
    const FilterType type = kAllFilterTypes[static_cast<std::size_t>(state.range(0))];
    ModelSession s;
    prepare(s, type);
    for (auto _ : state)
        benchmark::DoNotOptimize(s.designer.synthesize());
    state.SetLabel(std::string(filterTypeInfo(type).cliName));
}
BENCHMARK(synthesis)->DenseRange(0, kFilterTypeCount - 1);

void analysis(benchmark::State& state)
{
    const FilterType type = kAllFilterTypes[static_cast<std::size_t>(state.range(0))];
    ModelSession s;
    prepare(s, type);
    if (s.designer.synthesize().status != CommandStatus::Completed)
        state.SkipWithError("the synthesis did not complete");
    for (auto _ : state) {
        // The analysis may correct the type; put it back so every pass analyses the same circuit.
        s.panel.checkRadio(type);
        benchmark::DoNotOptimize(s.designer.analyze());
    }
    state.SetLabel(std::string(filterTypeInfo(type).cliName));
}
BENCHMARK(analysis)->DenseRange(0, kFilterTypeCount - 1);

void circuitResponse(benchmark::State& state)
{
    ModelSession s;
    prepare(s, FilterType::TzfLow);
    if (s.designer.synthesize().status != CommandStatus::Completed)
        state.SkipWithError("the synthesis did not complete");
    const CircuitComponents parts = componentsOf(s.designer.record());
    for (auto _ : state)
        benchmark::DoNotOptimize(frequencyResponse(parts, FilterType::TzfLow, {}, 1, 1e6, 2000));
    state.SetLabel("2000 points, four outputs");
}
BENCHMARK(circuitResponse)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace torvel

BENCHMARK_MAIN();
