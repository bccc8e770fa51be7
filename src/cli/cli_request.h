// What a torvel-cli command line asks for.
//
//   torvel-cli COMMAND... [--type T] [--C1 TEXT] ... [--R10 TEXT] [--H|--fo|--Q|--fn|--Z TEXT]
//              [--E1 TEXT] [--E2 TEXT] [--json]
//
// The options act on the panel as a user would: first the type radio button, then every field text.
#pragma once

#include "design/design_panel.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace torvel::cli {

enum class Command { Synth, Analyze };

struct CliRequest {
    std::vector<Command> commands;
    std::optional<FilterType> type;
    std::vector<std::pair<Field, std::string>> fieldTexts;
    std::optional<std::string> resistorSeries;   // --E1
    std::optional<std::string> capacitorSeries;  // --E2
    bool json = false;
};

/// Exit statuses, part of the contract with outside checks.
inline constexpr int kExitCompleted = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitStoppedAtField = 3;
inline constexpr int kExitFault = 4;

struct ParseResult {
    std::optional<CliRequest> request;  // empty on a usage error or after --help
    int exitCode = kExitCompleted;
    std::string output;                 // help text (stdout) or the usage error (stderr)
};

ParseResult parseCommandLine(int argc, const char* const* argv);

}  // namespace torvel::cli
