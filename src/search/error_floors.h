// What no choice among a search's parts can beat, whatever the objective: the errors the parts themselves
// leave. A designer reading a result then sees whether a larger series, a pair of parts or a wider range
// could do better, or whether the search already sits at what the parts allow.
//
// Two figures of the section are tied to few elements:
//   - Q = w0 R1 C1. With R1 C1 off the product the wanted Q and fo ask for by a factor e^y, moving w0 by e^x
//     makes fo err by e^x - 1 and Q by e^(x+y) - 1; the larger of the two is never below |tanh(y/2)|, and
//     the best R1 and C1 set the floor.
//   - The gain is the ratio of two elements in the band-pass (R1/R4) and behind the summing stage (R10/R9,
//     R9 built as R4), except TZF (Wo<Wn), whose gain at DC also holds where the zero lies.
#pragma once

#include <optional>

namespace torvel::search {

class SearchSpace;

struct ErrorFloors {
    /// The smallest relative error of H, where H is the ratio of two elements; nothing elsewhere.
    std::optional<double> gain;
    /// The smallest the larger of the fo and Q relative errors can be (nothing before a search space exists).
    std::optional<double> foAndQ;
};

ErrorFloors errorFloors(const SearchSpace& space);

}  // namespace torvel::search
