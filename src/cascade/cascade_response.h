// What a cascade does, wanted and built: the filter's response, the level of every op-amp output along
// the cascade, the headroom, and whether a tolerance mask is met.
#pragma once

#include "approx/mask_fit.h"
#include "cascade/cascade.h"
#include "design/circuit_response.h"

#include <complex>
#include <vector>

namespace torvel::cascade {

/// The built filter per volt of input: the product of the sections' outputs.
std::complex<double> builtResponse(const Cascade& cascade, const OpAmpModel& opAmp, double frequencyHz);

/// Every op-amp output of every section per volt of the filter's input, in cascade order (A1 ... of the
/// first section, then the second's): each section's input is the output of the one before it.
void opAmpOutputs(const Cascade& cascade, const OpAmpModel& opAmp, double frequencyHz,
                  std::vector<std::complex<double>>& outputs);

/// One op-amp's output (0 = A1) of one section per volt of the filter's input: only the sections up to
/// that one are solved.
std::complex<double> opAmpOutput(const Cascade& cascade, const OpAmpModel& opAmp, int section, int opAmpIndex,
                                 double frequencyHz);

/// The wanted filter: the approximation itself.
std::complex<double> wantedResponse(const Cascade& cascade, double frequencyHz);

struct OpAmpLevels {
    int section = 0;  // 0-based, in cascade order
    int opAmp = 0;    // 0 = A1 ... 3 = A4
    std::vector<double> levelDb;  // per frequency, relative to the filter's input
};

struct CascadeCurves {
    std::vector<double> frequencyHz;
    std::vector<std::complex<double>> wanted, built;
    std::vector<OpAmpLevels> opAmps;  // every op-amp of every section, in cascade order
};

/// Everything at `points` frequencies spaced evenly on a log scale from `fromHz` to `toHz`, both included.
CascadeCurves cascadeCurves(const Cascade& cascade, const OpAmpModel& opAmp, double fromHz, double toHz, int points);

struct Headroom {
    double outputDb = 0;         // the built filter's highest level
    double highestOpAmpDb = 0;   // the highest level of any op-amp output anywhere in the cascade
    double headroomDb = 0;       // highestOpAmpDb - outputDb: how much earlier than the output something clips
    int section = 0, opAmp = 0;  // where that highest op-amp is
    double frequencyHz = 0;      // and at which frequency it peaks
};

Headroom cascadeHeadroom(const Cascade& cascade, const OpAmpModel& opAmp);

struct MaskVerdict {
    bool metWanted = false;
    bool metBuilt = false;
};

/// One band of a mask: from, to (Hz) and whether it is a passband. The outer bands reach three decades
/// beyond the mask's outermost edges.
struct MaskBand {
    double from, to;
    bool pass;
};
std::vector<MaskBand> maskBands(approx::ResponseKind kind, const approx::Mask& mask);

/// The design meets its mask exactly at its edges; this much below a dB is rounding, not a miss.
inline constexpr double kMaskSlackDb = 1e-6;

/// Whether the passband loses at most Ap and the stopband keeps at least As below the filter's gain G,
/// for the wanted and the built filter, on a fine grid of every band of the mask (edges included).
MaskVerdict checkMask(const Cascade& cascade, const approx::Mask& mask, const OpAmpModel& opAmp);

}  // namespace torvel::cascade
