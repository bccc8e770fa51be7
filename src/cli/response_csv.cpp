#include "response_csv.h"

#include "values/engineering_notation.h"

#include <cmath>
#include <cstdio>

namespace torvel::cli {
namespace {

std::size_t printedOutputs(const ResponseCurves& curves) { return curves.hasA4 ? 4 : 3; }

}  // namespace

ResponseSweepOutcome readResponseSweep(const OutputSettings& settings)
{
    ResponseSweep sweep;
    if (!settings.gainBandwidth.empty()) {
        sweep.opAmp.gainBandwidthHz = ParseEngineering(settings.gainBandwidth);
        if (!(sweep.opAmp.gainBandwidthHz > 0))
            return {std::nullopt, "--gbw must be a positive frequency"};
    }
    sweep.fromHz = ParseEngineering(settings.from);
    sweep.toHz = ParseEngineering(settings.to);
    if (!(sweep.fromHz > 0) || !(sweep.toHz > sweep.fromHz) || !std::isfinite(sweep.toHz))
        return {std::nullopt, "--from and --to must be frequencies with 0 < from < to"};
    sweep.points = settings.points;
    return {sweep, {}};
}

std::optional<FaultKind> responseFault(const ResponseCurves& curves)
{
    for (std::size_t k = 0; k < printedOutputs(curves); ++k) {
        for (std::size_t i = 0; i < curves.frequencyHz.size(); ++i) {
            const double level = curves.levelDb[k][i];
            if (std::isnan(level) || !std::isfinite(curves.phaseDeg[k][i]))
                return FaultKind::InvalidOperation;
            if (std::isinf(level))
                return level < 0 ? FaultKind::DivisionByZero : FaultKind::Overflow;
        }
    }
    return std::nullopt;
}

void writeResponseCsv(const ResponseCurves& curves, const std::function<bool(std::string_view)>& write)
{
    constexpr std::size_t kPiece = 64 * 1024;
    const std::size_t outputs = printedOutputs(curves);
    std::string text = "frequency_hz";
    for (std::size_t k = 1; k <= outputs; ++k)
        text += ",v" + std::to_string(k) + "_db,v" + std::to_string(k) + "_deg";
    text += "\n";
    char cell[64];
    for (std::size_t i = 0; i < curves.frequencyHz.size(); ++i) {
        std::snprintf(cell, sizeof cell, "%.6g", curves.frequencyHz[i]);
        text += cell;
        for (std::size_t k = 0; k < outputs; ++k) {
            std::snprintf(cell, sizeof cell, ",%.6f,%.4f", curves.levelDb[k][i], curves.phaseDeg[k][i]);
            text += cell;
        }
        text += "\n";
        if (text.size() >= kPiece) {
            if (!write(text))
                return;
            text.clear();
        }
    }
    if (!text.empty())
        write(text);
}

}  // namespace torvel::cli
