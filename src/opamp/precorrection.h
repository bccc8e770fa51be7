// Pre-correction for the gain-bandwidth product: component values whose circuit, built with a given
// single-pole op-amp, has the wanted fo and Q.
//
// The op-amps' phase lag raises Q (to first order 1/Q' = 1/Q - 4 w0/wt for this loop at high Q) and
// lowers fo a little. Rather than trusting that approximation, the loop's R3 and R1 are solved for with
// Newton's method on the fo and Q of the dominant pole pair of the loop's characteristic polynomial,
// which comes from the same node equations the response solver uses. The rounding then follows the
// synthesis: C1, C2 and R2 as the synthesis chose them; R3 solved with the rounded R2 and rounded; R1
// solved again for Q with the rounded R3 and rounded; then the input and summing stage by the synthesis's
// own formulas from the loop as it behaves with the op-amp, R8 solved for fn with the op-amp, the
// all-pass's trimmed R7 for zeros that mirror the poles, and last the gain resistor (R4, or R10 of the
// summing amplifier) scaled to H. R4 is part of A1's feedback network, so loop and stage are repeated
// until R4 settles.
//
// It is a command of its own next to the synthesis, never in its place. Where the loop cannot reach the
// wanted fo and Q with this op-amp (the op-amps' poles come down to the loop's, 4 Q fo / GBW too large)
// it refuses and says why.
#pragma once

#include "design/circuit_response.h"
#include "design/realised_values.h"

#include <optional>
#include <string>

namespace torvel {

enum class PrecorrectionStatus { Corrected, NoCorrection };

struct [[nodiscard]] Precorrection {
    PrecorrectionStatus status = PrecorrectionStatus::NoCorrection;
    std::string refusal;        // why no correction exists
    double bandwidthLoad = 0;   // 4 Q fo / GBW, the first-order size of the effect
    DesignRecord record;        // the corrected elements, rounded to the record's series
    CircuitComponents parts;    // the same as the solver reads them
    RealisedValues realised;    // wanted against realised with the op-amp
    std::optional<RealisedValues> uncorrected;  // the synthesis's circuit with the op-amp, when it has a pole pair
};

/// Beyond this 4 Q fo / GBW no correction is attempted: the loop's poles are no longer apart from the
/// op-amps' own, and the "fo" and "Q" of a pair among five poles stop describing the response.
inline constexpr double kMaxBandwidthLoad = 1.0;

/// From the record of a completed synthesis of `type` (wanted H, fo, Q, fn; series; C1, C2, R2, R5, R6):
/// the corrected circuit. A floating-point fault in the synthesis's formulas is thrown as FloatFault.
Precorrection precorrect(const DesignRecord& synthesised, FilterType type, const OpAmpModel& opAmp);

/// The loop's R1 and R3 (C1, C2, R2, R5 and R6 kept) for which the loop with this op-amp has fo and Q;
/// nothing when Newton's method finds no such pair. Exposed for the tests and the benchmark.
std::optional<CircuitComponents> solveLoop(const CircuitComponents& start, const OpAmpModel& opAmp, double fo, double Q);

}  // namespace torvel
