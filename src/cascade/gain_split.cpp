#include "cascade/gain_split.h"

#include <algorithm>
#include <cmath>

namespace torvel::cascade {
namespace {

// Three decades either side of the sections' frequencies: a low-pass has settled to its DC gain and a
// high-pass to its high-frequency gain there within 1e-6 of a second-order roll-off.
constexpr double kRangeMargin = 1e3;
constexpr int kGridPoints = 240;
constexpr int kRefinedPeaks = 3;

// Golden-section search for the maximum of f on [a, b] (log frequency).
double refine(const std::function<double(double)>& level, double a, double b)
{
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    double c = b - ratio * (b - a);
    double d = a + ratio * (b - a);
    double fc = level(c);
    double fd = level(d);
    for (int i = 0; i < 60 && b - a > 1e-9; ++i) {
        if (fc > fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - ratio * (b - a);
            fc = level(c);
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + ratio * (b - a);
            fd = level(d);
        }
    }
    return (a + b) / 2;
}

}  // namespace

std::vector<double> levelGrid(double lowestHz, double highestHz)
{
    const double lo = std::log10(lowestHz / kRangeMargin);
    const double step = (std::log10(highestHz * kRangeMargin) - lo) / (kGridPoints - 1);
    std::vector<double> grid(kGridPoints);
    for (int i = 0; i < kGridPoints; ++i)
        grid[static_cast<std::size_t>(i)] = std::pow(10.0, lo + step * i);
    return grid;
}

std::pair<double, double> highestLevelFromGrid(const std::function<double(double)>& magnitude,
                                               const std::vector<double>& grid, double lowestHz, double highestHz)
{
    const double lo = std::log10(lowestHz / kRangeMargin);
    const double hi = std::log10(highestHz * kRangeMargin);
    const double step = (hi - lo) / (kGridPoints - 1);
    const auto atLog = [&](double logF) { return magnitude(std::pow(10.0, logF)); };

    std::pair<double, double> best{0.0, magnitude(0.0)};
    for (int i = 0; i < kGridPoints; ++i)
        if (grid[static_cast<std::size_t>(i)] > best.second)
            best = {std::pow(10.0, lo + step * i), grid[static_cast<std::size_t>(i)]};

    // The highest local maxima of the grid, each refined between its neighbours.
    std::vector<int> peaks;
    for (int i = 1; i + 1 < kGridPoints; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        if (grid[k] >= grid[k - 1] && grid[k] >= grid[k + 1])
            peaks.push_back(i);
    }
    std::sort(peaks.begin(), peaks.end(),
              [&](int a, int b) { return grid[static_cast<std::size_t>(a)] > grid[static_cast<std::size_t>(b)]; });
    if (peaks.size() > kRefinedPeaks)
        peaks.resize(kRefinedPeaks);
    for (int i : peaks) {
        const double logF = refine(atLog, lo + step * (i - 1), lo + step * (i + 1));
        const double level = atLog(logF);
        if (level > best.second)
            best = {std::pow(10.0, logF), level};
    }
    return best;
}

std::pair<double, double> highestLevel(const std::function<double(double)>& magnitude, double lowestHz, double highestHz)
{
    std::vector<double> levels;
    for (double f : levelGrid(lowestHz, highestHz))
        levels.push_back(magnitude(f));
    return highestLevelFromGrid(magnitude, levels, lowestHz, highestHz);
}

std::pair<double, double> sectionFrequencyRange(const approx::FilterDesign& design)
{
    double lowest = INFINITY;
    double highest = 0;
    for (const approx::Section& s : design.sections) {
        for (double f : {s.foHz, s.fnHz.value_or(s.foHz)}) {
            lowest = std::min(lowest, f);
            highest = std::max(highest, f);
        }
    }
    return {lowest, highest};
}

std::vector<double> splitGain(const approx::FilterDesign& design)
{
    const std::vector<approx::Section>& sections = design.sections;
    const auto [lowest, highest] = sectionFrequencyRange(design);
    const std::vector<double> grid = levelGrid(lowest, highest);
    // The cascade so far at every grid frequency, carried from one section to the next.
    std::vector<std::complex<double>> prefixAtGrid(grid.size(), 1.0);
    std::vector<double> levels(grid.size());
    std::vector<double> gains;
    double product = 1;
    for (std::size_t k = 0; k + 1 < sections.size(); ++k) {
        for (std::size_t i = 0; i < grid.size(); ++i) {
            prefixAtGrid[i] *= approx::sectionResponse(sections[k], grid[i]);
            levels[i] = std::abs(prefixAtGrid[i]);
        }
        const auto prefix = [&](double f) {
            std::complex<double> v = 1;
            for (std::size_t i = 0; i <= k; ++i)
                v *= approx::sectionResponse(sections[i], f) * (i < k ? gains[i] : 1.0);
            return std::abs(v);
        };
        const double h = design.gain / highestLevelFromGrid(prefix, levels, lowest, highest).second;
        for (std::complex<double>& v : prefixAtGrid)
            v *= h;
        gains.push_back(h);
        product *= h;
    }
    gains.push_back(design.cascadeGain / product);
    return gains;
}

}  // namespace torvel::cascade
