// Orders from masks: the order found meets the mask and the fit one order lower misses it, a refusal
// is right (order 12 misses too), the band reductions put the passband edges where they belong, and
// impossible masks and requests say what is wrong.
#include "approx/filter_design.h"
#include "mask_table.h"

#include <gtest/gtest.h>

#include <cmath>

namespace torvel::approx {
namespace {

double lossDb(const FilterDesign& d, double hz)
{
    return -20 * std::log10(std::abs(filterResponse(d, hz)) / d.gain);
}

// The most a design misses the mask by at any of its edges, dB; 0 or less when it meets it.
double missDb(const FilterDesign& d, const Mask& m)
{
    double miss = std::max(lossDb(d, m.passbandEdgeHz) - m.maxPassbandLossDb, m.minStopbandAttenuationDb - lossDb(d, m.stopbandEdgeHz));
    if (isBand(d.kind))
        miss = std::max({miss, lossDb(d, m.passbandUpperEdgeHz) - m.maxPassbandLossDb,
                         m.minStopbandAttenuationDb - lossDb(d, m.stopbandUpperEdgeHz)});
    return miss;
}

FilterDesign fittedAtOrder(ResponseKind kind, Approximation a, const Mask& m, int order)
{
    const MaskFitResult fit = fitMaskAtOrder(kind, a, m, order);
    EXPECT_TRUE(fit.fit) << fit.error;
    const MaskFit f = fit.fit.value_or(MaskFit{});
    const DesignResult r = designFilter({kind, a, order, f.fcHz, f.bandwidthHz, std::nullopt, f.rippleDb, f.attenuationDb, 1});
    EXPECT_TRUE(r.design) << r.error;
    return r.design.value_or(FilterDesign{});
}

struct Family {
    Approximation approximation;
    ResponseKind kind;
};

class LowestOrder : public ::testing::TestWithParam<Family> {};

TEST_P(LowestOrder, MeetsTheMaskWhereOneOrderLessMissesIt)
{
    const auto [a, kind] = GetParam();
    const std::vector<Mask> masks = tableMasks(kind);
    for (std::size_t i = 0; i < masks.size(); ++i) {
        const Mask& m = masks[i];
        const DesignResult r = designFilter({.kind = kind, .approximation = a, .mask = m});
        if (!r.design) {
            EXPECT_NE(r.error.find("the highest order offered is 12"), std::string::npos) << i << ": " << r.error;
            EXPECT_GT(missDb(fittedAtOrder(kind, a, m, kMaxOrder), m), 1e-6) << i << ": refused, yet order 12 meets it";
            continue;
        }
        EXPECT_LE(missDb(*r.design, m), 1e-9) << i << ": order " << r.design->order;
        if (r.design->order > kMinOrder) {
            EXPECT_GT(missDb(fittedAtOrder(kind, a, m, r.design->order - 1), m), 1e-6) << i << ": order " << r.design->order - 1 << " meets it";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllFamilies, LowestOrder,
    ::testing::ValuesIn([] {
        std::vector<Family> all;
        for (auto a : {Approximation::Butterworth, Approximation::Chebyshev, Approximation::Bessel,
                       Approximation::InverseChebyshev, Approximation::Elliptic})
            for (auto k : {ResponseKind::LowPass, ResponseKind::HighPass, ResponseKind::BandPass, ResponseKind::BandStop})
                all.push_back({a, k});
        return all;
    }()),
    [](const ::testing::TestParamInfo<Family>& row) {
        std::string name = std::string(approximationName(row.param.approximation)) + "_" + std::string(responseKindName(row.param.kind));
        for (char& c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(MaskFit, BandPassKeepsItsPassbandEdgesAndBandStopWidensOneToTheStopbandCentre)
{
    const DesignResult bandPass = designFilter({.kind = ResponseKind::BandPass, .approximation = Approximation::Chebyshev,
                                                .mask = Mask{800, 500, 1250, 1600, 0.5, 40}});
    ASSERT_TRUE(bandPass.design) << bandPass.error;
    EXPECT_NEAR(lossDb(*bandPass.design, 800), 0.5, 1e-9);
    EXPECT_NEAR(lossDb(*bandPass.design, 1250), 0.5, 1e-9);
    // Stopband 700 ... 1300 has its centre at sqrt(910000) Hz; the passband edge 2000 Hz moves down to
    // 910000 / 500 = 1820 Hz so that 500 and 1820 share it.
    const DesignResult bandStop = designFilter({.kind = ResponseKind::BandStop, .approximation = Approximation::Chebyshev,
                                                .mask = Mask{500, 700, 2000, 1300, 0.5, 40}});
    ASSERT_TRUE(bandStop.design) << bandStop.error;
    EXPECT_NEAR(bandStop.design->fcHz, std::sqrt(910000.0), 1e-9);
    EXPECT_NEAR(lossDb(*bandStop.design, 500), 0.5, 1e-9);
    EXPECT_NEAR(lossDb(*bandStop.design, 1820), 0.5, 1e-9);
    EXPECT_LT(lossDb(*bandStop.design, 2000), 0.5);
}

struct RefusedRow {
    const char* name;
    FilterRequest request;
    const char* reason;
};

class RefusedRequest : public ::testing::TestWithParam<RefusedRow> {};

TEST_P(RefusedRequest, SaysWhy)
{
    const DesignResult r = designFilter(GetParam().request);
    EXPECT_FALSE(r.design);
    EXPECT_NE(r.error.find(GetParam().reason), std::string::npos) << r.error;
}

using A = Approximation;
using R = ResponseKind;

Mask edges(double passband, double stopband, double ap = 1, double as = 40)
{
    return {.passbandEdgeHz = passband, .stopbandEdgeHz = stopband, .maxPassbandLossDb = ap, .minStopbandAttenuationDb = as};
}

Mask bandEdges(double passband, double stopband, double passbandUpper, double stopbandUpper)
{
    return {passband, stopband, passbandUpper, stopbandUpper, 1, 40};
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RefusedRequest,
    ::testing::Values(
        RefusedRow{"lowpass_stopband_edge_below_passband_edge", {.mask = edges(1000, 900)}, "inside the passband"},
        RefusedRow{"highpass_stopband_edge_above_passband_edge", {.kind = R::HighPass, .approximation = A::Elliptic, .mask = edges(1000, 1100)}, "inside the passband"},
        RefusedRow{"bandpass_stopband_edge_inside_the_band", {.kind = R::BandPass, .mask = bandEdges(800, 900, 1250, 1400)}, "outside the passband"},
        RefusedRow{"bandstop_passband_edge_inside_the_stopband", {.kind = R::BandStop, .mask = bandEdges(500, 400, 2000, 1900)}, "outside the stopband"},
        RefusedRow{"mask_edge_not_a_number", {.mask = edges(NAN, 2000)}, "above 0 Hz"},
        RefusedRow{"passband_loss_zero", {.mask = edges(1000, 2000, 0, 40)}, "above 0 dB"},
        RefusedRow{"attenuation_not_above_passband_loss", {.mask = edges(1000, 2000, 3, 3)}, "above the passband loss"},
        RefusedRow{"mask_needs_order_above_12", {.approximation = A::Elliptic, .mask = edges(1000, 1000.1, 0.1, 80)}, "highest order offered is 12"},
        RefusedRow{"bessel_mask_needs_order_above_12", {.approximation = A::Bessel, .mask = edges(1000, 1500)}, "order above 12"},
        RefusedRow{"order_and_mask_both", {.order = 4, .mask = edges(1000, 2000)}, "either an order or a mask"},
        RefusedRow{"neither_order_nor_mask", {}, "Give an order or a mask"},
        RefusedRow{"order_13", {.order = 13}, "from 1 to 12"},
        RefusedRow{"cutoff_zero", {.kind = R::HighPass, .approximation = A::Bessel, .order = 3, .fcHz = 0}, "cut-off frequency"},
        RefusedRow{"bandpass_without_bandwidth", {.kind = R::BandPass, .order = 3}, "bandwidth"},
        RefusedRow{"chebyshev_without_ripple", {.approximation = A::Chebyshev, .order = 3, .rippleDb = 0}, "ripple"},
        RefusedRow{"elliptic_attenuation_below_ripple", {.approximation = A::Elliptic, .order = 3, .rippleDb = 3, .attenuationDb = 2}, "above the passband ripple"},
        RefusedRow{"gain_not_positive", {.order = 3, .gain = -1}, "gain G"}),
    [](const ::testing::TestParamInfo<RefusedRow>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace torvel::approx
