// The run of the search: the passes that assume a best design until one is found, the order in which C1
// is tried, progress and cancellation, and the entry point that hands the outcome back. The levels below C1
// live in the files of their stage (see branch_and_bound_search.h).
#include "search/branch_and_bound.h"

#include "search/branch_and_bound_search.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace torvel::search {
namespace detail {
namespace {

// The largest error every figure is first assumed to reach at best, pass by pass (see run()).
constexpr double kAssumedErrorLevels[] = {0.002, 0.02};

}  // namespace

BranchAndBound::BranchAndBound(const SearchSpace& space, const SearchControl& control)
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
    // buildZeroPartners) whatever R3 does.
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

// Until a first candidate exists nothing bounds the search, and a poor first candidate bounds it
// poorly. So the first passes assume a best design with every error at a small level: only candidates
// at least that good are looked for, under tight windows. A pass that finds one has found the optimum
// (the optimum is at least as good as what it found); one that finds none has shown that no candidate
// reaches that level, and the next pass assumes a larger one, the last none at all.
void BranchAndBound::run()
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

void BranchAndBound::assumeBest(double level)
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

void BranchAndBound::reportProgress(double fraction)
{
    if (m_control.progress && fraction > m_progress) {
        m_progress = fraction;
        m_control.progress(fraction);
    }
}

void BranchAndBound::searchFromC1()
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

}  // namespace detail

BranchAndBoundOutcome branchAndBound(const SearchSpace& space, const SearchControl& control)
{
    detail::BranchAndBound search(space, control);
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
