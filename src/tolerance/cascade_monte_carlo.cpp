#include "tolerance/cascade_monte_carlo.h"

#include "cascade/cascade_response.h"
#include "design/response_formulas.h"
#include "tolerance/frequency_grid.h"
#include "tolerance/section_model.h"

#include <algorithm>
#include <cmath>

namespace torvel::tolerance {

std::optional<double> CascadeMonteCarlo::yield() const
{
    if (!passed || runs == 0)
        return std::nullopt;
    return static_cast<double>(*passed) / static_cast<double>(runs);
}

CascadeMonteCarlo cascadeMonteCarlo(const cascade::Cascade& cascade, const CascadeMonteCarloSettings& settings,
                                    const RunControl& control)
{
    CascadeMonteCarlo out;
    const MonteCarloSettings& common = settings.common;
    out.error = settingsError(common);
    if (!out.error.empty())
        return out;
    const std::int64_t runs = common.runs;
    const auto n = static_cast<std::size_t>(runs);
    const std::size_t sectionCount = cascade.sections.size();

    struct Nominal {
        cascade::SectionCircuit circuit;
        PartValues parts;
        SectionForm form;
        Figures figures;
    };
    std::vector<Nominal> nominal;
    for (const cascade::BuiltSection& s : cascade.sections) {
        Nominal k{s.circuit, partValues(s.circuit), sectionForm(s.circuit), {}};
        k.figures.values = figuresOf(outputPolynomials(s.circuit, common.opAmp), k.form);
        nominal.push_back(k);
    }

    // Every run evaluates the filter at the mask's points, then at the band's.
    std::vector<MaskPoint> maskPoints;
    if (settings.mask)
        maskPoints = maskGrid(cascade.design.kind, *settings.mask, settings.maskPoints);
    const std::vector<double> bandHz = bandFrequencies(common.bandFrequencyHz, runs);
    std::vector<double> omegas;
    for (const MaskPoint& p : maskPoints)
        omegas.push_back(kTwoPi * p.frequencyHz);
    for (double f : bandHz)
        omegas.push_back(kTwoPi * f);
    // The mask's limits as |H|^2 bounds, so that no run takes a logarithm to check it.
    const double gainSquared = cascade.design.gain * cascade.design.gain;
    std::vector<double> bound;
    for (const MaskPoint& p : maskPoints) {
        const double db = p.pass ? -settings.mask->maxPassbandLossDb - cascade::kMaskSlackDb
                                 : -settings.mask->minStopbandAttenuationDb + cascade::kMaskSlackDb;
        bound.push_back(gainSquared * std::pow(10.0, db / 10));
    }

    const bool keepFigures = settings.sectionFigures || common.limits.any();
    std::vector<SectionRuns> sections(keepFigures ? sectionCount : 0);
    for (std::size_t k = 0; k < sections.size(); ++k) {
        sections[k].form = nominal[k].form;
        sections[k].nominal = nominal[k].figures;
        for (std::vector<double>& s : sections[k].samples)
            s.resize(n);
    }
    std::vector<unsigned char> within(n);
    std::vector<float> levels(bandHz.size() * n);

    const RunStatus status = runInParallel(runs, control, [&](std::int64_t first, std::int64_t end) {
        std::vector<double> squared(omegas.size());
        for (std::int64_t i = first; i < end; ++i) {
            const auto run = static_cast<std::size_t>(i);
            RunStream stream(common.seed, static_cast<std::uint64_t>(i));
            std::fill(squared.begin(), squared.end(), 1.0);
            bool ok = true;
            for (std::size_t k = 0; k < sectionCount; ++k) {
                const Nominal& section = nominal[k];
                const cascade::SectionCircuit built = withParts(section.circuit, drawParts(section.parts, common.tolerances, stream));
                const OutputPolynomials<double> output = outputPolynomials(built, common.opAmp);
                if (keepFigures) {
                    Figures figures;
                    figures.values = figuresOf(output, section.form);
                    for (std::size_t f = 0; f < kFigureCount; ++f)
                        sections[k].samples[f][run] = figures.values[f];
                    ok = ok && common.limits.met(section.figures, figures, section.form);
                }
                for (std::size_t p = 0; p < omegas.size(); ++p)
                    squared[p] *= squaredMagnitudeOnAxis(output.numerator, omegas[p])
                                  / squaredMagnitudeOnAxis(output.denominator, omegas[p]);
            }
            for (std::size_t p = 0; p < maskPoints.size() && ok; ++p)
                ok = maskPoints[p].pass ? squared[p] >= bound[p] : squared[p] <= bound[p];
            within[run] = ok ? 1 : 0;
            for (std::size_t b = 0; b < bandHz.size(); ++b)
                levels[b * n + run] = static_cast<float>(10 * std::log10(squared[maskPoints.size() + b]));
        }
    });
    if (status != RunStatus::Completed) {
        out.status = status;
        return out;
    }

    out.status = RunStatus::Completed;
    out.runs = runs;
    if (settings.sectionFigures) {
        out.sections = std::move(sections);
        for (SectionRuns& s : out.sections)
            computeStatistics(s);
    }
    if (settings.mask || common.limits.any())
        out.passed = std::count(within.begin(), within.end(), 1);

    out.band.frequencyHz = bandHz;
    std::vector<float> column;
    for (std::size_t b = 0; b < bandHz.size(); ++b) {
        double nominalSquared = 1;
        for (const Nominal& section : nominal) {
            const OutputPolynomials<double> output = outputPolynomials(section.circuit, common.opAmp);
            nominalSquared *= squaredMagnitudeOnAxis(output.numerator, omegas[maskPoints.size() + b])
                              / squaredMagnitudeOnAxis(output.denominator, omegas[maskPoints.size() + b]);
        }
        column.clear();
        for (std::size_t i = 0; i < n; ++i)
            if (!std::isnan(levels[b * n + i]))
                column.push_back(levels[b * n + i]);
        out.band.nominalDb.push_back(10 * std::log10(nominalSquared));
        out.band.lowDb.push_back(quantile(column, 0.025));
        out.band.highDb.push_back(quantile(column, 0.975));
    }
    return out;
}

}  // namespace torvel::tolerance
