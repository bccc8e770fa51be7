// How the elements of a circuit are built where that is more than one E-series part of the field's
// value: an element made of two parts in series or in parallel, or a part that is no series value.
//
// The field holds the combined value, so every command reads such an element as it reads any value; the
// netlist and the parts list, which must name what is soldered, read this description beside the fields.
#pragma once

#include "design/design_panel.h"

#include <array>
#include <vector>

namespace torvel {

enum class PartBuild { Single, Series, Parallel };

struct ElementBuild {
    Field element = Field::C1;
    double value = 0;               // the element's value as its field text reads
    PartBuild build = PartBuild::Single;
    std::array<double, 2> parts{};  // the part values; the second only in series or parallel
    bool seriesValues = true;       // every part is a value of the panel's E-series
};

struct PartsDescription {
    std::vector<ElementBuild> elements;

    /// The build of `element` while its field still reads `value`; nothing once the field has changed.
    const ElementBuild* find(Field element, double value) const
    {
        for (const ElementBuild& e : elements)
            if (e.element == element && e.value == value)
                return &e;
        return nullptr;
    }
};

}  // namespace torvel
