// The split into sections: which section types a filter becomes and in what order, the unit gains in
// each type's own sense, the cascade that rebuilds the filter at gain G, and the filters no section set
// of this circuit can make.
#include "approx/filter_design.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace torvel::approx {
namespace {

using K = SectionKind;

FilterDesign design(ResponseKind kind, Approximation a, int order, double bandwidthHz = 300, double gain = 1)
{
    const DesignResult r = designFilter({kind, a, order, 1000, bandwidthHz, std::nullopt, 1, 40, gain});
    EXPECT_TRUE(r.design) << r.error;
    return r.design.value_or(FilterDesign{});
}

struct KindsRow {
    const char* name;
    ResponseKind kind;
    Approximation approximation;
    int order;
    double bandwidthHz;
    std::vector<SectionKind> sections;
};

class SectionKinds : public ::testing::TestWithParam<KindsRow> {};

TEST_P(SectionKinds, FollowFromPolesAndZerosInOrderOfQ)
{
    const KindsRow& row = GetParam();
    std::vector<SectionKind> kinds;
    for (const Section& s : design(row.kind, row.approximation, row.order, row.bandwidthHz).sections)
        kinds.push_back(s.kind);
    EXPECT_EQ(kinds, row.sections);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, SectionKinds,
    ::testing::Values(
        KindsRow{"odd_lowpass_real_pole_is_first_order_and_first", ResponseKind::LowPass, Approximation::Butterworth, 3, 0, {K::FirstOrderLp, K::Lpf}},
        KindsRow{"highpass_pairs_take_two_zeros_at_origin", ResponseKind::HighPass, Approximation::Chebyshev, 4, 0, {K::Hpf, K::Hpf}},
        KindsRow{"elliptic_lowpass_zeros_lie_above_poles", ResponseKind::LowPass, Approximation::Elliptic, 5, 0, {K::FirstOrderLp, K::TzfLow, K::TzfLow}},
        KindsRow{"inverse_chebyshev_highpass_zero_lies_below_pole", ResponseKind::HighPass, Approximation::InverseChebyshev, 3, 0, {K::FirstOrderHp, K::TzfHigh}},
        KindsRow{"bandpass_doubles_the_sections", ResponseKind::BandPass, Approximation::Butterworth, 2, 300, {K::Bpf, K::Bpf}},
        KindsRow{"wide_bandpass_pairs_two_real_poles", ResponseKind::BandPass, Approximation::Chebyshev, 1, 3000, {K::Bpf}},
        // The real prototype pole becomes the notch at the centre (lowest Q); the pair's two sections
        // have equal Q, the lower one first, its zero (at the centre) above it.
        KindsRow{"bandstop_real_pole_is_the_notch", ResponseKind::BandStop, Approximation::Butterworth, 3, 300, {K::Notch, K::TzfLow, K::TzfHigh}},
        // Two zero pairs for three pole pairs: the centre pair, farthest from the zeros, stays a BPF.
        KindsRow{"odd_elliptic_bandpass_keeps_one_bpf", ResponseKind::BandPass, Approximation::Elliptic, 3, 300, {K::Bpf, K::TzfHigh, K::TzfLow}},
        KindsRow{"elliptic_bandstop_zeros_between_poles", ResponseKind::BandStop, Approximation::Elliptic, 2, 300, {K::TzfLow, K::TzfHigh}}),
    [](const ::testing::TestParamInfo<KindsRow>& row) { return std::string(row.param.name); });

TEST(Sections, WideBandRealPolePairHasCentreFrequencyAndLowQ)
{
    // Prototype pole -1/epsilon (epsilon^2 = 10^0.1 - 1) becomes s^2 + (B / epsilon) s + w0^2:
    // fo = 1000 Hz, Q = 1000 epsilon / 3000.
    const Section s = design(ResponseKind::BandPass, Approximation::Chebyshev, 1, 3000).sections.at(0);
    EXPECT_NEAR(s.foHz, 1000, 1e-9);
    EXPECT_NEAR(*s.q, std::sqrt(std::pow(10, 0.1) - 1) / 3, 1e-12);
}

// The frequency at which a section's own-sense gain is defined.
double referenceHz(const Section& s)
{
    switch (s.kind) {
    case K::Lpf:
    case K::TzfLow:
    case K::FirstOrderLp: return 0;
    case K::Bpf: return s.foHz;
    default: return 1e9 * s.foHz;  // high frequency
    }
}

TEST(Sections, ResponseIsOneAtTheOwnSenseReferenceAndTheCascadeIsTheFilter)
{
    const double gain = 2.5;
    for (Approximation a : {Approximation::Butterworth, Approximation::Chebyshev, Approximation::Bessel,
                            Approximation::InverseChebyshev, Approximation::Elliptic}) {
        for (ResponseKind kind : {ResponseKind::LowPass, ResponseKind::HighPass, ResponseKind::BandPass, ResponseKind::BandStop}) {
            for (int order : {5, 6}) {
                const FilterDesign d = design(kind, a, order, 400, gain);
                const std::string label = std::string(approximationName(a)) + " " + std::string(responseKindName(kind)) + " " + std::to_string(order);
                for (const Section& s : d.sections)
                    EXPECT_LT(std::abs(sectionResponse(s, referenceHz(s)) - 1.0), 1e-6) << label << " " << sectionKindName(s.kind);
                for (std::size_t i = 1; i < d.sections.size(); ++i) {
                    const Section &p = d.sections[i - 1], &s = d.sections[i];
                    EXPECT_TRUE(isFirstOrder(p.kind) || (s.q && *s.q >= *p.q * (1 - 1e-9))) << label << ": not in order of Q";
                }
                // Over six decades the highest gain, which is the passband's, is G.
                double highest = 0;
                for (int i = 0; i <= 40000; ++i) {
                    const double f = 1000 * std::pow(10.0, (i - 20000) / 6666.67);
                    std::complex<double> cascade = d.cascadeGain;
                    for (const Section& s : d.sections)
                        cascade *= sectionResponse(s, f);
                    const std::complex<double> h = filterResponse(d, f);
                    if (i % 1000 == 0) {
                        EXPECT_LT(std::abs(cascade - h), 1e-9 * gain) << label << " at " << f << " Hz";
                    }
                    highest = std::max(highest, std::abs(h));
                }
                EXPECT_LE(highest, gain * (1 + 1e-9)) << label;
                EXPECT_GE(highest, gain * (1 - 1e-4)) << label;
            }
        }
    }
}

struct RefusedRow {
    const char* name;
    ResponseKind kind;
    std::vector<std::complex<double>> zeros, poles;
    const char* reason;
};

class RefusedSplit : public ::testing::TestWithParam<RefusedRow> {};

TEST_P(RefusedSplit, SaysWhy)
{
    const RefusedRow& row = GetParam();
    const SectionSplit split = splitIntoSections({row.zeros, row.poles, 1}, row.kind);
    EXPECT_FALSE(split.sections);
    EXPECT_NE(split.error.find(row.reason), std::string::npos) << split.error;
}

using C = std::complex<double>;
const std::vector<C> kPair{{-1, 10}, {-1, -10}};

INSTANTIATE_TEST_SUITE_P(
    Filters, RefusedSplit,
    ::testing::Values(
        RefusedRow{"zero_off_the_jw_axis", ResponseKind::LowPass, {{-2, 5}, {-2, -5}}, kPair, "off the jw axis"},
        RefusedRow{"two_zero_pairs_for_one_pole_pair", ResponseKind::LowPass, {{0, 5}, {0, -5}, {0, 20}, {0, -20}},
                   {{-1, 10}, {-1, -10}, {-3, 0}, {-4, 0}}, "two zero pairs"},
        RefusedRow{"zero_without_its_conjugate", ResponseKind::LowPass, {{0, 5}, {0, 6}}, kPair, "no conjugate partner"},
        RefusedRow{"lone_real_pole_in_a_bandpass", ResponseKind::BandPass, {}, {{-3, 0}}, "no partner"},
        RefusedRow{"pole_in_the_right_half_plane", ResponseKind::LowPass, {}, {{1, 10}, {1, -10}}, "left half-plane"},
        RefusedRow{"bandstop_pair_without_its_zero_pair", ResponseKind::BandStop, {}, kPair, "no zeros left"},
        RefusedRow{"lowpass_pair_in_a_highpass", ResponseKind::HighPass, {}, kPair, "no zeros left"}),
    [](const ::testing::TestParamInfo<RefusedRow>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace torvel::approx
