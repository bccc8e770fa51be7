// Complete and incomplete elliptic integrals of the first kind, the Jacobi functions sn, cn, dn, and the
// modulus belonging to a nome: what the elliptic prototype and the elliptic order estimate are made of.
//
// A modulus is carried with its complement k' = sqrt(1 - k^2), each computed directly where it is small,
// because elliptic filters live at both ends: k1 (ripple against attenuation) is tiny, and the
// selectivity k of a sharp filter is within 1e-6 of 1, where 1 - k^2 has lost every digit.
#pragma once

namespace torvel::approx {

struct Modulus {
    double k = 0;
    double complement = 1;  // k'

    /// The modulus given by a value in [0, 1], its complement computed without cancellation.
    static Modulus fromK(double k);
    /// The complementary modulus: k and k' swapped, for the functions of the complementary argument.
    Modulus swapped() const { return {complement, k}; }
};

/// K(k) = pi / (2 agm(1, k')); +infinity for k = 1.
double ellipticK(Modulus m);

/// F(phi, k) for 0 <= phi <= pi/2 by Carlson's symmetric integral R_F.
double ellipticF(double phi, Modulus m);

struct JacobiValues {
    double sn = 0, cn = 1, dn = 1;
};

/// sn, cn and dn of a real argument, by the descending Landen (arithmetic-geometric mean) transformation;
/// near the quarter period K from K - u, so that the small cn and dn there keep their relative precision.
JacobiValues jacobi(double u, Modulus m);

/// ln q of the modulus k, q = exp(-pi K'(k) / K(k)).
double logNome(Modulus m);

/// The modulus whose nome is exp(logNome), logNome < 0, from theta-function series: the one in q where q is
/// small, the one in the complementary nome where q is near 1, so both ends converge fast.
Modulus modulusFromLogNome(double logNome);

}  // namespace torvel::approx
