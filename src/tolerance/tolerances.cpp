#include "tolerance/tolerances.h"

#include <cmath>

namespace torvel::tolerance {

std::string_view distributionName(Distribution distribution)
{
    return distribution == Distribution::Uniform ? "uniform" : "normal";
}

std::optional<Distribution> distributionFromName(std::string_view name)
{
    if (name == "uniform")
        return Distribution::Uniform;
    if (name == "normal")
        return Distribution::Normal;
    return std::nullopt;
}

double Tolerances::of(int slot) const
{
    if (const std::optional<double>& own = perPart[static_cast<std::size_t>(slot)])
        return *own;
    return partClass(slot) == PartClass::Capacitor ? capacitor : resistor;
}

bool Tolerances::valid() const
{
    const auto ok = [](double t) { return t >= 0 && t <= kMaxTolerance; };
    if (!ok(resistor) || !ok(capacitor))
        return false;
    for (const std::optional<double>& t : perPart)
        if (t && !ok(*t))
            return false;
    return true;
}

PartValues drawParts(const PartValues& nominal, const Tolerances& tolerances, RunStream& stream)
{
    PartValues drawn;
    for (int slot = 0; slot < kPartSlots; ++slot) {
        const double t = tolerances.of(slot);
        const double deviation = tolerances.distribution == Distribution::Uniform ? t * stream.symmetric()
                                                                                  : t / 3 * stream.normal();
        drawn[static_cast<std::size_t>(slot)] = nominal[static_cast<std::size_t>(slot)] * (1 + deviation);
    }
    return drawn;
}

bool FigureLimits::any() const
{
    for (const std::optional<double>& limit : relative)
        if (limit)
            return true;
    return false;
}

bool FigureLimits::met(const Figures& nominal, const Figures& built, const SectionForm& form) const
{
    for (Figure f : kAllFigures) {
        const std::optional<double> limit = of(f);
        if (!limit || !hasFigure(form, f))
            continue;
        // Written so that a NaN anywhere fails the run rather than passing it.
        if (!(std::abs(built[f] / nominal[f] - 1) <= *limit))
            return false;
    }
    return true;
}

}  // namespace torvel::tolerance
