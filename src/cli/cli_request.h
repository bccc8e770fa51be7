// What a torvel-cli command line asks for.
//
//   torvel-cli COMMAND... [--load FILE] [--type T] [--C1 TEXT] ... [--R10 TEXT] [--H|--fo|--Q|--fn|--Z TEXT]
//              [--E1 TEXT] [--E2 TEXT] [--json] [--save FILE] [--subckt] [--gbw F] [--from F] [--to F] [--points N]
//              [--opamp NAME] [--slew V/us] [--swing V|LO,HI] [--supply V|LO,HI] [--en nV] [--in pA]
//              [--amplitude V] [--band F1,F2]
//              [--keep-equal-c] [--keep-r5-r6] [--pairs R1,R3] [--r-min|--r-max|--c-min|--c-max TEXT]
//              [--max-error PERCENT] [--time-limit SECONDS]
//
// The options act on the panel as a user would: first a design file, then the type radio button, then
// every field text.
#pragma once

#include "cli_tolerance_options.h"
#include "design/design_panel.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace torvel::cli {

enum class Command { Synth, Analyze, Netlist, Bom, Response, Cascade, Tolerance, Precorrect, Noise, Optimise };

/// Far beyond any plot, yet small enough that one sweep's curves stay under 100 MB.
inline constexpr int kMaxResponsePoints = 1000000;

/// Settings of the output commands (netlist, bom, response).
struct OutputSettings {
    bool subcircuit = false;        // --subckt: op-amps as the swappable subcircuit OPAMP
    std::string gainBandwidth;      // --gbw: single-pole op-amps of this GBW in the response; empty: ideal
    std::string from = "10";        // --from, --to: response range in Hz
    std::string to = "100k";
    int points = 200;               // --points, 2 to kMaxResponsePoints
};

/// What `cascade` asks for, as typed: frequencies are engineering texts ("12k"), a band's edges two of them
/// separated by a comma ("9k,11k"). Read and checked when the command runs.
struct CascadeOptions {
    std::optional<std::string> response, approximation, order, fc, bandwidth, fp, fs, Ap, As, ripple, attenuation, gain;
    bool netlist = false;  // --netlist: the whole cascade as one SPICE netlist
    bool bom = false;      // --bom: one parts list, references numbered by section
};

/// The real op-amp (precorrect, noise, the checks of response, netlist): a catalogue entry and typed
/// figures over it, as texts until the op-amp commands read them. --gbw belongs here too but is kept in
/// OutputSettings, where the response command has always read it.
struct OpAmpOptions {
    std::optional<std::string> name;       // --opamp: a catalogue name or "custom"
    std::optional<std::string> slew;       // --slew, V/us
    std::optional<std::string> swing;      // --swing: output limits, V or LO,HI
    std::optional<std::string> supply;     // --supply: rails, V or LO,HI (the headroom kept)
    std::optional<std::string> en;         // --en, nV/sqrt(Hz)
    std::optional<std::string> in;         // --in, pA/sqrt(Hz)
    std::optional<std::string> amplitude;  // --amplitude: input peak, V, for the checks
    std::optional<std::string> band;       // --band F1,F2: the noise integral's band
    /// Whether anything beyond --gbw describes the op-amp or the signal: the checks of the response
    /// command and the op-amp subcircuit of the netlist only appear then.
    bool described() const { return name || slew || swing || supply || en || in || amplitude; }
};

/// Settings of the optimise command, as typed; read into search options when the run starts.
struct OptimiseSettings {
    bool keepEqualC = false;          // --keep-equal-c
    bool keepR5R6 = false;            // --keep-r5-r6
    std::string pairs;                // --pairs: elements that may be two parts, "R1,R3"
    std::optional<std::string> resistorLow, resistorHigh;    // --r-min, --r-max (default 1k, 1M)
    std::optional<std::string> capacitorLow, capacitorHigh;  // --c-min, --c-max (default 100p, 10u)
    double largestErrorPercent = 5;   // --max-error: a design missing any figure by more is refused
    double timeLimitSeconds = 0;      // --time-limit: best design so far after this long (0: none)
};

struct CliRequest {
    std::vector<Command> commands;
    std::optional<FilterType> type;
    std::vector<std::pair<Field, std::string>> fieldTexts;
    std::optional<std::string> resistorSeries;   // --E1
    std::optional<std::string> capacitorSeries;  // --E2
    bool json = false;
    std::optional<std::string> loadFile;  // --load: a design file opened before the other options act
    std::optional<std::string> saveFile;  // --save: the panel after the commands, as a design file
    OutputSettings output;
    bool pointsGiven = false;  // --points was given (the cascade's response is printed only then)
    bool fromGiven = false, toGiven = false;
    CascadeOptions cascade;
    ToleranceOptions tolerance;
    OpAmpOptions opAmp;
    OptimiseSettings optimise;
};

/// Exit statuses, part of the contract with outside checks.
inline constexpr int kExitCompleted = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitStoppedAtField = 3;
inline constexpr int kExitFault = 4;
/// --save or the output to stdout could not be written (the old design file is then untouched).
inline constexpr int kExitWriteFailed = 5;
/// Out of memory or an error no command foresaw; main() ends with one line on stderr.
inline constexpr int kExitInternalError = 1;
/// precorrect: no component values reach fo and Q with this op-amp.
inline constexpr int kExitNoCorrection = 6;
/// optimise: no design of the allowed parts comes within the accepted error (or none can be built).
inline constexpr int kExitNoSolution = 7;

struct ParseResult {
    std::optional<CliRequest> request;  // empty on a usage error or after --help
    int exitCode = kExitCompleted;
    std::string output;                 // help text (stdout) or the usage error (stderr)
};

ParseResult parseCommandLine(int argc, const char* const* argv);

}  // namespace torvel::cli
