// torvel-cli tolerance: sensitivities, worst case, Monte Carlo statistics and yield of the section in the
// panel's component fields, or of a whole filter after `cascade`.
//
// JSON keys: "sensitivity", "worst_case", "monte_carlo" (with "runs" and, per figure, "mean", "std",
// "p1", "p99") and "yield" (the share of runs within the limits or the mask, null without either).
#pragma once

#include "cascade/cascade.h"
#include "cli_request.h"
#include "design/circuit_response.h"

#include <nlohmann/json.hpp>

#include <string>

namespace torvel::cli {

struct ToleranceReport {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();  // the four keys, to merge into the output
    std::string text;   // the same for people
    std::string error;  // an option that cannot be read: a usage error, nothing ran
};

/// Checks the tolerance options without running anything; empty when they read.
std::string toleranceOptionsError(const ToleranceOptions& options);

ToleranceReport sectionTolerance(const CircuitComponents& parts, FilterType type, const CliRequest& request);

/// The envelope and the band on `points` frequencies from `fromHz` to `toHz`; the yield against the
/// filter's mask when it has one, and the limits on every section's figures when given.
ToleranceReport cascadeTolerance(const cascade::Cascade& cascade, const CliRequest& request, const OpAmpModel& opAmp,
                                 double fromHz, double toHz);

}  // namespace torvel::cli
