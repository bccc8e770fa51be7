// One torvel-cli run: parse, set up the panel as a user would, run the commands, report.
#pragma once

#include <iosfwd>
#include <string>

namespace torvel::cli {

/// How a run ended, and what it has for stderr.
struct RunEnd {
    int exitCode = 0;
    std::string err;
};

/// Runs the command line, writing what belongs on stdout to `out` as soon as it is ready: each output
/// command's text when that command ends, so that a run of many long outputs holds only one at a time.
/// Every write is checked; a failed one (a full disk, a closed pipe) ends the run's output and its exit
/// status is kExitWriteFailed, as is a failed --save.
RunEnd run(int argc, const char* const* argv, std::ostream& out);

struct RunResult {
    int exitCode = 0;
    std::string out;  // for stdout
    std::string err;  // for stderr
};

/// The same run with its stdout collected in a string.
RunResult run(int argc, const char* const* argv);

}  // namespace torvel::cli
