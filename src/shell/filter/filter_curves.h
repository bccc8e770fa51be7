// What the filter window draws, computed without any widget: the wanted and the built filter's level,
// phase and group delay, the level of every op-amp output along the cascade, the headroom and the mask
// verdict, on one log frequency grid that covers every section and every mask edge in whole decades.
#pragma once

#include "cascade/cascade_response.h"

#include <optional>
#include <string>
#include <vector>

namespace torvel::filter {

struct FilterCurves {
    std::vector<double> frequencyHz;
    std::vector<double> wantedDb, builtDb;
    /// Unwrapped, in degrees. The built phase leaves out the inversion of an odd number of sections
    /// (`builtInverts`), so that it lies on the wanted one where the parts are right.
    std::vector<double> wantedPhaseDeg, builtPhaseDeg;
    std::vector<double> wantedDelaySeconds, builtDelaySeconds;  // NaN on a transmission zero
    std::vector<cascade::OpAmpLevels> opAmps;
    std::vector<int> sectionOutputs;  // per section, the op-amp (0 = A1) that drives the next one
    bool builtInverts = false;
    double gainDb = 0;  // the filter's highest passband gain G
    cascade::Headroom headroom;
    std::optional<cascade::MaskVerdict> verdict;  // with a mask
};

/// The decades the charts span: a decade below the lowest section frequency (and mask edge) to a decade
/// above the highest, widened outward to powers of ten.
std::pair<double, double> chartRange(const cascade::Cascade& cascade);

inline constexpr int kChartPoints = 600;

FilterCurves filterCurves(const cascade::Cascade& cascade, const OpAmpModel& opAmp, int points = kChartPoints);

/// The op-amps of the GBW box: empty for ideal ones, otherwise a gain-bandwidth product read as every
/// value box reads it. An unreadable or non-positive text gives no model.
std::optional<OpAmpModel> opAmpModelFromText(const std::string& text);

}  // namespace torvel::filter
