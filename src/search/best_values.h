// What a search for best values is asked, and what it gives back.
//
// The search takes one second-order section: its type, the wanted H, fo, Q (fn), the two E-series and the
// standard impedance, and picks every component from its series so that what the circuit realises comes
// as close to the wanted figures as the parts allow. A whole filter asks it once per section.
#pragma once

#include "design/design_panel.h"
#include "design/filter_types.h"
#include "design/parts_description.h"
#include "design/realised_values.h"
#include "search/error_floors.h"
#include "search/section_transfer.h"

#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace torvel::search {

/// Inclusive bounds for every part of one kind and for every element's value.
struct ValueRange {
    double low = 0;
    double high = 0;
};

struct SearchOptions {
    ValueRange resistors{1e3, 1e6};
    ValueRange capacitors{100e-12, 10e-6};
    bool keepEqualC = false;  // C2 = C1
    bool keepR5R6 = false;    // R6 = R5
    /// Elements that may be built from two parts in series or in parallel.
    FieldSet pairs;
    /// Relative errors are compared in steps of this size: errors that round to the same step count as
    /// equal, so that the number of distinct values and the spread decide between them. 1e-4 is 0.01 %,
    /// far below the tolerance of any part.
    double errorResolution = 1e-4;
    /// The best design is refused when any of its errors is larger than this: the parts cannot build the
    /// wanted section.
    double largestAcceptedError = 0.05;
    /// Seconds after which the search stops and returns the best design found so far, not proven the
    /// best (0: no limit).
    double timeLimitSeconds = 0;
};

struct SectionRequest {
    FilterType type = FilterType::Lpf;
    double H = 1, fo = 1000, Q = 0.7071, fn = 0;  // fn only for the two transmission-zero types
    int resistorSeries = 24;
    int capacitorSeries = 6;
    double standardImpedance = 4700;
    SearchOptions options;
};

/// Lets a caller on another thread stop a search and watch it advance. Both may be left empty.
struct SearchControl {
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(double fraction)> progress;  // 0 ... 1, from the searching thread
};

/// The objective, compared lexicographically: the error steps sorted largest first, then the number of
/// distinct part values, then the spread (sum over the elements of |ln(value / ideal)|, the ideal being
/// the standard impedance for a resistor and the capacitor whose reactance at fo equals it).
struct Objective {
    static constexpr int kMaxErrors = 6;
    std::array<long long, kMaxErrors> steps{};  // sorted, largest first; unused entries 0
    int distinctValues = 0;
    double spread = 0;
};

/// -1, 0, 1 as a is better than, as good as, or worse than b.
int compareObjectives(const Objective& a, const Objective& b);

enum class SearchStatus { Found, NoSolution, Cancelled };

/// One element of the layout as the search chose it.
struct ChosenElement {
    ElementBuild build;  // build.value is read back from `text`
    std::string text;    // as the synthesis writes fields: FormatEngineering(value, 9, 4)
};

struct SectionResult {
    SearchStatus status = SearchStatus::NoSolution;
    std::string reason;                   // why there is no solution
    std::vector<ChosenElement> elements;  // the layout's components in field order
    SectionFigures figures;               // what the written texts realise
    RealisedValues realised;              // wanted, realised and error of H, fo, Q (fn)
    Objective objective;
    long long candidates = 0;             // complete component sets evaluated
    double milliseconds = 0;
    bool proven = false;                  // the search ran to its end: nothing in the space is better
    ErrorFloors floors;                   // what no choice among the allowed parts can beat

    /// How the chosen elements are built, for the netlist and the parts list.
    PartsDescription partsDescription() const;
};

/// The best component set for one section. Never throws for any request; a request that cannot be
/// built (no part in range, a non-positive or non-finite figure, a series other than E6 ... E192)
/// comes back as NoSolution with its reason.
SectionResult findBestValues(const SectionRequest& request, const SearchControl& control = {});

}  // namespace torvel::search
