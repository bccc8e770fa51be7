// The optimise command: the search for best values run on a design panel, as the synthesis command is.
//
// It reads what the synthesis reads (the checked type, H, fo, Q, fn, the standard impedance and the two
// E-series; a TZF selection moves to its neighbour or the notch by fo and fn as the synthesis moves it),
// searches on the caller's thread or hands the request to another, and writes the chosen elements into
// the component fields as the synthesis writes them, so that the analysis command reads them back.
#pragma once

#include "design/command_outcome.h"
#include "design/design_panel.h"
#include "search/best_values.h"

#include <optional>

namespace torvel::search {

/// How one optimise run ended: the command's status (completed, stopped at an unreadable field, or a
/// floating-point fault while reading), and the search's result where it ran.
struct [[nodiscard]] OptimiseOutcome {
    CommandOutcome command;
    std::optional<SectionResult> result;

    /// Completed with a design written into the panel.
    bool written() const { return command.status == CommandStatus::Completed && result && result->status == SearchStatus::Found; }
};

/// The request the panel holds, read as the synthesis reads it (which may check a neighbouring TZF type);
/// nothing when a field does not read (its warning has been shown). A fault while reading is thrown as
/// FloatFault.
std::optional<SectionRequest> readOptimiseRequest(DesignPanel& panel, const SearchOptions& options);

/// After a search, on the panel's thread: a found design goes into the component fields; no design shows
/// the reason as a warning and leaves the fields as they were; a cancelled search does nothing.
void applyOptimiseResult(DesignPanel& panel, const SectionResult& result);

/// Reads, searches and applies in one go.
OptimiseOutcome runOptimise(DesignPanel& panel, const SearchOptions& options, const SearchControl& control = {});

}  // namespace torvel::search
