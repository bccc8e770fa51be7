// A section of the whole filter in the calculator's own panel, and back.
//
// Opening a section checks its type in the main window and fills every field it shows with the texts the
// section was synthesised from, so the designer sees exactly what the calculator gives for that H, fo, Q
// and fn. Reading it back takes the component texts the designer has left there, read as the analysis
// reads them, into a panel of its own: an unreadable text then says nothing in the main window (the
// designer may be half-way through typing it), it only leaves the section as it was.
#pragma once

#include "cascade/cascade.h"
#include "design/design_panel.h"

#include <optional>

namespace torvel::filter {

enum class [[nodiscard]] SectionOpening {
    Opened,
    FirstOrder,  // a first-order section has no type in the calculator
};

SectionOpening openSectionInPanel(DesignPanel& panel, const cascade::BuiltSection& section,
                                  const cascade::PartSettings& parts);

/// The section's fields and the circuit they stand for.
struct SectionParts {
    std::array<cascade::FieldState, kFieldCount> fields{};
    cascade::SectionCircuit circuit;
};

enum class PanelReading { Read, OtherType, Unreadable };

struct [[nodiscard]] PanelSection {
    PanelReading status = PanelReading::Unreadable;
    std::optional<SectionParts> parts;  // when Read
};

/// The section as the panel now holds it: refused when the panel shows another type (or the section is
/// first-order) or a shown component does not read as a value above zero.
PanelSection readSectionFromPanel(const DesignPanel& panel, const cascade::BuiltSection& section);

/// Whether two circuits have the same parts (hidden, unread elements count as equal).
bool sameParts(const cascade::SectionCircuit& a, const cascade::SectionCircuit& b);

}  // namespace torvel::filter
