// The swing and slew checks of a whole filter: every op-amp of every section, for a sine at the filter's
// input.
//
// Each section's input is the output of the section before it, so an op-amp's output per volt of the
// filter's input is its own section's transfer times the built response of every earlier section, each
// with the same single-pole op-amps. A section that only passes what an earlier one has already
// attenuated needs no headroom there; a high-Q section late in the cascade sees the gain of all before it.
// The worst frequency is found for each output on its own, as for one section.
#pragma once

#include "cascade/cascade.h"
#include "opamp/signal_checks.h"

#include <string>
#include <vector>

namespace torvel {

struct CascadeOutputCheck {
    int section = 0;  // 0 for the first section
    OutputCheck check;
};

struct CascadeSignalChecks {
    double amplitudeV = 0;
    double fromHz = 0, toHz = 0;
    std::vector<CascadeOutputCheck> outputs;  // every op-amp of every section, in cascade order
    std::vector<std::string> warnings;        // one line per output that clips or slews
};

/// The checks for a sine of peak `amplitudeV` at the filter's input anywhere from `fromHz` to `toHz`.
CascadeSignalChecks checkCascadeSignal(const cascade::Cascade& cascade, const OpAmpFigures& opAmp, double amplitudeV,
                                       double fromHz, double toHz);

}  // namespace torvel
