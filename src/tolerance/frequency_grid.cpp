#include "tolerance/frequency_grid.h"

#include "cascade/cascade_response.h"

#include <algorithm>
#include <cmath>

namespace torvel::tolerance {

std::vector<MaskPoint> maskGrid(approx::ResponseKind kind, const approx::Mask& mask, int points)
{
    const std::vector<cascade::MaskBand> bands = cascade::maskBands(kind, mask);
    std::vector<MaskPoint> grid;
    if (bands.empty())
        return grid;
    const int perBand = std::max(2, points / static_cast<int>(bands.size()));
    for (const cascade::MaskBand& band : bands)
        for (double f : logGrid(band.from, band.to, perBand))
            grid.push_back({f, band.pass});
    return grid;
}

bool meetsMaskPoint(const MaskPoint& point, const approx::Mask& mask, double levelDb)
{
    return point.pass ? levelDb >= -mask.maxPassbandLossDb - cascade::kMaskSlackDb
                      : levelDb <= -mask.minStopbandAttenuationDb + cascade::kMaskSlackDb;
}

}  // namespace torvel::tolerance
