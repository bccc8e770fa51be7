// The built-in op-amps: common general-purpose, audio and fast parts with their datasheet figures, and
// "custom" for typed values.
#pragma once

#include "opamp/opamp_figures.h"

#include <optional>
#include <span>
#include <string_view>

namespace torvel {

enum class OpAmpFamily { GeneralPurpose, Audio, Fast };

/// One line of the catalogue in the datasheets' own units. The output swing is the typical peak output
/// at the datasheet's supply and load; the headroom to each rail follows from it, so that another supply
/// keeps the same distance to the rails.
struct CatalogueEntry {
    std::string_view name;
    OpAmpFamily family;
    double gbwMHz;
    double slewVPerUs;
    double supplyNegative, supplyPositive;  // V, relative to the signal ground
    double outputLow, outputHigh;           // V, typical, at that supply
    double enNvPerRtHz;
    double inPaPerRtHz;
    std::string_view condition;             // the load the swing is given for
};

/// Every built-in op-amp, in the order the window lists them.
std::span<const CatalogueEntry> opAmpCatalogue();

/// The figures of a catalogue entry at its datasheet supply.
OpAmpFigures figuresOf(const CatalogueEntry& entry);

/// A built-in op-amp by name, ignoring letter case ("ne5532"), or "custom": an ideal op-amp whose
/// figures the user types.
std::optional<OpAmpFigures> opAmpByName(std::string_view name);

inline constexpr std::string_view kCustomOpAmp = "custom";

/// Moves the rails to a new supply, keeping the headroom to each rail.
void setSupply(OpAmpFigures& figures, double railNegative, double railPositive);

}  // namespace torvel
