#include "approx/elliptic_functions.h"
#include "approx/prototype_families.h"

#include <cmath>

namespace torvel::approx {

// The classical construction through Jacobi's elliptic functions. With the ripple factors epsilon_p of
// the passband and epsilon_s of the stopband, the discrimination k1 = epsilon_p / epsilon_s fixes the
// selectivity k = 1 / (stopband edge) through the degree equation n K'(k1) / K(k1) = K'(k) / K(k),
// which in nomes reads q(k) = q(k1)^(1/n). At the points u_i K / n along the real period,
//   zeros  j / (k sn(u_i K / n, k)),
//   poles  j sn(u_i K / n + j v0, k),  v0 = K(k) F(atan(1 / epsilon_p), k1') / (n K(k1)),
// with u_i = 1, 3, ..., n-1 for even n and 0, 2, ..., n-1 for odd n (u = 0 gives the real pole and no
// zero). The pole formula is the addition theorem for sn of a complex argument,
//   sn(x + j y, k) = (s d1 + j c d s1 c1) / (1 - d^2 s1^2),
// with s, c, d = sn, cn, dn(x, k) and s1, c1, d1 = sn, cn, dn(y, k').
Zpk ellipticPrototype(int order, double rippleDb, double attenuationDb)
{
    const double epsilonSquared = powerRatioMinusOne(rippleDb);
    const Modulus k1 = Modulus::fromK(std::sqrt(epsilonSquared / powerRatioMinusOne(attenuationDb)));
    const Modulus k = modulusFromLogNome(logNome(k1) / order);
    const double quarterPeriod = ellipticK(k);
    const double v0 = quarterPeriod * ellipticF(std::atan(1 / std::sqrt(epsilonSquared)), k1.swapped())
        / (order * ellipticK(k1));
    const JacobiValues imaginaryPart = jacobi(v0, k.swapped());
    const double s1 = imaginaryPart.sn, c1 = imaginaryPart.cn, d1 = imaginaryPart.dn;

    Zpk zpk;
    for (int u = order % 2 == 0 ? 1 : 0; u < order; u += 2) {
        const JacobiValues realPart = jacobi(u * quarterPeriod / order, k);
        const double s = realPart.sn, c = realPart.cn, d = realPart.dn;
        const std::complex<double> upperPole = std::complex<double>(-c * d * s1 * c1, s * d1) / (1 - d * d * s1 * s1);
        zpk.poles.push_back(upperPole);
        if (u == 0)
            continue;  // s = 0: the real pole -sc(v0, k'), and no zero
        zpk.poles.push_back(std::conj(upperPole));
        const double zero = 1 / (k.k * s);
        zpk.zeros.emplace_back(0.0, zero);
        zpk.zeros.emplace_back(0.0, -zero);
    }
    zpk.gain = unitDcGain(zpk);
    if (order % 2 == 0)
        zpk.gain /= std::sqrt(1 + epsilonSquared);  // DC is at the bottom of a passband ripple
    return zpk;
}

}  // namespace torvel::approx
