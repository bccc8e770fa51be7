// H, fo, Q and fn that a circuit realises with a given op-amp, read from its transfer polynomials.
//
// fo and Q are those of the loop's dominant pole pair, fn that of the summing stage's dominant zero pair.
// H is the gain of the dominant second-order section with the op-amps' own poles and zeros taken as 1 at
// DC: the DC gain for the low-pass, the transmission-zero type with its zero above fo, the notch and the
// all-pass; Q w0 times the slope at DC for the band-pass (its gain at fo); w0^2 times the curvature at DC
// for the high-pass (its gain far above fo); the DC gain times (fo/fn)^2 for the transmission-zero type
// with its zero below fo. With ideal op-amps these are exactly the values the synthesis reports for its
// rounded circuit.
#pragma once

#include "design/circuit_response.h"
#include "design/realised_values.h"

#include <optional>

namespace torvel {

struct SectionParameters {
    double H = 0;
    double fo = 0;
    double Q = 0;
    double fn = 0;  // 0 where the type has no transmission zero of its own
};

/// Nothing when the loop has no dominant pole pair with this op-amp.
std::optional<SectionParameters> realisedParameters(const CircuitComponents& parts, FilterType type, const OpAmpModel& opAmp);

/// Wanted (from the design record) against realised, as the synthesis reports them.
RealisedValues compareWithWanted(const DesignRecord& wanted, FilterType type, const SectionParameters& realised);

}  // namespace torvel
