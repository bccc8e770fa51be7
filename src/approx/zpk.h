// A rational transfer function as its zeros, poles and gain: H(s) = gain * prod(s - z) / prod(s - p).
// Prototypes are in normalised rad/s (their reference frequency is 1); designed filters are in rad/s.
#pragma once

#include <complex>
#include <optional>
#include <vector>

namespace torvel::approx {

struct Zpk {
    std::vector<std::complex<double>> zeros;  // finite zeros only; the rest are at infinity
    std::vector<std::complex<double>> poles;
    double gain = 1;
};

/// H(j omega).
std::complex<double> response(const Zpk& zpk, double omega);

/// The frequency where a low-pass whose magnitude falls monotonically from DC is `lossDb` below its DC
/// gain. Empty when the magnitude never falls that far (a loss beyond what double precision resolves).
std::optional<double> lossFrequency(const Zpk& lowPass, double lossDb);

}  // namespace torvel::approx
