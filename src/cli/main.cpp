// torvel-cli: the design commands without a window, for scripts and outside checks.
#include "cli_request.h"
#include "cli_run.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <new>

int main(int argc, char** argv)
{
    // Past a file size limit (ulimit -f) the system would end the program in the middle of a save; with
    // the signal ignored the write fails instead, and the save reports it and leaves the old file.
    std::signal(SIGXFSZ, SIG_IGN);
    // Nothing escapes: every way out is a line on stderr and a documented status. The messages are
    // written without allocating, since memory may be what ran out.
    try {
        const torvel::cli::RunEnd end = torvel::cli::run(argc, argv, std::cout);
        std::cerr << end.err;
        return end.exitCode;
    } catch (const std::bad_alloc&) {
        std::fputs("torvel-cli: out of memory\n", stderr);
    } catch (const std::exception& e) {
        std::fputs("torvel-cli: internal error: ", stderr);
        std::fputs(e.what(), stderr);
        std::fputs("\n", stderr);
    } catch (...) {
        std::fputs("torvel-cli: internal error\n", stderr);
    }
    return torvel::cli::kExitInternalError;
}
