// The elliptic building blocks against closed-form values and identities, for moduli from 1e-8 to within
// 1e-12 of 1, where only the complement k' still carries the digits.
#include "approx/elliptic_functions.h"
#include "approx/polynomial_roots.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace torvel::approx {
namespace {

Modulus fromComplement(double kc)
{
    return {std::sqrt((1 - kc) * (1 + kc)), kc};
}

TEST(EllipticK, MatchesClosedForms)
{
    EXPECT_DOUBLE_EQ(ellipticK(Modulus::fromK(0)), std::numbers::pi / 2);
    // K(1/sqrt 2) = Gamma(1/4)^2 / (4 sqrt(pi)).
    EXPECT_NEAR(ellipticK(Modulus::fromK(std::sqrt(0.5))), 1.8540746773013719, 1e-15);
    // Near k = 1, K = ln(4 / k') to within k'^2 ln k'.
    EXPECT_NEAR(ellipticK({1, 1e-12}), std::log(4e12), 1e-12);
}

class JacobiIdentities : public ::testing::TestWithParam<double> {};

TEST_P(JacobiIdentities, HoldOverAHalfPeriodAndInvertTheIntegral)
{
    const double kc = GetParam();
    const Modulus m = fromComplement(kc);
    const double quarter = ellipticK(m);
    for (int i = 0; i <= 40; ++i) {
        const double u = quarter * i / 20.0;
        const JacobiValues v = jacobi(u, m);
        EXPECT_NEAR(v.sn * v.sn + v.cn * v.cn, 1, 1e-14) << u;
        EXPECT_NEAR(v.dn * v.dn + m.k * m.k * v.sn * v.sn, 1, 1e-14) << u;
        // F(am(u), k) = u, am(u) = atan2(sn, cn), in the first half of the quarter period: beyond it
        // F's slope 1/dn grows to 1/k', so F of any rounded angle is that far off.
        if (i <= 10) {
            EXPECT_NEAR(ellipticF(std::atan2(v.sn, v.cn), m), u, 1e-12 * quarter) << u;
        }
    }
    const JacobiValues atQuarter = jacobi(quarter, m);
    EXPECT_NEAR(atQuarter.sn, 1, 1e-15);
    EXPECT_NEAR(atQuarter.cn, 0, 1e-15);
    EXPECT_NEAR(atQuarter.dn / kc, 1, 1e-14);  // dn(K) = k'
    // Just short of K, cn(K - w) = k' sd(w) = k' w (1 + (2 k^2 - 1) w^2 / 6) + O(w^5): small, but it
    // sets the damping of the sharpest elliptic poles, so it must keep its relative precision.
    const double w = 1e-3;
    EXPECT_NEAR(jacobi(quarter - w, m).cn / (kc * w * (1 + (2 * m.k * m.k - 1) * w * w / 6)), 1, 1e-11);
}

INSTANTIATE_TEST_SUITE_P(ComplementsFromOneToNearZero, JacobiIdentities, ::testing::Values(1.0, 0.9, 0.5, 1e-3, 1e-6));

TEST(Jacobi, ReducesToCircularAndHyperbolicFunctionsAtTheEnds)
{
    const JacobiValues circular = jacobi(0.7, Modulus::fromK(0));
    EXPECT_DOUBLE_EQ(circular.sn, std::sin(0.7));
    EXPECT_DOUBLE_EQ(circular.dn, 1);
    const JacobiValues hyperbolic = jacobi(0.7, {1, 1e-12});
    EXPECT_NEAR(hyperbolic.sn, std::tanh(0.7), 1e-12);
    EXPECT_NEAR(hyperbolic.dn, 1 / std::cosh(0.7), 1e-12);
}

TEST(ModulusFromLogNome, InvertsLogNomeAtBothEnds)
{
    // k = 1/sqrt 2 is self-complementary: its nome is exp(-pi).
    EXPECT_NEAR(logNome(Modulus::fromK(std::sqrt(0.5))), -std::numbers::pi, 1e-14);
    for (const Modulus m : {Modulus::fromK(1e-8), Modulus::fromK(0.01), Modulus::fromK(0.5), Modulus::fromK(std::sqrt(0.5)),
                            Modulus::fromK(0.99), fromComplement(1e-4), fromComplement(1e-9)}) {
        const Modulus back = modulusFromLogNome(logNome(m));
        EXPECT_NEAR(back.k / m.k, 1, 1e-13) << m.k << " " << m.complement;
        EXPECT_NEAR(back.complement / m.complement, 1, 1e-11) << m.k << " " << m.complement;
    }
}

TEST(PolynomialRoots, FindsTheThirdOrderBesselPoles)
{
    // s^3 + 6 s^2 + 15 s + 15: the delay-normalised third-order Bessel denominator.
    const auto roots = polynomialRoots({15, 15, 6, 1});
    ASSERT_TRUE(roots);
    ASSERT_EQ(roots->size(), 3u);
    EXPECT_NEAR((*roots)[0].real(), -1.8389073226, 1e-9);
    EXPECT_NEAR((*roots)[0].imag(), 1.7543809597, 1e-9);
    EXPECT_EQ((*roots)[1], std::conj((*roots)[0]));  // an exact conjugate pair, the upper one first
    EXPECT_NEAR((*roots)[2].real(), -2.3221853546, 1e-9);
    EXPECT_EQ((*roots)[2].imag(), 0);
    EXPECT_FALSE(polynomialRoots({1, 2, 0}));  // no leading coefficient
}

}  // namespace
}  // namespace torvel::approx
