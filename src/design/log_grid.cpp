#include "design/log_grid.h"

#include <algorithm>
#include <cmath>

namespace torvel {

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

}  // namespace torvel
