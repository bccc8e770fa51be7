// How a whole filter's gain is shared among its sections.
//
// Every op-amp clips at the same level, so the best cascade lets no section's output swing higher than
// the filter's own output does at its highest. Going along the cascade, each section but the last gets the
// gain that brings the highest level of its output (over all frequencies, relative to the filter's input)
// to G, the filter's highest passband gain; the last section gets what is left for the whole to be the
// filter. A high-Q section late in the cascade then no longer lifts an earlier peak, and a low-gain
// section early does not throw away signal that later sections must make up with noise.
#pragma once

#include "approx/filter_design.h"

#include <complex>
#include <functional>
#include <vector>

namespace torvel::cascade {

/// The own-sense gain H of every section, in cascade order; their product is design.cascadeGain.
std::vector<double> splitGain(const approx::FilterDesign& design);

/// The highest |response| of a function of frequency over the range the filter's sections act in: a log
/// grid from well below the lowest section frequency to well above the highest, DC included, with the best
/// grid points refined. Returns (frequency, level).
std::pair<double, double> highestLevel(const std::function<double(double frequencyHz)>& magnitude, double lowestHz,
                                       double highestHz);

/// The frequencies of that grid, lowest first (DC not included).
std::vector<double> levelGrid(double lowestHz, double highestHz);

/// As highestLevel, with the magnitude already known at every point of levelGrid (in its order).
std::pair<double, double> highestLevelFromGrid(const std::function<double(double frequencyHz)>& magnitude,
                                               const std::vector<double>& gridLevels, double lowestHz, double highestHz);

/// The lowest and highest frequency (Hz) any section of the design is tuned to.
std::pair<double, double> sectionFrequencyRange(const approx::FilterDesign& design);

}  // namespace torvel::cascade
