// torvel-cli cascade: a whole filter from an approximation and an order or a mask, built from the
// calculator's sections; with an op-amp described, the swing and slew checks of every op-amp along it;
// followed by tolerance or noise, the whole filter's tolerances or output noise.
#pragma once

#include "cli_request.h"
#include "cli_run.h"

namespace torvel::cli {

RunResult runCascade(const CliRequest& request);

}  // namespace torvel::cli
