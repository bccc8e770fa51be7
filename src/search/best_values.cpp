#include "search/best_values.h"

#include "search/branch_and_bound.h"
#include "search/search_space.h"

#include <chrono>
#include <cstdio>

namespace torvel::search {
namespace {

std::string percentText(double fraction)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3g %%", fraction * 100);
    return text;
}

// The result from the best candidate: its elements as written, and what their texts realise.
void describeResult(const SearchSpace& space, const Candidate& best, SectionResult& result)
{
    const Evaluation e = space.evaluate(best);
    result.objective = e.objective;
    result.figures = e.figures;
    for (Field field : kAllFields) {
        if (static_cast<int>(field) >= kElementCount || !space.inLayout(field))
            continue;
        const PartOption& option = space.optionOf(best, field);
        ChosenElement chosen;
        chosen.text = option.text;
        chosen.build.element = field;
        chosen.build.value = option.value;
        chosen.build.build = option.build;
        for (std::size_t i = 0; i < 2; ++i) {
            const int id = option.partIds[i];
            if (id < 0)
                continue;
            const bool unrounded = id == space.unroundedPartId();
            chosen.build.parts[i] = unrounded ? option.value : space.partValues()[static_cast<std::size_t>(id)];
            chosen.build.seriesValues = chosen.build.seriesValues && !unrounded;
        }
        result.elements.push_back(std::move(chosen));
    }
    const SectionRequest& r = space.request();
    const auto compare = [](std::string_view name, double wanted, double realised) {
        return RealisedValue{name, wanted, realised, (realised / wanted - 1) * 100};
    };
    result.realised.values[0] = compare("H", r.H, e.figures.H);
    result.realised.values[1] = compare("fo", r.fo, e.figures.fo);
    result.realised.values[2] = compare("Q", r.Q, e.figures.Q);
    result.realised.count = 3;
    if (filterTypeInfo(r.type).hasZero) {
        result.realised.values[3] = compare("fn", r.fn, e.figures.fn);
        result.realised.count = 4;
    }
    std::size_t worst = 0;
    for (std::size_t i = 1; i < static_cast<std::size_t>(space.errorCount()); ++i)
        if (!(e.errors[i] <= e.errors[worst]))
            worst = i;
    if (!(e.errors[worst] <= r.options.largestAcceptedError)) {
        result.status = SearchStatus::NoSolution;
        result.reason = "the allowed parts miss " + std::string(space.errorNames()[worst]) + " by "
            + percentText(e.errors[worst]) + " at best (" + percentText(r.options.largestAcceptedError)
            + " accepted)";
        return;
    }
    result.status = SearchStatus::Found;
}

}  // namespace

SectionResult findBestValues(const SectionRequest& request, const SearchControl& control)
{
    const auto start = std::chrono::steady_clock::now();
    SectionResult result;
    const auto finish = [&] {
        result.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        return result;
    };
    try {
        std::string reason;
        const std::unique_ptr<SearchSpace> space = SearchSpace::make(request, reason);
        if (!space) {
            result.reason = reason;
            return finish();
        }
        result.floors = errorFloors(*space);
        const BranchAndBoundOutcome search = branchAndBound(*space, control);
        result.candidates = search.candidates;
        if (search.cancelled) {
            result.status = SearchStatus::Cancelled;
            result.reason = "cancelled";
            return finish();
        }
        if (!search.found) {
            result.reason = "no component set of the allowed parts builds this section";
            return finish();
        }
        describeResult(*space, search.best, result);
        result.proven = !search.timedOut;
    } catch (const std::exception& e) {
        result.status = SearchStatus::NoSolution;
        result.reason = e.what();
    }
    return finish();
}

PartsDescription SectionResult::partsDescription() const
{
    PartsDescription description;
    for (const ChosenElement& e : elements)
        description.elements.push_back(e.build);
    return description;
}

}  // namespace torvel::search
