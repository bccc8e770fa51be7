// torvel-cli's real-op-amp commands: precorrect, noise, the swing and slew checks of response, and the
// op-amp subcircuit of netlist; for a whole filter the checks and the noise of cascade. Each reads the op-amp from the options, runs the op-amp library and gives
// back both the plain text and the JSON value of its key.
#pragma once

#include "cascade/cascade.h"
#include "cli_request.h"
#include "design/command_outcome.h"
#include "design/model_session.h"
#include "opamp/opamp_figures.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace torvel::cli {

struct OpAmpCommandResult {
    CommandOutcome outcome;          // of reading the panel
    int exitCode = kExitCompleted;   // kExitUsage for an unusable option, kExitNoCorrection for a refusal
    std::string error;               // a line for stderr (usage error, refusal, warnings)
    std::string text;                // the plain output
    nlohmann::ordered_json json;     // the value of the command's key with --json
};

/// The op-amp the options describe: the catalogue entry of --opamp (or "custom": ideal, unlimited,
/// noiseless), then --gbw, --supply, --swing, --slew, --en and --in over it. Nothing, with the reason in
/// `error`, when a value does not read.
std::optional<OpAmpFigures> opAmpOf(const CliRequest& request, std::string& error);

/// Why the op-amp options cannot be used (an unknown part, a value that does not read, an amplitude or
/// band out of range), or empty: checked before any command runs, so that a usage error leaves no output
/// of earlier commands behind.
std::string opAmpOptionsError(const CliRequest& request);

/// "precorrected": the synthesis corrected for the op-amp, written to the panel as the synthesis writes.
OpAmpCommandResult runPrecorrect(ModelSession& session, const CliRequest& request);

/// "noise": the output noise of the circuit in the component fields.
OpAmpCommandResult runNoise(const CircuitComponents& parts, FilterType type, const CliRequest& request);

/// "checks": the swing and slew checks of the response command over --from ... --to; the warnings in
/// `error`, one per line.
OpAmpCommandResult responseChecks(const CircuitComponents& parts, FilterType type, const CliRequest& request);

/// "checks" of a whole filter: every op-amp of every section from `fromHz` to `toHz`, each section driven
/// by the ones before it; the warnings in `error`, one per line.
OpAmpCommandResult cascadeChecks(const cascade::Cascade& cascade, const CliRequest& request, double fromHz, double toHz);

/// "noise" of a whole filter on `points` frequencies from `fromHz` to `toHz`, the total over --band or
/// else the filter's passband; the text is the CSV of `noise` with each source named by its section
/// (R4.2, "A1.3 en").
OpAmpCommandResult runCascadeNoise(const cascade::Cascade& cascade, const CliRequest& request, double fromHz, double toHz);

}  // namespace torvel::cli
