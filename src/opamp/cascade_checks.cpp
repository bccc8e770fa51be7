#include "opamp/cascade_checks.h"

#include "cascade/cascade_response.h"

#include <complex>

namespace torvel {
namespace {

// Fewer steps than a section's search: each one solves every section up to the output's, and 30 steps
// already narrow the bracket (a hundredth of a decade) to 1e-8 of a decade, far below what a check at its
// limit can tell.
constexpr int kGoldenSteps = 30;

}  // namespace

CascadeSignalChecks checkCascadeSignal(const cascade::Cascade& c, const OpAmpFigures& opAmp, double amplitudeV,
                                       double fromHz, double toHz)
{
    CascadeSignalChecks checks;
    checks.amplitudeV = amplitudeV;
    checks.fromHz = fromHz;
    checks.toHz = toHz;
    const OpAmpModel model = opAmp.model();
    std::vector<std::pair<int, int>> where;  // section, op-amp of each output in cascade order
    for (std::size_t k = 0; k < c.sections.size(); ++k)
        for (int a = 0; a < c.sections[k].circuit.opAmpCount(); ++a)
            where.emplace_back(static_cast<int>(k), a);
    std::vector<std::complex<double>> outputs;
    const std::vector<OutputExtremes> extremes = findOutputExtremes(
        where.size(),
        [&](double f, std::span<double> out) {
            cascade::opAmpOutputs(c, model, f, outputs);
            for (std::size_t k = 0; k < out.size(); ++k)
                out[k] = std::abs(outputs[k]);
        },
        [&](std::size_t k, double f) { return std::abs(cascade::opAmpOutput(c, model, where[k].first, where[k].second, f)); },
        fromHz, toHz, kGoldenSteps);
    for (std::size_t k = 0; k < where.size(); ++k) {
        const auto [section, amplifier] = where[k];
        const std::string name = "第" + std::to_string(section + 1) + "段 A" + std::to_string(amplifier + 1);
        checks.outputs.push_back(
            {section, judgeOutput(static_cast<OpAmp>(amplifier), extremes[k], opAmp, amplitudeV, name, checks.warnings)});
    }
    return checks;
}

}  // namespace torvel
