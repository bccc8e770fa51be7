// The pre-correction as a command on the design panel, next to the synthesis: it reads what the synthesis
// reads, synthesises on a copy of the panel, corrects that design for the op-amp and only then writes the
// corrected elements, as the synthesis writes its own. Refused, stopped at an unreadable field or ended in
// a floating-point fault, it leaves the panel's elements as they were.
#pragma once

#include "design/command_outcome.h"
#include "design/design_panel.h"
#include "opamp/precorrection.h"

#include <optional>

namespace torvel {

struct [[nodiscard]] PrecorrectionOutcome {
    CommandOutcome command;               // how the reading and the arithmetic ended
    std::optional<Precorrection> result;  // once the synthesis has run: corrected, or the refusal
    bool corrected() const { return result && result->status == PrecorrectionStatus::Corrected; }
};

/// A transmission-zero selection moves to its neighbour or the notch as the synthesis would move it; the
/// warning of an unreadable field is shown through the panel as the synthesis shows it.
PrecorrectionOutcome runPrecorrection(DesignPanel& panel, const OpAmpModel& opAmp);

}  // namespace torvel
