// How much each part moves a section's figures: S = (dy/y) / (dx/x), the percent change of fo, Q, H, fn
// (and of the output's level at one frequency) per percent change of the part.
//
// They are derivatives of the circuit's own transfer function (section_model.h), not of the design
// formulas, so they hold for parts that break the type's relations (R5 != R6) and for single-pole
// op-amps. Each part's derivative is carried through the figures' computation as a dual number.
#pragma once

#include "tolerance/section_figures.h"

#include <optional>
#include <vector>

namespace torvel::tolerance {

struct SensitivityRow {
    int slot = 0;  // the part (section_parts.h)
    std::array<double, kFigureCount> figures{};  // S of fo, Q, H, fn; NaN where the section lacks the figure
    double level = Figures::kNaN;  // S of |output| at the chosen frequency, NaN without one

    double of(Figure figure) const { return figures[static_cast<std::size_t>(figure)]; }
    /// The largest |S| of the row: how much the part matters at all.
    double largest() const;
};

struct SectionSensitivities {
    SectionForm form;
    Figures nominal;
    std::optional<double> levelFrequencyHz;
    double nominalLevelDb = Figures::kNaN;
    std::vector<SensitivityRow> rows;  // one per part of the section, the most important first
};

/// Every part's sensitivities, rows sorted by their largest |S| (ties in part order).
SectionSensitivities sectionSensitivities(const cascade::SectionCircuit& circuit, const OpAmpModel& opAmp,
                                          std::optional<double> levelFrequencyHz = std::nullopt);

/// The rows sorted by |S| of one figure, largest first; rows without the figure last, in part order.
std::vector<SensitivityRow> sortedByFigure(std::vector<SensitivityRow> rows, Figure figure);

}  // namespace torvel::tolerance
