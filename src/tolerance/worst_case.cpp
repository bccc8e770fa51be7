#include "tolerance/worst_case.h"

#include "design/response_formulas.h"
#include "tolerance/frequency_grid.h"
#include "tolerance/section_model.h"

#include <algorithm>
#include <cmath>

namespace torvel::tolerance {
namespace {

double levelDb(const OutputPolynomials<double>& output, double frequencyHz)
{
    const double w = kTwoPi * frequencyHz;
    return 10 * std::log10(squaredMagnitudeOnAxis(output.numerator, w) / squaredMagnitudeOnAxis(output.denominator, w));
}

// Calls visit(circuit) for the circuit at every corner of the parts that have a tolerance.
template <typename Visit>
std::int64_t forEachCorner(const cascade::SectionCircuit& circuit, const Tolerances& tolerances, Visit visit)
{
    const PartValues nominal = partValues(circuit);
    const PartSet parts = partsOf(circuit);
    std::vector<int> varied;
    for (int slot = 0; slot < kPartSlots; ++slot)
        if (parts.contains(slot) && tolerances.of(slot) > 0)
            varied.push_back(slot);
    const std::int64_t corners = std::int64_t(1) << varied.size();
    for (std::int64_t corner = 0; corner < corners; ++corner) {
        PartValues values = nominal;
        for (std::size_t k = 0; k < varied.size(); ++k) {
            const auto slot = static_cast<std::size_t>(varied[k]);
            const double t = tolerances.of(varied[k]);
            values[slot] *= (corner >> k & 1) != 0 ? 1 + t : 1 - t;
        }
        visit(withParts(circuit, values));
    }
    return corners;
}

// One section's extremes of its figures and of its level at the given frequencies.
struct SectionCorners {
    SectionWorstCase worst;
    std::vector<double> nominalDb, lowDb, highDb;
};

SectionCorners sectionCorners(const cascade::SectionCircuit& circuit, const Tolerances& tolerances,
                              const OpAmpModel& opAmp, const std::vector<double>& frequencyHz)
{
    SectionCorners out;
    out.worst.form = sectionForm(circuit);
    const OutputPolynomials<double> nominalOutput = outputPolynomials(circuit, opAmp);
    const std::array<double, kFigureCount> nominal = figuresOf(nominalOutput, out.worst.form);
    for (Figure f : kAllFigures) {
        FigureExtremes& e = out.worst.figures[static_cast<std::size_t>(f)];
        e.nominal = nominal[static_cast<std::size_t>(f)];
        e.low = hasFigure(out.worst.form, f) ? INFINITY : Figures::kNaN;
        e.high = hasFigure(out.worst.form, f) ? -INFINITY : Figures::kNaN;
    }
    for (double f : frequencyHz)
        out.nominalDb.push_back(levelDb(nominalOutput, f));
    out.lowDb.assign(frequencyHz.size(), INFINITY);
    out.highDb.assign(frequencyHz.size(), -INFINITY);

    out.worst.corners = forEachCorner(circuit, tolerances, [&](const cascade::SectionCircuit& corner) {
        const OutputPolynomials<double> output = outputPolynomials(corner, opAmp);
        const std::array<double, kFigureCount> figures = figuresOf(output, out.worst.form);
        for (Figure f : kAllFigures) {
            if (!hasFigure(out.worst.form, f))
                continue;
            FigureExtremes& e = out.worst.figures[static_cast<std::size_t>(f)];
            const double v = figures[static_cast<std::size_t>(f)];
            // A corner without the figure (a loop that no longer oscillates) makes the extremes NaN.
            e.low = std::isnan(v) ? v : std::min(e.low, v);
            e.high = std::isnan(v) ? v : std::max(e.high, v);
        }
        for (std::size_t i = 0; i < frequencyHz.size(); ++i) {
            const double level = levelDb(output, frequencyHz[i]);
            out.lowDb[i] = std::min(out.lowDb[i], level);
            out.highDb[i] = std::max(out.highDb[i], level);
        }
    });
    return out;
}

}  // namespace

SectionWorstCase sectionWorstCase(const cascade::SectionCircuit& circuit, const Tolerances& tolerances,
                                  const OpAmpModel& opAmp)
{
    return sectionCorners(circuit, tolerances, opAmp, {}).worst;
}

LevelEnvelope sectionEnvelope(const cascade::SectionCircuit& circuit, const Tolerances& tolerances,
                              const OpAmpModel& opAmp, const std::vector<double>& frequencyHz)
{
    SectionCorners corners = sectionCorners(circuit, tolerances, opAmp, frequencyHz);
    return {frequencyHz, std::move(corners.nominalDb), std::move(corners.lowDb), std::move(corners.highDb)};
}

CascadeWorstCase cascadeWorstCase(const cascade::Cascade& cascade, const Tolerances& tolerances, const OpAmpModel& opAmp,
                                  const std::vector<double>& frequencyHz, const std::optional<approx::Mask>& mask,
                                  int maskPoints)
{
    // The envelope's frequencies and the mask's in one list, so that each corner is visited once.
    std::vector<MaskPoint> maskPointsList;
    if (mask)
        maskPointsList = maskGrid(cascade.design.kind, *mask, maskPoints);
    std::vector<double> all = frequencyHz;
    for (const MaskPoint& p : maskPointsList)
        all.push_back(p.frequencyHz);

    CascadeWorstCase out;
    std::vector<double> nominal(all.size(), 0), low(all.size(), 0), high(all.size(), 0);
    for (const cascade::BuiltSection& section : cascade.sections) {
        SectionCorners corners = sectionCorners(section.circuit, tolerances, opAmp, all);
        for (std::size_t i = 0; i < all.size(); ++i) {
            nominal[i] += corners.nominalDb[i];
            low[i] += corners.lowDb[i];
            high[i] += corners.highDb[i];
        }
        out.sections.push_back(corners.worst);
    }
    const auto n = static_cast<std::ptrdiff_t>(frequencyHz.size());
    out.envelope = {frequencyHz, {nominal.begin(), nominal.begin() + n}, {low.begin(), low.begin() + n},
                    {high.begin(), high.begin() + n}};
    if (mask) {
        const double gainDb = 20 * std::log10(cascade.design.gain);
        bool met = true;
        for (std::size_t k = 0; k < maskPointsList.size(); ++k) {
            const std::size_t i = frequencyHz.size() + k;
            // The passband's worst is its lowest level, the stopband's its highest.
            const double worst = maskPointsList[k].pass ? low[i] : high[i];
            met = met && meetsMaskPoint(maskPointsList[k], *mask, worst - gainDb);
        }
        out.maskMet = met;
    }
    return out;
}

}  // namespace torvel::tolerance
