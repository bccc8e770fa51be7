// Normalised low-pass prototypes of the five approximations, computed from their defining formulas.
//
// What the prototype's 1 rad/s is:
//   Butterworth, Bessel   the -3 dB frequency (Bessel normalised by magnitude, not by delay or phase);
//   Chebyshev, elliptic   the passband edge, where the gain has fallen by the ripple;
//   inverse Chebyshev     the stopband edge, where the attenuation first reaches its value.
// The highest gain in the passband is 1: an even-order Chebyshev or elliptic prototype starts at
// 10^(-ripple/20) at DC and touches 1 inside the passband.
#pragma once

#include "approx/approximation.h"
#include "approx/zpk.h"

#include <optional>

namespace torvel::approx {

/// The prototype of an order from kMinOrder to kMaxOrder. `rippleDb` (> 0) is read by Chebyshev and
/// elliptic, `attenuationDb` (> 0) by inverse Chebyshev and elliptic, where it must exceed the ripple.
/// Empty when the order or a parameter it reads is out of range.
std::optional<Zpk> lowPassPrototype(Approximation approximation, int order, double rippleDb, double attenuationDb);

}  // namespace torvel::approx
