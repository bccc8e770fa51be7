#include "cascade/cascade.h"

#include "cascade/gain_split.h"
#include "values/engineering_notation.h"

#include <cmath>

namespace torvel::cascade {
namespace {

std::string partsError(const PartSettings& parts)
{
    // An unreadable impedance falls back to 4.7 kΩ, as in the calculator; a readable one must be usable.
    const double z = ParseEngineering(parts.impedance);
    if (!std::isnan(z) && !(z > 0 && std::isfinite(z)))
        return "the standard impedance must be above 0 Ω";
    return {};
}

}  // namespace

CascadeResult designCascade(const CascadeRequest& request)
{
    if (std::string error = partsError(request.parts); !error.empty())
        return {std::nullopt, error};
    approx::DesignResult designed = approx::designFilter(request.filter);
    if (!designed.design)
        return {std::nullopt, designed.error};

    Cascade cascade;
    cascade.request = request;
    cascade.design = std::move(*designed.design);
    const std::vector<double> gains = splitGain(cascade.design);
    for (std::size_t k = 0; k < cascade.design.sections.size(); ++k) {
        SectionBuild built = buildSection(cascade.design.sections[k], gains[k], request.parts);
        if (!built.section)
            return {std::nullopt, built.error, built.fault};
        cascade.sections.push_back(std::move(*built.section));
    }
    return {std::move(cascade), {}};
}

std::optional<double> elementValue(const SectionCircuit& circuit, Field field)
{
    if (circuit.isFirstOrder()) {
        switch (field) {
        case Field::C1: return circuit.firstOrder.C1;
        case Field::R1: return circuit.firstOrder.R1;
        case Field::R4: return circuit.firstOrder.R4;
        default: return std::nullopt;
        }
    }
    if (field == Field::C1)
        return circuit.parts.C1;
    if (field == Field::C2)
        return circuit.parts.C2;
    const int resistor = static_cast<int>(field) - static_cast<int>(Field::R1) + 1;
    if (resistor >= 1 && resistor <= 10)
        return circuit.parts.r(resistor);
    return std::nullopt;
}

void replaceSectionCircuit(Cascade& cascade, std::size_t index, const SectionCircuit& circuit)
{
    if (index >= cascade.sections.size())
        return;
    BuiltSection& section = cascade.sections[index];
    section.circuit = circuit;
    section.realised = realisedOf(section.wanted, section.H, section.kind, section.circuit);
    // A pair of parts stands for one value; once the element holds another, its parts are unknown.
    std::erase_if(section.built.elements, [&](const ElementBuild& e) { return elementValue(circuit, e.element) != e.value; });
}

void replaceSectionParts(Cascade& cascade, std::size_t index, const std::array<FieldState, kFieldCount>& fields,
                         const SectionCircuit& circuit, const PartsDescription& built)
{
    if (index >= cascade.sections.size())
        return;
    cascade.sections[index].fields = fields;
    cascade.sections[index].built = built;
    replaceSectionCircuit(cascade, index, circuit);
}

}  // namespace torvel::cascade
