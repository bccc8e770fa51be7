// The search's options as a user types them (in torvel-cli's options or the window's dialog), and their
// reading into SearchOptions, so that both front ends accept and refuse the same texts.
#pragma once

#include "search/best_values.h"

#include <optional>
#include <string>

namespace torvel::search {

struct SearchOptionTexts {
    bool keepEqualC = false;
    bool keepR5R6 = false;
    std::string pairs;                  // elements that may be two parts: "R1,R3" (blanks ignored)
    std::string resistorLow = "1k";     // value texts, as the fields take them
    std::string resistorHigh = "1M";
    std::string capacitorLow = "100p";
    std::string capacitorHigh = "10u";
    double largestErrorPercent = 5;     // a design missing any figure by more is refused
    double timeLimitSeconds = 0;        // best design so far after this long; 0: no limit
};

/// The options the texts ask for; nothing, with the reason in `error`, when one does not read: an element
/// --pairs cannot name, a bound that is no positive value, a range that ends below its start, an accepted
/// error that is not positive or a negative time limit.
std::optional<SearchOptions> readSearchOptions(const SearchOptionTexts& texts, std::string& error);

}  // namespace torvel::search
