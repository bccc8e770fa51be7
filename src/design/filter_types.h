// The seven filter types, described once.
//
// Everything the program knows of a type that is not a formula lives in `kFilterTypes`: its radio button
// and code, the working type the computations branch on, the schematic, which of the optional fields it
// shows, whether the summing amplifier A4 exists, which op-amp drives R8 and which op-amp's output is the
// filter's output. The layout, the node equations, the netlist and parts list, the peak report and the
// realised values all read this table; none of them keeps its own switch on the type for these facts.
#pragma once

#include "design/design_panel.h"

#include <array>
#include <optional>
#include <string_view>

namespace torvel {

/// The type code folded so that the two TZF kinds and the notch share 6 (their summing stage is the same)
/// and APF becomes 8. The computations branch on these five values; the numbers are the codes the
/// window and torvel-cli have always shown.
enum class WorkingType { Lpf = 3, Hpf = 4, Bpf = 5, Tzf = 6, Apf = 8 };
constexpr int workingTypeCode(WorkingType type) { return static_cast<int>(type); }

/// The four op-amps; their outputs V1 ... V4 are indexed 0 ... 3.
enum class OpAmp { A1, A2, A3, A4 };
constexpr int outputIndex(OpAmp amplifier) { return static_cast<int>(amplifier); }

/// The fields a type may hide, as bits, so that a type's shown fields are one constant.
class FieldSet {
public:
    constexpr FieldSet() = default;
    constexpr FieldSet(std::initializer_list<Field> fields)
    {
        for (Field f : fields)
            m_bits |= bit(f);
    }
    constexpr bool contains(Field field) const { return (m_bits & bit(field)) != 0; }
    constexpr void add(Field field) { m_bits |= bit(field); }

private:
    static constexpr unsigned bit(Field field) { return 1u << static_cast<unsigned>(field); }
    unsigned m_bits = 0;
};

/// The fields whose visibility depends on the type; all others are always shown.
inline constexpr std::array<Field, 5> kLayoutFields = {Field::R7, Field::R8, Field::R9, Field::R10, Field::Fn};

struct FilterTypeInfo {
    FilterType type;
    std::string_view objectName;  // "RadioButton4"
    std::string_view caption;     // "TZF (Wo<Wn)"
    std::string_view cliName;     // "tzf-low"
    int code;                     // the filter type code carried by the radio button, 3 to 9
    WorkingType working;
    Image image;                  // the schematic of the layout
    FieldSet shownLayoutFields;   // which of kLayoutFields the layout shows
    bool hasA4;                   // the summing amplifier, with R7, R9 and R10
    std::optional<OpAmp> r8From;  // the loop output R8 feeds into A4; none where R8 is absent
    OpAmp output;                 // the op-amp whose output is the filter's output
    bool hasZero;                 // a transmission zero of its own, fn, typed and shown
    bool exactR7 = false;         // R7 is R1/2 exactly, not a series value: the all-pass numerator needs it
};

inline constexpr std::array<FilterTypeInfo, kFilterTypeCount> kFilterTypes = {{
    // LPF: output at A3, no summing stage.
    {FilterType::Lpf, "RadioButton1", "LPF", "lpf", 3, WorkingType::Lpf, Image::Image3, {}, false, std::nullopt,
     OpAmp::A3, false},
    // HPF: A4 sums IN, A1 and A3 (R8').
    {FilterType::Hpf, "RadioButton2", "HPF", "hpf", 4, WorkingType::Hpf, Image::Image4,
     {Field::R7, Field::R8, Field::R9, Field::R10}, true, OpAmp::A3, OpAmp::A4, false},
    // BPF: output at A1, no summing stage.
    {FilterType::Bpf, "RadioButton3", "BPF", "bpf", 5, WorkingType::Bpf, Image::Image5, {}, false, std::nullopt,
     OpAmp::A1, false},
    // TZF (Wo<Wn): the zero above fo, R8 from A2.
    {FilterType::TzfLow, "RadioButton4", "TZF (Wo<Wn)", "tzf-low", 6, WorkingType::Tzf, Image::Image6,
     {Field::R7, Field::R8, Field::R9, Field::R10, Field::Fn}, true, OpAmp::A2, OpAmp::A4, true},
    // TZF (Wn<Wo): the zero below fo, R8 from A3, the high-pass drawing.
    {FilterType::TzfHigh, "RadioButton5", "TZF (Wn<Wo)", "tzf-high", 7, WorkingType::Tzf, Image::Image7,
     {Field::R7, Field::R8, Field::R9, Field::R10, Field::Fn}, true, OpAmp::A3, OpAmp::A4, true},
    // Notch: A4 sums IN and A1 only; the zero is fo itself.
    {FilterType::Notch, "RadioButton6", "Notch(Wo=Wn)", "notch", 8, WorkingType::Tzf, Image::Image8,
     {Field::R7, Field::R9, Field::R10}, true, std::nullopt, OpAmp::A4, false},
    // APF: the notch circuit with R7 = R1/2.
    {FilterType::Apf, "RadioButton7", "APF", "apf", 9, WorkingType::Apf, Image::Image8,
     {Field::R7, Field::R9, Field::R10}, true, std::nullopt, OpAmp::A4, false, true},
}};

constexpr const FilterTypeInfo& filterTypeInfo(FilterType type) { return kFilterTypes[static_cast<std::size_t>(type)]; }
constexpr WorkingType workingTypeOf(FilterType type) { return filterTypeInfo(type).working; }

/// Whether the types of a working type have the summing amplifier A4 (all of them or none do).
constexpr bool hasSummingAmplifier(WorkingType working)
{
    for (const FilterTypeInfo& info : kFilterTypes)
        if (info.working == working)
            return info.hasA4;
    return false;
}

/// Shows the schematic and the fields of a type (a hidden field keeps its text).
void ShowTypeLayout(DesignPanel& panel, FilterType type);

/// The type whose radio button carries a caption or its short command-line name ("TZF (Wo<Wn)" or, in
/// any letter case, "tzf-low").
std::optional<FilterType> filterTypeFromName(std::string_view name);

}  // namespace torvel
