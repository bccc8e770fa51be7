#include "shell/filter/filter_curves.h"

#include "cascade/gain_split.h"
#include "values/engineering_notation.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace torvel::filter {
namespace {

constexpr double kRadiansToDegrees = 180 / std::numbers::pi;

// The group delay -dphi/domega from the response at the frequency and a relative step kDelayStep above
// it: the phase difference of two points this close never wraps, so no unwrapping is needed, and the step
// is far above the rounding of a double (1e-16) while the phase is still linear across it (the one-sided
// difference is off by a share of about kDelayStep times Q, far below what a chart shows).
constexpr double kDelayStep = 1e-6;

double decibels(std::complex<double> v) { return 10 * std::log10(std::norm(v)); }

template <typename Response>
double groupDelay(const Response& response, std::complex<double> atFrequency, double frequencyHz)
{
    const std::complex<double> above = response(frequencyHz * (1 + kDelayStep));
    if (std::abs(above) == 0 || std::abs(atFrequency) == 0)
        return NAN;
    const double deltaOmega = 2 * std::numbers::pi * frequencyHz * kDelayStep;
    return -std::arg(above / atFrequency) / deltaOmega;
}

// Each step adds the principal angle between neighbours, so the curve runs on through +-180 degrees.
std::vector<double> unwrappedDegrees(const std::vector<std::complex<double>>& values)
{
    std::vector<double> phase(values.size());
    double angle = values.empty() ? 0 : std::arg(values.front());
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0 && std::abs(values[i]) > 0 && std::abs(values[i - 1]) > 0)
            angle += std::arg(values[i] / values[i - 1]);
        phase[i] = angle * kRadiansToDegrees;
    }
    return phase;
}

}  // namespace

std::pair<double, double> chartRange(const cascade::Cascade& c)
{
    auto [lowest, highest] = cascade::sectionFrequencyRange(c.design);
    if (const std::optional<approx::Mask>& m = c.request.filter.mask) {
        for (double edge : {m->passbandEdgeHz, m->stopbandEdgeHz, m->passbandUpperEdgeHz, m->stopbandUpperEdgeHz}) {
            if (edge > 0) {
                lowest = std::min(lowest, edge);
                highest = std::max(highest, edge);
            }
        }
    }
    // A frequency already on a decade stays there: log10 of 10 kHz may come out a hair above 4.
    constexpr double kOnDecade = 1e-9;
    return {std::pow(10.0, std::floor(std::log10(lowest / 10) + kOnDecade)),
            std::pow(10.0, std::ceil(std::log10(highest * 10) - kOnDecade))};
}

FilterCurves filterCurves(const cascade::Cascade& c, const OpAmpModel& opAmp, int points)
{
    const auto [from, to] = chartRange(c);
    cascade::CascadeCurves curves = cascade::cascadeCurves(c, opAmp, from, to, points);
    FilterCurves out;
    out.frequencyHz = std::move(curves.frequencyHz);
    out.opAmps = std::move(curves.opAmps);
    for (const cascade::BuiltSection& section : c.sections)
        out.sectionOutputs.push_back(section.circuit.outputIndex());
    out.builtInverts = c.sections.size() % 2 == 1;
    const std::size_t n = out.frequencyHz.size();
    out.wantedDb.reserve(n);
    out.builtDb.reserve(n);
    out.wantedDelaySeconds.reserve(n);
    out.builtDelaySeconds.reserve(n);
    const auto built = [&](double f) { return cascade::builtResponse(c, opAmp, f); };
    const auto wanted = [&](double f) { return cascade::wantedResponse(c, f); };
    for (std::size_t i = 0; i < n; ++i) {
        out.wantedDb.push_back(decibels(curves.wanted[i]));
        out.builtDb.push_back(decibels(curves.built[i]));
        out.wantedDelaySeconds.push_back(groupDelay(wanted, curves.wanted[i], out.frequencyHz[i]));
        out.builtDelaySeconds.push_back(groupDelay(built, curves.built[i], out.frequencyHz[i]));
    }
    if (out.builtInverts)
        for (std::complex<double>& v : curves.built)
            v = -v;
    out.wantedPhaseDeg = unwrappedDegrees(curves.wanted);
    out.builtPhaseDeg = unwrappedDegrees(curves.built);
    // Both start from their principal angle; where those lie either side of 180 degrees the built curve
    // is moved by whole turns onto the wanted one.
    if (!out.builtPhaseDeg.empty()) {
        const double turns = std::round((out.wantedPhaseDeg.front() - out.builtPhaseDeg.front()) / 360);
        for (double& degrees : out.builtPhaseDeg)
            degrees += turns * 360;
    }
    out.gainDb = 20 * std::log10(c.design.gain);
    out.headroom = cascade::cascadeHeadroom(c, opAmp);
    if (c.request.filter.mask)
        out.verdict = cascade::checkMask(c, *c.request.filter.mask, opAmp);
    return out;
}

std::optional<OpAmpModel> opAmpModelFromText(const std::string& text)
{
    OpAmpModel model;
    if (text.find_first_not_of(" \t") == std::string::npos)
        return model;
    const double gbw = ParseEngineering(text);
    if (!(gbw > 0 && std::isfinite(gbw)))
        return std::nullopt;
    model.gainBandwidthHz = gbw;
    return model;
}

}  // namespace torvel::filter
