// The frequency response of the circuit as built, from its node equations.
//
// Where the analysis command reads H, fo, Q and fn from formulas that assume the type's relations
// (R5 = R6, R9/R7 = R4/R1, ...), this solves the circuit itself for any component set, matched or not, in
// complex arithmetic: the output of every op-amp, with ideal op-amps or with a single-pole model of a given
// gain-bandwidth product. It is a check on the designed values and shows what a real op-amp does to this
// loop (the integrators' phase lag raises Q).
#pragma once

#include "design/design_panel.h"
#include "design/filter_types.h"

#include <array>
#include <complex>
#include <vector>

namespace torvel {

/// C1, C2 in farads; R[0] is R1 ... R[9] is R10, ohms. Elements a layout lacks are not read.
struct CircuitComponents {
    double C1 = 0, C2 = 0;
    std::array<double, 10> R{};
    double r(int number) const { return R[static_cast<std::size_t>(number - 1)]; }
};

/// The elements a synthesis left in the design record.
CircuitComponents componentsOf(const DesignRecord& record);

/// Open-loop model of each op-amp: ideal (gainBandwidthHz <= 0) or A(s) = A0 / (1 + s A0 / (2 pi GBW)).
struct OpAmpModel {
    double gainBandwidthHz = 0;
    double dcGain = 1e5;
    bool ideal() const { return gainBandwidthHz <= 0; }
};

/// The outputs V1 ... V4 of A1 ... A4 per volt at the input; V4 is 0 where the layout has no A4.
using OutputVoltages = std::array<std::complex<double>, 4>;

/// Solves the node equations at one frequency. A singular circuit (e.g. a zero resistor) gives NaNs.
OutputVoltages solveCircuit(const CircuitComponents& parts, FilterType type, const OpAmpModel& opAmp, double frequencyHz);

/// How every source inside the circuit reaches the filter's output at one frequency, for noise analysis:
/// per op-amp, the transfer impedance (V/A) from a current injected into its inverting input node, and the
/// gain from a voltage in series with its non-inverting input; `fromInput` is the response itself. A
/// current into an op-amp output, the input or ground does not reach the output: ideal sources hold those
/// nodes. Entries of an absent A4 are 0.
struct SourceTransfers {
    std::array<std::complex<double>, 4> fromInvertingCurrent{};
    std::array<std::complex<double>, 4> fromNonInvertingVoltage{};
    std::complex<double> fromInput;
};

/// Solves the same node equations once for the output's row of their inverse (the adjoint system), which
/// gives the transfer from every source at the cost of one solution. A singular circuit gives NaNs.
SourceTransfers sourceTransfers(const CircuitComponents& parts, FilterType type, const OpAmpModel& opAmp, double frequencyHz);

struct ResponseCurves {
    std::vector<double> frequencyHz;
    std::array<std::vector<double>, 4> levelDb;     // 20 log10 |V/Vin| per output
    std::array<std::vector<double>, 4> phaseDeg;    // arg(V/Vin), -180 ... 180
    std::vector<double> outputGroupDelay;           // seconds, of the filter's output
    int outputIndex = 0;
    bool hasA4 = false;
};

/// The response on `points` frequencies spaced evenly on a log scale from `startHz` to `stopHz`.
ResponseCurves frequencyResponse(const CircuitComponents& parts, FilterType type, const OpAmpModel& opAmp,
                                 double startHz, double stopHz, int points);

struct ResponsePeak {
    double frequencyHz = 0;
    double levelDb = 0;
};

/// The highest level of one output between `startHz` and `stopHz`: a log grid, then a golden-section
/// refinement around the best grid point. A maximum at an end of the range is reported there.
ResponsePeak findPeak(const CircuitComponents& parts, FilterType type, const OpAmpModel& opAmp, int output,
                      double startHz, double stopHz);

}  // namespace torvel
