// The filter window's charts: the whole filter's magnitude (wanted and built, the mask's forbidden
// regions shaded), its phase, its group delay, and the level of every op-amp output of every section on
// one chart with the headroom.
//
// Each chart is first described as plain data (ChartDescription, chart_description.h), then shown.
#pragma once

#include "cascade/cascade.h"
#include "shell/charts/chart_description.h"
#include "shell/filter/filter_curves.h"

#include <vector>

namespace torvel::filter {

ChartDescription magnitudeChart(const FilterCurves& curves, const cascade::Cascade& cascade);
ChartDescription phaseChart(const FilterCurves& curves);
ChartDescription groupDelayChart(const FilterCurves& curves);
ChartDescription opAmpLevelChart(const FilterCurves& curves);

/// The forbidden regions of a mask as frequency ranges within the chart's span: a passband must not
/// lose more than Ap, a stopband must not rise above G - As.
struct MaskRegion {
    double fromHz, toHz;
    bool passband;
};
std::vector<MaskRegion> maskRegions(approx::ResponseKind kind, const approx::Mask& mask, double fromHz, double toHz);

}  // namespace torvel::filter
