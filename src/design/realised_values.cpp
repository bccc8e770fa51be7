#include "design/realised_values.h"

#include "design/filter_types.h"

#include <cmath>
#include <cstdio>

namespace torvel {
namespace {

RealisedValue compare(std::string_view name, double wanted, double realised)
{
    return {name, wanted, realised, wanted != 0 ? (realised / wanted - 1) * 100 : 0};
}

double realisedGain(const DesignRecord& r, FilterType type)
{
    switch (type) {
    case FilterType::Lpf: return (r.r(3) / r.r(4)).value();  // DC gain at A3
    case FilterType::Bpf: return (r.r(1) / r.r(4)).value();  // gain at fo at A1
    case FilterType::TzfLow: {
        // The passband is at DC, where the summing stage's gain R10/R9 is scaled by (fn/fo)^2.
        const double ratio = (r.ActualFn / r.ActualFo).value();
        return (r.r(10) / r.r(9)).value() * ratio * ratio;
    }
    default: return (r.r(10) / r.r(9)).value();  // high-frequency gain of A4
    }
}

}  // namespace

RealisedValues realisedValues(const DesignRecord& record, FilterType type)
{
    RealisedValues out;
    out.values[0] = compare("H", record.H.value(), realisedGain(record, type));
    out.values[1] = compare("fo", record.fo.value(), record.ActualFo.value());
    out.values[2] = compare("Q", record.Q.value(), record.ActualQ.value());
    if (filterTypeInfo(type).hasZero) {
        out.values[3] = compare("fn", record.fn.value(), record.ActualFn.value());
        out.count = 4;
    }
    return out;
}

std::string errorPercentText(double errorPercent, int decimals, bool plusSign)
{
    char text[64];
    std::snprintf(text, sizeof text, plusSign ? "%+.*f" : "%.*f", decimals, errorPercent);
    const std::string shown(text);
    // Only zeros after the sign: the value rounds to zero at this precision.
    if (shown.find_first_not_of("+-0.") == std::string::npos)
        return shown.substr(shown[0] == '+' || shown[0] == '-' ? 1 : 0);
    return shown;
}

}  // namespace torvel
