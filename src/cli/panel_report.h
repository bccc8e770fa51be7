// The panel after a run, for outside checks (JSON) and for people (a short text).
#pragma once

#include "design/designer.h"
#include "design/panel_model.h"
#include "design/realised_values.h"

#include <nlohmann/json.hpp>

#include <string>

namespace torvel::cli {

/// {"type", "working_type", "image", "fields", "E1", "E2", "labels", "messages", "fault"}: keys and order
/// are a contract; texts exactly as the panel holds them.
nlohmann::ordered_json panelJson(const PanelModel& panel, WorkingType workingType, const std::string* faultText);

/// Visible fields, labels, messages and the fault, one per line.
std::string panelSummary(const PanelModel& panel, WorkingType workingType, const std::string* faultText);

/// The messages and the fault alone, one per line, as the summary ends.
std::string panelProblems(const PanelModel& panel, const std::string* faultText);

/// {"H": {"wanted", "realised", "error_percent"}, "fo": ..., "Q": ..., "fn": ... (TZF only)}.
nlohmann::ordered_json realisedJson(const RealisedValues& values);

/// "realised:" and one line per parameter: wanted, realised, error in %.
std::string realisedSummary(const RealisedValues& values);

}  // namespace torvel::cli
