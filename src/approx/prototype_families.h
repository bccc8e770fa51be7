// The prototype of each approximation, without the range checks of lowPassPrototype (which callers use).
#pragma once

#include "approx/zpk.h"

#include <optional>

namespace torvel::approx {

Zpk butterworthPrototype(int order);
Zpk chebyshevPrototype(int order, double rippleDb);
Zpk inverseChebyshevPrototype(int order, double attenuationDb);
/// Empty only if the root finder fails, which no order up to kMaxOrder does.
std::optional<Zpk> besselPrototype(int order);
Zpk ellipticPrototype(int order, double rippleDb, double attenuationDb);

/// 10^(dB/10) - 1 without the cancellation of small dB values: the squared ripple factor epsilon^2.
double powerRatioMinusOne(double db);

/// prod(-p) / prod(-z): the gain that makes the DC gain 1.
double unitDcGain(const Zpk& zpk);

}  // namespace torvel::approx
