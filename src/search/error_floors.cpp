#include "search/error_floors.h"

#include "search/search_space.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace torvel::search {
namespace {

// The smallest |a / b / target - 1| over the options a of `top` and b of `bottom`: for each b only the two
// options of `top` around target b can be nearest.
double nearestRatioError(const OptionList& top, const OptionList& bottom, double target)
{
    double best = std::numeric_limits<double>::infinity();
    for (const PartOption& b : bottom.options) {
        const std::size_t at = top.lowerBound(target * b.value);
        for (std::size_t i : {at - 1, at})  // at - 1 wraps past the end when at is 0
            if (i < top.options.size())
                best = std::min(best, std::abs(top.options[i].value / b.value / target - 1));
    }
    return best;
}

const OptionList* freeOptions(const SearchSpace& space, Field field)
{
    const ElementSlot& e = space.element(field);
    return e.role == ElementRole::Free ? e.options : nullptr;
}

}  // namespace

ErrorFloors errorFloors(const SearchSpace& space)
{
    const SectionRequest& request = space.request();
    ErrorFloors floors;
    const OptionList* r1 = freeOptions(space, Field::R1);
    const OptionList* c1 = freeOptions(space, Field::C1);
    if (r1 && c1) {
        double least = std::numeric_limits<double>::infinity();
        for (const PartOption& c : c1->options) {
            const double wanted = request.Q / (space.wantedOmega() * c.value);
            const std::size_t at = r1->lowerBound(wanted);
            for (std::size_t i : {at - 1, at})
                if (i < r1->options.size())
                    least = std::min(least, std::abs(std::tanh(std::log(r1->options[i].value / wanted) / 2)));
        }
        floors.foAndQ = least;
    }
    const OptionList* r4 = freeOptions(space, Field::R4);
    const OptionList* top = nullptr;
    if (request.type == FilterType::Bpf)
        top = r1;
    else if (filterTypeInfo(request.type).hasA4 && request.type != FilterType::TzfLow
             && space.element(Field::R9).role == ElementRole::SameAs && space.element(Field::R9).source == Field::R4)
        top = freeOptions(space, Field::R10);
    if (top && r4)
        floors.gain = nearestRatioError(*top, *r4, request.H);
    return floors;
}

}  // namespace torvel::search
