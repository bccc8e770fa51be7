#include "cascade/section_circuit.h"

#include "design/response_formulas.h"

#include <cmath>
#include <limits>

namespace torvel::cascade {

SectionCircuit secondOrderCircuit(const CircuitComponents& parts, FilterType type)
{
    SectionCircuit c;
    c.type = type;
    c.parts = parts;
    c.transfer = idealTransfer(parts, type);
    return c;
}

SectionCircuit firstOrderCircuit(const FirstOrderParts& parts)
{
    SectionCircuit c;
    c.firstOrder = parts;
    return c;
}

int SectionCircuit::opAmpCount() const
{
    if (isFirstOrder())
        return 1;
    return filterTypeInfo(*type).hasA4 ? 4 : 3;
}

int SectionCircuit::outputIndex() const
{
    return isFirstOrder() ? 0 : torvel::outputIndex(filterTypeInfo(*type).output);
}

CircuitFigures circuitFigures(const SectionCircuit& circuit, approx::SectionKind kind)
{
    CircuitFigures f;
    f.fnHz = std::numeric_limits<double>::quiet_NaN();
    if (circuit.isFirstOrder()) {
        f.foHz = firstOrderFo(circuit.firstOrder);
        f.H = firstOrderGain(circuit.firstOrder);
        return f;
    }
    const SectionTransfer& t = circuit.transfer;
    const auto& d = t.denominator.c;
    const double w0 = std::sqrt(d[0] / d[2]);
    f.foHz = w0 / kTwoPi;
    f.Q = w0 * d[2] / d[1];
    const auto& n = t.numerator[static_cast<std::size_t>(circuit.outputIndex())].c;
    switch (kind) {
    case approx::SectionKind::Lpf: f.H = std::abs(n[0] / d[0]); break;
    case approx::SectionKind::Bpf: f.H = std::abs(n[1] / d[1]); break;  // at w0 the s^2 and 1 terms cancel
    case approx::SectionKind::TzfLow:
        f.fnHz = std::sqrt(n[0] / n[2]) / kTwoPi;
        f.H = std::abs(n[0] / d[0]);
        break;
    case approx::SectionKind::TzfHigh:
        f.fnHz = std::sqrt(n[0] / n[2]) / kTwoPi;
        f.H = std::abs(n[2] / d[2]);
        break;
    case approx::SectionKind::Hpf:
    case approx::SectionKind::Notch:
    case approx::SectionKind::FirstOrderLp:
    case approx::SectionKind::FirstOrderHp: f.H = std::abs(n[2] / d[2]); break;
    }
    return f;
}

OutputVoltages sectionOutputs(const SectionCircuit& circuit, const OpAmpModel& opAmp, double frequencyHz)
{
    if (circuit.isFirstOrder())
        return {firstOrderOutput(circuit.firstOrder, opAmp, frequencyHz), 0, 0, 0};
    if (!opAmp.ideal())
        return solveCircuit(circuit.parts, *circuit.type, opAmp, frequencyHz);
    // Closed forms: many sections at many frequencies are too slow to solve as equations each time.
    const SectionTransfer& t = circuit.transfer;
    const std::complex<double> s(0, kTwoPi * frequencyHz);
    const std::complex<double> d = t.denominator.at(s);
    OutputVoltages v;
    for (std::size_t k = 0; k < v.size(); ++k)
        v[k] = t.numerator[k].at(s) / d;
    return v;
}

}  // namespace torvel::cascade
