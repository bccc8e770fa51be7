#include "approx/approximation.h"

namespace torvel::approx {

std::string_view approximationName(Approximation approximation)
{
    switch (approximation) {
    case Approximation::Butterworth: return "Butterworth";
    case Approximation::Chebyshev: return "Chebyshev";
    case Approximation::Bessel: return "Bessel";
    case Approximation::InverseChebyshev: return "inverse Chebyshev";
    case Approximation::Elliptic: return "elliptic";
    }
    return "unknown approximation";
}

std::string_view responseKindName(ResponseKind kind)
{
    switch (kind) {
    case ResponseKind::LowPass: return "low-pass";
    case ResponseKind::HighPass: return "high-pass";
    case ResponseKind::BandPass: return "band-pass";
    case ResponseKind::BandStop: return "band-stop";
    }
    return "unknown response";
}

}  // namespace torvel::approx
