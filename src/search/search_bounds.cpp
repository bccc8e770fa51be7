// The bounds every level of the search judges its branch by: how far each figure may still err and match
// the best candidate, the steps the loop and the summing stage can reach at best, and the budget of new part
// values a branch has left. The walks only ask them, so that a rule of the bounds is read in one place.
#include "search/branch_and_bound_search.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <limits>
#include <utility>

namespace torvel::search::detail {

// The largest error a candidate may have and still match the best one: none of its steps may exceed
// the best one's largest.
void BranchAndBound::updateWindows()
{
    const double tolerance = m_haveBest
        ? (static_cast<double>(m_best.steps[0]) + 0.5) * m_resolution * (1 + kWindowSlack)
        : kInfinity;
    m_lnLow = tolerance < 1 ? std::log1p(-tolerance) : -kInfinity;
    m_lnHigh = std::log1p(tolerance);
}

// The range of ln(realised / wanted) one figure may still have when the other errors take the `known`
// steps (or at least those) and the rest are 0: the largest step t such that the sorted errors with t
// among them do not come after the best candidate's. Empty when not even an exact figure could match.
Interval BranchAndBound::toleranceFor(std::initializer_list<long long> known) const
{
    if (!m_haveBest)
        return {-kInfinity, kInfinity};
    std::array<long long, Objective::kMaxErrors> sorted{};
    std::size_t n = 0;
    for (long long k : known) {  // insertion, largest first
        std::size_t i = n++;
        for (; i > 0 && sorted[i - 1] < k; --i)
            sorted[i] = sorted[i - 1];
        sorted[i] = k;
    }
    // Whether the known steps with t inserted (and zeros after) come no later than the best's.
    const auto allowed = [&](long long t) {
        std::size_t k = 0;
        bool placed = false;
        for (std::size_t i = 0; i < m_best.steps.size(); ++i) {
            long long v = 0;
            if (!placed && (k == n || t >= sorted[k])) {
                v = t;
                placed = true;
            } else if (k < n) {
                v = sorted[k++];
            }
            if (v != m_best.steps[i])
                return v < m_best.steps[i];
        }
        return true;
    };
    if (!allowed(0))
        return {kInfinity, -kInfinity};
    long long low = 0;
    long long high = m_best.steps[0];
    while (low < high) {
        const long long middle = low + (high - low + 1) / 2;
        if (allowed(middle))
            low = middle;
        else
            high = middle - 1;
    }
    const double limit = (static_cast<double>(low) + 0.5) * m_resolution * (1 + kWindowSlack);
    return {limit < 1 ? std::log1p(-limit) : -kInfinity, std::log1p(limit)};
}

// The tolerance of fo and of Q in the loop, the gain's bound being known: cached, since every node of
// the chain asks for it.
Interval BranchAndBound::pairTolerance() const
{
    const long long h = m_info.hasA4 ? m_bestGainStep : m_inputStep;
    if (m_pairCache.generation != m_generation || m_pairCache.gainStep != h || m_pairCache.zeroStep != m_zeroStep)
        m_pairCache = {m_generation, h, m_zeroStep, toleranceFor({h, m_zeroStep})};
    return m_pairCache.tolerance;
}

// Steps of the fo and Q errors that a loop with Q grid offset y = ln(R1 C1 w / Q) can reach at best:
// moving w0 by a factor e^x makes fo err by e^x - 1 and Q by e^(x+y) - 1; the larger of the two is
// smallest, |tanh(y/2)|, where they are equal and opposite. The smaller one is then bounded over the
// x that keep the larger one in that step.
std::pair<long long, long long> BranchAndBound::pairSteps(double y, Interval allowed) const
{
    if (allowed.empty())
        return {kUnreachable, kUnreachable};
    // max(|e^x - 1|, |e^(x+y) - 1|) falls, then rises: inside `allowed` its least value lies at the
    // balance point or at the end nearest it.
    const double balance = std::log(2 / (1 + std::exp(y)));
    const double least = balance >= allowed.low && balance <= allowed.high
        ? std::abs(std::tanh(y / 2))
        : [&] {
              const double x = std::clamp(balance, allowed.low, allowed.high);
              return std::max(std::abs(std::expm1(x)), std::abs(std::expm1(x + y)));
          }();
    const long long first = step(least);
    const double limit = (static_cast<double>(first) + 0.5) * m_resolution;
    const Interval fo{limit < 1 ? std::log1p(-limit) : -kInfinity, std::log1p(limit)};
    const Interval x = intersect(intersect(fo, {fo.low - y, fo.high - y}), allowed);
    if (x.empty())
        return {first, 0};
    const auto smallest = [](Interval i) {
        return i.low > 0 ? std::expm1(i.low) : (i.high < 0 ? -std::expm1(i.high) : 0.0);
    };
    const double second = std::min(smallest(x), smallest({x.low + y, x.high + y}));
    return {first, std::min(first, step(second))};
}

long long BranchAndBound::bestPairStep(double c1) const
{
    const OptionList& r1 = listOf(Field::R1);
    const double center = m_request.Q / (c1 * m_space.wantedOmega());
    const std::size_t at = r1.lowerBound(center);
    long long best = std::numeric_limits<long long>::max();
    for (std::size_t i : {at - 1, at})
        if (i < r1.options.size())
            best = std::min(best, pairSteps(std::log(r1.options[i].value / center)).first);
    return best;
}

// The smallest gain step the summing stage can reach, R10/R4 against H (TZF (Wo<Wn): unknown here).
long long BranchAndBound::bestGainStep() const
{
    if (!m_info.hasA4 || m_type == FilterType::TzfLow)
        return 0;  // TZF (Wo<Wn): see lowZeroGainStep()
    const OptionList& r4 = listOf(Field::R4);
    const OptionList& r10 = listOf(Field::R10);
    long long best = std::numeric_limits<long long>::max();
    for (const PartOption& o : r4.options) {
        const std::size_t at = r10.lowerBound(m_request.H * o.value);
        for (std::size_t i : {at - 1, at})
            if (i < r10.options.size())
                best = std::min(best, step(std::abs(r10.options[i].value / o.value / m_request.H - 1)));
    }
    return best;
}

// The smallest step of |numerator / (R4 H) - 1| over R4.
long long BranchAndBound::nearestInputStep(double numerator) const
{
    const OptionList& r4 = listOf(Field::R4);
    const std::size_t at = r4.lowerBound(numerator / m_request.H);
    long long best = std::numeric_limits<long long>::max();
    for (std::size_t i : {at - 1, at})
        if (i < r4.options.size())
            best = std::min(best, step(std::abs(numerator / r4.options[i].value / m_request.H - 1)));
    return best;
}

BranchAndBound::Bound BranchAndBound::makeBound(std::initializer_list<long long> known, double extraSpread) const
{
    Bound b;
    std::size_t n = 0;
    for (long long s : known)
        if (n < b.steps.size())
            b.steps[n++] = s;
    std::sort(b.steps.begin(), b.steps.end(), std::greater<>());
    b.distinct = m_distinct;
    b.spread = (m_spread + extraSpread) * (1 - kBoundSlack);
    return b;
}

bool BranchAndBound::beaten(const Bound& b) const
{
    if (!m_haveBest)
        return false;
    const int c = compareSteps(b.steps, m_best.steps);
    if (c != 0)
        return c > 0;
    if (b.distinct != m_best.distinctValues)
        return b.distinct > m_best.distinctValues;
    return b.spread >= m_best.spread;
}

// The new part values the branch below a node may still add (its own `budget`, less the `added` ones
// the node's option brought): no more than would leave it fewer distinct values than the best
// candidate, where it cannot win on the spread. -1 when nothing below can win.
int BranchAndBound::budgetBelow(const Bound& b, int budget, int added) const
{
    if (beaten(b))
        return -1;
    int left = budget - added;
    if (errorsTight(b.steps) && b.spread >= m_best.spread)
        left = std::min(left, m_best.distinctValues - 1 - m_distinct);
    return left;
}

// budgetBelow, and for a node inside the chain also whether the rest of the chain can reach its product
// within that budget (the new values it needs also count toward the bound on distinct values).
int BranchAndBound::admit(Bound b, int budget, int added, bool chainFollows, std::size_t next) const
{
    const int left = budgetBelow(b, budget, added);
    if (left < 0 || !chainFollows || (left >= 2 && !errorsTight(b.steps)))
        return left;
    const int need = chainNewNeeded(next, m_lnAssigned, std::min(left, 1));
    if (need > left)
        return -1;
    b.distinct += need;
    return beaten(b) ? -1 : left;
}

// An option further out than `o` on the same side adds at least one new value and spreads at least as
// much: can it still win?
bool BranchAndBound::sideExhausted(bool tight, const PartOption& o, int copies) const
{
    if (!tight)
        return false;
    const int distinct = m_distinct + 1;
    if (distinct != m_best.distinctValues)
        return distinct > m_best.distinctValues;
    return (m_spread + o.spread * copies) * (1 - kBoundSlack) >= m_best.spread;
}

}  // namespace torvel::search::detail
