// One torvel-cli run: parse, set up the panel as a user would, run the commands, report.
#pragma once

#include <string>

namespace torvel::cli {

struct RunResult {
    int exitCode = 0;
    std::string out;  // for stdout
    std::string err;  // for stderr
};

RunResult run(int argc, const char* const* argv);

}  // namespace torvel::cli
