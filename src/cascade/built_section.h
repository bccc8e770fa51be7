// One section of a whole filter, built as the calculator builds it.
//
// A second-order section is synthesised by the calculator's own synthesis command on a panel of its own,
// with the filter's series and standard impedance: it is exactly what a designer gets by typing its H,
// fo, Q and fn into the window (the texts are kept, so anyone can). A first-order section is designed
// the same way, capacitor first, each part rounded at once.
#pragma once

#include "approx/sections.h"
#include "cascade/section_circuit.h"
#include "design/design_panel.h"
#include "design/parts_description.h"
#include "design/realised_values.h"

#include <array>
#include <optional>
#include <string>

namespace torvel::cascade {

/// The series and the standard impedance as the window's boxes hold them.
struct PartSettings {
    std::string resistorSeries = "24";
    std::string capacitorSeries = "6";
    std::string impedance = "4.7K";
};

struct FieldState {
    std::string text;
    bool visible = false;
};

struct BuiltSection {
    approx::Section wanted;  // the section of the approximation: fo, Q, fn and its ideal shape
    double H = 1;            // the gain it is built for, in its type's own sense
    approx::SectionKind kind = approx::SectionKind::Lpf;  // as built: a zero within 1e-6 of fo is a notch
    std::array<FieldState, kFieldCount> fields{};         // its panel after the synthesis, by Field
    SectionCircuit circuit;
    RealisedValues realised;  // wanted and realised H, fo, Q (fn)
    /// Elements built from two parts in series or in parallel (a best-values search may choose them),
    /// for the netlist and the parts list; empty after a synthesis. An entry counts only while its field
    /// still reads its value.
    PartsDescription built;
};

struct [[nodiscard]] SectionBuild {
    std::optional<BuiltSection> section;
    std::string error;   // why the synthesis could not build it
    bool fault = false;  // the synthesis ended in a floating-point fault (error holds its text)
};

SectionBuild buildSection(const approx::Section& wanted, double H, const PartSettings& settings);

/// The parts the section's field texts stand for, read as the analysis reads them; nothing when a shown
/// component does not read (or, in a first-order section, is no value above zero).
std::optional<SectionCircuit> circuitFromFields(const BuiltSection& section);

/// Wanted and realised H, fo, Q (fn where the section has its own zero) of the section's circuit.
RealisedValues realisedOf(const approx::Section& wanted, double H, approx::SectionKind kind, const SectionCircuit& circuit);

/// The calculator's filter type of a second-order section kind, and back.
std::optional<FilterType> filterTypeOfSection(approx::SectionKind kind);
approx::SectionKind sectionKindOf(FilterType type);

/// Reads the settings as the synthesis reads them: series sizes (0 for no rounding) and the impedance
/// (4700 ohm when unreadable).
struct PartValues {
    int resistorSeries = 0, capacitorSeries = 0;
    double standardImpedance = 0;
};
PartValues readPartSettings(const PartSettings& settings);

}  // namespace torvel::cascade
