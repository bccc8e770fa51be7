// A whole filter's second-order sections and the best-values search, without any widget: what the search
// is asked for a section, and what its answers do to the filter.
//
// A section is searched for as the calculator's 最適化 would search for it with the section's type (as
// built: a transmission zero on the far side of fo is the other TZF type), its H, fo, Q and fn, and the
// filter's own series and standard impedance. The answers of one run are applied together, so a run that
// is cancelled or that ends after a new design changes nothing. A found design replaces the section's parts
// only when it comes at least as close to the wanted figures as the parts it has; otherwise, and when the
// search finds nothing within the accepted error, the section keeps its parts and the outcome says why.
#pragma once

#include "cascade/cascade.h"
#include "search/best_values.h"
#include "shell/filter/section_link.h"

#include <optional>
#include <string>
#include <vector>

namespace torvel::filter {

/// The search for a second-order section; nothing for a first-order one, which the search does not build.
std::optional<search::SectionRequest> searchRequestOf(const cascade::BuiltSection& section, const cascade::PartSettings& parts,
                                                      const search::SearchOptions& options);

/// The section's fields with the found elements written into their component fields (the others, H, fo, Q,
/// fn and Z, as they were), and the circuit those texts stand for; nothing when they do not read back.
std::optional<SectionParts> partsOfResult(const cascade::BuiltSection& section, const search::SectionResult& result);

/// The largest of the section's errors (H, fo, Q, fn), in % and without its sign.
double largestErrorPercent(const RealisedValues& realised);

enum class SectionSearchVerdict {
    Replaced,    // the section has the found parts
    NoSolution,  // nothing within the accepted error, or the request could not be searched: reason says why
    NotCloser,   // the section's parts already come closer than anything the search may choose
};

struct SectionSearchOutcome {
    std::size_t index = 0;
    SectionSearchVerdict verdict = SectionSearchVerdict::NoSolution;
    std::string reason;                 // the search's own words, for NoSolution
    double errorBeforePercent = 0;      // largest error of the parts the section had
    double errorAfterPercent = 0;       // of the found parts (Replaced and NotCloser)
};

/// Applies the answers of one run (results[i] for the section indices[i]) to the cascade.
std::vector<SectionSearchOutcome> applySearchResults(cascade::Cascade& cascade, const std::vector<std::size_t>& indices,
                                                     const std::vector<search::SectionResult>& results);

}  // namespace torvel::filter
