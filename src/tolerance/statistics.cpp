#include "tolerance/statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace torvel::tolerance {
namespace {

template <typename V>
double quantileOf(std::vector<V>& values, double p)
{
    if (values.empty())
        return std::numeric_limits<double>::quiet_NaN();
    const double h = p * static_cast<double>(values.size() - 1);
    const auto lower = static_cast<std::size_t>(std::floor(h));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(lower), values.end());
    const double below = values[lower];
    if (lower + 1 >= values.size())
        return below;
    // The next order statistic is the smallest of what nth_element left above.
    const double above = *std::min_element(values.begin() + static_cast<std::ptrdiff_t>(lower + 1), values.end());
    return below + (h - static_cast<double>(lower)) * (above - below);
}

}  // namespace

double quantile(std::vector<double>& values, double p) { return quantileOf(values, p); }
double quantile(std::vector<float>& values, double p) { return quantileOf(values, p); }

Statistics statisticsOf(const std::vector<double>& samples)
{
    std::vector<double> finite;
    finite.reserve(samples.size());
    for (double x : samples)
        if (std::isfinite(x))
            finite.push_back(x);
    Statistics s;
    s.count = static_cast<std::int64_t>(finite.size());
    if (finite.empty()) {
        s.mean = s.std = s.p1 = s.p99 = std::numeric_limits<double>::quiet_NaN();
        return s;
    }
    // Sums in run order, before anything reorders the samples: the same bits on any number of threads.
    double sum = 0;
    for (double x : finite)
        sum += x;
    s.mean = sum / static_cast<double>(finite.size());
    double squares = 0;
    for (double x : finite)
        squares += (x - s.mean) * (x - s.mean);
    s.std = finite.size() > 1 ? std::sqrt(squares / static_cast<double>(finite.size() - 1)) : 0;
    s.p1 = quantile(finite, 0.01);
    s.p99 = quantile(finite, 0.99);
    return s;
}

Histogram histogramOf(const std::vector<double>& samples, int bins)
{
    Histogram h;
    h.counts.assign(static_cast<std::size_t>(std::max(bins, 1)), 0);
    double lo = INFINITY, hi = -INFINITY;
    for (double x : samples) {
        if (std::isfinite(x)) {
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
    }
    if (!(lo <= hi))
        return h;
    h.from = lo;
    h.to = hi;
    const double width = (hi - lo) / static_cast<double>(h.counts.size());
    for (double x : samples) {
        if (!std::isfinite(x))
            continue;
        auto bin = width > 0 ? static_cast<std::size_t>((x - lo) / width) : 0;
        ++h.counts[std::min(bin, h.counts.size() - 1)];  // the largest sample closes the last bin
    }
    return h;
}

}  // namespace torvel::tolerance
