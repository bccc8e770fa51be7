// A designed filter split into sections of the circuit: the two-integrator loop, whose second-order
// responses are low-pass, high-pass, band-pass, or a transmission zero pair on the jw axis (with the
// summing amplifier), plus first-order sections for the real pole of an odd-order low-pass or high-pass.
#pragma once

#include "approx/approximation.h"
#include "approx/zpk.h"

#include <array>
#include <complex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvel::approx {

/// TzfLow is the low-pass notch (zero above the poles, "Wo<Wn"), TzfHigh the high-pass notch (zero
/// below, "Wn<Wo"), Notch the zero at the pole frequency.
enum class SectionKind { Lpf, Hpf, Bpf, TzfLow, TzfHigh, Notch, FirstOrderLp, FirstOrderHp };

std::string_view sectionKindName(SectionKind kind);
constexpr bool isFirstOrder(SectionKind kind)
{
    return kind == SectionKind::FirstOrderLp || kind == SectionKind::FirstOrderHp;
}

/// One section. numerator(s) / denominator(s), coefficients of s^0, s^1, s^2 with s in rad/s, is the
/// section's share of the filter's poles and zeros with both polynomials monic (zpk gain 1):
///   Lpf 1, Hpf s^2, Bpf s, TzfLow/TzfHigh/Notch s^2 + wn^2, FirstOrderLp 1, FirstOrderHp s,
/// over s^2 + (wo/Q) s + wo^2, or s + wo for the first-order ones.
struct Section {
    SectionKind kind = SectionKind::Lpf;
    double foHz = 0;
    std::optional<double> q;     // empty for first-order sections
    std::optional<double> fnHz;  // the zero pair's frequency: TzfLow, TzfHigh and Notch only
    std::array<double, 3> numerator{};
    std::array<double, 3> denominator{};
    /// The gain of numerator / denominator in the type's own sense, the H the circuit is designed for:
    /// DC for Lpf, TzfLow and FirstOrderLp; high frequency for Hpf, TzfHigh, Notch and FirstOrderHp; at fo
    /// for Bpf. A section built for H = h has the response (h / unitGain) numerator / denominator.
    double unitGain = 1;
};

/// The section's response with its own-sense gain 1 (numerator / denominator / unitGain).
std::complex<double> sectionResponse(const Section& section, double frequencyHz);

struct [[nodiscard]] SectionSplit {
    std::optional<std::vector<Section>> sections;
    std::string error;  // why the filter cannot be built from these sections, when sections is empty
};

/// Splits a filter (rad/s) into sections, ordered first-order first, then by increasing Q, then by
/// increasing fo. Each complex pole pair is one section; in a low-pass or high-pass each real pole is a
/// first-order section, in a band-pass or band-stop the real poles pair up into second-order sections.
/// Each zero pair on the jw axis goes to the pole pair nearest to it in log frequency, greedily, nearest
/// first, at most one per section; zeros at the origin and at infinity complete the rest as `kind`
/// needs (two at infinity for Lpf, two at the origin for Hpf, one of each for Bpf). Refused when a zero is
/// off the jw axis, a pole is not in the left half-plane, a section would need two zero pairs, or the
/// zeros left do not complete the sections.
SectionSplit splitIntoSections(const Zpk& filter, ResponseKind kind);

}  // namespace torvel::approx
