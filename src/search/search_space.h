// The parts a search may use and how a complete choice of them is judged.
//
// Each element of the section's layout is free (it has its own list of ways to build it), the same as
// another element, or, in the all-pass, exactly half of R1. The summing stage's balance is held by
// construction: R7 = R1 and R9 = R4 (the all-pass R7 = R1/2), and the high-pass R8 = R3, so that the
// numerator's s-term (and the high-pass constant term) vanish for every candidate; they are still computed
// from the texts and counted among the errors, so that nothing the circuit does escapes the objective.
//
// Both the search and the exhaustive check in the tests enumerate this space and judge candidates with
// `SearchSpace::evaluate`, so that "the optimum" means the same to both.
#pragma once

#include "search/best_values.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace torvel::search {

/// One way to build an element.
struct PartOption {
    double value = 0;   // what its field text reads
    double lnValue = 0; // ln(value)
    double spread = 0;  // |ln(value / ideal)|
    PartBuild build = PartBuild::Single;
    std::array<int, 2> partIds{-1, -1};  // indices into SearchSpace::partValues; the second only for a pair
    std::string text;   // FormatEngineering(value, 9, 4)
    bool usable = true; // false for an all-pass R7 whose R1/2 leaves the resistor range
};

/// The ways to build one kind of element, sorted by value.
struct OptionList {
    bool capacitor = false;
    std::vector<PartOption> options;
    /// For each part id, the options whose first part it is.
    std::vector<std::vector<int>> byFirstPart;

    double lowest() const { return options.front().value; }
    double highest() const { return options.back().value; }
    /// The first option whose value is not below `value`.
    std::size_t lowerBound(double value) const;
};

enum class ElementRole { Absent, Free, SameAs, HalfOfR1 };

struct ElementSlot {
    ElementRole role = ElementRole::Absent;
    Field source = Field::C1;            // for SameAs
    const OptionList* options = nullptr; // for Free
};

inline constexpr int kElementCount = 12;  // C1, C2, R1 ... R10, in field order
constexpr std::size_t slot(Field field) { return static_cast<std::size_t>(field); }

/// A choice for every free element: an index into its option list (-1 elsewhere).
using Candidate = std::array<int, kElementCount>;

struct Evaluation {
    Objective objective;
    SectionFigures figures;
    std::array<double, Objective::kMaxErrors> errors{};  // relative errors in the order of errorNames()
};

class SearchSpace {
public:
    /// Nothing, with the reason in `reason`, when the request cannot be built at all.
    static std::unique_ptr<SearchSpace> make(const SectionRequest& request, std::string& reason);

    const SectionRequest& request() const { return m_request; }
    const ElementSlot& element(Field field) const { return m_slots[slot(field)]; }
    bool inLayout(Field field) const { return m_slots[slot(field)].role != ElementRole::Absent; }
    /// Part values by id: resistors, then capacitors, then one id for an all-pass R7 of exactly R1/2.
    const std::vector<double>& partValues() const { return m_partValues; }
    int unroundedPartId() const { return static_cast<int>(m_partValues.size()) - 1; }
    /// The all-pass R7 for each option of R1.
    const PartOption& halfOf(int r1Option) const { return m_halves[static_cast<std::size_t>(r1Option)]; }

    double idealResistor() const { return m_request.standardImpedance; }
    double idealCapacitor() const { return m_idealCapacitor; }
    double wantedOmega() const { return m_wantedOmega; }

    /// How many errors the type has, and their names: H, fo, Q, [fn], [s-term], [zero].
    int errorCount() const { return m_errorCount; }
    const std::array<const char*, Objective::kMaxErrors>& errorNames() const { return m_errorNames; }

    /// The option each layout element takes under `candidate` (free, copied or half of R1).
    const PartOption& optionOf(const Candidate& candidate, Field field) const;
    /// The components the candidate writes (absent elements 0).
    CircuitComponents components(const Candidate& candidate) const;
    /// The relative errors of what `figures` realise, in errorNames() order.
    std::array<double, Objective::kMaxErrors> errors(const SectionFigures& figures) const;
    /// The objective of a complete candidate, computed from scratch.
    Evaluation evaluate(const Candidate& candidate) const;
    /// The objective from the figures and the parts' tallies (what evaluate() does after counting).
    Objective objective(const SectionFigures& figures, int distinctValues, double spread) const;
    /// Sum of the layout elements' spreads, in field order.
    double spread(const Candidate& candidate) const;

    /// The error step of a relative error: errors in the same step count as equal.
    long long step(double error) const;

private:
    explicit SearchSpace(const SectionRequest& request) : m_request(request) {}
    const OptionList* optionList(bool capacitor, bool pairs);

    SectionRequest m_request;
    std::array<ElementSlot, kElementCount> m_slots{};
    std::vector<double> m_partValues;
    int m_resistorParts = 0;
    std::vector<std::unique_ptr<OptionList>> m_lists;  // single resistors, resistor pairs, ... as needed
    std::array<const OptionList*, 4> m_listByKind{};
    std::vector<PartOption> m_halves;
    double m_idealCapacitor = 0;
    double m_wantedOmega = 0;
    int m_errorCount = 0;
    std::array<const char*, Objective::kMaxErrors> m_errorNames{};
};

}  // namespace torvel::search
