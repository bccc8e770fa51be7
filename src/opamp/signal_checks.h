// Whether a sine of a given amplitude at the input, at any frequency of a range, drives an op-amp output
// past its swing or faster than its slew rate.
//
// In steady state a sine of peak Vin at f gives each output the peak |Vk(f)| Vin, and the fastest slope
// of that output is 2 pi f |Vk(f)| Vin. The checks take the worst frequency of the range for each: the
// output's largest peak against the swing the op-amp allows on both rails, and its largest slope against
// the slew rate. The response is the node equations' with the op-amp's single-pole model.
#pragma once

#include "design/filter_types.h"
#include "opamp/opamp_figures.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace torvel {

struct OutputCheck {
    OpAmp amplifier = OpAmp::A1;
    double peakV = 0;         // the largest output peak over the range
    double peakHz = 0;        // where it occurs
    double swingMarginV = 0;  // the swing on the nearer rail minus the peak; negative: the output clips
    double slewNeeded = 0;    // V/s, the largest 2 pi f |Vk(f)| Vin over the range
    double slewHz = 0;
    double slewMargin = 0;    // V/s, the op-amp's slew rate minus the slew needed; negative: it slews
    bool clips() const { return swingMarginV < 0; }
    bool slews() const { return slewMargin < 0; }
};

struct SignalChecks {
    double amplitudeV = 0;
    double fromHz = 0, toHz = 0;
    std::vector<OutputCheck> outputs;  // A1 ... A3, and A4 where the layout has it
    std::vector<std::string> warnings;  // one line per output that clips or slews
};

/// The checks for a sine of peak `amplitudeV` at the input anywhere from `fromHz` to `toHz`.
SignalChecks checkSignal(const CircuitComponents& parts, FilterType type, const OpAmpFigures& opAmp, double amplitudeV,
                         double fromHz, double toHz);

/// Where one output rises highest and slopes fastest, per volt of a sine at the input: the largest |V(f)|
/// and the largest f |V(f)| over a range.
struct OutputExtremes {
    double level = 0, levelHz = 0;
    double slope = 0, slopeHz = 0;  // f |V(f)|, in V/s divided by 2 pi
};

/// The extremes of `outputs` outputs from `fromHz` to `toHz`: a log grid fine enough to put a point next
/// to any peak, then a golden-section search of `refineSteps` steps between the best point's neighbours.
/// `levels(f, out)` writes |V| of every output at f (one solution for all); `level(k, f)` gives output k
/// alone, which is all the search needs.
std::vector<OutputExtremes> findOutputExtremes(std::size_t outputs,
                                               const std::function<void(double, std::span<double>)>& levels,
                                               const std::function<double(std::size_t, double)>& level, double fromHz,
                                               double toHz, int refineSteps);

/// One output's extremes, per volt, judged at `amplitudeV` against the op-amp's swing and slew rate; a
/// line naming the output as `name` ("A2", "第3段 A1") is added to `warnings` for each limit it passes.
OutputCheck judgeOutput(OpAmp amplifier, const OutputExtremes& extremes, const OpAmpFigures& opAmp, double amplitudeV,
                        const std::string& name, std::vector<std::string>& warnings);

}  // namespace torvel
