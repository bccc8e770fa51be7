#include "design/response_formulas.h"

namespace torvel {

Real peakRadical(Real Q) { return sqrt(Real(1) - Real(0.25) / (Q * Q)); }

Real LowPassPeakFactor(Real Q, double threshold)
{
    if (Q > Real(threshold))
        return Q / peakRadical(Q);
    return 1;
}

Real lowPassPeakFrequencyRatio(Real Q) { return sqrt(Real(1) - Real(1) / (Q * Real(2) * Q)); }

Real TzfMagnitude(Real x, Real r, Real Q)
{
    return abs(r - x * x) / sqrt((Real(1) - x * x) * (Real(1) - x * x) + ((x / Q) * x) / Q);
}

Real TzfPeakFrequency(Real Q, Real f0, Real fn)
{
    const Real d = f0 - fn;
    if (d == Real(0))
        return 0;  // the notch: the response is flat away from the zero
    const Real s = d / abs(d);
    const Real r = (fn / f0) * (fn / f0);
    const Real e = (r + Real(1)) / (Real(1) / (Q * Q * (r - Real(1))) + Real(2));
    const Real t = (Real(2) - Real(1) / (Q * Q * (Real(1) - Real(1) / r))) / (Real(1) / r + Real(1));
    const Real u = e * (e - t);
    if (u < Real(0))
        return 0;
    // v is the stationary point of |T|^2 in x^2.
    const Real v = s * sqrt(u) + e;
    if (v < Real(0))
        return 0;  // a low-pass notch falling from DC: the maximum is at DC
    const Real fp = f0 * sqrt(v);
    if (s > Real(0) && f0 > fp)
        return f0 * Real(10000);  // a high-pass notch rising monotonically
    return fp;
}

Real TzfPeakLevel(Real Q, Real f0, Real fn)
{
    const Real x = TzfPeakFrequency(Q, f0, fn) / f0;
    Real level = TzfMagnitude(x, (fn / f0) * fn / f0, Q);
    if (fn > f0)
        level = level * (f0 / fn) * (f0 / fn);  // refer to the DC gain r
    return level;
}

}  // namespace torvel
