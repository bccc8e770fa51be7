// The loop that sets fo and Q: R1 outward from the value that gives Q with the chosen C1, then the chain of
// w0 element by element (R5 with R6 from their ratio table where it is small enough), then the R5 that only
// breaks ties. Once the loop is complete its fo and Q are exact, and the stage is searched below it.
#include "search/branch_and_bound_search.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace torvel::search::detail {

void BranchAndBound::searchR1()
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
BranchAndBound::Bound BranchAndBound::loopBound(std::size_t next) const
{
    const long long h = m_info.hasA4 ? m_bestGainStep : m_inputStep;
    return makeBound({m_pair.first, m_pair.second, h, m_zeroStep}, chainSpread(next, m_lnAssigned) + stageSpread());
}

void BranchAndBound::searchChain(std::size_t i, int budget)
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
void BranchAndBound::searchRatios(int budget)
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
void BranchAndBound::searchRatioWindow(int budget, Window window)
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
void BranchAndBound::loopComplete(int budget)
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
void BranchAndBound::computeLoop()
{
    const bool r5Chosen = m_choice[slot(Field::R5)] >= 0;
    const LoopFigures f = loopFigures(r5Chosen ? chosen(Field::R5).value : 1, r5Chosen ? chosen(Field::R6).value : 1);
    m_d0 = f.d0;
    m_d1 = f.d1;
    m_foStep = f.foStep;
    m_qStep = f.qStep;
}

// The loop's figures for R5 and R6 of these values, the rest of it chosen.
BranchAndBound::LoopFigures BranchAndBound::loopFigures(double r5, double r6) const
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

BranchAndBound::Bound BranchAndBound::loopFiguresBound()
{
    computeLoop();
    const long long h = m_info.hasA4 ? m_bestGainStep : m_inputStep;
    return makeBound({m_foStep, m_qStep, h}, stageSpread());
}

}  // namespace torvel::search::detail
