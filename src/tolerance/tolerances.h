// Tolerance analysis of the calculator's sections and of whole filters built from them.
//
// This layer asks what the parts' tolerances do to a design: how strongly each part moves a section's
// fo, Q, H and fn (sensitivity.h), how far they can go when every part sits at an end of its tolerance
// (worst_case.h), and what share of built boards meets the designer's limits or the filter's mask
// (monte_carlo.h, cascade_monte_carlo.h). It reads circuits as the design and cascade layers build them
// and changes none; it knows no window and no command line, which only pass in tolerances and show the
// results. Everything random is drawn from streams fixed by a seed and a run's number, so a result never
// depends on how many threads computed it.
//
// This header holds what every part of the layer shares: the tolerances themselves and the limits a
// built section is judged against.
#pragma once

#include "tolerance/random_stream.h"
#include "tolerance/section_figures.h"
#include "tolerance/section_parts.h"

#include <array>
#include <optional>
#include <string_view>

namespace torvel::tolerance {

/// How a part's value spreads over its tolerance t: evenly over [-t, +t], or normally with t = 3 sigma.
enum class Distribution { Uniform, Normal };
std::string_view distributionName(Distribution distribution);  // "uniform", "normal"
std::optional<Distribution> distributionFromName(std::string_view name);

/// The largest tolerance accepted. With t = 3 sigma a normal draw never strays beyond 8.58 sigma (the
/// farthest a 53-bit uniform can reach through Box-Muller), so 30 % keeps every part above 14 % of its
/// value and no run ever meets a zero or negative part.
inline constexpr double kMaxTolerance = 0.30;

/// Relative tolerances (0.01 for 1 %): one per part class, and optionally one per part slot.
struct Tolerances {
    double resistor = 0.01;
    double capacitor = 0.05;
    std::array<std::optional<double>, kPartSlots> perPart{};
    Distribution distribution = Distribution::Uniform;

    double of(int slot) const;
    /// Whether every tolerance lies in [0, kMaxTolerance].
    bool valid() const;
};

/// The parts of one run: every slot's nominal value times 1 + its deviation. Every slot draws, used or
/// not, so that which numbers a part gets does not depend on the layout around it.
PartValues drawParts(const PartValues& nominal, const Tolerances& tolerances, RunStream& stream);

/// Largest relative deviations of a built section's figures from the nominal circuit's (0.02 for
/// +-2 %); a figure without a limit is not judged.
struct FigureLimits {
    std::array<std::optional<double>, kFigureCount> relative{};

    std::optional<double> of(Figure figure) const { return relative[static_cast<std::size_t>(figure)]; }
    bool any() const;
    /// Whether `built` stays within the limits of `nominal`. A limited figure the section has must be
    /// finite and within; one it does not have (fn of a low-pass) is not judged.
    bool met(const Figures& nominal, const Figures& built, const SectionForm& form) const;
};

}  // namespace torvel::tolerance
