// What the rounded circuit of the last synthesis really does, next to what was asked for.
#pragma once

#include "design/design_panel.h"

#include <array>
#include <string>
#include <string_view>

namespace torvel {

struct RealisedValue {
    std::string_view name;  // "H", "fo", "Q", "fn"
    double wanted = 0;
    double realised = 0;
    double errorPercent = 0;  // (realised / wanted - 1) * 100
};

struct RealisedValues {
    std::array<RealisedValue, 4> values;
    int count = 3;  // fn only for the two transmission-zero types
};

/// From the design record of a completed synthesis of `type`: the gain of the rounded resistors, the
/// realised fo and Q of the rounded loop, and the zero the rounded R8 places.
RealisedValues realisedValues(const DesignRecord& record, FilterType type);

/// An error in % with `decimals` decimals, "-" before a negative one and, with `plusSign`, "+" before a
/// positive one. An error that rounds to zero is "0.000": a sign there would only show rounding noise.
std::string errorPercentText(double errorPercent, int decimals, bool plusSign);

}  // namespace torvel
