// Frequencies spaced evenly on a logarithmic scale: the grid every response, noise and mask sweep is
// computed on, so that a curve and a check of the same range meet at the same points.
#pragma once

#include <vector>

namespace torvel {

/// `points` frequencies (at least 2) evenly spaced on a log scale from `fromHz` to `toHz`; both ends are
/// exactly the values given, not their round trip through the logarithm.
std::vector<double> logGrid(double fromHz, double toHz, int points);

}  // namespace torvel
