#include "approx/zpk.h"

#include <cmath>

namespace torvel::approx {

namespace {

// ln |H(j omega) / H(0)|^2, summed factor by factor so that high orders far into the stopband neither
// underflow nor lose the ratio.
double logPowerRelativeToDc(const Zpk& zpk, double omega)
{
    double sum = 0;
    for (const auto& z : zpk.zeros)
        sum += std::log(std::norm(std::complex<double>(0, omega) - z) / std::norm(z));
    for (const auto& p : zpk.poles)
        sum -= std::log(std::norm(std::complex<double>(0, omega) - p) / std::norm(p));
    return sum;
}

}  // namespace

std::complex<double> response(const Zpk& zpk, double omega)
{
    const std::complex<double> s(0, omega);
    std::complex<double> h = zpk.gain;
    for (const auto& z : zpk.zeros)
        h *= s - z;
    for (const auto& p : zpk.poles)
        h /= s - p;
    return h;
}

std::optional<double> lossFrequency(const Zpk& lowPass, double lossDb)
{
    const double target = -lossDb * std::log(10.0) / 10;
    double low = 1, high = 1;
    while (logPowerRelativeToDc(lowPass, high) > target) {
        if (high > 1e300)
            return std::nullopt;
        low = high;
        high *= 2;
    }
    while (logPowerRelativeToDc(lowPass, low) <= target) {
        if (low < 1e-300)
            return std::nullopt;
        high = low;
        low /= 2;
    }
    // Bisection on a log scale: slow but certain for a monotone magnitude, and cheap at these orders.
    for (int i = 0; i < 200 && high - low > 4e-16 * high; ++i) {
        const double middle = std::sqrt(low * high);
        (logPowerRelativeToDc(lowPass, middle) > target ? low : high) = middle;
    }
    return std::sqrt(low * high);
}

}  // namespace torvel::approx
