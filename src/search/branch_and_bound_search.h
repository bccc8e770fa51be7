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
//
// One class holds the state of the current branch, and its methods are defined by stage in files of their
// own, each short enough to read at once: the run and its passes (branch_and_bound.cpp), tolerances, bounds
// and budgets (search_bounds.cpp), the loop (loop_search.cpp, its windows in loop_windows.cpp, the new part
// values its chain needs in chain_reuse.cpp), and the input and summing stage (stage_search.cpp, with the
// gain pairs in gain_tables.cpp and the bounds of the zero from R2 R8 in zero_partner_bounds.cpp). Only
// those files include this header.
#pragma once

#include "search/pair_table.h"
#include "search/search_space.h"
#include "search/zero_partners.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace torvel::search::detail {

inline constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Windows are widened and bounds lowered by these relative amounts, so that rounding in the bounds can
// never cut off a candidate that the exact evaluation would accept.
inline constexpr double kWindowSlack = 1e-9;
inline constexpr double kBoundSlack = 1e-9;
// R5/R6 are looked up together in a table of their ratios while it has at most this many entries.
inline constexpr std::size_t kRatioTableLimit = 4'000'000;
// Cancellation is looked at after this many nodes.
inline constexpr long long kCancelInterval = 4096;
// The most elements the chain of w0 can have after C1: C2, R3, R2, R5, R6.
inline constexpr std::size_t kMaxChainElements = 5;
// The most part values a candidate can use: two parts for each element.
inline constexpr std::size_t kMaxParts = 2 * kElementCount;
// A budget of new part values that does not limit anything.
inline constexpr int kUnlimited = 1000;
// The step of an error that no choice below can bring into range.
inline constexpr long long kUnreachable = std::numeric_limits<long long>::max() / 4;

struct Interval {
    double low = -kInfinity;
    double high = kInfinity;
    bool empty() const { return !(low <= high); }
};

// The window of an element that no error depends on.
inline Interval anywhere() { return {0, kInfinity}; }

inline Interval intersect(Interval a, Interval b) { return {std::max(a.low, b.low), std::min(a.high, b.high)}; }

inline double distance(double x, Interval i) { return x < i.low ? i.low - x : (x > i.high ? x - i.high : 0); }

using Steps = std::array<long long, Objective::kMaxErrors>;

inline int compareSteps(const Steps& a, const Steps& b)
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
    BranchAndBound(const SearchSpace& space, const SearchControl& control);

    // It points into itself (the gain's table may be the loop's).
    BranchAndBound(const BranchAndBound&) = delete;
    BranchAndBound& operator=(const BranchAndBound&) = delete;

    void run();

    bool cancelRequested() const { return m_control.cancel && m_control.cancel->load(std::memory_order_relaxed); }

    void assumeBest(double level);
    void reportProgress(double fraction);
    void searchFromC1();

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

    // ---- bounds: tolerances, the steps the loop and the stage can reach, budgets (search_bounds.cpp) ----

    long long step(double error) const { return m_space.step(error * (1 - kBoundSlack)); }

    void updateWindows();
    Interval tolerance() const { return {m_lnLow, m_lnHigh}; }
    Interval toleranceFor(std::initializer_list<long long> known) const;

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

    Interval pairTolerance() const;
    std::pair<long long, long long> pairSteps(double y, Interval allowed = {-kInfinity, kInfinity}) const;
    long long bestPairStep(double c1) const;
    long long bestGainStep() const;
    long long nearestInputStep(double numerator) const;

    struct Bound {
        Steps steps{};
        int distinct = 0;
        double spread = 0;
    };

    Bound makeBound(std::initializer_list<long long> known, double extraSpread) const;
    bool beaten(const Bound& b) const;

    // Whether a bound on the errors equals the best candidate's errors, so that ties decide.
    bool errorsTight(const Steps& steps) const { return m_haveBest && compareSteps(steps, m_best.steps) == 0; }

    int budgetBelow(const Bound& b, int budget, int added) const;
    int admit(Bound b, int budget, int added, bool chainFollows, std::size_t next) const;
    bool sideExhausted(bool tight, const PartOption& o, int copies) const;

    // ---- walking the options of one element (below the class, since the loop and the stage both walk) ----

    template <typename Window, typename Visit>
    void walk(Field field, Window window, const Steps& nodeSteps, int budget, double center, Visit visit,
              const OptionSubset* subset = nullptr);

    // ---- the loop (loop_search.cpp; its windows and spreads in loop_windows.cpp, the new part values its
    // chain needs in chain_reuse.cpp) ----

    void searchR1();
    Bound loopBound(std::size_t next) const;
    long long zeroStepBound(double r3, Interval lnRatio) const;
    Interval zeroWindow(double r3, Interval lnRatio) const;
    Interval productWindow() const;
    bool chainFollows(std::size_t next) const { return next < m_chain.size() || !m_ratios.empty(); }
    double chainSpread(std::size_t next, double lnAssigned) const;
    double stageSpread() const;

    // The chain elements from some level on, each with the exponent-weighted log values of its options made
    // of used parts only (in m_reuseValues, from start[k] to start[k + 1]). Kept in place, since every node
    // of the chain asks.
    struct ReuseLists {
        std::array<ChainElement, kMaxChainElements> elements{};
        std::array<std::size_t, kMaxChainElements + 1> start{};
        std::size_t count = 0;
    };

    void collectReuse(std::size_t next, ReuseLists& lists) const;
    template <typename Each>
    bool forEachReuse(const ReuseLists& lists, unsigned mask, Each each) const;
    int chainNewNeeded(std::size_t next, double lnAssigned, int upTo) const;
    int ratioNewNeeded(Interval need) const;
    void searchChain(std::size_t i, int budget);
    void searchRatios(int budget);
    template <typename Window>
    void searchRatioWindow(int budget, Window window);
    void loopComplete(int budget);
    void computeLoop();

    struct LoopFigures {
        double d0 = 0, d1 = 0;
        long long foStep = 0, qStep = 0;
    };
    LoopFigures loopFigures(double r5, double r6) const;
    Bound loopFiguresBound();

    // ---- the input and summing stage (stage_search.cpp) ----

    void searchStage(int budget);

    // ---- the gain of the summing stage, R10/R9 with R9 = R4 (the tables in gain_tables.cpp, the R2 R8 that
    // can place the zero in zero_partner_bounds.cpp, the choice in stage_search.cpp) ----

    void buildGainTables();
    void buildZeroPartners();
    bool markZeroPartners();
    void boundZeroByPartners(int r2);
    bool gainReachable(double gap, double w0Low, double w0High, Interval h) const;
    void chooseGain(double gainFactor, long long fnStep, int budget);
    void searchZero(int budget);
    void searchGain(double gainFactor, long long fnStep, int budget);

    void leaf();

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

// ---- walking the options of one element ----

// Calls visit(index) for the options of `field` whose value lies in window() (asked again at every
// step, since a better candidate narrows it) and that add at most `budget` new part values: first
// those made only of parts already used, then the others outward from the ideal value, ending a side
// once it can no longer win a tie on the errors `nodeSteps` bound. Until a first candidate exists the
// walk starts at `center` instead, the value the errors want, so that the first candidate is good.
// Stops once visit returns false. With a `subset`, only its options are walked.
template <typename Window, typename Visit>
void BranchAndBound::walk(Field field, Window window, const Steps& nodeSteps, int budget, double center, Visit visit,
                          const OptionSubset* subset)
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

}  // namespace torvel::search::detail
