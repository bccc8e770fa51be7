// Search spaces small enough to try every component set, for the tests that hold the search to an
// exhaustive answer: resistors 1k, 1.5k, 2.2k, 3.3k; capacitors 10n, 15n, 22n. fo near
// 1 / (2 pi 2.2k 15n) = 4.8 kHz keeps every element inside these ranges.
#pragma once

#include "search/search_space.h"

#include <cstddef>
#include <vector>

namespace torvel::search {

inline SectionRequest smallRequest(FilterType type, double H, double fo, double Q, double fn)
{
    SectionRequest request;
    request.type = type;
    request.H = H;
    request.fo = fo;
    request.Q = Q;
    request.fn = fn;
    request.resistorSeries = 6;
    request.capacitorSeries = 6;
    request.standardImpedance = 2200;
    request.options.resistors = {1e3, 3.3e3};
    request.options.capacitors = {10e-9, 22e-9};
    request.options.largestAcceptedError = 1e9;  // judge the optimum, not whether it is good enough
    return request;
}

/// Calls visit(candidate) for every choice of options of the free elements.
template <typename Visit>
void forEachCandidate(const SearchSpace& space, Visit visit)
{
    std::vector<Field> free;
    for (Field field : kAllFields)
        if (static_cast<int>(field) < kElementCount && space.element(field).role == ElementRole::Free)
            free.push_back(field);
    Candidate candidate;
    candidate.fill(-1);
    for (Field field : free)
        candidate[slot(field)] = 0;
    while (true) {
        visit(static_cast<const Candidate&>(candidate));
        std::size_t i = 0;
        for (; i < free.size(); ++i) {
            int& index = candidate[slot(free[i])];
            if (++index < static_cast<int>(space.element(free[i]).options->options.size()))
                break;
            index = 0;
        }
        if (i == free.size())
            return;
    }
}

}  // namespace torvel::search
