// The lowest order that meets a tolerance mask, and the frequency scale that places the response on it.
//
// The mask is reduced to a low-pass one with its passband edge at 1 and its stopband edge at Ws > 1:
//   low-pass  Ws = fs / fp;  high-pass  Ws = fp / fs;
//   band-pass Ws = min |fs^2 - f0^2| / (fs B) over both stopband edges, f0^2 = fp1 fp2, B = fp2 - fp1;
//   band-stop first widens the passband on one side until the passband edges have the stopband's
//             geometric centre (fp1 fp2 = fs1 fs2), which leaves the lowest order, then
//             Ws = B fs / |f0^2 - fs^2|, the same at both stopband edges.
// The band-stop widening is the exact form of what an order search over the passband edges finds; the
// widened band still covers the mask's passband.
//
// The order is the smallest integer at or above the closed-form order of the approximation (Bessel:
// the smallest that meets Ws when tried from 1 up). Then, with W0 the prototype frequency (in units of
// the reduced passband edge) that the fit puts at the approximation's own 1 rad/s:
//   Butterworth        W0 = (10^(Ap/10) - 1)^(-1/2n): the -3 dB point that gives exactly Ap at the
//                      passband edge, the stopband keeping what the order has to spare;
//   Chebyshev, elliptic W0 = 1: the passband edge itself, ripple = Ap (elliptic: attenuation = As);
//   inverse Chebyshev  W0 = cosh(acosh(D) / n), D^2 = (10^(As/10) - 1) / (10^(Ap/10) - 1): the stopband
//                      edge (attenuation As) placed so that the passband edge has exactly Ap;
//   Bessel             W0 = the prototype's Ap-loss frequency inverted: the -3 dB point that gives
//                      exactly Ap at the passband edge, as for Butterworth.
// These are the natural frequencies the usual closed-form order functions return, so a design can be
// compared with any of them. W0 maps back to fc = W0 fp (low-pass), fp / W0 (high-pass), and to the
// centre f0 with bandwidth B W0 (band-pass) or B / W0 (band-stop).
#pragma once

#include "approx/approximation.h"

#include <optional>
#include <string>

namespace torvel::approx {

/// Frequencies in Hz. Low-pass and high-pass masks use the two edges; band-pass and band-stop masks
/// also the upper edges, the first two then being the lower ones.
struct Mask {
    double passbandEdgeHz = 0;
    double stopbandEdgeHz = 0;
    double passbandUpperEdgeHz = 0;
    double stopbandUpperEdgeHz = 0;
    double maxPassbandLossDb = 1;          // Ap
    double minStopbandAttenuationDb = 40;  // As
};

struct MaskFit {
    int order = 0;            // of the prototype: a band-pass or band-stop has twice as many poles
    double fcHz = 0;          // the cut-off in the approximation's sense, or the band's geometric centre
    double bandwidthHz = 0;   // band-pass, band-stop: between the band edges in the approximation's sense
    double rippleDb = 0;      // the design parameters: Ap (read by Chebyshev and elliptic)
    double attenuationDb = 0; // and As (read by inverse Chebyshev and elliptic)
};

struct [[nodiscard]] MaskFitResult {
    std::optional<MaskFit> fit;
    std::string error;  // why the mask is refused, when fit is empty
};

/// The lowest order from kMinOrder to kMaxOrder that meets the mask, and its frequency scale. Refused
/// for a stopband edge inside the passband, band edges out of order, Ap <= 0, As <= Ap, or a mask that
/// needs more than kMaxOrder.
MaskFitResult fitMask(ResponseKind kind, Approximation approximation, const Mask& mask);

/// The frequency scale the fit gives a chosen order, whether or not that order meets the mask.
MaskFitResult fitMaskAtOrder(ResponseKind kind, Approximation approximation, const Mask& mask, int order);

}  // namespace torvel::approx
