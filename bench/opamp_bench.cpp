// Speed of the real-op-amp work: pre-correction of one section (target 1 ms), the noise of a 12th-order
// filter over 200 points (target 2 ms), and the swing and slew checks of a section and of a whole filter.
#include "cascade/cascade.h"
#include "design/model_session.h"
#include "opamp/cascade_checks.h"
#include "opamp/cascade_noise.h"
#include "opamp/noise.h"
#include "opamp/opamp_catalogue.h"
#include "opamp/precorrection.h"
#include "opamp/signal_checks.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace torvel {
namespace {

DesignRecord synthesised(FilterType type, double fo, double Q, const char* fn = "")
{
    ModelSession s;
    s.panel.checkRadio(type);
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", fo);
    s.panel.setFieldText(Field::Fo, text);
    std::snprintf(text, sizeof text, "%.6g", Q);
    s.panel.setFieldText(Field::Q, text);
    s.panel.setFieldText(Field::H, "1");
    s.panel.setFieldText(Field::Fn, fn);
    (void)s.designer.synthesize();
    return s.designer.record();
}

void precorrection(benchmark::State& state)
{
    // TL071 under a 20 kHz, Q 5 transmission-zero section: 4 Q fo / GBW = 0.13, E24.
    const DesignRecord record = synthesised(FilterType::TzfLow, 20e3, 5, "40k");
    const OpAmpModel opAmp = opAmpByName("TL071")->model();
    for (auto _ : state)
        benchmark::DoNotOptimize(precorrect(record, FilterType::TzfLow, opAmp));
    state.SetLabel("one section, TZF (Wo<Wn), 4 Q fo / GBW = 0.13");
}
BENCHMARK(precorrection)->Unit(benchmark::kMicrosecond);

// A twelfth-order elliptic low-pass at 1 kHz as the cascade library builds it (six sections of four
// op-amps, E24), NE5532 throughout.
cascade::Cascade twelfthOrderElliptic()
{
    cascade::CascadeRequest request;
    request.filter.approximation = approx::Approximation::Elliptic;
    request.filter.order = 12;
    request.filter.fcHz = 1000;
    request.filter.rippleDb = 0.5;
    request.filter.attenuationDb = 80;
    return *cascade::designCascade(request).cascade;
}

void cascadeNoise(benchmark::State& state)
{
    const cascade::Cascade filter = twelfthOrderElliptic();
    const std::vector<NoiseSection> sections = cascadeNoiseSections(filter, *opAmpByName("NE5532"));
    NoiseSettings settings;  // 10 Hz ... 100 kHz
    settings.points = 200;
    const NoiseBand passband = passbandOf(filter);  // 1 Hz ... 1 kHz
    settings.bandLowHz = passband.lowHz;
    settings.bandHighHz = passband.highHz;
    for (auto _ : state)
        benchmark::DoNotOptimize(outputNoise(sections, settings));
    state.SetLabel(std::to_string(sections.size()) + " sections (12th-order elliptic), 200 points and the passband's total");
}
BENCHMARK(cascadeNoise)->Unit(benchmark::kMicrosecond);

void cascadeChecks(benchmark::State& state)
{
    const cascade::Cascade filter = twelfthOrderElliptic();
    const OpAmpFigures opAmp = *opAmpByName("NE5532");
    // The filter window's span: the decade below the lowest section to the decade above the highest.
    for (auto _ : state)
        benchmark::DoNotOptimize(checkCascadeSignal(filter, opAmp, 1, 100, 10e3));
    state.SetLabel("24 op-amps along a 12th-order elliptic, 100 Hz - 10 kHz, single-pole");
}
BENCHMARK(cascadeChecks)->Unit(benchmark::kMillisecond);

void signalChecks(benchmark::State& state)
{
    const CircuitComponents parts = componentsOf(synthesised(FilterType::Hpf, 1000, 2));
    const OpAmpFigures opAmp = *opAmpByName("NE5532");
    for (auto _ : state)
        benchmark::DoNotOptimize(checkSignal(parts, FilterType::Hpf, opAmp, 1, 1, 1e6));
    state.SetLabel("four outputs, 1 Hz - 1 MHz");
}
BENCHMARK(signalChecks)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace torvel
