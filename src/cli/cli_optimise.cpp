#include "cli_optimise.h"

#include "values/engineering_notation.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace torvel::cli {
namespace {

// A bound typed as a value text ("4.7k", "100p"); keeps the default when not given.
bool readBound(const std::optional<std::string>& text, double& into, const char* option, std::string& error)
{
    if (!text)
        return true;
    const double value = ParseEngineering(*text);
    if (!(value > 0) || !std::isfinite(value)) {
        error = std::string(option) + " must be a positive value, not \"" + *text + "\"";
        return false;
    }
    into = value;
    return true;
}

}  // namespace

std::optional<search::SearchOptions> searchOptions(const OptimiseSettings& settings, std::string& error)
{
    search::SearchOptions options;
    options.keepEqualC = settings.keepEqualC;
    options.keepR5R6 = settings.keepR5R6;
    options.largestAcceptedError = settings.largestErrorPercent / 100;
    options.timeLimitSeconds = settings.timeLimitSeconds;
    if (!readBound(settings.resistorLow, options.resistors.low, "--r-min", error)
        || !readBound(settings.resistorHigh, options.resistors.high, "--r-max", error)
        || !readBound(settings.capacitorLow, options.capacitors.low, "--c-min", error)
        || !readBound(settings.capacitorHigh, options.capacitors.high, "--c-max", error))
        return std::nullopt;
    if (options.resistors.high < options.resistors.low || options.capacitors.high < options.capacitors.low) {
        error = "a part range must not end below its start";
        return std::nullopt;
    }
    std::istringstream names(settings.pairs);
    std::string name;
    while (std::getline(names, name, ',')) {
        const auto first = name.find_first_not_of(' ');
        name = first == std::string::npos ? std::string() : name.substr(first, name.find_last_not_of(' ') - first + 1);
        if (name.empty())
            continue;
        bool known = false;
        for (Field field : kAllFields) {
            if (static_cast<int>(field) <= static_cast<int>(Field::R10) && fieldInfo(field).key == name) {
                options.pairs.add(field);
                known = true;
            }
        }
        if (!known) {
            error = "--pairs: \"" + name + "\" is no element (C1, C2, R1 ... R10)";
            return std::nullopt;
        }
    }
    return options;
}

nlohmann::ordered_json searchJson(const search::SectionResult& result)
{
    return {{"candidates", result.candidates}, {"ms", result.milliseconds}, {"proven", result.proven}};
}

std::string searchSummary(const search::SectionResult& result)
{
    char line[160];
    std::snprintf(line, sizeof line, "search: %lld candidates, %.1f ms%s\n", result.candidates, result.milliseconds,
                  result.proven ? "" : " (stopped at the time limit: best found, not proven)");
    std::string out = line;
    if (result.status == search::SearchStatus::NoSolution)
        out += "no design: " + result.reason + "\n";
    return out;
}

}  // namespace torvel::cli
