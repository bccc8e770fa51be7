#include "opamp/signal_checks.h"

#include "values/engineering_notation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace torvel {
namespace {

// A log grid this fine puts a grid point within 0.6 % of any peak; the golden-section search then finds
// the peak itself to far below the 0.1 % that a check near its limit needs.
constexpr int kPointsPerDecade = 200;
constexpr int kMinPoints = 400;
constexpr int kGoldenSteps = 60;
const char* const kNames[] = {"A1", "A2", "A3", "A4"};

std::string hzText(double hz)
{
    std::string text = FormatEngineering(hz, 0, 2);
    if (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text + "Hz";
}

struct Maximum {
    double logF = 0;
    double value = -1;
};

// The maximum of value(log10 f) near a grid point, by golden-section search between its neighbours.
template <typename Value>
Maximum refine(Value value, double logF, double step, double lo, double hi)
{
    double a = std::max(lo, logF - step);
    double b = std::min(hi, logF + step);
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    for (int i = 0; i < kGoldenSteps; ++i) {
        const double c = b - ratio * (b - a);
        const double d = a + ratio * (b - a);
        if (value(c) > value(d))
            b = d;
        else
            a = c;
    }
    const double mid = (a + b) / 2;
    Maximum best{logF, value(logF)};
    const double refined = value(mid);
    if (refined > best.value)
        best = {mid, refined};
    return best;
}

}  // namespace

SignalChecks checkSignal(const CircuitComponents& parts, FilterType type, const OpAmpSpec& opAmp, double amplitudeV,
                         double fromHz, double toHz)
{
    SignalChecks checks;
    checks.amplitudeV = amplitudeV;
    checks.fromHz = fromHz;
    checks.toHz = toHz;
    const OpAmpModel model = opAmp.model();
    const std::size_t outputs = filterTypeInfo(type).hasA4 ? 4 : 3;
    const double lo = std::log10(fromHz);
    const double hi = std::log10(toHz);
    const int points = std::max(kMinPoints, static_cast<int>(std::ceil((hi - lo) * kPointsPerDecade)) + 1);
    const double step = (hi - lo) / (points - 1);

    // Per output: the grid's largest |Vk| and largest f |Vk|.
    std::array<Maximum, 4> peak{};
    std::array<Maximum, 4> slope{};
    for (int i = 0; i < points; ++i) {
        const double logF = lo + step * i;
        const double f = std::pow(10.0, logF);
        const OutputVoltages v = solveCircuit(parts, type, model, f);
        for (std::size_t k = 0; k < outputs; ++k) {
            const double level = std::abs(v[k]);
            if (level > peak[k].value)
                peak[k] = {logF, level};
            if (f * level > slope[k].value)
                slope[k] = {logF, f * level};
        }
    }
    const double swing = opAmp.symmetricSwing();
    for (std::size_t k = 0; k < outputs; ++k) {
        const auto level = [&](double logF) { return std::abs(solveCircuit(parts, type, model, std::pow(10.0, logF))[k]); };
        const auto fastest = [&](double logF) { return std::pow(10.0, logF) * level(logF); };
        const Maximum p = refine(level, peak[k].logF, step, lo, hi);
        const Maximum s = refine(fastest, slope[k].logF, step, lo, hi);
        OutputCheck check;
        check.amplifier = static_cast<OpAmp>(k);
        check.peakV = p.value * amplitudeV;
        check.peakHz = std::pow(10.0, p.logF);
        check.swingMarginV = swing - check.peakV;
        check.slewNeeded = 2 * std::numbers::pi * s.value * amplitudeV;
        check.slewHz = std::pow(10.0, s.logF);
        check.slewMargin = opAmp.slewRate - check.slewNeeded;
        char line[256];
        if (check.clips()) {
            std::snprintf(line, sizeof line, "%s の出力が振幅の限界を超えます: %.3g V > %.3g V (%s)", kNames[k], check.peakV,
                          swing, hzText(check.peakHz).c_str());
            checks.warnings.emplace_back(line);
        }
        if (check.slews()) {
            std::snprintf(line, sizeof line, "%s のスルーレートが足りません: %.3g V/µs 必要 > %.3g V/µs (%s)", kNames[k],
                          check.slewNeeded * 1e-6, opAmp.slewRate * 1e-6, hzText(check.slewHz).c_str());
            checks.warnings.emplace_back(line);
        }
        checks.outputs.push_back(check);
    }
    return checks;
}

}  // namespace torvel
