// The response command: its settings read from their option texts, the check that every printed level
// and phase is a number, and the CSV rows.
#pragma once

#include "cli_request.h"
#include "design/circuit_response.h"
#include "values/checked_real.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace torvel::cli {

struct ResponseSweep {
    OpAmpModel opAmp;
    double fromHz = 0;
    double toHz = 0;
    int points = 0;
};

/// The sweep of --gbw, --from, --to and --points, or the usage error in `error`.
struct ResponseSweepOutcome {
    std::optional<ResponseSweep> sweep;
    std::string error;
};
ResponseSweepOutcome readResponseSweep(const OutputSettings& settings);

/// The floating-point fault a response stands for when one of its printed levels or phases is not a
/// number: NaN (a circuit that cannot be solved, such as a zero resistor in the loop) is an invalid
/// operation, an infinite level the logarithm of a zero output (division by zero) or an overflow, as
/// the checked arithmetic of the other commands would name them. Empty when the whole response is
/// computed.
std::optional<FaultKind> responseFault(const ResponseCurves& curves);

/// Writes the CSV (frequency, then dB and degrees per op-amp output) in pieces of some tens of
/// kilobytes, so that a long sweep never needs its whole text in memory. `write` returns false to stop.
void writeResponseCsv(const ResponseCurves& curves, const std::function<bool(std::string_view)>& write);

}  // namespace torvel::cli
