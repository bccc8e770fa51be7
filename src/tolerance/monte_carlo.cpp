#include "tolerance/monte_carlo.h"

#include "design/response_formulas.h"
#include "tolerance/section_model.h"

#include <algorithm>
#include <cmath>

namespace torvel::tolerance {
namespace {

double levelDb(const OutputPolynomials<double>& output, double omega)
{
    return 10 * std::log10(squaredMagnitudeOnAxis(output.numerator, omega) / squaredMagnitudeOnAxis(output.denominator, omega));
}

}  // namespace

std::string settingsError(const MonteCarloSettings& settings)
{
    if (settings.runs < 1 || settings.runs > kMaxRuns)
        return "the number of runs must lie between 1 and " + std::to_string(kMaxRuns);
    if (!settings.tolerances.valid())
        return "tolerances must lie between 0 % and " + std::to_string(static_cast<int>(kMaxTolerance * 100)) + " %";
    for (const std::optional<double>& limit : settings.limits.relative)
        if (limit && !(*limit > 0 && std::isfinite(*limit)))
            return "limits must be above 0 %";
    return {};
}

std::vector<double> bandFrequencies(const std::vector<double>& wanted, std::int64_t runs)
{
    const auto points = static_cast<std::int64_t>(wanted.size());
    if (points == 0 || runs * points <= kMaxBandValues)
        return wanted;
    const std::int64_t kept = std::max<std::int64_t>(kMaxBandValues / std::max<std::int64_t>(runs, 1), 2);
    const std::int64_t step = (points - 1 + kept - 2) / (kept - 1);
    std::vector<double> thinned;
    for (std::int64_t i = 0; i < points - 1; i += step)
        thinned.push_back(wanted[static_cast<std::size_t>(i)]);
    thinned.push_back(wanted.back());
    return thinned;
}

std::optional<double> SectionMonteCarlo::yield() const
{
    if (!passed || runs == 0)
        return std::nullopt;
    return static_cast<double>(*passed) / static_cast<double>(runs);
}

void computeStatistics(SectionRuns& runs)
{
    for (Figure f : kAllFigures)
        if (hasFigure(runs.form, f))
            runs.statistics[static_cast<std::size_t>(f)] = statisticsOf(runs.samplesOf(f));
        else
            runs.statistics[static_cast<std::size_t>(f)] = {0, Figures::kNaN, Figures::kNaN, Figures::kNaN, Figures::kNaN};
}

SectionMonteCarlo sectionMonteCarlo(const cascade::SectionCircuit& circuit, const MonteCarloSettings& settings,
                                    const RunControl& control)
{
    SectionMonteCarlo out;
    out.error = settingsError(settings);
    if (!out.error.empty())
        return out;
    const std::int64_t runs = settings.runs;
    const auto n = static_cast<std::size_t>(runs);
    const SectionForm form = sectionForm(circuit);
    const PartValues nominal = partValues(circuit);
    const OutputPolynomials<double> nominalOutput = outputPolynomials(circuit, settings.opAmp);
    Figures nominalFigures;
    nominalFigures.values = figuresOf(nominalOutput, form);

    std::array<std::vector<double>, kFigureCount> samples;
    for (std::vector<double>& s : samples)
        s.resize(n);
    std::vector<unsigned char> within(n);
    const std::vector<double> bandHz = bandFrequencies(settings.bandFrequencyHz, runs);
    std::vector<double> omegas;
    for (double f : bandHz)
        omegas.push_back(kTwoPi * f);
    std::vector<float> levels(bandHz.size() * n);

    const RunStatus status = runInParallel(runs, control, [&](std::int64_t first, std::int64_t end) {
        for (std::int64_t i = first; i < end; ++i) {
            const auto run = static_cast<std::size_t>(i);
            RunStream stream(settings.seed, static_cast<std::uint64_t>(i));
            const cascade::SectionCircuit built = withParts(circuit, drawParts(nominal, settings.tolerances, stream));
            const OutputPolynomials<double> output = outputPolynomials(built, settings.opAmp);
            Figures figures;
            figures.values = figuresOf(output, form);
            for (std::size_t k = 0; k < kFigureCount; ++k)
                samples[k][run] = figures.values[k];
            within[run] = settings.limits.met(nominalFigures, figures, form) ? 1 : 0;
            for (std::size_t p = 0; p < omegas.size(); ++p)
                levels[p * n + run] = static_cast<float>(levelDb(output, omegas[p]));
        }
    });
    if (status != RunStatus::Completed) {
        out.status = status;
        return out;
    }

    out.status = RunStatus::Completed;
    out.runs = runs;
    out.section.form = form;
    out.section.nominal = nominalFigures;
    out.section.samples = std::move(samples);
    computeStatistics(out.section);
    if (settings.limits.any())
        out.passed = std::count(within.begin(), within.end(), 1);
    out.band.frequencyHz = bandHz;
    std::vector<float> column;
    for (std::size_t p = 0; p < omegas.size(); ++p) {
        column.clear();
        for (std::size_t i = 0; i < n; ++i)
            if (!std::isnan(levels[p * n + i]))
                column.push_back(levels[p * n + i]);
        out.band.nominalDb.push_back(levelDb(nominalOutput, omegas[p]));
        out.band.lowDb.push_back(quantile(column, 0.025));
        out.band.highDb.push_back(quantile(column, 0.975));
    }
    return out;
}

}  // namespace torvel::tolerance
