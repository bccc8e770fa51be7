// torvel-cli's optimise command: its settings read into search options, and what it reports.
#pragma once

#include "cli_request.h"
#include "search/best_values.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace torvel::cli {

/// The search options the settings ask for; nothing, with the reason in `error`, when one does not read
/// (an element --pairs cannot name, a bound that is no value).
std::optional<search::SearchOptions> searchOptions(const OptimiseSettings& settings, std::string& error);

/// {"candidates": complete component sets evaluated, "ms": time taken, "proven": whether the search ran to
/// its end}.
nlohmann::ordered_json searchJson(const search::SectionResult& result);

/// "search: ..." with the same facts, and the reason where there is no design.
std::string searchSummary(const search::SectionResult& result);

}  // namespace torvel::cli
