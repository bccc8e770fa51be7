// The worst case: every part at one end of its tolerance, in every combination (the corners), and the
// extremes of what the section or the filter then does.
//
// A section has at most twelve parts, 4096 corners, few enough to try them all. A whole filter has
// far too many (2^60 for five sections), but it does not need them: its level in dB is the sum of its
// sections' levels, and each section's level depends on that section's parts alone. The highest (lowest)
// level over all the filter's corners is therefore the sum of each section's highest (lowest) level over
// its own corners, exactly, at every frequency. The figures a worst case reports are extremes over the
// corners, which for a tolerance spread t (normal: t = 3 sigma) are the extremes of every board whose
// parts stay within t as long as each figure moves one way per part across the box, as the loop's
// products and quotients of parts do. Where two paths cancel (a notch's depth, what is left of a
// high-pass at DC when its summing ratios are off) the deepest level lies inside the box, not at a
// corner: there the lower envelope is only the corners' lowest, and Monte Carlo boards can go deeper.
#pragma once

#include "approx/mask_fit.h"
#include "cascade/cascade.h"
#include "tolerance/tolerances.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace torvel::tolerance {

struct FigureExtremes {
    double nominal = Figures::kNaN, low = Figures::kNaN, high = Figures::kNaN;
};

struct SectionWorstCase {
    SectionForm form;
    std::array<FigureExtremes, kFigureCount> figures;
    std::int64_t corners = 0;  // tried: 2 to the number of parts with a tolerance

    const FigureExtremes& of(Figure f) const { return figures[static_cast<std::size_t>(f)]; }
};

/// The output's level in dB at each frequency: nominal, and its lowest and highest over the corners.
struct LevelEnvelope {
    std::vector<double> frequencyHz, nominalDb, lowDb, highDb;
};

SectionWorstCase sectionWorstCase(const cascade::SectionCircuit& circuit, const Tolerances& tolerances,
                                  const OpAmpModel& opAmp);

LevelEnvelope sectionEnvelope(const cascade::SectionCircuit& circuit, const Tolerances& tolerances,
                              const OpAmpModel& opAmp, const std::vector<double>& frequencyHz);

struct CascadeWorstCase {
    std::vector<SectionWorstCase> sections;
    LevelEnvelope envelope;       // of the whole filter, per volt of input
    std::optional<bool> maskMet;  // with a mask: whether every corner of every section meets it
};

/// The sections' worst cases and the filter's envelope; with a mask, whether its worst case keeps it
/// on `maskPoints` points (maskGrid).
CascadeWorstCase cascadeWorstCase(const cascade::Cascade& cascade, const Tolerances& tolerances, const OpAmpModel& opAmp,
                                  const std::vector<double>& frequencyHz, const std::optional<approx::Mask>& mask,
                                  int maskPoints = 200);

}  // namespace torvel::tolerance
