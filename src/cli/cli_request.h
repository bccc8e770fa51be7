// What a torvel-cli command line asks for.
//
//   torvel-cli COMMAND... [--load FILE] [--type T] [--C1 TEXT] ... [--R10 TEXT] [--H|--fo|--Q|--fn|--Z TEXT]
//              [--E1 TEXT] [--E2 TEXT] [--json] [--save FILE] [--subckt] [--gbw F] [--from F] [--to F] [--points N]
//              [--keep-equal-c] [--keep-r5-r6] [--pairs R1,R3] [--r-min|--r-max|--c-min|--c-max TEXT]
//              [--max-error PERCENT] [--time-limit SECONDS]
//
// The options act on the panel as a user would: first a design file, then the type radio button, then
// every field text.
#pragma once

#include "design/design_panel.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace torvel::cli {

enum class Command { Synth, Analyze, Netlist, Bom, Response, Optimise };

/// Settings of the output commands (netlist, bom, response).
struct OutputSettings {
    bool subcircuit = false;        // --subckt: op-amps as the swappable subcircuit OPAMP
    std::string gainBandwidth;      // --gbw: single-pole op-amps of this GBW in the response; empty: ideal
    std::string from = "10";        // --from, --to: response range in Hz
    std::string to = "100k";
    int points = 200;               // --points
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
    OptimiseSettings optimise;
};

/// Exit statuses, part of the contract with outside checks.
inline constexpr int kExitCompleted = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitStoppedAtField = 3;
inline constexpr int kExitFault = 4;
/// optimise: no design of the allowed parts comes within the accepted error (or none can be built).
inline constexpr int kExitNoSolution = 5;

struct ParseResult {
    std::optional<CliRequest> request;  // empty on a usage error or after --help
    int exitCode = kExitCompleted;
    std::string output;                 // help text (stdout) or the usage error (stderr)
};

ParseResult parseCommandLine(int argc, const char* const* argv);

}  // namespace torvel::cli
