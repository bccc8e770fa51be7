#include "search/section_transfer.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace torvel::search {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

std::complex<double> SectionTransfer::at(double frequencyHz) const
{
    const std::complex<double> s(0, kTwoPi * frequencyHz);
    return (n2 * s * s + n1 * s + n0) / (s * s + d1 * s + d0);
}

SectionTransfer sectionTransfer(const CircuitComponents& p, FilterType type)
{
    SectionTransfer t;
    t.d1 = 1 / (p.r(1) * p.C1);
    t.d0 = p.r(6) / (p.r(5) * p.r(2) * p.r(3) * p.C1 * p.C2);
    const double integrators = 1 / (p.r(4) * p.r(2) * p.C1 * p.C2);  // V2 * D
    const FilterTypeInfo& info = filterTypeInfo(type);
    switch (info.output) {
    case OpAmp::A1: t.n1 = -1 / (p.r(4) * p.C1); break;
    case OpAmp::A2: t.n0 = integrators; break;
    case OpAmp::A3: t.n0 = -(p.r(6) / p.r(5)) * integrators; break;
    case OpAmp::A4: {
        const double gain = -p.r(10) / p.r(9);
        double b0 = t.d0;
        if (info.r8From == OpAmp::A2)
            b0 += p.r(9) / p.r(8) * integrators;
        else if (info.r8From == OpAmp::A3)
            b0 -= p.r(9) / p.r(8) * (p.r(6) / p.r(5)) * integrators;
        t.n2 = gain;
        t.n1 = gain * (t.d1 - p.r(9) / (p.r(7) * p.r(4) * p.C1));
        t.n0 = gain * b0;
        break;
    }
    }
    return t;
}

SectionFigures sectionFigures(const SectionTransfer& t, FilterType type)
{
    SectionFigures f;
    const double w0 = std::sqrt(t.d0);
    f.fo = w0 / kTwoPi;
    f.Q = w0 / t.d1;
    const FilterTypeInfo& info = filterTypeInfo(type);
    switch (type) {
    case FilterType::Lpf:
    case FilterType::TzfLow: f.H = std::abs(t.n0) / t.d0; break;  // at DC
    case FilterType::Bpf: f.H = std::abs(t.n1) / t.d1; break;      // at w0, where s^2 + d0 vanishes
    default: f.H = std::abs(t.n2); break;                           // at high frequency
    }
    if (!info.hasA4) {
        f.fn = kNaN;
        return f;
    }
    const double zero = t.n0 / t.n2;
    f.fn = zero >= 0 ? std::sqrt(zero) / kTwoPi : kNaN;
    const double sTerm = t.n1 / t.n2;
    f.sTermResidual = std::abs(type == FilterType::Apf ? sTerm + t.d1 : sTerm) / t.d1;
    if (type == FilterType::Hpf)
        f.zeroResidual = std::abs(zero) / t.d0;
    return f;
}

}  // namespace torvel::search
