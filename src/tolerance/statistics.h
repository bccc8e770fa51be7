// What many runs of one number say: mean, standard deviation, the 1st and 99th percentile, a histogram.
#pragma once

#include <cstdint>
#include <vector>

namespace torvel::tolerance {

/// Over the finite samples only (a run whose loop has no fo leaves NaN); all NaN when there are none.
/// The standard deviation is the sample one (n - 1); percentiles interpolate linearly between order
/// statistics, the k-th of n standing at (k - 1) / (n - 1).
struct Statistics {
    std::int64_t count = 0;  // finite samples
    double mean = 0, std = 0, p1 = 0, p99 = 0;
};

Statistics statisticsOf(const std::vector<double>& samples);

/// The p-quantile (0 <= p <= 1) of `values`, which it reorders; NaN when empty.
double quantile(std::vector<double>& values, double p);
double quantile(std::vector<float>& values, double p);

/// Equal bins from the smallest to the largest finite sample.
struct Histogram {
    double from = 0, to = 0;
    std::vector<std::int64_t> counts;
};

Histogram histogramOf(const std::vector<double>& samples, int bins);

}  // namespace torvel::tolerance
