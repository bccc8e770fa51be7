// torvel-cli cascade: a whole filter from an approximation and an order or a mask, built from the
// calculator's sections.
#pragma once

#include "cli_request.h"
#include "cli_run.h"

namespace torvel::cli {

RunResult runCascade(const CliRequest& request);

}  // namespace torvel::cli
