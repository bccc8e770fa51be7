#include "cli_optimise.h"

#include "search/option_texts.h"

#include <cstdio>

namespace torvel::cli {

std::optional<search::SearchOptions> searchOptions(const OptimiseSettings& settings, std::string& error)
{
    search::SearchOptionTexts texts;
    texts.keepEqualC = settings.keepEqualC;
    texts.keepR5R6 = settings.keepR5R6;
    texts.pairs = settings.pairs;
    texts.resistorLow = settings.resistorLow.value_or(texts.resistorLow);
    texts.resistorHigh = settings.resistorHigh.value_or(texts.resistorHigh);
    texts.capacitorLow = settings.capacitorLow.value_or(texts.capacitorLow);
    texts.capacitorHigh = settings.capacitorHigh.value_or(texts.capacitorHigh);
    texts.largestErrorPercent = settings.largestErrorPercent;
    texts.timeLimitSeconds = settings.timeLimitSeconds;
    std::optional<search::SearchOptions> options = search::readSearchOptions(texts, error);
    if (!options)
        error = "optimise: " + error;
    return options;
}

namespace {

nlohmann::ordered_json percentOrNull(const std::optional<double>& error)
{
    return error ? nlohmann::ordered_json(*error * 100) : nlohmann::ordered_json(nullptr);
}

}  // namespace

nlohmann::ordered_json searchJson(const search::SectionResult& result)
{
    // "floors": what no set of the allowed parts can beat; H only where it is the ratio of two elements.
    return {{"candidates", result.candidates},
            {"ms", result.milliseconds},
            {"proven", result.proven},
            {"floors", {{"H_error_percent", percentOrNull(result.floors.gain)}, {"fo_Q_error_percent", percentOrNull(result.floors.foAndQ)}}}};
}

std::string searchSummary(const search::SectionResult& result)
{
    char line[160];
    std::snprintf(line, sizeof line, "search: %lld candidates, %.1f ms%s\n", result.candidates, result.milliseconds,
                  result.proven ? "" : " (stopped at the time limit: best found, not proven)");
    std::string out = line;
    if (result.floors.foAndQ) {
        std::snprintf(line, sizeof line, "the parts allow at best: larger of fo and Q %.3g %%", *result.floors.foAndQ * 100);
        out += line;
        if (result.floors.gain) {
            std::snprintf(line, sizeof line, ", H %.3g %%", *result.floors.gain * 100);
            out += line;
        }
        out += "\n";
    }
    if (result.status == search::SearchStatus::NoSolution)
        out += "no design: " + result.reason + "\n";
    return out;
}

}  // namespace torvel::cli
