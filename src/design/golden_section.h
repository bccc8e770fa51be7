// The maximum of a function that rises to one peak and falls again within a bracket, found by golden-section
// search: each step compares two inner points and keeps the part of the bracket holding the larger, so the
// bracket shrinks by the golden ratio per step with one new evaluation's worth of work.
#pragma once

#include <cmath>

namespace torvel {

/// Where in [a, b] `value` peaks: the middle of the bracket after `maxSteps` steps, or once it is no wider
/// than `minWidth`.
template <typename Value>
double goldenSectionMaximum(Value value, double a, double b, int maxSteps, double minWidth = 0)
{
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    for (int i = 0; i < maxSteps && b - a > minWidth; ++i) {
        const double c = b - ratio * (b - a);
        const double d = a + ratio * (b - a);
        if (value(c) > value(d))
            b = d;
        else
            a = c;
    }
    return (a + b) / 2;
}

}  // namespace torvel
