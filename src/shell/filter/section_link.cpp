#include "shell/filter/section_link.h"

#include "design/filter_types.h"
#include "design/panel_model.h"
#include "design/reading.h"

#include <cmath>

namespace torvel::filter {
namespace {

bool sameValue(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// The element a component field holds; nullopt for the transfer-function fields and Z.
std::optional<double> componentValue(const CircuitComponents& parts, Field f)
{
    if (f == Field::C1)
        return parts.C1;
    if (f == Field::C2)
        return parts.C2;
    const int resistor = static_cast<int>(f) - static_cast<int>(Field::R1) + 1;
    if (resistor >= 1 && resistor <= 10)
        return parts.r(resistor);
    return std::nullopt;
}

}  // namespace

SectionOpening openSectionInPanel(DesignPanel& panel, const cascade::BuiltSection& section, const cascade::PartSettings& parts)
{
    if (section.circuit.isFirstOrder())
        return SectionOpening::FirstOrder;
    panel.checkRadio(*section.circuit.type);
    panel.setComboText(Combo::EvalE1, parts.resistorSeries);
    panel.setComboText(Combo::EvalE2, parts.capacitorSeries);
    for (Field f : kAllFields) {
        const cascade::FieldState& state = section.fields[static_cast<std::size_t>(f)];
        if (state.visible)
            panel.setFieldText(f, state.text);
    }
    panel.RaiseWindow();
    return SectionOpening::Opened;
}

PanelSection readSectionFromPanel(const DesignPanel& panel, const cascade::BuiltSection& section)
{
    if (section.circuit.isFirstOrder() || !panel.radioChecked(*section.circuit.type))
        return {PanelReading::OtherType, std::nullopt};
    const FilterType type = *section.circuit.type;
    PanelModel copy;
    copy.checkRadio(type);
    ShowTypeLayout(copy, type);
    SectionParts parts;
    for (Field f : kAllFields) {
        const bool visible = copy.fieldVisible(f);
        const std::string text = panel.fieldText(f);
        copy.setFieldText(f, text);
        parts.fields[static_cast<std::size_t>(f)] = {text, visible};
    }
    const std::optional<CircuitComponents> read = ReadCircuitComponents(copy);
    if (!read)
        return {PanelReading::Unreadable, std::nullopt};
    // A zero or negative element is no circuit the node equations can solve.
    for (Field f : kAllFields) {
        const std::optional<double> value = componentValue(*read, f);
        if (value && copy.fieldVisible(f) && !(*value > 0 && std::isfinite(*value)))
            return {PanelReading::Unreadable, std::nullopt};
    }
    parts.circuit = cascade::secondOrderCircuit(*read, type);
    return {PanelReading::Read, std::move(parts)};
}

bool sameParts(const cascade::SectionCircuit& a, const cascade::SectionCircuit& b)
{
    if (a.type != b.type)
        return false;
    if (a.isFirstOrder())
        return a.firstOrder.highPass == b.firstOrder.highPass && sameValue(a.firstOrder.C1, b.firstOrder.C1)
            && sameValue(a.firstOrder.R1, b.firstOrder.R1) && sameValue(a.firstOrder.R4, b.firstOrder.R4);
    if (!sameValue(a.parts.C1, b.parts.C1) || !sameValue(a.parts.C2, b.parts.C2))
        return false;
    for (std::size_t k = 0; k < a.parts.R.size(); ++k)
        if (!sameValue(a.parts.R[k], b.parts.R[k]))
            return false;
    return true;
}

}  // namespace torvel::filter
