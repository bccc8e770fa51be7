// A whole filter as a cascade of the calculator's sections: the approximation's sections in order, the
// filter's gain shared among them, each built from standard parts.
#pragma once

#include "approx/filter_design.h"
#include "cascade/built_section.h"

#include <optional>
#include <string>
#include <vector>

namespace torvel::cascade {

struct CascadeRequest {
    approx::FilterRequest filter;
    PartSettings parts;
};

struct Cascade {
    CascadeRequest request;
    approx::FilterDesign design;
    std::vector<BuiltSection> sections;  // in cascade order, the input drives the first
};

struct [[nodiscard]] CascadeResult {
    std::optional<Cascade> cascade;
    std::string error;   // what is wrong with the request, when cascade is empty
    bool fault = false;  // a section's synthesis ended in a floating-point fault: error is its text
};

CascadeResult designCascade(const CascadeRequest& request);

/// The cascade with one section replaced by other parts (a designer's change in the calculator): the
/// wanted filter stays, the built one and the section's realised values follow the parts. Elements the
/// section described as two parts keep that description only where the new circuit holds the same value.
void replaceSectionCircuit(Cascade& cascade, std::size_t index, const SectionCircuit& circuit);

/// The same with the fields that hold the new parts and how their elements are built (best values that
/// pair two parts in one element).
void replaceSectionParts(Cascade& cascade, std::size_t index, const std::array<FieldState, kFieldCount>& fields,
                         const SectionCircuit& circuit, const PartsDescription& built);

/// The value of a component field in a section's circuit; nothing for the other fields and for elements a
/// first-order section does not have.
std::optional<double> elementValue(const SectionCircuit& circuit, Field field);

}  // namespace torvel::cascade
