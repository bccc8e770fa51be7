#include "search/option_texts.h"

#include "values/engineering_notation.h"

#include <cmath>
#include <sstream>

namespace torvel::search {
namespace {

constexpr double kWidestRange = 1e6 * (1 + 1e-9);

bool readBound(const std::string& text, double& into, const char* what, std::string& error)
{
    const double value = ParseEngineering(text);
    if (!(value > 0) || !std::isfinite(value)) {
        error = std::string(what) + " must be a positive value, not \"" + text + "\"";
        return false;
    }
    into = value;
    return true;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::optional<SearchOptions> readSearchOptions(const SearchOptionTexts& texts, std::string& error)
{
    SearchOptions options;
    options.keepEqualC = texts.keepEqualC;
    options.keepR5R6 = texts.keepR5R6;
    if (!readBound(texts.resistorLow, options.resistors.low, "the smallest resistor", error)
        || !readBound(texts.resistorHigh, options.resistors.high, "the largest resistor", error)
        || !readBound(texts.capacitorLow, options.capacitors.low, "the smallest capacitor", error)
        || !readBound(texts.capacitorHigh, options.capacitors.high, "the largest capacitor", error))
        return std::nullopt;
    if (options.resistors.high < options.resistors.low || options.capacitors.high < options.capacitors.low) {
        error = "a part range must not end below its start";
        return std::nullopt;
    }
    // The search's work grows with the number of values per element, and a range far wider than any
    // board uses (10 ohm ... 10 Mohm is six decades) only turns a search of seconds into one of hours.
    if (options.resistors.high > options.resistors.low * kWidestRange
        || options.capacitors.high > options.capacitors.low * kWidestRange) {
        error = "a part range may span at most six decades (1k ... 1M spans three)";
        return std::nullopt;
    }
    if (!(texts.largestErrorPercent > 0) || !(texts.timeLimitSeconds >= 0)) {
        error = "the accepted error must be positive and the time limit not negative";
        return std::nullopt;
    }
    options.largestAcceptedError = texts.largestErrorPercent / 100;
    options.timeLimitSeconds = texts.timeLimitSeconds;
    std::istringstream names(texts.pairs);
    std::string name;
    while (std::getline(names, name, ',')) {
        name = trimmed(name);
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
            error = "\"" + name + "\" is no element to build of two parts (C1, C2, R1 ... R10)";
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace torvel::search
