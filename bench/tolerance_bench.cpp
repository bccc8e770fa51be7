// Speed of tolerance analysis: Monte Carlo runs of a whole filter checked against its mask, of one
// section's figures, and the worst case and sensitivities the tolerance tab computes at once.
#include "cascade/cascade.h"
#include "design/model_session.h"
#include "design/reading.h"
#include "tolerance/cascade_monte_carlo.h"
#include "tolerance/frequency_grid.h"
#include "tolerance/sensitivity.h"
#include "tolerance/worst_case.h"

#include <benchmark/benchmark.h>

namespace torvel::tolerance {
namespace {

// A tenth-order elliptic low-pass: five transmission-zero sections, each with its summing op-amp.
cascade::Cascade tenthOrderLowPass()
{
    cascade::CascadeRequest r;
    r.filter.kind = approx::ResponseKind::LowPass;
    r.filter.approximation = approx::Approximation::Elliptic;
    r.filter.order = 10;
    r.filter.fcHz = 1000;
    r.filter.rippleDb = 0.5;
    r.filter.attenuationDb = 60;
    return *cascade::designCascade(r).cascade;
}

// Judged against a mask with some room: 1 dB to 1 kHz, 55 dB from 1.2 kHz.
const approx::Mask kMask{1000, 1200, 0, 0, 1, 55};

cascade::SectionCircuit designedTransmissionZero()
{
    ModelSession session;
    session.panel.checkRadio(FilterType::TzfLow);
    session.panel.setFieldText(Field::H, "1");
    session.panel.setFieldText(Field::Fo, "1k");
    session.panel.setFieldText(Field::Q, "2");
    session.panel.setFieldText(Field::Fn, "2k");
    (void)session.designer.synthesize();
    return cascade::secondOrderCircuit(*ReadCircuitComponents(session.panel), FilterType::TzfLow);
}

void monteCarloOfTenthOrderFilterAgainstMask(benchmark::State& state)
{
    const cascade::Cascade filter = tenthOrderLowPass();
    CascadeMonteCarloSettings settings;
    settings.common.runs = 10000;
    settings.mask = kMask;
    settings.maskPoints = 200;
    if (state.range(0) > 0)
        settings.common.bandFrequencyHz = logGrid(100, 10e3, static_cast<int>(state.range(0)));
    double yield = 0;
    for (auto _ : state) {
        const CascadeMonteCarlo mc = cascadeMonteCarlo(filter, settings);
        yield = mc.yield().value_or(-1);
        benchmark::DoNotOptimize(mc);
    }
    state.SetLabel("10,000 runs, 5 sections, 200-point mask, band of " + std::to_string(state.range(0)) + " points, yield "
                   + std::to_string(yield));
}
BENCHMARK(monteCarloOfTenthOrderFilterAgainstMask)->Arg(0)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime();

void monteCarloOfSectionFigures(benchmark::State& state)
{
    const cascade::SectionCircuit section = designedTransmissionZero();
    MonteCarloSettings settings;
    settings.runs = 100000;
    settings.limits.relative = {0.02, 0.05, 0.02, 0.02};
    if (state.range(0) > 0)
        settings.opAmp = {static_cast<double>(state.range(0)), 1e5};
    for (auto _ : state)
        benchmark::DoNotOptimize(sectionMonteCarlo(section, settings));
    state.SetLabel(std::string("100,000 runs of fo, Q, H, fn, ") + (state.range(0) > 0 ? "single-pole op-amps" : "ideal op-amps"));
}
BENCHMARK(monteCarloOfSectionFigures)->Arg(0)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void worstCaseOfTenthOrderFilter(benchmark::State& state)
{
    const cascade::Cascade filter = tenthOrderLowPass();
    Tolerances t;
    const std::vector<double> grid = logGrid(100, 10e3, 200);
    for (auto _ : state)
        benchmark::DoNotOptimize(cascadeWorstCase(filter, t, {}, grid, kMask));
    state.SetLabel("all 4096 corners of each of 5 sections, 200 + 200 points");
}
BENCHMARK(worstCaseOfTenthOrderFilter)->Unit(benchmark::kMillisecond);

void sensitivitiesOfSection(benchmark::State& state)
{
    const cascade::SectionCircuit section = designedTransmissionZero();
    for (auto _ : state)
        benchmark::DoNotOptimize(sectionSensitivities(section, {1e6, 1e5}, 1500.0));
}
BENCHMARK(sensitivitiesOfSection)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace torvel::tolerance
