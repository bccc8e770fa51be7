// The classical approximations and the four responses made from a low-pass prototype by a change of
// frequency variable.
#pragma once

#include <string_view>

namespace torvel::approx {

enum class Approximation { Butterworth, Chebyshev, Bessel, InverseChebyshev, Elliptic };

enum class ResponseKind { LowPass, HighPass, BandPass, BandStop };

/// Orders the prototypes are made for. Twelve poles is already beyond what a cascade of these sections
/// keeps accurate with real parts, so nothing above is offered.
inline constexpr int kMinOrder = 1;
inline constexpr int kMaxOrder = 12;

std::string_view approximationName(Approximation approximation);
std::string_view responseKindName(ResponseKind kind);

/// Whether the approximation takes a passband ripple (dB) and a stopband attenuation (dB) as parameters.
constexpr bool hasRipple(Approximation a) { return a == Approximation::Chebyshev || a == Approximation::Elliptic; }
constexpr bool hasAttenuation(Approximation a)
{
    return a == Approximation::InverseChebyshev || a == Approximation::Elliptic;
}

/// Band-pass and band-stop have a centre and a bandwidth, and twice the prototype's poles.
constexpr bool isBand(ResponseKind kind) { return kind == ResponseKind::BandPass || kind == ResponseKind::BandStop; }

}  // namespace torvel::approx
