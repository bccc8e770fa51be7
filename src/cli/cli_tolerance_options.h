// What `tolerance` asks for, as typed:
//   --tol-R 1% --tol-C 5% [--tol R3=0.1% ...] --dist uniform|normal --runs N --seed S
//   [--fo-limit 2%] [--Q-limit 5%] [--H-limit 1%] [--fn-limit 2%] [--level-at F] [--threads N]
// Percentages may drop the "%" sign; they are read when the command runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace torvel::cli {

struct ToleranceOptions {
    std::string resistor = "1%";
    std::string capacitor = "5%";
    std::vector<std::string> parts;  // "R3=0.1%": a tolerance of its own for one part
    std::string distribution = "uniform";
    std::int64_t runs = 1000;
    std::uint64_t seed = 1;
    std::optional<std::string> foLimit, qLimit, hLimit, fnLimit;
    std::optional<std::string> levelAt;  // the frequency whose level's sensitivities are reported too
    int threads = 0;                     // 0: every core
};

void addToleranceOptions(CLI::App& app, ToleranceOptions& options);

}  // namespace torvel::cli
