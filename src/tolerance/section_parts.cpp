#include "tolerance/section_parts.h"

#include "design/filter_types.h"

namespace torvel::tolerance {
namespace {

constexpr int slotOf(Field field) { return static_cast<int>(field); }
static_assert(slotOf(Field::C1) == 0 && slotOf(Field::C2) == 1 && slotOf(Field::R1) == 2 && slotOf(Field::R10) == 11,
              "the part slots follow the component fields");

}  // namespace

std::string_view partName(int slot) { return fieldInfo(partField(slot)).key; }

PartSet partsOfType(FilterType type)
{
    PartSet set;
    for (Field f : {Field::C1, Field::C2, Field::R1, Field::R2, Field::R3, Field::R4, Field::R5, Field::R6})
        set.add(slotOf(f));
    const FilterTypeInfo& info = filterTypeInfo(type);
    if (info.hasA4)
        for (Field f : {Field::R7, Field::R9, Field::R10})
            set.add(slotOf(f));
    if (info.r8From)
        set.add(slotOf(Field::R8));
    return set;
}

PartSet partsOf(const cascade::SectionCircuit& circuit)
{
    if (circuit.type)
        return partsOfType(*circuit.type);
    PartSet set;
    for (Field f : {Field::C1, Field::R1, Field::R4})
        set.add(slotOf(f));
    return set;
}

PartValues partValues(const cascade::SectionCircuit& circuit)
{
    PartValues v{};
    if (circuit.type) {
        v[0] = circuit.parts.C1;
        v[1] = circuit.parts.C2;
        for (int n = 1; n <= 10; ++n)
            v[static_cast<std::size_t>(slotOf(componentField(n)))] = circuit.parts.r(n);
        return v;
    }
    v[static_cast<std::size_t>(slotOf(Field::C1))] = circuit.firstOrder.C1;
    v[static_cast<std::size_t>(slotOf(Field::R1))] = circuit.firstOrder.R1;
    v[static_cast<std::size_t>(slotOf(Field::R4))] = circuit.firstOrder.R4;
    return v;
}

cascade::SectionCircuit withParts(const cascade::SectionCircuit& circuit, const PartValues& v)
{
    if (circuit.type) {
        CircuitComponents parts = circuit.parts;
        parts.C1 = v[0];
        parts.C2 = v[1];
        for (int n = 1; n <= 10; ++n)
            parts.R[static_cast<std::size_t>(n - 1)] = v[static_cast<std::size_t>(slotOf(componentField(n)))];
        return cascade::secondOrderCircuit(parts, *circuit.type);
    }
    cascade::FirstOrderParts parts = circuit.firstOrder;
    parts.C1 = v[static_cast<std::size_t>(slotOf(Field::C1))];
    parts.R1 = v[static_cast<std::size_t>(slotOf(Field::R1))];
    parts.R4 = v[static_cast<std::size_t>(slotOf(Field::R4))];
    return cascade::firstOrderCircuit(parts);
}

}  // namespace torvel::tolerance
