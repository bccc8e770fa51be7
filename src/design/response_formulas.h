// The second-order section's response, as formulas: the one place for the loop's peak factor, the
// transmission-zero magnitude |T| and where it peaks, and 2 pi.
//
// The transmission-zero response with natural frequency f0, quality factor Q and zero frequency fn is
//   |T(f)| = |r - x^2| / sqrt((1 - x^2)^2 + (x/Q)^2),  x = f/f0, r = (fn/f0)^2,
// 1 at high frequency and r at DC. A second-order low-pass peaks above its DC gain by
//   Q / sqrt(1 - 1/(4 Q^2))  for Q above 1/sqrt(2),
// and a high-pass above its high-frequency gain by the same factor. All arithmetic is checked: a zero
// divisor or a NaN in a comparison ends the running command.
#pragma once

#include "values/checked_real.h"

namespace torvel {

inline constexpr double kTwoPi = 6.283185307179586;

/// Where a low-pass starts to peak, as the peak report has always judged it: Q above this has a peak.
/// Deliberately not 1/sqrt(2) to the last digit: the reported peaks must stay what they have always been.
inline constexpr double kPeakThreshold = 0.707106782;

/// The same threshold as the synthesis has always used it for sizing R2 and the summing stage's R4. The
/// two differ only for 0.7071 < Q <= 0.707106782, where the factor is 1 within 3e-5; they stay apart so
/// that both the designed parts and the reported peaks keep coming out as they always have.
inline constexpr double kLoopPeakThreshold = 0.7071;

/// sqrt(1 - 1/(4 Q^2)): a low-pass of quality Q peaks at Q over this times its DC gain.
Real peakRadical(Real Q);

/// The peak of a second-order low-pass (or high-pass) relative to its passband gain: Q / peakRadical(Q)
/// above `threshold`, otherwise 1 (no peak).
Real LowPassPeakFactor(Real Q, double threshold = kPeakThreshold);

/// sqrt(1 - 1/(2 Q^2)): where a peaking low-pass has its maximum, in units of f0 (a high-pass at the
/// reciprocal).
Real lowPassPeakFrequencyRatio(Real Q);

/// |T| at x = f/f0 for the zero ratio r = (fn/f0)^2.
Real TzfMagnitude(Real x, Real r, Real Q);

/// Frequency of the maximum of |T| (unit of f0). 0 for f0 == fn or a maximum at DC; 10000 * f0 for a
/// high-pass notch that keeps rising, standing for "at very high frequency".
Real TzfPeakFrequency(Real Q, Real f0, Real fn);

/// Maximum of |T| relative to the passband gain (DC gain r when fn > f0, otherwise 1), as a ratio.
Real TzfPeakLevel(Real Q, Real f0, Real fn);

}  // namespace torvel
