// Whole filters: an approximation and a response kind, with an order and its frequencies or with a
// tolerance mask, designed down to the sections of the circuit.
#pragma once

#include "approx/approximation.h"
#include "approx/mask_fit.h"
#include "approx/sections.h"
#include "approx/zpk.h"

#include <complex>
#include <optional>
#include <string>
#include <vector>

namespace torvel::approx {

struct FilterRequest {
    ResponseKind kind = ResponseKind::LowPass;
    Approximation approximation = Approximation::Butterworth;
    /// The prototype's order, with fcHz (and bandwidthHz); empty when `mask` sets everything.
    std::optional<int> order{};
    /// Low-pass, high-pass: the cut-off in the approximation's sense (prototype.h); band-pass, band-stop:
    /// the geometric centre.
    double fcHz = 1000;
    /// Band-pass, band-stop: between the two band edges in the approximation's sense (-3 dB for
    /// Butterworth and Bessel, ripple for Chebyshev and elliptic, attenuation for inverse Chebyshev).
    double bandwidthHz = 0;
    /// Sets order, fcHz, bandwidthHz and the ripple (Ap) and attenuation (As) the design uses.
    std::optional<Mask> mask{};
    double rippleDb = 1;        // Chebyshev, elliptic
    double attenuationDb = 40;  // inverse Chebyshev, elliptic
    double gain = 1;            // G: the filter's highest gain in its passband
};

struct FilterDesign {
    ResponseKind kind = ResponseKind::LowPass;
    Approximation approximation = Approximation::Butterworth;
    int order = 0;
    double fcHz = 0, bandwidthHz = 0;  // as used: from the request or fitted to its mask
    double rippleDb = 0, attenuationDb = 0, gain = 1;
    Zpk prototype;  // normalised low-pass, highest passband gain 1
    Zpk filter;     // in rad/s, highest passband gain G
    std::vector<Section> sections;
    /// The product of the sections' own-sense gains (Section::unitGain) that makes the cascade equal to
    /// `filter`: give section i the gain h_i with prod h_i = cascadeGain, in any split.
    double cascadeGain = 1;
};

struct [[nodiscard]] DesignResult {
    std::optional<FilterDesign> design;
    std::string error;  // what is wrong with the request, when design is empty
};

DesignResult designFilter(const FilterRequest& request);

/// The designed filter's ideal response at a frequency.
std::complex<double> filterResponse(const FilterDesign& design, double frequencyHz);

}  // namespace torvel::approx
