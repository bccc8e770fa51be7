#include "approx/sections.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>
#include <tuple>

namespace torvel::approx {

namespace {

using Complex = std::complex<double>;

constexpr double kTwoPi = 2 * std::numbers::pi;
// A root this close to an axis, relative to its magnitude, is on it: the transformations leave
// rounding-level real parts on zeros that are exactly on the jw axis.
constexpr double kAxisTolerance = 1e-9;
// Conjugate partners agree to rounding; this much apart they belong to different pairs.
constexpr double kPairTolerance = 1e-9;
// Poles are real when the prototype's are: the transformations keep their imaginary parts exactly 0.
constexpr double kRealPoleTolerance = 1e-12;
// A zero this small against the largest pole is at the origin; the transformations put those at exact 0.
constexpr double kOriginTolerance = 1e-12;
// A zero pair this close to its poles' frequency, relatively, is a notch.
constexpr double kNotchTolerance = 1e-9;

// The denominator of one section: a complex pair, two real poles, or one real pole.
struct PoleGroup {
    double a0 = 0, a1 = 0;  // s^2 + a1 s + a0, or s + a0 for a first-order group
    bool firstOrder = false;
    std::optional<double> zeroOmega;  // the jw zero pair assigned to it
    double omega0() const { return firstOrder ? a0 : std::sqrt(a0); }
};

std::string describe(Complex root)
{
    std::ostringstream out;
    out.precision(6);
    out << root.real() << (root.imag() < 0 ? " - j" : " + j") << std::abs(root.imag()) << " rad/s";
    return out.str();
}

std::string hz(double omega)
{
    std::ostringstream out;
    out.precision(6);
    out << omega / kTwoPi << " Hz";
    return out.str();
}

// Roots as the upper members of their conjugate pairs and those on the real axis; `unpaired` is a root
// off the axis whose conjugate is missing.
struct PairSplit {
    std::vector<Complex> upper;
    std::vector<Complex> onRealAxis;
    std::optional<Complex> unpaired;
};

PairSplit splitConjugatePairs(const std::vector<Complex>& roots, double axisTolerance)
{
    PairSplit out;
    std::vector<Complex> lower;
    for (const Complex& r : roots) {
        if (std::abs(r.imag()) <= axisTolerance * std::abs(r))
            out.onRealAxis.push_back(r);
        else
            (r.imag() > 0 ? out.upper : lower).push_back(r);
    }
    for (const Complex& u : out.upper) {
        const auto partner = std::find_if(lower.begin(), lower.end(),
                                          [&](Complex l) { return std::abs(l - std::conj(u)) <= kPairTolerance * std::abs(u); });
        if (partner == lower.end()) {
            out.unpaired = u;
            return out;
        }
        lower.erase(partner);
    }
    if (!lower.empty())
        out.unpaired = lower.front();
    return out;
}

Section makeSection(const PoleGroup& g, ResponseKind kind)
{
    Section s;
    const double w0 = g.omega0();
    s.foHz = w0 / kTwoPi;
    if (g.firstOrder) {
        s.denominator = {g.a0, 1, 0};
        const bool lowPass = kind == ResponseKind::LowPass;
        s.kind = lowPass ? SectionKind::FirstOrderLp : SectionKind::FirstOrderHp;
        s.numerator = lowPass ? std::array<double, 3>{1, 0, 0} : std::array<double, 3>{0, 1, 0};
        s.unitGain = lowPass ? 1 / w0 : 1;
        return s;
    }
    s.denominator = {g.a0, g.a1, 1};
    s.q = w0 / g.a1;
    if (g.zeroOmega) {
        const double wn = *g.zeroOmega;
        s.fnHz = wn / kTwoPi;
        s.numerator = {wn * wn, 0, 1};
        if (std::abs(wn / w0 - 1) <= kNotchTolerance)
            s.kind = SectionKind::Notch;
        else
            s.kind = wn > w0 ? SectionKind::TzfLow : SectionKind::TzfHigh;
        s.unitGain = s.kind == SectionKind::TzfLow ? wn * wn / g.a0 : 1;
        return s;
    }
    switch (kind) {
    case ResponseKind::LowPass:
        s.kind = SectionKind::Lpf;
        s.numerator = {1, 0, 0};
        s.unitGain = 1 / g.a0;
        break;
    case ResponseKind::HighPass:
        s.kind = SectionKind::Hpf;
        s.numerator = {0, 0, 1};
        break;
    case ResponseKind::BandPass:
    case ResponseKind::BandStop:  // a band-stop section always has its zero pair; refused before this
        s.kind = SectionKind::Bpf;
        s.numerator = {0, 1, 0};
        s.unitGain = 1 / g.a1;  // s / (s^2 + a1 s + a0) at s = j w0: 1 / a1 = Q / w0
        break;
    }
    return s;
}

// Zeros at the origin and at infinity each section without a zero pair needs, per response kind.
struct PlainZeros {
    int atOrigin = 0, atInfinity = 0;
};

std::optional<PlainZeros> plainZerosNeeded(const PoleGroup& g, ResponseKind kind)
{
    switch (kind) {
    case ResponseKind::LowPass: return g.firstOrder ? PlainZeros{0, 1} : PlainZeros{0, 2};
    case ResponseKind::HighPass: return g.firstOrder ? PlainZeros{1, 0} : PlainZeros{2, 0};
    case ResponseKind::BandPass: return g.firstOrder ? std::nullopt : std::optional(PlainZeros{1, 1});
    case ResponseKind::BandStop: return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::string_view sectionKindName(SectionKind kind)
{
    switch (kind) {
    case SectionKind::Lpf: return "LPF";
    case SectionKind::Hpf: return "HPF";
    case SectionKind::Bpf: return "BPF";
    case SectionKind::TzfLow: return "TZF (Wo<Wn)";
    case SectionKind::TzfHigh: return "TZF (Wn<Wo)";
    case SectionKind::Notch: return "Notch (Wo=Wn)";
    case SectionKind::FirstOrderLp: return "first-order LPF";
    case SectionKind::FirstOrderHp: return "first-order HPF";
    }
    return "unknown section";
}

std::complex<double> sectionResponse(const Section& section, double frequencyHz)
{
    const Complex s(0, kTwoPi * frequencyHz);
    const auto& n = section.numerator;
    const auto& d = section.denominator;
    return (n[0] + s * (n[1] + s * n[2])) / ((d[0] + s * (d[1] + s * d[2])) * section.unitGain);
}

SectionSplit splitIntoSections(const Zpk& filter, ResponseKind kind)
{
    double scale = 0;
    for (const Complex& p : filter.poles) {
        if (!std::isfinite(p.real()) || !std::isfinite(p.imag()) || p.real() >= 0)
            return {std::nullopt, "The pole at " + describe(p) + " is not in the left half-plane: no section can make it."};
        scale = std::max(scale, std::abs(p));
    }
    if (filter.zeros.size() > filter.poles.size())
        return {std::nullopt, "The filter has more zeros than poles: no section can make it."};

    const PairSplit poles = splitConjugatePairs(filter.poles, kRealPoleTolerance);
    if (poles.unpaired)
        return {std::nullopt, "The pole at " + describe(*poles.unpaired) + " has no conjugate partner."};
    std::vector<PoleGroup> groups;
    for (const Complex& p : poles.upper)
        groups.push_back({std::norm(p), -2 * p.real(), false, std::nullopt});
    std::vector<double> realPoles;
    for (const Complex& p : poles.onRealAxis)
        realPoles.push_back(p.real());
    std::sort(realPoles.begin(), realPoles.end());
    if (isBand(kind)) {
        if (realPoles.size() % 2)
            return {std::nullopt, "A real pole of the " + std::string(responseKindName(kind))
                                      + " filter has no partner to make a second-order section with."};
        for (std::size_t i = 0; i < realPoles.size(); i += 2)
            groups.push_back({realPoles[i] * realPoles[i + 1], -(realPoles[i] + realPoles[i + 1]), false, std::nullopt});
    } else {
        for (double p : realPoles)
            groups.push_back({-p, 0, true, std::nullopt});
    }

    int atOrigin = 0;
    std::vector<Complex> onAxis;
    for (const Complex& z : filter.zeros) {
        if (std::abs(z) <= kOriginTolerance * scale)
            ++atOrigin;
        else if (std::abs(z.real()) <= kAxisTolerance * std::abs(z))
            onAxis.push_back(z);
        else
            return {std::nullopt, "The zero at " + describe(z)
                                      + " is off the jw axis: these sections make zeros only on the jw axis and at the origin."};
    }
    const PairSplit zeros = splitConjugatePairs(onAxis, 0);
    if (zeros.unpaired)
        return {std::nullopt, "The zero at " + describe(*zeros.unpaired) + " has no conjugate partner."};
    std::size_t secondOrder = 0;
    for (const PoleGroup& g : groups)
        secondOrder += g.firstOrder ? 0 : 1;
    if (zeros.upper.size() > secondOrder)
        return {std::nullopt, std::to_string(zeros.upper.size()) + " zero pairs on the jw axis for "
                                  + std::to_string(secondOrder)
                                  + " pole pairs: a section would need two zero pairs, which this circuit cannot make."};

    // Nearest first in log frequency; ties go to the lower-numbered zero pair and group, so the same
    // filter always splits the same way.
    struct Candidate {
        double distance;
        std::size_t zero, group;
    };
    std::vector<Candidate> candidates;
    for (std::size_t z = 0; z < zeros.upper.size(); ++z)
        for (std::size_t g = 0; g < groups.size(); ++g)
            if (!groups[g].firstOrder)
                candidates.push_back({std::abs(std::log(zeros.upper[z].imag() / groups[g].omega0())), z, g});
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return std::tie(a.distance, a.zero, a.group) < std::tie(b.distance, b.zero, b.group);
    });
    std::vector<bool> zeroTaken(zeros.upper.size());
    for (const Candidate& c : candidates) {
        if (zeroTaken[c.zero] || groups[c.group].zeroOmega)
            continue;
        zeroTaken[c.zero] = true;
        groups[c.group].zeroOmega = zeros.upper[c.zero].imag();
    }

    PlainZeros left{atOrigin, static_cast<int>(filter.poles.size() - filter.zeros.size())};
    std::vector<Section> sections;
    for (const PoleGroup& g : groups) {
        if (!g.zeroOmega) {
            const auto needed = plainZerosNeeded(g, kind);
            if (!needed || needed->atOrigin > left.atOrigin || needed->atInfinity > left.atInfinity)
                return {std::nullopt, "The poles at " + hz(g.omega0()) + " have no zeros left that make a section of a "
                                          + std::string(responseKindName(kind)) + " filter."};
            left.atOrigin -= needed->atOrigin;
            left.atInfinity -= needed->atInfinity;
        }
        sections.push_back(makeSection(g, kind));
    }
    // Every section took as many zeros as it has poles, and the filter has as many zeros (those at
    // infinity counted) as poles: none can be left over.

    // Sections whose Q agree to rounding (the two a band-pass makes of one prototype pair) go by
    // frequency, whichever way the last bit of Q fell.
    const auto order = [](const Section& s) {
        return std::tuple(!isFirstOrder(s.kind), s.q ? std::llround(std::log(*s.q) * 1e9) : 0LL, s.foHz);
    };
    std::sort(sections.begin(), sections.end(), [&](const Section& a, const Section& b) { return order(a) < order(b); });
    return {std::move(sections), {}};
}

}  // namespace torvel::approx
