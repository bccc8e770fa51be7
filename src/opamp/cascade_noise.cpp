#include "opamp/cascade_noise.h"

#include <cmath>

namespace torvel {
namespace {

// How far an open end of a passband is taken: three decades.
constexpr double kOpenEnd = 1e3;

}  // namespace

std::vector<NoiseSection> cascadeNoiseSections(const cascade::Cascade& c, const OpAmpFigures& opAmp)
{
    std::vector<NoiseSection> sections;
    sections.reserve(c.sections.size());
    for (const cascade::BuiltSection& s : c.sections) {
        NoiseSection section;
        section.opAmp = opAmp;
        if (s.circuit.isFirstOrder()) {
            section.firstOrder = s.circuit.firstOrder;
        } else {
            section.parts = s.circuit.parts;
            section.type = *s.circuit.type;
        }
        sections.push_back(std::move(section));
    }
    return sections;
}

NoiseBand passbandOf(const cascade::Cascade& c)
{
    const approx::FilterDesign& d = c.design;
    double lower = d.fcHz, upper = d.fcHz;
    if (const std::optional<approx::Mask>& m = c.request.filter.mask) {
        lower = m->passbandEdgeHz;
        upper = approx::isBand(d.kind) ? m->passbandUpperEdgeHz : m->passbandEdgeHz;
    } else if (approx::isBand(d.kind)) {
        // f1 f2 = fc^2 and f2 - f1 = bandwidth.
        const double half = d.bandwidthHz / 2;
        lower = std::sqrt(half * half + d.fcHz * d.fcHz) - half;
        upper = lower + d.bandwidthHz;
    }
    switch (d.kind) {
    case approx::ResponseKind::LowPass: return {lower / kOpenEnd, upper};
    case approx::ResponseKind::HighPass: return {lower, upper * kOpenEnd};
    case approx::ResponseKind::BandPass: return {lower, upper};
    case approx::ResponseKind::BandStop: return {lower / kOpenEnd, upper * kOpenEnd};
    }
    return {lower, upper};
}

}  // namespace torvel
