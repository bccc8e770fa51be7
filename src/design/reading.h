// Reading the panel: one field, the transfer-function parameters, the components, the two series sizes.
// Every command reads its numbers through these, so that a text reads the same wherever it is typed.
#pragma once

#include "design/circuit_response.h"
#include "design/design_panel.h"

#include <optional>
#include <utility>

namespace torvel {

/// One field as a number. A hidden field reads as NaN without a message. A visible field whose text does
/// not read shows the warning "\r\n" + caption + ": 数値入力エラー" and gives nothing.
std::optional<Real> ReadField(DesignPanel& panel, Field field);

enum class [[nodiscard]] Reading { Complete, StoppedAtField };

/// H, fo, Q and fn into the record, in that order, stopping at the first field that does not read (what
/// was read before stays in the record); fn = fo for the notch.
Reading ReadParameters(DesignPanel& panel, DesignRecord& record);

/// (resistor series size, capacitor series size); an unreadable text gives 0, no rounding.
std::pair<int, int> ReadSeriesSizes(const DesignPanel& panel);

/// C1, C2 and R1-R10 in that order (hidden fields NaN); nothing after the first unreadable visible field,
/// whose warning has then been shown.
std::optional<CircuitComponents> ReadCircuitComponents(DesignPanel& panel);

}  // namespace torvel
