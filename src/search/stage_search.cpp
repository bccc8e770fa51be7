// The input and summing stage below a complete loop, whose fo and Q are then exact: R4 alone where the type
// has no summing amplifier, else R8 where it places a zero and R10 with R4 (= R9) for the gain, each inside
// the window the loop's errors leave; and the leaf, where a complete candidate is judged as the evaluation
// judges it.
#include "search/branch_and_bound_search.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>

namespace torvel::search::detail {

void BranchAndBound::searchStage(int budget)
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

// R4 (= R9) and R10 for a chosen loop (and R8): the gain R10/R9 times gainFactor must meet H.
void BranchAndBound::chooseGain(double gainFactor, long long fnStep, int budget)
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
void BranchAndBound::searchZero(int budget)
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
void BranchAndBound::searchGain(double gainFactor, long long fnStep, int budget)
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

void BranchAndBound::leaf()
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

}  // namespace torvel::search::detail
