#include "tolerance/sensitivity.h"

#include "design/response_formulas.h"

#include <algorithm>
#include <cmath>

namespace torvel::tolerance {
namespace {

double magnitudeOrLowest(double s) { return std::isnan(s) ? -1 : std::abs(s); }

}  // namespace

double SensitivityRow::largest() const
{
    double m = -1;
    for (double s : figures)
        m = std::max(m, magnitudeOrLowest(s));
    return std::max(m, magnitudeOrLowest(level));
}

SectionSensitivities sectionSensitivities(const cascade::SectionCircuit& circuit, const OpAmpModel& opAmp,
                                          std::optional<double> levelFrequencyHz)
{
    SectionSensitivities out;
    out.form = sectionForm(circuit);
    out.nominal = sectionFigures(circuit, opAmp);
    out.levelFrequencyHz = levelFrequencyHz;
    const PartValues values = partValues(circuit);
    const PartSet parts = partsOf(circuit);
    const std::complex<double> s(0, kTwoPi * levelFrequencyHz.value_or(0));
    if (levelFrequencyHz) {
        const OutputPolynomials<double> output = outputPolynomials(circuit, opAmp);
        out.nominalLevelDb = 20 * std::log10(std::abs(evaluate(output.numerator, s) / evaluate(output.denominator, s)));
    }

    for (int slot = 0; slot < kPartSlots; ++slot) {
        if (!parts.contains(slot))
            continue;
        // Seeding the part's slope with its own value makes every slope x dy/dx, so S = slope / value.
        PartArray<Dual> dual;
        for (std::size_t k = 0; k < dual.size(); ++k)
            dual[k] = Dual(values[k], static_cast<int>(k) == slot ? values[k] : 0);
        const OutputPolynomials<Dual> output = outputOf(circuit, nodeEquationPolynomials(circuit, dual, opAmp));
        const std::array<Dual, kFigureCount> figures = figuresOf(output, out.form);

        SensitivityRow row;
        row.slot = slot;
        for (Figure f : kAllFigures) {
            const Dual& y = figures[static_cast<std::size_t>(f)];
            row.figures[static_cast<std::size_t>(f)] = hasFigure(out.form, f) ? y.slope / y.value : Figures::kNaN;
        }
        if (levelFrequencyHz) {
            // d ln|N/D| = Re(dN/N - dD/D).
            const std::complex<double> n = evaluateValue(output.numerator, s), d = evaluateValue(output.denominator, s);
            row.level = (evaluateSlope(output.numerator, s) / n - evaluateSlope(output.denominator, s) / d).real();
        }
        out.rows.push_back(row);
    }
    std::stable_sort(out.rows.begin(), out.rows.end(),
                     [](const SensitivityRow& a, const SensitivityRow& b) { return a.largest() > b.largest(); });
    return out;
}

std::vector<SensitivityRow> sortedByFigure(std::vector<SensitivityRow> rows, Figure figure)
{
    std::stable_sort(rows.begin(), rows.end(), [figure](const SensitivityRow& a, const SensitivityRow& b) {
        const double x = magnitudeOrLowest(a.of(figure)), y = magnitudeOrLowest(b.of(figure));
        if (x != y)
            return x > y;
        return a.slot < b.slot;
    });
    return rows;
}

}  // namespace torvel::tolerance
