#include "opamp/signal_checks.h"

#include "design/golden_section.h"
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
Maximum refine(Value value, double logF, double step, double lo, double hi, int steps)
{
    const double mid = goldenSectionMaximum(value, std::max(lo, logF - step), std::min(hi, logF + step), steps);
    Maximum best{logF, value(logF)};
    const double refined = value(mid);
    if (refined > best.value)
        best = {mid, refined};
    return best;
}

}  // namespace

std::vector<OutputExtremes> findOutputExtremes(std::size_t outputs,
                                               const std::function<void(double, std::span<double>)>& levels,
                                               const std::function<double(std::size_t, double)>& level, double fromHz,
                                               double toHz, int refineSteps)
{
    const double lo = std::log10(fromHz);
    const double hi = std::log10(toHz);
    const int points = std::max(kMinPoints, static_cast<int>(std::ceil((hi - lo) * kPointsPerDecade)) + 1);
    const double step = (hi - lo) / (points - 1);

    // Per output: the grid's largest |Vk| and largest f |Vk|.
    std::vector<Maximum> peak(outputs), slope(outputs);
    std::vector<double> at(outputs);
    for (int i = 0; i < points; ++i) {
        const double logF = lo + step * i;
        const double f = std::pow(10.0, logF);
        levels(f, at);
        for (std::size_t k = 0; k < outputs; ++k) {
            if (at[k] > peak[k].value)
                peak[k] = {logF, at[k]};
            if (f * at[k] > slope[k].value)
                slope[k] = {logF, f * at[k]};
        }
    }
    std::vector<OutputExtremes> extremes(outputs);
    for (std::size_t k = 0; k < outputs; ++k) {
        const auto levelAt = [&](double logF) { return level(k, std::pow(10.0, logF)); };
        const auto fastest = [&](double logF) { return std::pow(10.0, logF) * levelAt(logF); };
        const Maximum p = refine(levelAt, peak[k].logF, step, lo, hi, refineSteps);
        const Maximum s = refine(fastest, slope[k].logF, step, lo, hi, refineSteps);
        extremes[k] = {p.value, std::pow(10.0, p.logF), s.value, std::pow(10.0, s.logF)};
    }
    return extremes;
}

OutputCheck judgeOutput(OpAmp amplifier, const OutputExtremes& extremes, const OpAmpFigures& opAmp, double amplitudeV,
                        const std::string& name, std::vector<std::string>& warnings)
{
    const double swing = opAmp.symmetricSwing();
    OutputCheck check;
    check.amplifier = amplifier;
    check.peakV = extremes.level * amplitudeV;
    check.peakHz = extremes.levelHz;
    check.swingMarginV = swing - check.peakV;
    check.slewNeeded = 2 * std::numbers::pi * extremes.slope * amplitudeV;
    check.slewHz = extremes.slopeHz;
    check.slewMargin = opAmp.slewRate - check.slewNeeded;
    char line[256];
    if (check.clips()) {
        std::snprintf(line, sizeof line, "%s の出力が振幅の限界を超えます: %.3g V > %.3g V (%s)", name.c_str(), check.peakV,
                      swing, hzText(check.peakHz).c_str());
        warnings.emplace_back(line);
    }
    if (check.slews()) {
        std::snprintf(line, sizeof line, "%s のスルーレートが足りません: %.3g V/µs 必要 > %.3g V/µs (%s)", name.c_str(),
                      check.slewNeeded * 1e-6, opAmp.slewRate * 1e-6, hzText(check.slewHz).c_str());
        warnings.emplace_back(line);
    }
    return check;
}

SignalChecks checkSignal(const CircuitComponents& parts, FilterType type, const OpAmpFigures& opAmp, double amplitudeV,
                         double fromHz, double toHz)
{
    SignalChecks checks;
    checks.amplitudeV = amplitudeV;
    checks.fromHz = fromHz;
    checks.toHz = toHz;
    const OpAmpModel model = opAmp.model();
    const std::size_t outputs = filterTypeInfo(type).hasA4 ? 4 : 3;
    const std::vector<OutputExtremes> extremes = findOutputExtremes(
        outputs,
        [&](double f, std::span<double> out) {
            const OutputVoltages v = solveCircuit(parts, type, model, f);
            for (std::size_t k = 0; k < out.size(); ++k)
                out[k] = std::abs(v[k]);
        },
        [&](std::size_t k, double f) { return std::abs(solveCircuit(parts, type, model, f)[k]); }, fromHz, toHz,
        kGoldenSteps);
    for (std::size_t k = 0; k < outputs; ++k)
        checks.outputs.push_back(judgeOutput(static_cast<OpAmp>(k), extremes[k], opAmp, amplitudeV, kNames[k], checks.warnings));
    return checks;
}

}  // namespace torvel
