#include "approx/mask_fit.h"

#include "approx/elliptic_functions.h"
#include "approx/prototype.h"
#include "approx/prototype_families.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <sstream>

namespace torvel::approx {

namespace {

// A closed-form order this little above an integer is taken as that integer: a mask drawn through a
// design's own response must give that design's order back, not one more for a rounding error.
constexpr double kOrderSlack = 1e-9;

std::string hz(double value)
{
    std::ostringstream out;
    out.precision(6);
    out << value << " Hz";
    return out.str();
}

struct ReducedMask {
    double stopband = 0;      // Ws, the low-pass stopband edge over the passband edge
    double referenceHz = 0;   // fp (low-pass, high-pass) or the geometric centre
    double bandwidthHz = 0;   // B, between the (widened, for band-stop) passband edges
};

std::string maskError(ResponseKind kind, const Mask& m)
{
    const double ap = m.maxPassbandLossDb, as = m.minStopbandAttenuationDb;
    if (!std::isfinite(ap) || ap <= 0)
        return "The passband loss Ap must be above 0 dB: no filter is flat to the last digit.";
    if (!std::isfinite(as) || as <= ap)
        return "The stopband attenuation As must be above the passband loss Ap.";
    const double fp = m.passbandEdgeHz, fs = m.stopbandEdgeHz;
    const double fp2 = m.passbandUpperEdgeHz, fs2 = m.stopbandUpperEdgeHz;
    const std::array<double, 4> edges{fp, fs, fp2, fs2};
    if (!std::all_of(edges.begin(), edges.begin() + (isBand(kind) ? 4 : 2), [](double f) { return std::isfinite(f) && f > 0; }))
        return "Every band edge must be a frequency above 0 Hz.";
    switch (kind) {
    case ResponseKind::LowPass:
        if (fs <= fp)
            return "The stopband edge " + hz(fs) + " is inside the passband: a low-pass needs it above the passband edge " + hz(fp) + ".";
        break;
    case ResponseKind::HighPass:
        if (fs >= fp)
            return "The stopband edge " + hz(fs) + " is inside the passband: a high-pass needs it below the passband edge " + hz(fp) + ".";
        break;
    case ResponseKind::BandPass:
        if (!(fp < fp2))
            return "The passband's lower edge must lie below its upper edge.";
        if (!(fs < fp && fs2 > fp2))
            return "A band-pass needs its stopband edges outside the passband (" + hz(fp) + " to " + hz(fp2) + ").";
        break;
    case ResponseKind::BandStop:
        if (!(fs < fs2))
            return "The stopband's lower edge must lie below its upper edge.";
        if (!(fp < fs && fp2 > fs2))
            return "A band-stop needs its passband edges outside the stopband (" + hz(fs) + " to " + hz(fs2) + ").";
        break;
    }
    return {};
}

ReducedMask reduce(ResponseKind kind, const Mask& m)
{
    double fp1 = m.passbandEdgeHz, fp2 = m.passbandUpperEdgeHz;
    const double fs1 = m.stopbandEdgeHz, fs2 = m.stopbandUpperEdgeHz;
    switch (kind) {
    case ResponseKind::LowPass: return {fs1 / fp1, fp1, 0};
    case ResponseKind::HighPass: return {fp1 / fs1, fp1, 0};
    case ResponseKind::BandPass: {
        const double b = fp2 - fp1, centreSquared = fp1 * fp2;
        const auto reduced = [&](double fs) { return std::abs(fs * fs - centreSquared) / (fs * b); };
        return {std::min(reduced(fs1), reduced(fs2)), std::sqrt(centreSquared), b};
    }
    case ResponseKind::BandStop: {
        const double stopCentreSquared = fs1 * fs2;
        if (fp1 * fp2 < stopCentreSquared)
            fp1 = stopCentreSquared / fp2;
        else
            fp2 = stopCentreSquared / fp1;
        const double b = fp2 - fp1;
        // B fs / |f0^2 - fs^2| with f0^2 = fs1 fs2 is B / (fs2 - fs1) at either edge.
        return {b / (fs2 - fs1), std::sqrt(stopCentreSquared), b};
    }
    }
    return {};
}

// D, the ratio of the stopband's to the passband's ripple factor.
double discrimination(const Mask& m)
{
    return std::sqrt(powerRatioMinusOne(m.minStopbandAttenuationDb) / powerRatioMinusOne(m.maxPassbandLossDb));
}

// The prototype (fc = 1) frequencies with losses Ap and As; Bessel only, whose order has no closed form.
struct BesselEdges {
    double passband = 0, stopband = 0;
};

std::optional<BesselEdges> besselEdges(int order, const Mask& m)
{
    const auto prototype = lowPassPrototype(Approximation::Bessel, order, 0, 0);
    if (!prototype)
        return std::nullopt;
    const auto passband = lossFrequency(*prototype, m.maxPassbandLossDb);
    const auto stopband = lossFrequency(*prototype, m.minStopbandAttenuationDb);
    if (!passband || !stopband)
        return std::nullopt;
    return BesselEdges{*passband, *stopband};
}

// The order as a real number, for the approximations with a closed form.
double continuousOrder(Approximation approximation, double stopband, double d)
{
    switch (approximation) {
    case Approximation::Butterworth: return std::log(d) / std::log(stopband);
    case Approximation::Chebyshev:
    case Approximation::InverseChebyshev: return std::acosh(d) / std::acosh(stopband);
    case Approximation::Elliptic:
        // n K'(k1) / K(k1) = K'(k) / K(k) with k = 1 / Ws, k1 = 1 / D; K'/K is -ln(q) / pi.
        return logNome(Modulus::fromK(1 / d)) / logNome(Modulus::fromK(1 / stopband));
    case Approximation::Bessel: break;
    }
    return std::nan("");
}

// W0 of the header's table.
std::optional<double> prototypeScale(Approximation approximation, int order, const Mask& m)
{
    switch (approximation) {
    case Approximation::Butterworth: return std::pow(powerRatioMinusOne(m.maxPassbandLossDb), -0.5 / order);
    case Approximation::Chebyshev:
    case Approximation::Elliptic: return 1.0;
    case Approximation::InverseChebyshev: return std::cosh(std::acosh(discrimination(m)) / order);
    case Approximation::Bessel:
        if (const auto edges = besselEdges(order, m))
            return 1 / edges->passband;
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

MaskFitResult fitMaskAtOrder(ResponseKind kind, Approximation approximation, const Mask& mask, int order)
{
    if (const std::string error = maskError(kind, mask); !error.empty())
        return {std::nullopt, error};
    if (order < kMinOrder || order > kMaxOrder)
        return {std::nullopt, "The order must be from " + std::to_string(kMinOrder) + " to " + std::to_string(kMaxOrder) + "."};
    const ReducedMask reduced = reduce(kind, mask);
    const auto w0 = prototypeScale(approximation, order, mask);
    if (!w0)
        return {std::nullopt, "The Bessel prototype does not reach the mask's losses."};
    MaskFit fit;
    fit.order = order;
    fit.rippleDb = mask.maxPassbandLossDb;
    fit.attenuationDb = mask.minStopbandAttenuationDb;
    switch (kind) {
    case ResponseKind::LowPass: fit.fcHz = *w0 * reduced.referenceHz; break;
    case ResponseKind::HighPass: fit.fcHz = reduced.referenceHz / *w0; break;
    case ResponseKind::BandPass:
        fit.fcHz = reduced.referenceHz;
        fit.bandwidthHz = reduced.bandwidthHz * *w0;
        break;
    case ResponseKind::BandStop:
        fit.fcHz = reduced.referenceHz;
        fit.bandwidthHz = reduced.bandwidthHz / *w0;
        break;
    }
    return {fit, {}};
}

MaskFitResult fitMask(ResponseKind kind, Approximation approximation, const Mask& mask)
{
    if (const std::string error = maskError(kind, mask); !error.empty())
        return {std::nullopt, error};
    const double stopband = reduce(kind, mask).stopband;
    const std::string tooHigh = "The " + std::string(approximationName(approximation)) + " "
        + std::string(responseKindName(kind)) + " that meets this mask has order ";
    const std::string limit = "; the highest order offered is " + std::to_string(kMaxOrder) + ".";

    int order = 0;
    if (approximation == Approximation::Bessel) {
        for (int n = kMinOrder; n <= kMaxOrder && order == 0; ++n) {
            const auto edges = besselEdges(n, mask);
            if (edges && edges->stopband <= stopband * edges->passband)
                order = n;
        }
        if (order == 0)
            return {std::nullopt, tooHigh + "above " + std::to_string(kMaxOrder) + limit};
    } else {
        const double n = continuousOrder(approximation, stopband, discrimination(mask));
        if (!(n <= kMaxOrder + kOrderSlack)) {
            const std::string needed = std::isfinite(n) && n < 1e6 ? std::to_string(static_cast<long>(std::ceil(n - kOrderSlack)))
                                                                    : "above " + std::to_string(kMaxOrder);
            return {std::nullopt, tooHigh + needed + limit};
        }
        order = std::max(kMinOrder, static_cast<int>(std::ceil(n - kOrderSlack)));
    }
    return fitMaskAtOrder(kind, approximation, mask, order);
}

}  // namespace torvel::approx
