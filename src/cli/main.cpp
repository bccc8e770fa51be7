// torvel-cli: the design commands without a window, for scripts and outside checks.
#include "cli_run.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    try {
        const torvel::cli::RunResult result = torvel::cli::run(argc, argv);
        std::cout << result.out;
        std::cerr << result.err;
        return result.exitCode;
    } catch (const std::exception& e) {
        std::cerr << "torvel-cli: " << e.what() << "\n";
        return 1;
    }
}
