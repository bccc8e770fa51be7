#include "opamp/realised_parameters.h"

#include "design/filter_types.h"
#include "opamp/section_polynomials.h"

#include <cmath>
#include <numbers>

namespace torvel {
namespace {

RealisedValue compare(std::string_view name, double wanted, double realised)
{
    return {name, wanted, realised, wanted != 0 ? (realised / wanted - 1) * 100 : 0};
}

}  // namespace

std::optional<SectionParameters> realisedParameters(const CircuitComponents& parts, FilterType type, const OpAmpModel& opAmp)
{
    const std::optional<NaturalFrequency> loop = loopNaturalFrequency(parts, opAmp);
    if (!loop)
        return std::nullopt;
    const double omegaRef = 2 * std::numbers::pi * loop->fo;
    const SectionPolynomials poly = sectionPolynomials(parts, type, opAmp, omegaRef);
    const FilterTypeInfo& info = filterTypeInfo(type);
    const int output = outputIndex(info.output);
    const std::array<double, 3> taylor = taylorAtZero(poly.numerator[static_cast<std::size_t>(output)], poly.denominator(output));
    // In z = s / omegaRef the realised w0 is 1.
    SectionParameters out;
    out.fo = loop->fo;
    out.Q = loop->Q;
    if (info.hasZero) {
        const std::optional<NaturalFrequency> zeros = zeroNaturalFrequency(parts, type, opAmp);
        if (!zeros)
            return std::nullopt;
        out.fn = zeros->fo;
    }
    switch (type) {
    case FilterType::Bpf: out.H = std::fabs(taylor[1]) * out.Q; break;
    case FilterType::Hpf: out.H = std::fabs(taylor[2]); break;
    case FilterType::TzfHigh: out.H = std::fabs(taylor[0]) * (out.fo / out.fn) * (out.fo / out.fn); break;
    default: out.H = std::fabs(taylor[0]); break;
    }
    return out;
}

RealisedValues compareWithWanted(const DesignRecord& wanted, FilterType type, const SectionParameters& realised)
{
    RealisedValues out;
    out.values[0] = compare("H", wanted.H.value(), realised.H);
    out.values[1] = compare("fo", wanted.fo.value(), realised.fo);
    out.values[2] = compare("Q", wanted.Q.value(), realised.Q);
    if (filterTypeInfo(type).hasZero) {
        out.values[3] = compare("fn", wanted.fn.value(), realised.fn);
        out.count = 4;
    }
    return out;
}

}  // namespace torvel
