// Magnitude response of the second-order section: where the transmission-zero response peaks, how high,
// and the peak of a low-pass (or high-pass) response relative to its passband.
//
// The transmission-zero response with natural frequency f0, quality factor Q and zero frequency fn is
//   |T(f)| = |r - x^2| / sqrt((1 - x^2)^2 + (x/Q)^2),  x = f/f0, r = (fn/f0)^2,
// 1 at high frequency and r at DC. All arithmetic is checked: a zero divisor or a NaN in a comparison
// ends the running command.
#pragma once

#include "values/checked_real.h"

namespace torvel {

/// Q above this has a low-pass peak. Deliberately not 1/sqrt(2) to the last digit, and not the loop
/// synthesis threshold 0.7071 either: the reported peaks must stay what they have always been.
inline constexpr double kPeakThreshold = 0.707106782;

/// Frequency of the maximum of |T| (unit of f0). 0 for f0 == fn or a maximum at DC; 10000 * f0 for a
/// high-pass notch that keeps rising, standing for "at very high frequency".
Real TzfPeakFrequency(Real Q, Real f0, Real fn);

/// Maximum of |T| relative to the passband gain (DC gain r when fn > f0, otherwise 1), as a ratio.
Real TzfPeakLevel(Real Q, Real f0, Real fn);

/// Maximum of a second-order low-pass response relative to its DC gain; 1 up to kPeakThreshold.
Real LowPassPeakFactor(Real Q);

}  // namespace torvel
