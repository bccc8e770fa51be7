// The frequencies tolerance results are computed at: log grids for response bands and envelopes, and the
// points of a mask that each built filter is checked on.
#pragma once

#include "approx/mask_fit.h"
#include "approx/approximation.h"
#include "design/log_grid.h"

#include <vector>

namespace torvel::tolerance {

/// The library-wide log grid (design/log_grid.h), named here where tolerance code has always found it.
using torvel::logGrid;

/// Where a mask is checked, and what the level there must do relative to the filter's gain G.
struct MaskPoint {
    double frequencyHz = 0;
    bool pass = true;  // passband: at least -Ap; stopband: at most -As
};

/// About `points` frequencies shared evenly among the mask's bands, every band's edges included.
std::vector<MaskPoint> maskGrid(approx::ResponseKind kind, const approx::Mask& mask, int points);

/// Whether a level (dB relative to G) keeps the mask at one point, with the cascade's slack for rounding.
bool meetsMaskPoint(const MaskPoint& point, const approx::Mask& mask, double levelDb);

}  // namespace torvel::tolerance
