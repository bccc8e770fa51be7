// Roots and pairs of roots: the root finder the loop's fo and Q stand on.
#include "opamp/polynomial.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace torvel {
namespace {

using Complex = std::complex<double>;

Polynomial fromRoots(std::initializer_list<Complex> roots)
{
    // Conjugate pairs are given once, with a positive imaginary part; real roots as they are.
    Polynomial p{1};
    for (Complex r : roots) {
        if (r.imag() == 0)
            p = p * Polynomial{-r.real(), 1};
        else
            p = p * Polynomial{std::norm(r), -2 * r.real(), 1};
    }
    return p;
}

TEST(Polynomial, ProductAndValue)
{
    // (1 + 2z)(3 - z) = 3 + 5z - 2z^2; at z = 2: 5 * 1 = 5.
    const Polynomial p = Polynomial{1, 2} * Polynomial{3, -1};
    EXPECT_EQ(p.degree(), 2);
    EXPECT_EQ(p[0], 3);
    EXPECT_EQ(p[1], 5);
    EXPECT_EQ(p[2], -2);
    EXPECT_EQ(p.at(2.0), Complex(5));
    EXPECT_EQ(Polynomial{}.degree(), 0);
}

TEST(Polynomial, RootsOfKnownFactors)
{
    const struct {
        const char* name;
        std::vector<Complex> roots;  // every root, conjugates included
        double tolerance;            // relative
    } rows[] = {
        {"three_real", {-1, -2, -3}, 1e-12},
        // The loop's shape: a pair at the origin's scale, op-amp poles a thousand times further out.
        {"loop_like", {Complex(-0.25, 0.968), Complex(-0.25, -0.968), -400, -800, -802}, 1e-9},
        // A double root converges only to about the square root of the working precision.
        {"double_root", {-1, -1, -50}, 1e-7},
        {"right_half_plane", {Complex(0.5, 2), Complex(0.5, -2), -7}, 1e-12},
    };
    for (const auto& row : rows) {
        Polynomial p{1};
        for (Complex r : row.roots)
            if (r.imag() >= 0)
                p = p * (r.imag() == 0 ? Polynomial{-r.real(), 1} : Polynomial{std::norm(r), -2 * r.real(), 1});
        const std::vector<Complex> found = polynomialRoots(p);
        ASSERT_EQ(found.size(), row.roots.size()) << row.name;
        for (Complex expected : row.roots) {
            double nearest = INFINITY;
            for (Complex z : found)
                nearest = std::min(nearest, std::abs(z - expected));
            EXPECT_LT(nearest, row.tolerance * std::abs(expected)) << row.name << " " << expected;
        }
    }
}

TEST(Polynomial, DominantPairIsTheTwoRootsNearestTheOrigin)
{
    // A complex pair below three real poles: z^2 + 0.5 z + 1.
    std::optional<QuadraticFactor> pair = dominantPair(fromRoots({Complex(-0.25, std::sqrt(0.9375)), -50, -60, -70}));
    ASSERT_TRUE(pair);
    EXPECT_NEAR(pair->u, 0.5, 1e-12);
    EXPECT_NEAR(pair->v, 1, 1e-12);
    // Two real roots (a loop with Q below 0.5): (z + 1)(z + 2) = z^2 + 3z + 2.
    pair = dominantPair(fromRoots({-1, -2, -10}));
    ASSERT_TRUE(pair);
    EXPECT_NEAR(pair->u, 3, 1e-12);
    EXPECT_NEAR(pair->v, 2, 1e-12);
    // A real root nearest, then a complex pair: no pair of the two nearest roots.
    EXPECT_FALSE(dominantPair(fromRoots({-1, Complex(-0.1, 2)})));
}

TEST(Polynomial, RefinedPairAndItsDominance)
{
    const Polynomial p = fromRoots({Complex(-0.25, std::sqrt(0.9375)), -3, -40});
    const std::optional<QuadraticFactor> pair = refinePair(p, {0.45, 1.1});
    ASSERT_TRUE(pair);
    EXPECT_NEAR(pair->u, 0.5, 1e-12);
    EXPECT_NEAR(pair->v, 1, 1e-12);
    EXPECT_TRUE(pairIsDominant(p, *pair));
    // From near (z + 3)(z + 40) Bairstow settles on that pair, which is not the nearest one.
    const std::optional<QuadraticFactor> outer = refinePair(p, {44, 110});
    ASSERT_TRUE(outer);
    EXPECT_NEAR(outer->v, 120, 1e-9);
    EXPECT_FALSE(pairIsDominant(p, *outer));
}

TEST(Polynomial, TaylorSeriesAtZero)
{
    // (1 + 2z) / (1 - z) = (1 + 2z)(1 + z + z^2 + ...) = 1 + 3z + 3z^2 + ...
    const std::array<double, 3> c = taylorAtZero(Polynomial{1, 2}, Polynomial{1, -1});
    EXPECT_DOUBLE_EQ(c[0], 1);
    EXPECT_DOUBLE_EQ(c[1], 3);
    EXPECT_DOUBLE_EQ(c[2], 3);
}

}  // namespace
}  // namespace torvel
