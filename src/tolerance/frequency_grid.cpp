#include "tolerance/frequency_grid.h"

#include "cascade/cascade_response.h"

#include <algorithm>
#include <cmath>

namespace torvel::tolerance {

std::vector<double> logGrid(double fromHz, double toHz, int points)
{
    const int n = std::max(points, 2);
    std::vector<double> grid(static_cast<std::size_t>(n));
    const double lo = std::log10(fromHz);
    const double step = (std::log10(toHz) - lo) / (n - 1);
    for (int i = 0; i < n; ++i)
        grid[static_cast<std::size_t>(i)] = std::pow(10.0, lo + step * i);
    grid.front() = fromHz;
    grid.back() = toHz;
    return grid;
}

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
