// The prototypes at values one can check by hand, and the meaning of their 1 rad/s for every order.
#include "approx/filter_design.h"
#include "approx/prototype.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace torvel::approx {
namespace {

double lossDb(const Zpk& zpk, double omega)
{
    return -20 * std::log10(std::abs(response(zpk, omega)));
}

struct HandRow {
    const char* name;
    Approximation approximation;
    int order;
    double foOverFc, q;  // not checked where 0
    double fnOverFc;     // 0: no zero pair
};

class HandValues : public ::testing::TestWithParam<HandRow> {};

TEST_P(HandValues, HighestQSectionMatches)
{
    const HandRow& row = GetParam();
    const DesignResult r = designFilter({ResponseKind::LowPass, row.approximation, row.order, 1000, 0, std::nullopt, 1, 40, 1});
    ASSERT_TRUE(r.design) << r.error;
    const Section& s = r.design->sections.back();
    if (row.foOverFc > 0) {
        EXPECT_NEAR(s.foHz / 1000, row.foOverFc, 1e-9);
        EXPECT_NEAR(*s.q, row.q, 1e-9);
    }
    EXPECT_NEAR(s.fnHz.value_or(0) / 1000, row.fnOverFc, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Prototypes, HandValues,
    ::testing::Values(
        // Poles at 45 degrees from the real axis: Q = 1 / (2 cos 45).
        HandRow{"butterworth_2_has_q_one_over_root_2", Approximation::Butterworth, 2, 1, 0.70710678118654752, 0},
        // The pair at 60 degrees: Q = 1 / (2 cos 60).
        HandRow{"butterworth_3_pair_has_q_1", Approximation::Butterworth, 3, 1, 1, 0},
        // epsilon^2 = 10^0.1 - 1, C = sqrt(1 + 1 / epsilon^2) = cosh(2 mu) = 2.2050207; poles
        // -sinh(mu)/sqrt 2 +- j cosh(mu)/sqrt 2, so wo^2 = C / 2 and Q = sqrt(C / (2 (C - 1))).
        HandRow{"chebyshev_1dB_2_pole_pair", Approximation::Chebyshev, 2, 1.0500049181093623, 0.956520071193359, 0},
        // 3 / (s^2 + 3 s + 3): Q = sqrt(3) / 3; -3 dB where w^4 + 3 w^2 - 9 = 0, w3 = 1.3616541, so
        // fo = sqrt(3) / w3.
        HandRow{"bessel_2_has_q_one_over_root_3", Approximation::Bessel, 2, 1.2720196495140688, 0.57735026918962576, 0},
        // Zeros at 1 / cos((2k - 1) pi / 2n): sqrt 2 for n = 2, 2 / sqrt 3 for n = 3.
        HandRow{"inverse_chebyshev_2_zero_at_root_2", Approximation::InverseChebyshev, 2, 0, 0, 1.4142135623730951},
        HandRow{"inverse_chebyshev_3_zero_at_2_over_root_3", Approximation::InverseChebyshev, 3, 0, 0, 1.1547005383792515}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Prototype, ReferenceFrequencyAndDcGainKeepTheirMeaningAtEveryOrder)
{
    const double ripple = 0.5, attenuation = 50;
    for (int n = kMinOrder; n <= kMaxOrder; ++n) {
        for (Approximation a : {Approximation::Butterworth, Approximation::Bessel}) {
            const Zpk p = *lowPassPrototype(a, n, ripple, attenuation);
            EXPECT_NEAR(lossDb(p, 1), 10 * std::log10(2.0), 1e-9) << approximationName(a) << " " << n;
            EXPECT_NEAR(lossDb(p, 0), 0, 1e-9) << approximationName(a) << " " << n;
        }
        for (Approximation a : {Approximation::Chebyshev, Approximation::Elliptic}) {
            const Zpk p = *lowPassPrototype(a, n, ripple, attenuation);
            EXPECT_NEAR(lossDb(p, 1), ripple, 1e-9) << approximationName(a) << " " << n;
            EXPECT_NEAR(lossDb(p, 0), n % 2 ? 0 : ripple, 1e-9) << approximationName(a) << " " << n;
        }
        const Zpk inverse = *lowPassPrototype(Approximation::InverseChebyshev, n, ripple, attenuation);
        EXPECT_NEAR(lossDb(inverse, 1), attenuation, 1e-9) << n;
        EXPECT_NEAR(lossDb(inverse, 0), 0, 1e-9) << n;
    }
}

TEST(Prototype, EllipticStopbandRipplesPeakAtTheAttenuation)
{
    // Between adjacent zeros the stopband rises back to exactly -attenuation (equiripple).
    const Zpk p = *lowPassPrototype(Approximation::Elliptic, 6, 0.5, 50);
    std::vector<double> zeros;
    for (const auto& z : p.zeros)
        if (z.imag() > 0)
            zeros.push_back(z.imag());
    std::sort(zeros.begin(), zeros.end());
    for (std::size_t i = 0; i + 1 < zeros.size(); ++i) {
        double leastLoss = INFINITY;
        for (int j = 1; j < 4000; ++j)
            leastLoss = std::min(leastLoss, lossDb(p, zeros[i] + (zeros[i + 1] - zeros[i]) * j / 4000.0));
        EXPECT_NEAR(leastLoss, 50, 1e-5) << "between zeros " << i << " and " << i + 1;
    }
}

struct RefusedRow {
    const char* name;
    Approximation approximation;
    int order;
    double ripple, attenuation;
};

class RefusedPrototype : public ::testing::TestWithParam<RefusedRow> {};

TEST_P(RefusedPrototype, IsEmpty)
{
    const RefusedRow& row = GetParam();
    EXPECT_FALSE(lowPassPrototype(row.approximation, row.order, row.ripple, row.attenuation));
}

INSTANTIATE_TEST_SUITE_P(
    OutOfRange, RefusedPrototype,
    ::testing::Values(RefusedRow{"order_0", Approximation::Butterworth, 0, 1, 40},
                      RefusedRow{"order_13", Approximation::Bessel, 13, 1, 40},
                      RefusedRow{"chebyshev_without_ripple", Approximation::Chebyshev, 4, 0, 40},
                      RefusedRow{"inverse_chebyshev_with_nan_attenuation", Approximation::InverseChebyshev, 4, 1, NAN},
                      RefusedRow{"elliptic_attenuation_not_above_ripple", Approximation::Elliptic, 4, 3, 3}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace torvel::approx
