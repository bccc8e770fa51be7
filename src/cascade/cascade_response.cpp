#include "cascade/cascade_response.h"

#include "cascade/gain_split.h"
#include "design/log_grid.h"

#include <algorithm>
#include <cmath>

namespace torvel::cascade {
namespace {

double decibels(std::complex<double> v) { return 10 * std::log10(std::norm(v)); }

// Calls visit(section, opAmp, level) for every op-amp output at one frequency, levels per volt of the
// filter's input; returns the filter's output.
template <typename Visit>
std::complex<double> walkCascade(const Cascade& cascade, const OpAmpModel& opAmp, double f, Visit visit)
{
    std::complex<double> input = 1;
    for (std::size_t k = 0; k < cascade.sections.size(); ++k) {
        const SectionCircuit& circuit = cascade.sections[k].circuit;
        const OutputVoltages v = sectionOutputs(circuit, opAmp, f);
        for (int a = 0; a < circuit.opAmpCount(); ++a)
            visit(static_cast<int>(k), a, input * v[static_cast<std::size_t>(a)]);
        input *= v[static_cast<std::size_t>(circuit.outputIndex())];
    }
    return input;
}

}  // namespace

// 0 and infinity stand a decade of decades beyond the edges, where every section has long settled.
std::vector<MaskBand> maskBands(approx::ResponseKind kind, const approx::Mask& m)
{
    const double low = std::min(m.passbandEdgeHz, m.stopbandEdgeHz) * 1e-3;
    const double high = std::max({m.passbandEdgeHz, m.stopbandEdgeHz, m.passbandUpperEdgeHz, m.stopbandUpperEdgeHz}) * 1e3;
    switch (kind) {
    case approx::ResponseKind::LowPass: return {{low, m.passbandEdgeHz, true}, {m.stopbandEdgeHz, high, false}};
    case approx::ResponseKind::HighPass: return {{low, m.stopbandEdgeHz, false}, {m.passbandEdgeHz, high, true}};
    case approx::ResponseKind::BandPass:
        return {{low, m.stopbandEdgeHz, false},
                {m.passbandEdgeHz, m.passbandUpperEdgeHz, true},
                {m.stopbandUpperEdgeHz, high, false}};
    case approx::ResponseKind::BandStop:
        return {{low, m.passbandEdgeHz, true},
                {m.stopbandEdgeHz, m.stopbandUpperEdgeHz, false},
                {m.passbandUpperEdgeHz, high, true}};
    }
    return {};
}

namespace {

constexpr int kPointsPerBand = 400;

bool meets(const std::function<std::complex<double>(double)>& response, const std::vector<MaskBand>& bands,
           const approx::Mask& mask, double gain)
{
    const double gainDb = 20 * std::log10(gain);
    for (const MaskBand& band : bands) {
        for (double f : logGrid(band.from, band.to, kPointsPerBand)) {
            const double level = decibels(response(f)) - gainDb;
            if (band.pass ? level < -mask.maxPassbandLossDb - kMaskSlackDb
                          : level > -mask.minStopbandAttenuationDb + kMaskSlackDb)
                return false;
        }
    }
    return true;
}

}  // namespace

std::complex<double> builtResponse(const Cascade& cascade, const OpAmpModel& opAmp, double frequencyHz)
{
    return walkCascade(cascade, opAmp, frequencyHz, [](int, int, std::complex<double>) {});
}

void opAmpOutputs(const Cascade& cascade, const OpAmpModel& opAmp, double frequencyHz,
                  std::vector<std::complex<double>>& outputs)
{
    outputs.clear();
    walkCascade(cascade, opAmp, frequencyHz, [&](int, int, std::complex<double> v) { outputs.push_back(v); });
}

std::complex<double> opAmpOutput(const Cascade& cascade, const OpAmpModel& opAmp, int section, int opAmpIndex,
                                 double frequencyHz)
{
    std::complex<double> input = 1;
    for (int k = 0; k < section; ++k) {
        const SectionCircuit& circuit = cascade.sections[static_cast<std::size_t>(k)].circuit;
        input *= sectionOutputs(circuit, opAmp, frequencyHz)[static_cast<std::size_t>(circuit.outputIndex())];
    }
    const SectionCircuit& own = cascade.sections[static_cast<std::size_t>(section)].circuit;
    return input * sectionOutputs(own, opAmp, frequencyHz)[static_cast<std::size_t>(opAmpIndex)];
}

std::complex<double> wantedResponse(const Cascade& cascade, double frequencyHz)
{
    return approx::filterResponse(cascade.design, frequencyHz);
}

CascadeCurves cascadeCurves(const Cascade& cascade, const OpAmpModel& opAmp, double fromHz, double toHz, int points)
{
    CascadeCurves curves;
    curves.frequencyHz = logGrid(fromHz, toHz, points);
    for (std::size_t k = 0; k < cascade.sections.size(); ++k)
        for (int a = 0; a < cascade.sections[k].circuit.opAmpCount(); ++a)
            curves.opAmps.push_back({static_cast<int>(k), a, {}});
    for (OpAmpLevels& levels : curves.opAmps)
        levels.levelDb.reserve(curves.frequencyHz.size());
    curves.wanted.reserve(curves.frequencyHz.size());
    curves.built.reserve(curves.frequencyHz.size());
    for (double f : curves.frequencyHz) {
        std::size_t index = 0;
        curves.built.push_back(walkCascade(cascade, opAmp, f, [&](int, int, std::complex<double> v) {
            curves.opAmps[index++].levelDb.push_back(decibels(v));
        }));
        curves.wanted.push_back(wantedResponse(cascade, f));
    }
    return curves;
}

Headroom cascadeHeadroom(const Cascade& cascade, const OpAmpModel& opAmp)
{
    const auto [lowest, highest] = sectionFrequencyRange(cascade.design);
    Headroom h;
    const auto output = highestLevel([&](double f) { return std::abs(builtResponse(cascade, opAmp, f)); }, lowest, highest);
    h.outputDb = 20 * std::log10(output.second);

    // Which op-amp rises highest, found on the same grid the output's peak search starts from, then refined.
    std::pair<int, int> worst{0, 0};
    double worstLevel = -INFINITY;
    for (double f : logGrid(lowest * 1e-3, highest * 1e3, 240)) {
        walkCascade(cascade, opAmp, f, [&](int section, int amplifier, std::complex<double> v) {
            if (std::abs(v) > worstLevel) {
                worstLevel = std::abs(v);
                worst = {section, amplifier};
            }
        });
    }
    const auto opAmpLevel = [&](double f) {
        double level = 0;
        walkCascade(cascade, opAmp, f, [&](int section, int amplifier, std::complex<double> v) {
            if (section == worst.first && amplifier == worst.second)
                level = std::abs(v);
        });
        return level;
    };
    const auto peak = highestLevel(opAmpLevel, lowest, highest);
    h.highestOpAmpDb = 20 * std::log10(peak.second);
    h.section = worst.first;
    h.opAmp = worst.second;
    h.frequencyHz = peak.first;
    // The filter's output is an op-amp output too: nothing in the cascade is lower than it at its peak.
    if (h.highestOpAmpDb < h.outputDb) {
        h.highestOpAmpDb = h.outputDb;
        h.section = static_cast<int>(cascade.sections.size()) - 1;
        h.opAmp = cascade.sections.back().circuit.outputIndex();
        h.frequencyHz = output.first;
    }
    h.headroomDb = h.highestOpAmpDb - h.outputDb;
    return h;
}

MaskVerdict checkMask(const Cascade& cascade, const approx::Mask& mask, const OpAmpModel& opAmp)
{
    const std::vector<MaskBand> bands = maskBands(cascade.design.kind, mask);
    const double gain = cascade.design.gain;
    return {meets([&](double f) { return wantedResponse(cascade, f); }, bands, mask, gain),
            meets([&](double f) { return builtResponse(cascade, opAmp, f); }, bands, mask, gain)};
}

}  // namespace torvel::cascade
