#include "tolerance/section_model.h"

#include "design/filter_types.h"
#include "design/response_formulas.h"

namespace torvel::tolerance {
namespace {

template <typename T>
T slot(const PartArray<T>& parts, Field field)
{
    return parts[static_cast<std::size_t>(field)];
}

// 1/A(s) as a polynomial: 1/A0 + s/wt, nothing at all for an ideal op-amp.
template <typename T>
Polynomial<T> inverseGain(const OpAmpModel& opAmp)
{
    if (opAmp.ideal())
        return {};
    return {T(1 / opAmp.dcGain), T(1 / (kTwoPi * opAmp.gainBandwidthHz))};
}

template <typename T>
SectionPolynomials<T> secondOrder(FilterType type, const PartArray<T>& p, const OpAmpModel& opAmp)
{
    const auto g = [&](int n) { return T(1) / slot(p, componentField(n)); };
    const Polynomial<T> invA = inverseGain<T>(opAmp);
    const T c1 = slot(p, Field::C1), c2 = slot(p, Field::C2);

    const Polynomial<T> y1{g(1), c1};  // R1 parallel C1
    const Polynomial<T> a1 = y1 + invA * (y1 + Polynomial<T>{g(4) + g(3)});
    const Polynomial<T> sc2{T(0), c2};
    const Polynomial<T> a2 = sc2 + invA * (sc2 + Polynomial<T>{g(2)});
    const Polynomial<T> a3 = Polynomial<T>{g(6)} + invA * Polynomial<T>{g(5) + g(6)};
    const Polynomial<T> a2a3 = a2 * a3;
    const Polynomial<T> loop = a1 * a2a3 + Polynomial<T>{g(2) * g(3) * g(5)};

    SectionPolynomials<T> out;
    std::array<Polynomial<T>, 3> loopOutputs = {-(g(4) * a2a3), (g(4) * g(2)) * a3, Polynomial<T>{-(g(4) * g(2) * g(5))}};
    const FilterTypeInfo& info = filterTypeInfo(type);
    if (!info.hasA4) {
        for (std::size_t k = 0; k < 3; ++k)
            out.numerator[k] = loopOutputs[k];
        out.denominator = loop;
        return out;
    }
    T inputs = g(7) + g(9) + g(10);
    Polynomial<T> sum = g(9) * loop + g(7) * loopOutputs[0];
    if (info.r8From) {
        inputs += g(8);
        sum = sum + g(8) * loopOutputs[static_cast<std::size_t>(outputIndex(*info.r8From))];
    }
    const Polynomial<T> a4 = Polynomial<T>{g(10)} + invA * Polynomial<T>{inputs};
    for (std::size_t k = 0; k < 3; ++k)
        out.numerator[k] = loopOutputs[k] * a4;
    out.numerator[3] = -sum;
    out.denominator = loop * a4;
    return out;
}

template <typename T>
SectionPolynomials<T> firstOrder(bool highPass, const PartArray<T>& p, const OpAmpModel& opAmp)
{
    const Polynomial<T> invA = inverseGain<T>(opAmp);
    const T c1 = slot(p, Field::C1);
    const T g1 = T(1) / slot(p, Field::R1);
    const T r4 = slot(p, Field::R4);
    // Low-pass: Yi = G4, Yf = G1 + sC1. High-pass: Yi = sC1 / (1 + s R4 C1), Yf = G1, both multiplied by
    // 1 + s R4 C1.
    const Polynomial<T> yi = highPass ? Polynomial<T>{T(0), c1} : Polynomial<T>{T(1) / r4};
    const Polynomial<T> yf = highPass ? Polynomial<T>{g1, g1 * r4 * c1} : Polynomial<T>{g1, c1};
    SectionPolynomials<T> out;
    out.numerator[0] = -yi;
    out.denominator = yf + invA * (yi + yf);
    return out;
}

}  // namespace

template <typename T>
SectionPolynomials<T> nodeEquationPolynomials(const cascade::SectionCircuit& shape, const PartArray<T>& parts,
                                              const OpAmpModel& opAmp)
{
    if (shape.type)
        return secondOrder(*shape.type, parts, opAmp);
    return firstOrder(shape.firstOrder.highPass, parts, opAmp);
}

template SectionPolynomials<double> nodeEquationPolynomials(const cascade::SectionCircuit&, const PartArray<double>&,
                                                            const OpAmpModel&);
template SectionPolynomials<Dual> nodeEquationPolynomials(const cascade::SectionCircuit&, const PartArray<Dual>&,
                                                          const OpAmpModel&);

OutputPolynomials<double> outputPolynomials(const cascade::SectionCircuit& circuit, const OpAmpModel& opAmp)
{
    if (opAmp.ideal() && circuit.type) {
        const SectionTransfer& t = circuit.transfer;
        const auto& n = t.numerator[static_cast<std::size_t>(circuit.outputIndex())].c;
        const auto& d = t.denominator.c;
        return {Polynomial<double>{n[0], n[1], n[2]}, Polynomial<double>{d[0], d[1], d[2]}};
    }
    return outputOf(circuit, nodeEquationPolynomials(circuit, partValues(circuit), opAmp));
}

}  // namespace torvel::tolerance
