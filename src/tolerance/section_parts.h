// The parts of one section as tolerance analysis sees them: twelve slots named after the window's
// fields C1, C2, R1 ... R10, of which a layout uses some. A second-order section uses C1, C2, R1-R6 and
// the summing stage's R7, R9, R10 (and R8 where something drives it); a first-order section C1, R1, R4.
#pragma once

#include "cascade/section_circuit.h"
#include "design/design_panel.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace torvel::tolerance {

inline constexpr int kPartSlots = 12;  // Field::C1 ... Field::R10

template <typename T>
using PartArray = std::array<T, kPartSlots>;
using PartValues = PartArray<double>;

enum class PartClass { Resistor, Capacitor };

constexpr Field partField(int slot) { return static_cast<Field>(slot); }
constexpr PartClass partClass(int slot) { return slot < 2 ? PartClass::Capacitor : PartClass::Resistor; }
/// "C1", "R10": the field's short name.
std::string_view partName(int slot);

/// Which slots a section uses.
class PartSet {
public:
    constexpr PartSet() = default;
    constexpr void add(int slot) { m_bits = static_cast<std::uint16_t>(m_bits | (1u << slot)); }
    constexpr bool contains(int slot) const { return (m_bits >> slot & 1u) != 0; }
    constexpr int count() const
    {
        int n = 0;
        for (int k = 0; k < kPartSlots; ++k)
            n += contains(k) ? 1 : 0;
        return n;
    }

private:
    std::uint16_t m_bits = 0;
};

/// The parts the layout of a second-order type has.
PartSet partsOfType(FilterType type);
/// The parts a section circuit has, of either order.
PartSet partsOf(const cascade::SectionCircuit& circuit);

/// The values in the slots (unused ones 0).
PartValues partValues(const cascade::SectionCircuit& circuit);
/// The circuit with other values in its slots, its closed-form transfer function recomputed.
cascade::SectionCircuit withParts(const cascade::SectionCircuit& circuit, const PartValues& values);

}  // namespace torvel::tolerance
