// The real op-amp of a section, and what the design logic does with it.
//
// The design layer knows the op-amp only as an open-loop model for the node equations (ideal, or one
// pole at GBW / A0). This layer adds what a bench circuit meets besides: how fast the output can slew,
// how close it gets to each supply rail, and the noise at its inputs. It pre-corrects a section for the
// gain-bandwidth product, checks a signal against the swing and slew rate, and computes the output noise
// of a section or of several sections in a row. It links the design library and no Qt; the window and
// torvel-cli pick an op-amp here and show what comes back.
//
// All four op-amps of a section are the same type, as they are on a bench built from dual and quad
// packages.
#pragma once

#include "design/circuit_response.h"

#include <limits>
#include <string>

namespace torvel {

inline constexpr double kUnlimited = std::numeric_limits<double>::infinity();

/// An op-amp in SI units. The rails are the supply voltages relative to the signal ground (a single 5 V
/// supply with the signal ground at mid-supply is -2.5 V and +2.5 V); the output reaches to within the
/// headroom of each rail. Noise densities are the flat-band values, V/sqrt(Hz) and A/sqrt(Hz).
struct OpAmpFigures {
    std::string name = "custom";
    double gainBandwidthHz = 0;  // 0: infinite (ideal op-amps in the node equations)
    double dcGain = 1e5;         // open-loop gain at DC
    double slewRate = kUnlimited;  // V/s
    double railNegative = -kUnlimited, railPositive = kUnlimited;  // V
    double headroomNegative = 0, headroomPositive = 0;             // V
    double voltageNoise = 0;  // en, V/sqrt(Hz)
    double currentNoise = 0;  // in at the inverting input, A/sqrt(Hz)

    /// The model the node equations use.
    OpAmpModel model() const { return {gainBandwidthHz, dcGain}; }
    double outputHigh() const { return railPositive - headroomPositive; }
    double outputLow() const { return railNegative + headroomNegative; }
    /// The largest peak of a sine around the signal ground that neither rail clips.
    double symmetricSwing() const;
    bool ideal() const { return gainBandwidthHz <= 0; }
};

}  // namespace torvel
