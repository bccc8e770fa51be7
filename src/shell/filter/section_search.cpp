#include "shell/filter/section_search.h"

#include "design/filter_types.h"

#include <algorithm>
#include <cmath>

namespace torvel::filter {
namespace {

// Errors are compared in the search's own steps: designs within 0.01 % of each other are equally close.
constexpr double kEqualErrorPercent = 0.01;

}  // namespace

std::optional<search::SectionRequest> searchRequestOf(const cascade::BuiltSection& section, const cascade::PartSettings& parts,
                                                      const search::SearchOptions& options)
{
    if (section.circuit.isFirstOrder())
        return std::nullopt;
    const cascade::PartValues values = cascade::readPartSettings(parts);
    search::SectionRequest request;
    request.type = *section.circuit.type;
    request.H = section.H;
    request.fo = section.wanted.foHz;
    request.Q = section.wanted.q.value_or(0);
    request.fn = filterTypeInfo(request.type).hasZero ? section.wanted.fnHz.value_or(0) : 0;
    request.resistorSeries = values.resistorSeries;
    request.capacitorSeries = values.capacitorSeries;
    request.standardImpedance = values.standardImpedance;
    request.options = options;
    return request;
}

std::optional<SectionParts> partsOfResult(const cascade::BuiltSection& section, const search::SectionResult& result)
{
    cascade::BuiltSection changed = section;
    for (const search::ChosenElement& e : result.elements) {
        cascade::FieldState& field = changed.fields[static_cast<std::size_t>(e.build.element)];
        if (!field.visible)
            return std::nullopt;  // an element the section's layout does not have
        field.text = e.text;
    }
    const std::optional<cascade::SectionCircuit> circuit = cascade::circuitFromFields(changed);
    if (!circuit)
        return std::nullopt;
    return SectionParts{changed.fields, *circuit};
}

double largestErrorPercent(const RealisedValues& realised)
{
    double largest = 0;
    for (int i = 0; i < realised.count; ++i) {
        const double error = std::abs(realised.values[static_cast<std::size_t>(i)].errorPercent);
        if (std::isnan(error))
            return error;
        largest = std::max(largest, error);
    }
    return largest;
}

std::vector<SectionSearchOutcome> applySearchResults(cascade::Cascade& cascade, const std::vector<std::size_t>& indices,
                                                     const std::vector<search::SectionResult>& results)
{
    std::vector<SectionSearchOutcome> outcomes;
    for (std::size_t i = 0; i < indices.size() && i < results.size(); ++i) {
        SectionSearchOutcome outcome;
        outcome.index = indices[i];
        if (outcome.index >= cascade.sections.size())
            continue;
        const cascade::BuiltSection& section = cascade.sections[outcome.index];
        const search::SectionResult& result = results[i];
        outcome.errorBeforePercent = largestErrorPercent(section.realised);
        const std::optional<SectionParts> parts =
            result.status == search::SearchStatus::Found ? partsOfResult(section, result) : std::nullopt;
        if (!parts) {
            outcome.reason = result.status == search::SearchStatus::Found ? "the found parts do not read back" : result.reason;
            outcomes.push_back(std::move(outcome));
            continue;
        }
        outcome.errorAfterPercent = largestErrorPercent(cascade::realisedOf(section.wanted, section.H, section.kind, parts->circuit));
        // Parts a designer typed, or a standard impedance off the series, can be closer than any set of
        // series values; they stay. A NaN before (parts that build nothing) is no reason to keep them.
        const double before = outcome.errorBeforePercent, after = outcome.errorAfterPercent;
        if (std::isnan(after) || (!std::isnan(before) && after > before + kEqualErrorPercent)) {
            outcome.verdict = SectionSearchVerdict::NotCloser;
            outcomes.push_back(std::move(outcome));
            continue;
        }
        cascade::replaceSectionParts(cascade, outcome.index, parts->fields, parts->circuit, result.partsDescription());
        outcome.verdict = SectionSearchVerdict::Replaced;
        outcomes.push_back(std::move(outcome));
    }
    return outcomes;
}

}  // namespace torvel::filter
