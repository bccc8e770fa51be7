// Where a branch can only win with fewer distinct part values than the best candidate, the rest of the
// chain must reach its product with parts already in use or with one new value. Trying the few reuse-only
// completions is cheap against walking a chain that cannot get there.
#include "search/branch_and_bound_search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <utility>

namespace torvel::search::detail {
namespace {

// Reuse-only completions of the chain are tried while there are at most this many.
constexpr long long kReuseCombinations = 256;

}  // namespace

void BranchAndBound::collectReuse(std::size_t next, ReuseLists& lists) const
{
    lists.count = 0;
    m_reuseValues.clear();
    const auto add = [&](const ChainElement& e) {
        const OptionList& list = listOf(e.field);
        lists.elements[lists.count] = e;
        lists.start[lists.count] = m_reuseValues.size();
        for (int id : m_used)
            for (int index : list.byFirstPart[static_cast<std::size_t>(id)])
                if (reusesOnly(list.options[static_cast<std::size_t>(index)]))
                    m_reuseValues.push_back(list.options[static_cast<std::size_t>(index)].lnValue * e.exponent);
        ++lists.count;
    };
    for (std::size_t i = std::min(next, m_chain.size()); i < m_chain.size(); ++i)
        add(m_chain[i]);
    for (const ChainElement& e : m_tail)
        add(e);
    lists.start[lists.count] = m_reuseValues.size();
}

// Calls each(sum) for every way the elements of `lists` in `mask` can take options made of used parts
// only, sum being their exponent-weighted log values, until each returns true; false when there are too
// many ways to try.
template <typename Each>
bool BranchAndBound::forEachReuse(const ReuseLists& lists, unsigned mask, Each each) const
{
    std::array<std::size_t, kMaxChainElements> members{};
    std::size_t n = 0;
    long long combinations = 1;
    for (std::size_t k = 0; k < lists.count; ++k) {
        if (!((mask >> k) & 1u))
            continue;
        combinations *= static_cast<long long>(lists.start[k + 1] - lists.start[k]);
        if (combinations == 0)
            return true;
        if (combinations > kReuseCombinations)
            return false;
        members[n++] = k;
    }
    std::array<std::size_t, kMaxChainElements> at{};
    for (std::size_t i = 0; i < n; ++i)
        at[i] = lists.start[members[i]];
    while (true) {
        double sum = 0;
        for (std::size_t i = 0; i < n; ++i)
            sum += m_reuseValues[at[i]];
        if (each(sum))
            return true;
        std::size_t i = 0;
        while (i < n && ++at[i] == lists.start[members[i] + 1]) {
            at[i] = lists.start[members[i]];
            ++i;
        }
        if (i == n)
            return true;
    }
}

// The fewest new part values with which the chain elements from `next` on can still bring the product
// into its window: 0, 1, or upTo + 1 where that is more than upTo (upTo is 0 or 1). Where it cannot tell
// cheaply it answers the smaller number.
int BranchAndBound::chainNewNeeded(std::size_t next, double lnAssigned, int upTo) const
{
    if (std::min(next, m_chain.size()) == m_chain.size() && m_tail.empty())
        return 0;
    const Interval p = productWindow();
    if (p.empty())
        return upTo + 1;
    ReuseLists lists;
    collectReuse(next, lists);
    const unsigned all = (1u << lists.count) - 1;
    const Interval need{p.low - lnAssigned - kWindowSlack, p.high - lnAssigned + kWindowSlack};
    if (next >= m_chain.size())
        return std::min(ratioNewNeeded(need), upTo + 1);
    bool hit = false;
    if (!forEachReuse(lists, all, [&](double sum) { return hit = sum >= need.low && sum <= need.high; }) || hit)
        return 0;
    if (upTo < 1)
        return 1;
    // One new value: taken by one element, or shared by several of the same kind as one part each.
    for (unsigned shared = 1; shared <= all; ++shared) {
        const OptionList* list = nullptr;
        int exponent = 0;
        int members = 0;
        bool sameList = true;
        for (std::size_t k = 0; k < lists.count; ++k) {
            if (!((shared >> k) & 1u))
                continue;
            const ChainElement& e = lists.elements[k];
            if (!list)
                list = &listOf(e.field);
            exponent += e.exponent;
            ++members;
            sameList = sameList && &listOf(e.field) == list;
        }
        if (!sameList)
            continue;  // a capacitor and a resistor cannot share a part
        const bool reachable = forEachReuse(lists, all & ~shared, [&](double sum) {
            if (exponent == 0)  // R5 = R6, a new value that cancels
                return hit = sum >= need.low && sum <= need.high;
            Interval v{(need.low - sum) / exponent, (need.high - sum) / exponent};
            if (v.low > v.high)
                std::swap(v.low, v.high);
            for (std::size_t i = list->lowerBound(std::exp(v.low)); i < list->options.size() && list->options[i].lnValue <= v.high; ++i) {
                const PartOption& o = list->options[i];
                if (newParts(o) == 1 && (members == 1 || o.build == PartBuild::Single))
                    return hit = true;
            }
            return false;
        });
        if (!reachable || hit)
            return 1;
    }
    return 2;
}

// Only R5 and R6 are left, looked up together: the fewest new values among the ratios inside `need`
// (few, since the window is narrow), kUnlimited when there is none.
int BranchAndBound::ratioNewNeeded(Interval need) const
{
    int fewest = kUnlimited;
    for (std::size_t i = m_ratios.lowerBound(need.low); i < m_ratios.size() && m_ratios[i].ln <= need.high && fewest > 0; ++i)
        fewest = std::min(fewest, partsAdded(option(Field::R5, m_ratios[i].first), option(Field::R6, m_ratios[i].second)));
    return fewest;
}

}  // namespace torvel::search::detail
