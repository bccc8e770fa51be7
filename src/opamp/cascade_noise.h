// The output noise of a whole filter: its sections as the noise analysis takes them, every op-amp the
// same part, and the band the total is integrated over when nobody names one.
#pragma once

#include "cascade/cascade.h"
#include "opamp/noise.h"

#include <vector>

namespace torvel {

/// The cascade's sections in order, each with `opAmp`, first-order sections as such.
std::vector<NoiseSection> cascadeNoiseSections(const cascade::Cascade& cascade, const OpAmpFigures& opAmp);

/// The band of a whole filter's noise total when none is given: its passband. A low-pass's runs from
/// a thousandth of its edge (below that the flat density adds a thousandth of the power, 0.004 dB) up to
/// the edge; a high-pass's from its edge to a thousand times the edge, where a real op-amp has long cut
/// it off; a band-pass's between its edges; a band-stop's from a thousandth of the lower passband edge to
/// a thousand times the upper, its stopband included. The edges are the mask's passband edges, or else fc
/// (an inverse Chebyshev filter's fc is its stopband edge, so its band reaches that far) and for band
/// filters the two edges fc and the bandwidth put geometrically about the centre.
struct NoiseBand {
    double lowHz = 0, highHz = 0;
};
NoiseBand passbandOf(const cascade::Cascade& cascade);

}  // namespace torvel
