// Speed of the real-op-amp work: pre-correction of one section (target 1 ms), the noise of a 12th-order
// filter as six sections in a row over 200 points (target 2 ms), and the swing and slew checks.
#include "design/model_session.h"
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

void cascadeNoise(benchmark::State& state)
{
    // A 12th-order Butterworth low-pass at 1 kHz as six synthesised sections, NE5532 throughout: the
    // stand-in for a whole filter until the cascade library builds one.
    std::vector<NoiseSection> sections;
    for (double Q : {0.5043, 0.5412, 0.6302, 0.8213, 1.3066, 3.8306})
        sections.push_back({componentsOf(synthesised(FilterType::Lpf, 1000, Q)), FilterType::Lpf, *opAmpByName("NE5532")});
    NoiseSettings settings;  // 10 Hz ... 100 kHz, the total over 20 Hz ... 20 kHz
    settings.points = 200;
    for (auto _ : state)
        benchmark::DoNotOptimize(outputNoise(sections, settings));
    state.SetLabel("6 sections, 200 points and the 20 Hz - 20 kHz total");
}
BENCHMARK(cascadeNoise)->Unit(benchmark::kMicrosecond);

void signalChecks(benchmark::State& state)
{
    const CircuitComponents parts = componentsOf(synthesised(FilterType::Hpf, 1000, 2));
    const OpAmpSpec opAmp = *opAmpByName("NE5532");
    for (auto _ : state)
        benchmark::DoNotOptimize(checkSignal(parts, FilterType::Hpf, opAmp, 1, 1, 1e6));
    state.SetLabel("four outputs, 1 Hz - 1 MHz");
}
BENCHMARK(signalChecks)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace torvel
