// Reading the panel: one field, the transfer-function parameters, the two series sizes.
#pragma once

#include "design/circuit_response.h"
#include "design/design_panel.h"

#include <optional>
#include <utility>

namespace torvel {

struct FieldReading {
    Real value;   // NaN for a hidden field or a failed read
    bool failed;  // the numeric input warning has been shown
};

/// A hidden field reads as NaN without a message. A visible field whose text does not read shows the
/// warning "\r\n" + caption + ": 数値入力エラー" and fails.
FieldReading ReadField(DesignPanel& panel, Field field);

/// H, fo, Q and fn into the record, stopping at the first failure; fn = fo for the notch.
/// Returns true when a field failed.
bool ReadParameters(DesignPanel& panel, DesignRecord& record);

/// (resistor series size, capacitor series size); an unreadable text gives 0, no rounding.
std::pair<int, int> ReadSeriesSizes(const DesignPanel& panel);

/// C1, C2 and R1-R10 as the analysis reads them (hidden fields NaN); nothing after the first unreadable
/// visible field, whose warning has then been shown.
std::optional<CircuitComponents> ReadCircuitComponents(DesignPanel& panel);

}  // namespace torvel
