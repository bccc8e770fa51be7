#include "approx/filter_design.h"

#include "approx/frequency_transform.h"
#include "approx/prototype.h"

#include <cmath>
#include <numbers>

namespace torvel::approx {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

bool positive(double value)
{
    return std::isfinite(value) && value > 0;
}

std::string requestError(const FilterRequest& r)
{
    if (!positive(r.gain))
        return "The gain G must be above 0.";
    if (r.order && r.mask)
        return "Give either an order or a mask: the mask sets the order.";
    if (r.mask)
        return {};
    if (!r.order)
        return "Give an order or a mask.";
    if (*r.order < kMinOrder || *r.order > kMaxOrder)
        return "The order must be from " + std::to_string(kMinOrder) + " to " + std::to_string(kMaxOrder) + ".";
    if (!positive(r.fcHz))
        return isBand(r.kind) ? "The centre frequency must be above 0 Hz." : "The cut-off frequency must be above 0 Hz.";
    if (isBand(r.kind) && !positive(r.bandwidthHz))
        return "The bandwidth must be above 0 Hz.";
    if (hasRipple(r.approximation) && !positive(r.rippleDb))
        return "The passband ripple must be above 0 dB.";
    if (hasAttenuation(r.approximation) && !positive(r.attenuationDb))
        return "The stopband attenuation must be above 0 dB.";
    if (r.approximation == Approximation::Elliptic && r.attenuationDb <= r.rippleDb)
        return "The stopband attenuation must be above the passband ripple.";
    return {};
}

}  // namespace

DesignResult designFilter(const FilterRequest& request)
{
    if (const std::string error = requestError(request); !error.empty())
        return {std::nullopt, error};

    FilterDesign d;
    d.kind = request.kind;
    d.approximation = request.approximation;
    d.gain = request.gain;
    if (request.mask) {
        const MaskFitResult fitted = fitMask(request.kind, request.approximation, *request.mask);
        if (!fitted.fit)
            return {std::nullopt, fitted.error};
        d.order = fitted.fit->order;
        d.fcHz = fitted.fit->fcHz;
        d.bandwidthHz = fitted.fit->bandwidthHz;
        d.rippleDb = fitted.fit->rippleDb;
        d.attenuationDb = fitted.fit->attenuationDb;
    } else {
        d.order = *request.order;
        d.fcHz = request.fcHz;
        d.bandwidthHz = isBand(request.kind) ? request.bandwidthHz : 0;
        d.rippleDb = request.rippleDb;
        d.attenuationDb = request.attenuationDb;
    }

    const auto prototype = lowPassPrototype(d.approximation, d.order, d.rippleDb, d.attenuationDb);
    if (!prototype)
        return {std::nullopt, "No " + std::string(approximationName(d.approximation)) + " prototype of order "
                                  + std::to_string(d.order) + " could be computed."};
    d.prototype = *prototype;
    d.filter = transformPrototype(d.prototype, d.kind, kTwoPi * d.fcHz, kTwoPi * d.bandwidthHz);
    d.filter.gain *= d.gain;

    SectionSplit split = splitIntoSections(d.filter, d.kind);
    if (!split.sections)
        return {std::nullopt, split.error};
    d.sections = std::move(*split.sections);
    d.cascadeGain = d.filter.gain;
    for (const Section& s : d.sections)
        d.cascadeGain *= s.unitGain;
    return {std::move(d), {}};
}

std::complex<double> filterResponse(const FilterDesign& design, double frequencyHz)
{
    return response(design.filter, kTwoPi * frequencyHz);
}

}  // namespace torvel::approx
