// Branch and bound over the search space.
//
// The elements are chosen in this order: C1, R1, then the chain of the natural frequency (C2, R3, R2, and
// R5 with R6, whatever of them is free; R2 before R3 in TZF (Wo<Wn); R5 and R6 are looked up together in a
// table of their ratios), then
// what only breaks ties (R5 when R6 = R5), then the type's input and summing stage (R4; or R8, then R4
// with R10). Every level walks the options of its element inside a window outside which no candidate can
// still match the best one found so far: errors count in steps, and a candidate whose largest error lies a
// step beyond the best one's largest is worse whatever else it does. The windows come from the products
// the figures depend on:
//   w0^2 = R6 / (R5 R2 R3 C1 C2),   Q = w0 R1 C1,   H = R3/R4, R1/R4 or R10/R4 (times (fn/fo)^2),
// so that a chosen C1 and R1 fix how far Q and fo must share an error (the Q grid), and each element of the
// chain can only take values that leave the remaining ones a product they can reach.
//
// Ties on the errors are broken by the number of distinct part values and then by the spread. The spread
// has a lower bound from the triangle inequality: elements whose product must differ from the product of
// their ideal values by a factor k together spread at least |ln k|. Where a branch can no longer win on
// the spread, it can only win with fewer distinct values than the best one, and it carries that as a
// budget of new part values: levels then try only options made of parts already used, or a few new ones,
// and a chain that cannot reach its product with the budget (with reused parts only, or one new value) is
// cut at once. Inside a window the options are walked outward from the ideal value, so the spread only
// grows along each direction and a direction ends at the first option that can no longer win a tie.
#include "search/branch_and_bound.h"

#include "search/pair_table.h"

#include "search/zero_partners.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>

namespace torvel::search {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Windows are widened and bounds lowered by these relative amounts, so that rounding in the bounds can
// never cut off a candidate that the exact evaluation would accept.
constexpr double kWindowSlack = 1e-9;
constexpr double kBoundSlack = 1e-9;
// Reuse-only completions of the chain are tried while there are at most this many.
constexpr long long kReuseCombinations = 256;
// R5/R6 are looked up together in a table of their ratios while it has at most this many entries.
constexpr std::size_t kRatioTableLimit = 4'000'000;
// Cancellation is looked at after this many nodes.
constexpr long long kCancelInterval = 4096;
// The most elements the chain of w0 can have after C1: C2, R3, R2, R5, R6.
constexpr std::size_t kMaxChainElements = 5;
// The most part values a candidate can use: two parts for each element.
constexpr std::size_t kMaxParts = 2 * kElementCount;
// The largest error every figure is first assumed to reach at best, pass by pass (see run()).
constexpr double kAssumedErrorLevels[] = {0.002, 0.02};
// A budget of new part values that does not limit anything.
constexpr int kUnlimited = 1000;
// The step of an error that no choice below can bring into range.
constexpr long long kUnreachable = std::numeric_limits<long long>::max() / 4;

struct Interval {
    double low = -kInfinity;
    double high = kInfinity;
    bool empty() const { return !(low <= high); }
};

// The window of an element that no error depends on.
Interval anywhere() { return {0, kInfinity}; }

Interval intersect(Interval a, Interval b) { return {std::max(a.low, b.low), std::min(a.high, b.high)}; }

double distance(double x, Interval i) { return x < i.low ? i.low - x : (x > i.high ? x - i.high : 0); }

using Steps = std::array<long long, Objective::kMaxErrors>;

int compareSteps(const Steps& a, const Steps& b)
{
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    return 0;
}

// An element of w0^-2 chosen after C1, with its power there.
struct ChainElement {
    Field field;
    int exponent;
};

class BranchAndBound {
public:
    BranchAndBound(const SearchSpace& space, const SearchControl& control)
        : m_space(space), m_request(space.request()), m_control(control), m_type(space.request().type),
          m_info(filterTypeInfo(space.request().type))
    {
        m_choice.fill(-1);
        if (m_request.options.timeLimitSeconds > 0)
            m_deadline = std::chrono::steady_clock::now()
                + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    std::chrono::duration<double>(m_request.options.timeLimitSeconds));
        m_usage.assign(space.partValues().size(), 0);
        m_lnOmega = std::log(space.wantedOmega());
        m_lnH = std::log(m_request.H);
        m_lnIdealResistor = std::log(space.idealResistor());
        m_resolution = m_request.options.errorResolution;
        for (Field field : kAllFields) {
            if (static_cast<int>(field) >= kElementCount)
                continue;
            const ElementSlot& e = space.element(field);
            if (e.role == ElementRole::Free)
                m_copies[slot(field)] += 1;
            else if (e.role == ElementRole::SameAs)
                m_copies[slot(e.source)] += 1;
        }
        m_c1Power = space.element(Field::C2).role == ElementRole::SameAs ? 2 : 1;
        if (m_c1Power == 1)
            m_chain.push_back({Field::C2, 1});
        // TZF (Wo<Wn): R2 first, since with the capacitors it fixes where the zero can lie (see
        // buildZeroProducts) whatever R3 does.
        if (m_type == FilterType::TzfLow) {
            m_chain.push_back({Field::R2, 1});
            m_chain.push_back({Field::R3, 1});
        } else {
            m_chain.push_back({Field::R3, 1});
            m_chain.push_back({Field::R2, 1});
        }
        if (space.element(Field::R6).role == ElementRole::Free) {
            const OptionList& r5 = listOf(Field::R5);
            const OptionList& r6 = listOf(Field::R6);
            if (r5.options.size() * r6.options.size() <= kRatioTableLimit) {
                m_ratios = PairTable(r5, r6, PairTable::Combine::Ratio);
                m_tail = {{Field::R5, 1}, {Field::R6, -1}};
            } else {
                m_chain.push_back({Field::R5, 1});
                m_chain.push_back({Field::R6, -1});
            }
        }
        // Range and ideal of what the chain elements from each position on can still multiply to.
        m_remaining.assign(m_chain.size() + 1, {0, 0});
        m_remainingIdeal.assign(m_chain.size() + 1, 0);
        if (!m_ratios.empty())
            m_remaining.back() = {m_ratios.front().ln, m_ratios.back().ln};
        for (std::size_t i = m_chain.size(); i-- > 0;) {
            const OptionList& list = listOf(m_chain[i].field);
            const double lo = std::log(list.lowest()) * m_chain[i].exponent;
            const double hi = std::log(list.highest()) * m_chain[i].exponent;
            m_remaining[i] = {m_remaining[i + 1].low + std::min(lo, hi), m_remaining[i + 1].high + std::max(lo, hi)};
            m_remainingIdeal[i] = m_remainingIdeal[i + 1] + std::log(ideal(m_chain[i].field)) * m_chain[i].exponent;
        }
        m_bestGainStep = bestGainStep();
        if (m_info.hasA4)
            buildGainTables();
        if (m_type == FilterType::TzfLow)
            buildZeroPartners();
        updateWindows();
    }

    // It points into itself (the gain's table may be the loop's).
    BranchAndBound(const BranchAndBound&) = delete;
    BranchAndBound& operator=(const BranchAndBound&) = delete;

    // Until a first candidate exists nothing bounds the search, and a poor first candidate bounds it
    // poorly. So the first passes assume a best design with every error at a small level: only candidates
    // at least that good are looked for, under tight windows. A pass that finds one has found the optimum
    // (the optimum is at least as good as what it found); one that finds none has shown that no candidate
    // reaches that level, and the next pass assumes a larger one, the last none at all.
    void run()
    {
        for (double level : kAssumedErrorLevels) {
            assumeBest(level);
            searchFromC1();
            if (m_haveCandidate || m_cancelled)
                break;
        }
        if (!m_haveCandidate && !m_cancelled) {
            m_haveBest = false;
            ++m_generation;
            updateWindows();
            searchFromC1();
        }
        if (m_timedOut && !m_haveCandidate && !cancelRequested()) {
            // The time limit came before any candidate: an unbounded walk from the wanted values meets one
            // in about one descent, and improves on it until the limit is looked at again.
            m_cancelled = false;
            m_haveBest = false;
            m_firstOnly = true;
            ++m_generation;
            updateWindows();
            searchFromC1();
            m_cancelled = true;
        }
        if (m_control.progress && !m_cancelled)
            m_control.progress(1);
    }

    bool cancelRequested() const { return m_control.cancel && m_control.cancel->load(std::memory_order_relaxed); }

    void assumeBest(double level)
    {
        m_best = Objective{};
        for (std::size_t i = 0; i < static_cast<std::size_t>(m_space.errorCount()); ++i)
            m_best.steps[i] = m_space.step(level);
        m_best.distinctValues = std::numeric_limits<int>::max();  // any candidate with those errors beats it
        m_best.spread = kInfinity;
        m_haveBest = true;
        ++m_generation;
        updateWindows();
    }

    void reportProgress(double fraction)
    {
        if (m_control.progress && fraction > m_progress) {
            m_progress = fraction;
            m_control.progress(fraction);
        }
    }

    void searchFromC1()
    {
        const OptionList& c1 = listOf(Field::C1);
        // C1 in the order of the fo-and-Q bound its best R1 allows, so that a good design is found first.
        std::vector<std::pair<long long, int>> order;
        for (std::size_t i = 0; i < c1.options.size(); ++i)
            order.emplace_back(bestPairStep(c1.options[i].value), static_cast<int>(i));
        std::stable_sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
            if (a.first != b.first)
                return a.first < b.first;
            return c1.options[static_cast<std::size_t>(a.second)].spread < c1.options[static_cast<std::size_t>(b.second)].spread;
        });
        for (std::size_t k = 0; k < order.size() && !m_cancelled; ++k) {
            reportProgress(static_cast<double>(k) / static_cast<double>(order.size()));
            Steps steps{};
            steps[0] = order[k].first;
            if (m_haveBest && compareSteps(steps, m_best.steps) > 0)
                continue;
            const int index = order[k].second;
            place(Field::C1, index);
            m_lnAssigned = m_c1Power * c1.options[static_cast<std::size_t>(index)].lnValue;
            searchR1();
            remove(Field::C1);
        }
    }

    bool found() const { return m_haveCandidate; }
    bool cancelled() const { return cancelRequested() || (m_cancelled && !m_timedOut); }
    bool timedOut() const { return m_timedOut; }
    const Candidate& best() const { return m_bestChoice; }
    long long candidates() const { return m_leaves; }

private:
    // ---- the state of the current branch ----

    double ideal(Field field) const
    {
        return field == Field::C1 || field == Field::C2 ? m_space.idealCapacitor() : m_space.idealResistor();
    }
    const OptionList& listOf(Field field) const { return *m_space.element(field).options; }
    const PartOption& option(Field field, int index) const { return listOf(field).options[static_cast<std::size_t>(index)]; }
    const PartOption& chosen(Field field) const { return m_space.optionOf(m_choice, field); }

    void addParts(const PartOption& o)
    {
        for (int id : o.partIds) {
            if (id >= 0 && m_usage[static_cast<std::size_t>(id)]++ == 0) {
                ++m_distinct;
                m_used.push_back(id);
            }
        }
    }
    void removeParts(const PartOption& o)
    {
        for (int id : o.partIds) {
            if (id >= 0 && --m_usage[static_cast<std::size_t>(id)] == 0) {
                --m_distinct;
                m_used.erase(std::find(m_used.begin(), m_used.end(), id));
            }
        }
    }
    bool used(int id) const { return id < 0 || m_usage[static_cast<std::size_t>(id)] > 0; }
    bool reusesOnly(const PartOption& o) const { return used(o.partIds[0]) && used(o.partIds[1]); }
    // How many distinct part values the option would add.
    int newParts(const PartOption& o) const
    {
        const int first = used(o.partIds[0]) ? 0 : 1;
        const int second = used(o.partIds[1]) || o.partIds[1] == o.partIds[0] ? 0 : 1;
        return first + second;
    }

    void place(Field field, int index)
    {
        m_choice[slot(field)] = index;
        const PartOption& o = option(field, index);
        addParts(o);
        m_spread += o.spread * m_copies[slot(field)];
        if (field == Field::R1 && m_info.exactR7) {
            const PartOption& half = m_space.halfOf(index);
            addParts(half);
            m_spread += half.spread;
        }
    }
    void remove(Field field)
    {
        const int index = m_choice[slot(field)];
        const PartOption& o = option(field, index);
        if (field == Field::R1 && m_info.exactR7) {
            const PartOption& half = m_space.halfOf(index);
            removeParts(half);
            m_spread -= half.spread;
        }
        removeParts(o);
        m_spread -= o.spread * m_copies[slot(field)];
        m_choice[slot(field)] = -1;
    }

    bool stop()
    {
        if (++m_nodes % kCancelInterval == 0) {
            if (cancelRequested())
                m_cancelled = true;
            if (m_deadline && (!m_firstOnly || m_haveCandidate) && std::chrono::steady_clock::now() > *m_deadline)
                m_cancelled = m_timedOut = true;
        }
        return m_cancelled;
    }

    // ---- bounds ----

    long long step(double error) const { return m_space.step(error * (1 - kBoundSlack)); }

    // The largest error a candidate may have and still match the best one: none of its steps may exceed
    // the best one's largest.
    void updateWindows()
    {
        const double tolerance = m_haveBest
            ? (static_cast<double>(m_best.steps[0]) + 0.5) * m_resolution * (1 + kWindowSlack)
            : kInfinity;
        m_lnLow = tolerance < 1 ? std::log1p(-tolerance) : -kInfinity;
        m_lnHigh = std::log1p(tolerance);
    }
    Interval tolerance() const { return {m_lnLow, m_lnHigh}; }

    // The range of ln(realised / wanted) one figure may still have when the other errors take the `known`
    // steps (or at least those) and the rest are 0: the largest step t such that the sorted errors with t
    // among them do not come after the best candidate's. Empty when not even an exact figure could match.
    Interval toleranceFor(std::initializer_list<long long> known) const
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

    // toleranceFor, asked again only once a better candidate has been found.
    template <typename Known>
    auto cachedTolerance(Known known) const
    {
        return [this, known, generation = m_generation - 1, cached = Interval{}]() mutable {
            if (generation != m_generation) {
                cached = known();
                generation = m_generation;
            }
            return cached;
        };
    }

    // The tolerance of fo and of Q in the loop, the gain's bound being known: cached, since every node of
    // the chain asks for it.
    Interval pairTolerance() const
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
    std::pair<long long, long long> pairSteps(double y, Interval allowed = {-kInfinity, kInfinity}) const
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

    long long bestPairStep(double c1) const
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
    long long bestGainStep() const
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
    long long nearestInputStep(double numerator) const
    {
        const OptionList& r4 = listOf(Field::R4);
        const std::size_t at = r4.lowerBound(numerator / m_request.H);
        long long best = std::numeric_limits<long long>::max();
        for (std::size_t i : {at - 1, at})
            if (i < r4.options.size())
                best = std::min(best, step(std::abs(numerator / r4.options[i].value / m_request.H - 1)));
        return best;
    }

    struct Bound {
        Steps steps{};
        int distinct = 0;
        double spread = 0;
    };

    Bound makeBound(std::initializer_list<long long> known, double extraSpread) const
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

    bool beaten(const Bound& b) const
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

    // Whether a bound on the errors equals the best candidate's errors, so that ties decide.
    bool errorsTight(const Steps& steps) const { return m_haveBest && compareSteps(steps, m_best.steps) == 0; }

    // The new part values the branch below a node may still add (its own `budget`, less the `added` ones
    // the node's option brought): no more than would leave it fewer distinct values than the best
    // candidate, where it cannot win on the spread. -1 when nothing below can win.
    int budgetBelow(const Bound& b, int budget, int added) const
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
    int admit(Bound b, int budget, int added, bool chainFollows, std::size_t next) const
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
    bool sideExhausted(bool tight, const PartOption& o, int copies) const
    {
        if (!tight)
            return false;
        const int distinct = m_distinct + 1;
        if (distinct != m_best.distinctValues)
            return distinct > m_best.distinctValues;
        return (m_spread + o.spread * copies) * (1 - kBoundSlack) >= m_best.spread;
    }

    // ---- walking the options of one element ----

    // Calls visit(index) for the options of `field` whose value lies in window() (asked again at every
    // step, since a better candidate narrows it) and that add at most `budget` new part values: first
    // those made only of parts already used, then the others outward from the ideal value, ending a side
    // once it can no longer win a tie on the errors `nodeSteps` bound. Until a first candidate exists the
    // walk starts at `center` instead, the value the errors want, so that the first candidate is good.
    // Stops once visit returns false. With a `subset`, only its options are walked.
    template <typename Window, typename Visit>
    void walk(Field field, Window window, const Steps& nodeSteps, int budget, double center, Visit visit,
              const OptionSubset* subset = nullptr)
    {
        if (budget < 0)
            return;
        const OptionList& list = listOf(field);
        // Positions along the walk: every option, or the subset's, both in the order of value.
        const std::size_t count = subset ? subset->indices.size() : list.options.size();
        const auto at = [&](std::size_t position) {
            return subset ? static_cast<std::size_t>(subset->indices[position]) : position;
        };
        Interval current = window();
        long long generation = m_generation;
        const auto inside = [&](double value) {
            if (generation != m_generation) {
                current = window();
                generation = m_generation;
            }
            return value >= current.low * (1 - kWindowSlack) && value <= current.high * (1 + kWindowSlack);
        };
        const int copies = m_copies[slot(field)];
        // Reused parts first. The list of used parts changes while visiting, so walk a copy.
        std::array<int, kMaxParts> usedParts{};
        const std::size_t usedCount = m_used.size();
        std::copy(m_used.begin(), m_used.end(), usedParts.begin());
        for (std::size_t u = 0; u < usedCount; ++u) {
            for (int index : list.byFirstPart[static_cast<std::size_t>(usedParts[u])]) {
                if (subset && !subset->member[static_cast<std::size_t>(index)])
                    continue;
                const PartOption& o = list.options[static_cast<std::size_t>(index)];
                if (inside(o.value) && reusesOnly(o) && (!visit(index) || m_cancelled))
                    return;
            }
        }
        if (budget == 0)
            return;
        const Interval first = window();
        if (first.empty())
            return;
        // Only a walk outward from the ideal value sees the spread grow along each side.
        const bool bySpread = m_haveCandidate || !(center > 0);
        const double origin = bySpread ? ideal(field) : center;
        const double start = std::clamp(origin, first.low, std::max(first.low, first.high));
        const double lnStart = std::log(start);
        const auto distanceOf = [&](std::size_t position) {
            const PartOption& o = list.options[at(position)];
            return bySpread ? o.spread : std::abs(o.lnValue - lnStart);
        };
        std::size_t up = list.lowerBound(start);
        if (subset)
            up = static_cast<std::size_t>(std::lower_bound(subset->indices.begin(), subset->indices.end(), static_cast<int>(up))
                                          - subset->indices.begin());
        std::size_t down = up;  // the next position below is down - 1
        bool upOpen = true;
        bool downOpen = true;
        // Every step counts towards the clock: a wide range can hold thousands of options between two
        // visits that go deeper.
        while (!stop()) {
            upOpen = upOpen && up < count && inside(list.options[at(up)].value);
            downOpen = downOpen && down > 0 && inside(list.options[at(down - 1)].value);
            if (!upOpen && !downOpen)
                return;
            const bool takeUp = upOpen && (!downOpen || distanceOf(up) <= distanceOf(down - 1));
            const std::size_t index = at(takeUp ? up++ : --down);
            const PartOption& o = list.options[index];
            if (reusesOnly(o) || newParts(o) > budget)
                continue;  // visited above, or too many new values
            if (bySpread && sideExhausted(errorsTight(nodeSteps), o, copies)) {
                (takeUp ? upOpen : downOpen) = false;
                continue;
            }
            if (!visit(static_cast<int>(index)))
                return;
        }
    }

    // ---- the loop ----

    void searchR1()
    {
        const double center = m_request.Q / (chosen(Field::C1).value * m_space.wantedOmega());
        // Both fo and Q inside the tolerance: y within the difference of its two ends.
        auto allowed = cachedTolerance([this] { return toleranceFor({m_info.hasA4 ? m_bestGainStep : 0}); });
        const auto window = [&] {
            const Interval t = allowed();
            return Interval{center * std::exp(t.low - t.high), center * std::exp(t.high - t.low)};
        };
        const OptionList& r1 = listOf(Field::R1);
        std::size_t up = r1.lowerBound(center);
        std::size_t down = up;
        // Nearest to the centre first: the Q grid offset decides the errors here.
        while (!stop()) {
            const Interval w = window();
            const bool upOpen = up < r1.options.size() && r1.options[up].value <= w.high * (1 + kWindowSlack);
            const bool downOpen = down > 0 && r1.options[down - 1].value >= w.low * (1 - kWindowSlack);
            if (!upOpen && !downOpen)
                return;
            const bool takeUp = upOpen && (!downOpen || r1.options[up].value / center <= center / r1.options[down - 1].value);
            const std::size_t index = takeUp ? up++ : --down;
            if (m_info.exactR7 && !m_space.halfOf(static_cast<int>(index)).usable)
                continue;
            place(Field::R1, static_cast<int>(index));
            m_y = std::log(r1.options[index].value / center);
            m_pair = pairSteps(m_y);
            m_inputStep = m_type == FilterType::Bpf ? nearestInputStep(r1.options[index].value) : 0;
            const int budget = admit(loopBound(0), kUnlimited, 0, true, 0);
            if (budget >= 0 && !stop())
                searchChain(0, budget);
            remove(Field::R1);
        }
    }

    // The errors known at a loop node and the spread the rest must add at least.
    Bound loopBound(std::size_t next) const
    {
        const long long h = m_info.hasA4 ? m_bestGainStep : m_inputStep;
        return makeBound({m_pair.first, m_pair.second, h, m_zeroStep}, chainSpread(next, m_lnAssigned) + stageSpread());
    }

    // The transmission-zero types: with R9 = R4, fn/fo' (fo' realised) is sqrt(1 - R3/R8) with R8 from A3
    // and sqrt(1 + (R3/R8)(R5/R6)) with R8 from A2, so R3, R8 and (for the latter) R5/R6 alone fix it. With
    // fo' = fo e^x, x inside the loop's window and ln(R5/R6) inside `lnRatio`, fn can err no less than the
    // R8 nearest to the wanted ratio allows: |e^z - 1| >= 1 - e^-|z| for the distance z left in ln(fn'/fn).
    long long zeroStepBound(double r3, Interval lnRatio) const
    {
        const Interval t = pairTolerance();
        const Interval x = intersect(t, {t.low - m_y, t.high - m_y});
        if (x.empty() || lnRatio.empty())
            return 0;
        const double lnWanted = std::log(m_request.fn / m_request.fo);
        const Interval target{lnWanted - x.high, lnWanted - x.low};  // for ln(fn'/fo')
        const bool above = m_type == FilterType::TzfLow;
        // ln(fn'/fo') over the ratio range, for one R8: rises with R8 from A3, falls with R8 from A2.
        const auto reach = [&](double r8) {
            if (above)
                return Interval{0.5 * std::log1p(r3 / r8 * std::exp(lnRatio.low)), 0.5 * std::log1p(r3 / r8 * std::exp(lnRatio.high))};
            const double v = r8 > r3 ? 0.5 * std::log1p(-r3 / r8) : -kInfinity;
            return Interval{v, v};
        };
        const auto apart = [&](Interval a) { return a.high < target.low ? target.low - a.high : (a.low > target.high ? a.low - target.high : 0.0); };
        const OptionList& r8 = listOf(Field::R8);
        // The first option whose reach is no longer on the side where R8 is too small.
        std::size_t low = 0;
        std::size_t high = r8.options.size();
        while (low < high) {
            const std::size_t middle = (low + high) / 2;
            const Interval r = reach(r8.options[middle].value);
            const bool tooSmall = above ? r.low > target.high : r.high < target.low;
            if (tooSmall)
                low = middle + 1;
            else
                high = middle;
        }
        double nearest = kInfinity;
        for (std::size_t i : {low - 1, low})
            if (i < r8.options.size())
                nearest = std::min(nearest, apart(reach(r8.options[i].value)));
        if (!(nearest < kInfinity))
            return kUnreachable;
        return step(-std::expm1(-nearest));
    }

    // The transmission-zero types once R3 (and for TZF (Wo<Wn) the range of ln(R5/R6)) is known: fn' = fo e^x
    // sqrt(r), r = 1 - R3/R8 or 1 + (R3/R8)(R5/R6), must stay within fn's tolerance for some R8. That leaves
    // x, which fo and Q share, only the hull of the ranges those R8 allow; empty when no R8 can.
    Interval zeroWindow(double r3, Interval lnRatio) const
    {
        const Interval fn = toleranceFor({m_pair.first, m_pair.second, m_bestGainStep});
        const Interval t = pairTolerance();
        const Interval x = intersect(t, {t.low - m_y, t.high - m_y});
        if (fn.empty() || x.empty() || lnRatio.empty())
            return {kInfinity, -kInfinity};
        if (!std::isfinite(fn.low) || !std::isfinite(x.low) || !std::isfinite(x.high))
            return {-kInfinity, kInfinity};
        const double lnWanted = std::log(m_request.fn / m_request.fo);
        // s = ln sqrt(r) must reach [sLow, sHigh].
        const double sLow = fn.low + lnWanted - x.high;
        const double sHigh = fn.high + lnWanted - x.low;
        const bool above = m_type == FilterType::TzfLow;
        const auto reach = [&](double r8) {  // the s one R8 allows over the ratio's range
            if (above)
                return Interval{0.5 * std::log1p(r3 / r8 * std::exp(lnRatio.low)), 0.5 * std::log1p(r3 / r8 * std::exp(lnRatio.high))};
            const double v = r8 > r3 ? 0.5 * std::log1p(-r3 / r8) : -kInfinity;
            return Interval{v, v};
        };
        // s falls with R8 from A2 and rises with R8 from A3: the options that reach are one run.
        const OptionList& r8 = listOf(Field::R8);
        const auto firstWhere = [&](auto condition) {
            std::size_t low = 0;
            std::size_t high = r8.options.size();
            while (low < high) {
                const std::size_t middle = (low + high) / 2;
                if (condition(reach(r8.options[middle].value)))
                    high = middle;
                else
                    low = middle + 1;
            }
            return low;
        };
        const std::size_t first = above ? firstWhere([&](Interval r) { return r.low <= sHigh; })
                                        : firstWhere([&](Interval r) { return r.high >= sLow; });
        const std::size_t last = above ? firstWhere([&](Interval r) { return r.high < sLow; })
                                       : firstWhere([&](Interval r) { return r.low > sHigh; });
        if (first >= last)
            return {kInfinity, -kInfinity};
        const Interval a = reach(r8.options[first].value);
        const Interval b = reach(r8.options[last - 1].value);
        const double reachLow = std::max(sLow, std::min(a.low, b.low));
        const double reachHigh = std::min(sHigh, std::max(a.high, b.high));
        return intersect(x, {fn.low + lnWanted - reachHigh - kWindowSlack, fn.high + lnWanted - reachLow + kWindowSlack});
    }

    // The window of ln(1 / w0^2), which the loop elements multiply to: x = ln(w0 / W) within the tolerance
    // for fo and, shifted by y, for Q.
    Interval productWindow() const
    {
        const Interval t = pairTolerance();
        const Interval x = intersect(intersect(t, {t.low - m_y, t.high - m_y}), m_zeroX);
        if (x.empty())
            return {kInfinity, -kInfinity};
        return {-2 * m_lnOmega - 2 * x.high, -2 * m_lnOmega - 2 * x.low};
    }

    bool chainFollows(std::size_t next) const { return next < m_chain.size() || !m_ratios.empty(); }

    // Spread the chain elements from `next` on must add: their product must bring the assigned one into
    // the window, and |ln(v1/ideal1)| + ... >= |ln(product / product of ideals)|.
    double chainSpread(std::size_t next, double lnAssigned) const
    {
        if (!chainFollows(next))
            return 0;
        const Interval p = productWindow();
        if (p.empty())
            return 0;
        return distance(m_remainingIdeal[next], {p.low - lnAssigned, p.high - lnAssigned});
    }

    // Spread the stage must add at least, where its elements are not in the chain.
    double stageSpread() const
    {
        const Interval t = tolerance();
        if (m_type == FilterType::Lpf || m_type == FilterType::Bpf) {
            const Field source = m_type == FilterType::Lpf ? Field::R3 : Field::R1;
            if (m_choice[slot(source)] < 0)
                return 0;
            const double lnR4 = chosen(source).lnValue - m_lnH;
            return distance(m_lnIdealResistor, {lnR4 - t.high, lnR4 - t.low});
        }
        if (m_info.hasA4 && m_type != FilterType::TzfLow)  // 2|u4| + |u10| >= |ln(R10/R4)|
            return distance(0, {m_lnH + t.low, m_lnH + t.high});
        if (m_type == FilterType::TzfLow) {
            // H = (R10/R4)(fn'/fo')^2: R10/R4 lies within five tolerances of H (fo/fn)^2.
            const double spread = 5 * std::max(-t.low, t.high);
            const double lnRatio = m_lnH - 2 * std::log(m_request.fn / m_request.fo);
            return distance(0, {lnRatio - spread, lnRatio + spread});
        }
        return 0;
    }

    // The chain elements from some level on, each with the exponent-weighted log values of its options made
    // of used parts only (in m_reuseValues, from start[k] to start[k + 1]). Kept in place, since every node
    // of the chain asks.
    struct ReuseLists {
        std::array<ChainElement, kMaxChainElements> elements{};
        std::array<std::size_t, kMaxChainElements + 1> start{};
        std::size_t count = 0;
    };

    void collectReuse(std::size_t next, ReuseLists& lists) const
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
    bool forEachReuse(const ReuseLists& lists, unsigned mask, Each each) const
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
    int chainNewNeeded(std::size_t next, double lnAssigned, int upTo) const
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
    int ratioNewNeeded(Interval need) const
    {
        int fewest = kUnlimited;
        for (std::size_t i = m_ratios.lowerBound(need.low); i < m_ratios.size() && m_ratios[i].ln <= need.high && fewest > 0; ++i)
            fewest = std::min(fewest, partsAdded(option(Field::R5, m_ratios[i].first), option(Field::R6, m_ratios[i].second)));
        return fewest;
    }

    void searchChain(std::size_t i, int budget)
    {
        if (i == m_chain.size()) {
            if (m_ratios.empty())
                loopComplete(budget);
            else
                searchRatios(budget);
            return;
        }
        const ChainElement e = m_chain[i];
        const double lnBefore = m_lnAssigned;
        // ln v * exponent must leave the later elements a product they can reach.
        const auto window = [this, i, e, lnBefore] {
            const Interval p = productWindow();
            if (p.empty())
                return Interval{kInfinity, -kInfinity};
            const double a = p.low - lnBefore - m_remaining[i + 1].high;
            const double b = p.high - lnBefore - m_remaining[i + 1].low;
            return e.exponent > 0 ? Interval{std::exp(a), std::exp(b)} : Interval{std::exp(-b), std::exp(-a)};
        };
        if (i == m_capacitorsChosenAt && m_zeroPartners && !markZeroPartners())
            return;
        const Bound node = loopBound(i);
        // The value that, with the later elements at their ideal values, puts w0 where fo and Q share the
        // error evenly (x = -y/2).
        const double center = std::exp((-2 * m_lnOmega + m_y - lnBefore - m_remainingIdeal[i + 1]) / e.exponent);
        const bool zeroPartners = e.field == Field::R2 && m_partnersKnown;
        walk(e.field, window, node.steps, budget, center, [&](int index) {
            if (stop())
                return false;
            const int added = newParts(option(e.field, index));
            place(e.field, index);
            const double value = option(e.field, index).value;
            m_lnAssigned = lnBefore + e.exponent * option(e.field, index).lnValue;
            if (e.field == Field::R3 && m_type == FilterType::Lpf)
                m_inputStep = nearestInputStep(value);
            const long long zeroBefore = m_zeroStep;
            const Interval zeroXBefore = m_zeroX;
            const std::pair<long long, long long> pairBefore = m_pair;
            if (e.field == Field::R3 && m_type == FilterType::TzfHigh) {
                m_zeroStep = zeroStepBound(value, {0, 0});
                m_zeroX = zeroWindow(value, {0, 0});
                m_pair = pairSteps(m_y, m_zeroX);
            }
            if (zeroPartners)
                boundZeroByPartners(index);
            const int below = admit(loopBound(i + 1), budget, added, chainFollows(i + 1), i + 1);
            if (below >= 0)
                searchChain(i + 1, below);
            if (e.field == Field::R3 && m_type == FilterType::Lpf)
                m_inputStep = 0;
            m_zeroStep = zeroBefore;
            m_zeroX = zeroXBefore;
            m_pair = pairBefore;
            m_lnAssigned = lnBefore;
            remove(e.field);
            return true;
        }, zeroPartners ? &m_zeroPartners->selectedR2() : nullptr);
    }

    // R5 and R6 together, from the table of their ratios, inside the window the product leaves them,
    // outward from the ratio that shares the error evenly between fo and Q.
    void searchRatios(int budget)
    {
        const double lnBefore = m_lnAssigned;
        const auto window = [&] {
            const Interval p = productWindow();
            return Interval{p.low - lnBefore - kWindowSlack, p.high - lnBefore + kWindowSlack};
        };
        if (window().empty())
            return;
        const long long zeroBefore = m_zeroStep;
        const Interval zeroXBefore = m_zeroX;
        const std::pair<long long, long long> pairBefore = m_pair;
        bool open = true;
        if (m_type == FilterType::TzfLow && !m_partnersKnown) {
            // With the ratio's range known, the zero has a bound of its own, and narrows x.
            const Interval ratios = window();
            m_zeroStep = zeroStepBound(chosen(Field::R3).value, ratios);
            m_zeroX = zeroWindow(chosen(Field::R3).value, ratios);
            m_pair = pairSteps(m_y, m_zeroX);
            open = !beaten(loopBound(m_chain.size()));
        }
        if (open)
            searchRatioWindow(budget, window);
        m_zeroStep = zeroBefore;
        m_zeroX = zeroXBefore;
        m_pair = pairBefore;
    }

    template <typename Window>
    void searchRatioWindow(int budget, Window window)
    {
        const double center = -2 * m_lnOmega + m_y - m_lnAssigned;
        const std::size_t start = m_ratios.lowerBound(center);
        std::size_t up = start;
        std::size_t down = start;
        while (!stop()) {
            const Interval w = window();
            const bool upOpen = up < m_ratios.size() && m_ratios[up].ln <= w.high;
            const bool downOpen = down > 0 && m_ratios[down - 1].ln >= w.low;
            if (!upOpen && !downOpen)
                return;
            const bool takeUp = upOpen && (!downOpen || m_ratios[up].ln - center <= center - m_ratios[down - 1].ln);
            const OptionPair& r = m_ratios[takeUp ? up++ : --down];
            const PartOption& r5 = option(Field::R5, r.first);
            const PartOption& r6 = option(Field::R6, r.second);
            const int added = partsAdded(r5, r6);
            if (added > budget)
                continue;
            // The loop's errors turn most of the window away: judge them before placing anything (the spread
            // of R5 and R6 left out, so that this bound stays below the one loopComplete makes).
            const LoopFigures f = loopFigures(r5.value, r6.value);
            Bound early = makeBound({f.foStep, f.qStep, m_info.hasA4 ? m_bestGainStep : m_inputStep}, stageSpread());
            early.distinct += added;
            if (budgetBelow(early, budget, added) < 0)
                continue;
            place(Field::R5, r.first);
            place(Field::R6, r.second);
            loopComplete(budget - added);
            remove(Field::R6);
            remove(Field::R5);
        }
    }

    // The loop is chosen (but for a tie-only R5): its fo and Q are known exactly.
    void loopComplete(int budget)
    {
        if (m_space.element(Field::R6).role == ElementRole::SameAs) {
            // R5 = R6 changes nothing the circuit does: only ties decide it.
            const Bound node = loopFiguresBound();
            const int left = budgetBelow(node, budget, 0);
            walk(Field::R5, anywhere, node.steps, left, 0, [&](int index) {
                if (stop())
                    return false;
                const int added = newParts(option(Field::R5, index));
                place(Field::R5, index);
                const int below = budgetBelow(loopFiguresBound(), left, added);
                if (below >= 0)
                    searchStage(below);
                remove(Field::R5);
                return true;
            });
            return;
        }
        const int below = budgetBelow(loopFiguresBound(), budget, 0);
        if (below >= 0)
            searchStage(below);
    }

    // fo and Q as the evaluation computes them (same formula, same order), and their steps.
    void computeLoop()
    {
        const bool r5Chosen = m_choice[slot(Field::R5)] >= 0;
        const LoopFigures f = loopFigures(r5Chosen ? chosen(Field::R5).value : 1, r5Chosen ? chosen(Field::R6).value : 1);
        m_d0 = f.d0;
        m_d1 = f.d1;
        m_foStep = f.foStep;
        m_qStep = f.qStep;
    }

    struct LoopFigures {
        double d0 = 0, d1 = 0;
        long long foStep = 0, qStep = 0;
    };
    // The loop's figures for R5 and R6 of these values, the rest of it chosen.
    LoopFigures loopFigures(double r5, double r6) const
    {
        const double c1 = chosen(Field::C1).value;
        const double c2 = chosen(Field::C2).value;
        const double r2 = chosen(Field::R2).value;
        const double r3 = chosen(Field::R3).value;
        LoopFigures f;
        f.d0 = r6 / (r5 * r2 * r3 * c1 * c2);
        f.d1 = 1 / (chosen(Field::R1).value * c1);
        const double w0 = std::sqrt(f.d0);
        f.foStep = step(std::abs(w0 / m_space.wantedOmega() - 1));
        f.qStep = step(std::abs(w0 / f.d1 / m_request.Q - 1));
        return f;
    }

    Bound loopFiguresBound()
    {
        computeLoop();
        const long long h = m_info.hasA4 ? m_bestGainStep : m_inputStep;
        return makeBound({m_foStep, m_qStep, h}, stageSpread());
    }

    // ---- the input and summing stage ----

    void searchStage(int budget)
    {
        if (!m_info.hasA4) {
            const double numerator = chosen(m_type == FilterType::Lpf ? Field::R3 : Field::R1).value;
            const double center = numerator / m_request.H;
            auto allowed = cachedTolerance([this] { return toleranceFor({m_foStep, m_qStep}); });
            const auto window = [&] {
                const Interval t = allowed();
                return Interval{center * std::exp(-t.high), center * std::exp(-t.low)};
            };
            const Bound node = makeBound({m_foStep, m_qStep, m_inputStep}, stageSpread());
            walk(Field::R4, window, node.steps, budget, center, [&](int index) {
                place(Field::R4, index);
                leaf();
                remove(Field::R4);
                return !m_cancelled;
            });
            return;
        }
        if (m_info.r8From && m_type != FilterType::Hpf)
            searchZero(budget);
        else
            chooseGain(1, 0, budget);
    }

    // ---- the gain of the summing stage, R10/R9 with R9 = R4 ----

    int partsAdded(const PartOption& a, const PartOption& b) const
    {
        const std::array<int, 4> ids = {a.partIds[0], a.partIds[1], b.partIds[0], b.partIds[1]};
        int added = 0;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            if (used(ids[i]))
                continue;
            bool seen = false;
            for (std::size_t j = 0; j < i; ++j)
                seen = seen || ids[j] == ids[i];
            added += seen ? 0 : 1;
        }
        return added;
    }

    void buildGainTables()
    {
        const OptionList& r4 = listOf(Field::R4);
        const OptionList& r10 = listOf(Field::R10);
        if (r4.options.size() * r10.options.size() > kRatioTableLimit)
            return;  // walked element by element instead
        m_gainSingleParts = true;
        for (const OptionList* list : {&r4, &r10})
            for (const PartOption& o : list->options)
                m_gainSingleParts = m_gainSingleParts && o.build == PartBuild::Single;
        const double copies = m_copies[slot(Field::R4)];
        if (m_type == FilterType::TzfLow) {
            // The gain depends on the zero here: every pair by its ratio, looked up per loop and R8.
            // R10/R4 over the same lists as R5/R6 is the same table.
            const bool sameAsLoop = !m_ratios.empty() && &r10 == &listOf(Field::R5) && &r4 == &listOf(Field::R6);
            if (sameAsLoop)
                m_gainRatios = &m_ratios;
            else
                m_ownGainRatios = PairTable(r10, r4, PairTable::Combine::Ratio);
            m_gainTables = true;
            return;
        }
        // Elsewhere the gain error is a figure of its own: only the pairs with its smallest step can win,
        // listed once by spread, with the gain error computed as the evaluation computes it.
        const auto exactStep = [&](std::size_t a, std::size_t b) {
            return m_space.step(std::abs(r10.options[b].value / r4.options[a].value / m_request.H - 1));
        };
        long long smallest = std::numeric_limits<long long>::max();
        std::vector<std::pair<std::size_t, std::size_t>> nearest;
        for (std::size_t a = 0; a < r4.options.size(); ++a) {
            const std::size_t at = r10.lowerBound(m_request.H * r4.options[a].value);
            // Steps grow away from H R4: scan each side while they do not exceed the smallest so far.
            for (std::size_t b = at; b < r10.options.size(); ++b) {
                const long long s = exactStep(a, b);
                if (s > smallest && b > at)
                    break;
                nearest.emplace_back(a, b);
                smallest = std::min(smallest, s);
            }
            for (std::size_t b = at; b-- > 0;) {
                const long long s = exactStep(a, b);
                if (s > smallest && b + 1 < at)
                    break;
                nearest.emplace_back(a, b);
                smallest = std::min(smallest, s);
            }
        }
        for (const auto& [a, b] : nearest)
            if (exactStep(a, b) == smallest)
                m_gainPairs.push_back({static_cast<int>(a), static_cast<int>(b), r4.options[a].spread * copies + r10.options[b].spread});
        std::sort(m_gainPairs.begin(), m_gainPairs.end(), [](const GainPair& x, const GainPair& y) {
            return x.spread != y.spread ? x.spread < y.spread : (x.r4 != y.r4 ? x.r4 < y.r4 : x.r10 < y.r10);
        });
        m_gainPairs.erase(std::unique(m_gainPairs.begin(), m_gainPairs.end(),
                                      [](const GainPair& x, const GainPair& y) { return x.r4 == y.r4 && x.r10 == y.r10; }),
                          m_gainPairs.end());
        m_gainByR4.assign(r4.options.size(), {});
        m_gainByR10.assign(r10.options.size(), {});
        for (std::size_t i = 0; i < m_gainPairs.size(); ++i) {
            m_gainByR4[static_cast<std::size_t>(m_gainPairs[i].r4)].push_back(static_cast<int>(i));
            m_gainByR10[static_cast<std::size_t>(m_gainPairs[i].r10)].push_back(static_cast<int>(i));
        }
        m_gainTables = true;
    }

    // TZF (Wo<Wn): the R2 R8 that can place the zero are looked up once the capacitors are chosen.
    void buildZeroPartners()
    {
        m_zeroPartners = std::make_unique<ZeroPartnerTable>(listOf(Field::R2), listOf(Field::R8), kRatioTableLimit);
        if (m_zeroPartners->empty()) {
            m_zeroPartners.reset();  // R2 is walked whole
            return;
        }
        std::size_t first = 0;
        while (first < m_chain.size() && m_chain[first].field == Field::C2)
            ++first;
        m_capacitorsChosenAt = first;
    }

    // Marks the R2 options that have an R8 placing the zero within fn's tolerance while w0 stays within
    // fo's (and Q's): wn'^2 - w0'^2 = 1/(R8 R2 C1 C2), so R2 R8 must lie within 1/(C1 C2 (wn'^2 - w0'^2)).
    // False when none has, so that nothing below the capacitors can match the best.
    bool markZeroPartners()
    {
        m_partnersKnown = false;
        if (!m_haveBest)
            return true;
        const Interval f = toleranceFor({m_pair.first, m_pair.second, m_bestGainStep});
        const Interval t = pairTolerance();
        const Interval x = intersect(intersect(t, {t.low - m_y, t.high - m_y}), m_zeroX);
        if (f.empty() || x.empty())
            return false;
        if (!std::isfinite(f.low) || !std::isfinite(f.high) || !std::isfinite(x.low) || !std::isfinite(x.high))
            return true;
        const double wanted = 2 * std::numbers::pi * m_request.fn;
        const double omega = m_space.wantedOmega();
        const double gapHigh = wanted * wanted * std::exp(2 * f.high) - omega * omega * std::exp(2 * x.low);
        const double gapLow = wanted * wanted * std::exp(2 * f.low) - omega * omega * std::exp(2 * x.high);
        if (!(gapHigh > 0))
            return false;
        // The subtraction loses a few digits where fn lies close to fo: the slack is generous.
        constexpr double kGapSlack = 1e-7;
        const double lnCapacitors = chosen(Field::C1).lnValue + chosen(Field::C2).lnValue;
        const double low = -std::log(gapHigh) - lnCapacitors - kGapSlack;
        const double high = gapLow > 0 ? -std::log(gapLow) - lnCapacitors + kGapSlack : kInfinity;
        m_partnersKnown = true;
        return m_zeroPartners->select(low, high);
    }

    // With R2 chosen too, each partner R8 fixes the zero's distance from w0: wn'^2 = w0'^2 + 1/(R8 R2 C1 C2)
    // rises with w0'. For w0' = w e^x, x within fo's and Q's tolerance, fn errs no less than the partner
    // nearest to it allows, and only the x for which some partner keeps fn within its tolerance remain. The
    // DC gain is (R10/R4) wn'^2/w0'^2, so a partner also needs some R10/R4 that brings H within its own
    // tolerance over those x; one that has none can only lead to worse candidates.
    void boundZeroByPartners(int r2)
    {
        const Interval f = toleranceFor({m_pair.first, m_pair.second, m_bestGainStep});
        const Interval h = toleranceFor({m_pair.first, m_pair.second});
        const Interval t = pairTolerance();
        const Interval x = intersect(intersect(t, {t.low - m_y, t.high - m_y}), m_zeroX);
        if (f.empty() || x.empty()) {
            m_zeroStep = kUnreachable;
            return;
        }
        if (!std::isfinite(f.low) || !std::isfinite(f.high) || !std::isfinite(x.low) || !std::isfinite(x.high))
            return;
        const double wanted = 2 * std::numbers::pi * m_request.fn;
        const double omega = m_space.wantedOmega();
        const double wantedSquare = wanted * wanted;
        const double k = option(Field::R2, r2).value * chosen(Field::C1).value * chosen(Field::C2).value;
        const double w0Low = omega * omega * std::exp(2 * x.low);
        const double w0High = omega * omega * std::exp(2 * x.high);
        const double fnLow = wantedSquare * std::exp(2 * f.low);
        const double fnHigh = wantedSquare * std::exp(2 * f.high);
        // Squares of frequencies: the slack covers the rounding of sums and products of a few parts.
        constexpr double kSquareSlack = 1e-7;
        double nearest = kInfinity;
        Interval hull{kInfinity, -kInfinity};
        m_zeroPartners->forEachPartner(r2, [&](int r8) {
            const double gap = 1 / (option(Field::R8, r8).value * k);
            // w0'^2 within [fnLow - gap, fnHigh - gap]
            const double a = (fnLow - gap) * (1 - kSquareSlack);
            const double b = (fnHigh - gap) * (1 + kSquareSlack);
            if (!(b > 0))
                return;
            const Interval xk = intersect(x, {(a > 0 ? 0.5 * std::log(a) - std::log(omega) : -kInfinity) - kWindowSlack,
                                              0.5 * std::log(b) - std::log(omega) + kWindowSlack});
            if (xk.empty() || !gainReachable(gap, omega * omega * std::exp(2 * xk.low), omega * omega * std::exp(2 * xk.high), h))
                return;
            const double low = (w0Low + gap) * (1 - kSquareSlack);
            const double high = (w0High + gap) * (1 + kSquareSlack);
            nearest = std::min(nearest, low > wantedSquare ? std::sqrt(low / wantedSquare) - 1
                                                           : (high < wantedSquare ? 1 - std::sqrt(high / wantedSquare) : 0.0));
            hull.low = std::min(hull.low, xk.low);
            hull.high = std::max(hull.high, xk.high);
        });
        m_zeroStep = nearest < kInfinity ? step(nearest) : kUnreachable;
        m_zeroX = intersect(m_zeroX, {hull.low - kWindowSlack, hull.high + kWindowSlack});
        m_pair = pairSteps(m_y, m_zeroX);
    }

    // TZF (Wo<Wn): whether some R10/R4 from the table brings H = (R10/R4)(1 + gap/w0'^2) within the log
    // tolerance `h`, w0'^2 lying anywhere in [w0Low, w0High]. Yes where there is no table.
    bool gainReachable(double gap, double w0Low, double w0High, Interval h) const
    {
        if (m_gainRatios->empty() || h.empty() || !std::isfinite(h.low) || !std::isfinite(h.high))
            return !h.empty();
        constexpr double kGainSlack = 1e-7;
        const double low = m_lnH + h.low - std::log1p(gap / w0Low) - kGainSlack;
        const double high = m_lnH + h.high - std::log1p(gap / w0High) + kGainSlack;
        const std::size_t at = m_gainRatios->lowerBound(low);
        return at < m_gainRatios->size() && (*m_gainRatios)[at].ln <= high;
    }

    // R4 (= R9) and R10 for a chosen loop (and R8): the gain R10/R9 times gainFactor must meet H.
    void chooseGain(double gainFactor, long long fnStep, int budget)
    {
        if (!m_gainTables) {
            searchGain(gainFactor, fnStep, budget);
            return;
        }
        const Bound node = makeBound({m_foStep, m_qStep, fnStep, m_bestGainStep}, 0);
        budget = budgetBelow(node, budget, 0);
        if (budget < 0)
            return;
        const OptionList& r4 = listOf(Field::R4);
        const OptionList& r10 = listOf(Field::R10);
        if (m_type == FilterType::TzfLow) {
            const Interval t = toleranceFor({m_foStep, m_qStep, fnStep});
            if (t.empty())
                return;
            const double lnTarget = std::log(m_request.H / gainFactor);
            std::size_t at = m_gainRatios->lowerBound(lnTarget + t.low - kWindowSlack);
            const std::size_t end = std::max(at, m_gainRatios->upperBound(lnTarget + t.high + kWindowSlack));
            // The gain error is the circuit's own here too: only the pairs nearest the target can win, and of
            // those the ones adding fewest values with the least spread. Steps from ratios are within a
            // rounding of the evaluation's, so two more steps are let through.
            // Where the errors allowed are wide, the range holds every ratio of the table: each ratio
            // counts towards the clock, or a time limit would wait for thousands of such ranges.
            long long nearest = std::numeric_limits<long long>::max();
            for (std::size_t r = at; r != end && !stop(); ++r)
                nearest = std::min(nearest, step(std::abs(std::expm1((*m_gainRatios)[r].ln - lnTarget))));
            for (; at != end && !stop(); ++at) {
                const OptionPair& ratio = (*m_gainRatios)[at];
                if (step(std::abs(std::expm1(ratio.ln - lnTarget))) > nearest + 2)
                    continue;
                const PartOption& a = r4.options[static_cast<std::size_t>(ratio.second)];
                const PartOption& b = r10.options[static_cast<std::size_t>(ratio.first)];
                const int added = partsAdded(a, b);
                Bound bound = makeBound({m_foStep, m_qStep, fnStep, nearest}, a.spread * m_copies[slot(Field::R4)] + b.spread);
                bound.distinct += added;
                if (added > budget || beaten(bound))
                    continue;
                place(Field::R4, ratio.second);
                place(Field::R10, ratio.first);
                leaf();
                remove(Field::R10);
                remove(Field::R4);
            }
            return;
        }
        // The pair that adds the fewest new values, then the least spread. Pairs reusing all of R4 or of
        // R10 are found through the parts in use; of the others (two new values each, where every option is
        // a single part) the first by spread is the best.
        int best = -1;
        int bestAdded = std::numeric_limits<int>::max();
        const auto consider = [&](int index) {
            const GainPair& g = m_gainPairs[static_cast<std::size_t>(index)];
            const int added = partsAdded(r4.options[static_cast<std::size_t>(g.r4)], r10.options[static_cast<std::size_t>(g.r10)]);
            if (added < bestAdded || (added == bestAdded && g.spread < m_gainPairs[static_cast<std::size_t>(best)].spread)) {
                best = index;
                bestAdded = added;
            }
        };
        for (int id : m_used) {
            for (int index : r4.byFirstPart[static_cast<std::size_t>(id)])
                if (reusesOnly(r4.options[static_cast<std::size_t>(index)]))
                    for (int g : m_gainByR4[static_cast<std::size_t>(index)])
                        consider(g);
            for (int index : r10.byFirstPart[static_cast<std::size_t>(id)])
                if (reusesOnly(r10.options[static_cast<std::size_t>(index)]))
                    for (int g : m_gainByR10[static_cast<std::size_t>(index)])
                        consider(g);
        }
        if (!m_gainSingleParts) {
            // With pairs allowed the table holds hundreds of thousands: each counts towards the clock.
            for (std::size_t g = 0; g < m_gainPairs.size() && !stop(); ++g)
                consider(static_cast<int>(g));
        } else if (bestAdded > 1 && !m_gainPairs.empty()) {
            consider(0);  // by spread, the first of those adding two values
        }
        if (best < 0 || bestAdded > budget)
            return;
        const GainPair& g = m_gainPairs[static_cast<std::size_t>(best)];
        place(Field::R4, g.r4);
        place(Field::R10, g.r10);
        leaf();
        remove(Field::R10);
        remove(Field::R4);
    }

    // TZF: R8 places the zero. wn^2 = d0 + 1/(R8 R2 C1 C2) with R8 from A2, d0 - (R6/R5)/(R8 R2 C1 C2)
    // with R8 from A3 (R9 = R4 in both).
    void searchZero(int budget)
    {
        const double k = chosen(Field::R2).value * chosen(Field::C1).value * chosen(Field::C2).value;
        const double r56 = chosen(Field::R6).value / chosen(Field::R5).value;
        const double wanted = 2 * std::numbers::pi * m_request.fn;
        const bool above = m_info.r8From == OpAmp::A2;
        auto allowed = cachedTolerance([this] { return toleranceFor({m_foStep, m_qStep, m_bestGainStep}); });
        const auto window = [&] {
            const Interval t = allowed();
            if (t.empty())
                return t;
            const double wl = wanted * std::exp(t.low);
            const double wh = wanted * std::exp(t.high);
            if (above)
                return Interval{1 / ((wh * wh - m_d0) * k), wl * wl > m_d0 ? 1 / ((wl * wl - m_d0) * k) : kInfinity};
            return Interval{r56 / ((m_d0 - wl * wl) * k), wh * wh < m_d0 ? r56 / ((m_d0 - wh * wh) * k) : kInfinity};
        };
        const Bound node = makeBound({m_foStep, m_qStep}, stageSpread());
        if (beaten(node))
            return;
        const double wantedSquare = wanted * wanted;
        const double center = above ? 1 / ((wantedSquare - m_d0) * k) : r56 / ((m_d0 - wantedSquare) * k);
        walk(Field::R8, window, node.steps, budget, center, [&](int index) {
            if (stop())
                return false;
            const int added = newParts(option(Field::R8, index));
            place(Field::R8, index);
            const double r8 = option(Field::R8, index).value;
            const double b0 = above ? m_d0 + 1 / (r8 * k) : m_d0 - r56 / (r8 * k);
            if (b0 > 0) {
                const long long fnStep = step(std::abs(std::sqrt(b0) / wanted - 1));
                const int below = budgetBelow(makeBound({m_foStep, m_qStep, fnStep, m_bestGainStep}, 0), budget, added);
                // TZF (Wo<Wn) has its passband at DC: H = (R10/R9) b0/d0.
                if (below >= 0)
                    chooseGain(above ? b0 / m_d0 : 1, fnStep, below);
            }
            remove(Field::R8);
            return true;
        });
    }

    // R4 (= R9) anywhere, R10 = H R4 / gainFactor within the tolerance.
    void searchGain(double gainFactor, long long fnStep, int budget)
    {
        const double ratio = m_request.H / gainFactor;
        const double lnIdeal = std::log(m_space.idealResistor());
        const Bound node = makeBound({m_foStep, m_qStep, fnStep, m_bestGainStep}, 0);
        auto allowed = cachedTolerance([this, fnStep] { return toleranceFor({m_foStep, m_qStep, fnStep}); });
        walk(Field::R4, anywhere, node.steps, budgetBelow(node, budget, 0), 0, [&](int index) {
            if (stop())
                return false;
            const int added = newParts(option(Field::R4, index));
            place(Field::R4, index);
            const double r4 = option(Field::R4, index).value;
            const auto window = [&] {
                const Interval t = allowed();
                return Interval{ratio * r4 * std::exp(t.low), ratio * r4 * std::exp(t.high)};
            };
            const Interval w = window();
            const double r10Spread = w.empty() ? 0 : distance(lnIdeal, {std::log(w.low), std::log(w.high)});
            const Bound b = makeBound({m_foStep, m_qStep, fnStep, m_bestGainStep}, r10Spread);
            walk(Field::R10, window, b.steps, budgetBelow(b, budget, added), ratio * r4, [&](int r10) {
                place(Field::R10, r10);
                leaf();
                remove(Field::R10);
                return !m_cancelled;
            });
            remove(Field::R4);
            return true;
        });
    }

    void leaf()
    {
        ++m_leaves;
        const SectionFigures figures = sectionFigures(sectionTransfer(m_space.components(m_choice), m_type), m_type);
        const Objective objective = m_space.objective(figures, m_distinct, m_space.spread(m_choice));
        if (m_haveBest && compareObjectives(objective, m_best) >= 0)
            return;
        m_best = objective;
        m_bestChoice = m_choice;
        m_haveBest = true;
        m_haveCandidate = true;
        ++m_generation;
        updateWindows();
    }

    const SearchSpace& m_space;
    const SectionRequest& m_request;
    const SearchControl& m_control;
    FilterType m_type;
    const FilterTypeInfo& m_info;

    Candidate m_choice{};
    std::array<int, kElementCount> m_copies{};  // how many layout elements each free element stands for
    std::vector<int> m_usage;                    // per part id, how many chosen options use it
    std::vector<int> m_used;                     // the part ids in use
    mutable std::vector<double> m_reuseValues;   // scratch of collectReuse
    int m_distinct = 0;
    double m_spread = 0;

    std::vector<ChainElement> m_chain;
    PairTable m_ratios;               // R5/R6 looked up together
    std::vector<ChainElement> m_tail;  // R5 and R6 where they are looked up together
    struct GainPair {
        int r4, r10;
        double spread;
    };
    bool m_gainTables = false;
    bool m_gainSingleParts = true;
    std::vector<GainPair> m_gainPairs;               // the pairs of the smallest gain step, by spread
    std::vector<std::vector<int>> m_gainByR4;         // their indices, per R4 option
    std::vector<std::vector<int>> m_gainByR10;        // and per R10 option
    // TZF (Wo<Wn): every R10, R4 by ln(R10/R4); the loop's table where the lists are the same.
    PairTable m_ownGainRatios;
    const PairTable* m_gainRatios = &m_ownGainRatios;
    std::unique_ptr<ZeroPartnerTable> m_zeroPartners;  // TZF (Wo<Wn), unless too large
    bool m_partnersKnown = false;                     // whether its selection holds for these capacitors
    std::size_t m_capacitorsChosenAt = 0;             // the chain level at which C1 and C2 are known
    std::vector<Interval> m_remaining;
    std::vector<double> m_remainingIdeal;
    int m_c1Power = 1;
    double m_lnOmega = 0;
    double m_lnH = 0;
    double m_lnIdealResistor = 0;
    double m_resolution = 0;
    long long m_bestGainStep = 0;

    double m_lnAssigned = 0;
    double m_y = 0;
    std::pair<long long, long long> m_pair{0, 0};
    long long m_inputStep = 0;
    long long m_zeroStep = 0;  // bound on the zero's step once R3 is chosen (TZF (Wn<Wo))
    Interval m_zeroX;          // the x = ln(fo'/fo) for which some R8 can still meet fn, then
    double m_d0 = 0, m_d1 = 0;
    long long m_foStep = 0, m_qStep = 0;

    double m_lnLow = -kInfinity, m_lnHigh = kInfinity;

    struct PairCache {
        long long generation = -1;
        long long gainStep = -1;
        long long zeroStep = -1;
        Interval tolerance;
    };
    mutable PairCache m_pairCache;
    long long m_generation = 0;  // counts the improvements of the best candidate

    bool m_haveBest = false;       // m_best bounds the search: a candidate's, or an assumed one
    bool m_haveCandidate = false;  // m_best and m_bestChoice are a candidate's
    Objective m_best;
    double m_progress = -1;
    bool m_firstOnly = false;      // past the time limit without a candidate: go on until there is one
    Candidate m_bestChoice{};
    long long m_leaves = 0;
    long long m_nodes = 0;
    bool m_cancelled = false;
    bool m_timedOut = false;
    std::optional<std::chrono::steady_clock::time_point> m_deadline;
};

}  // namespace

BranchAndBoundOutcome branchAndBound(const SearchSpace& space, const SearchControl& control)
{
    BranchAndBound search(space, control);
    search.run();
    BranchAndBoundOutcome out;
    out.found = search.found();
    out.cancelled = search.cancelled();
    out.timedOut = search.timedOut();
    out.best = search.best();
    out.candidates = search.candidates();
    return out;
}

}  // namespace torvel::search
