// The windows the loop's elements must lie in, and the spread the elements still to choose must add. They
// follow from the tolerance fo and Q share and, in the transmission-zero types, from where the zero can still
// lie; every node of the loop asks them again, since a better candidate narrows them.
#include "search/branch_and_bound_search.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace torvel::search::detail {

// The transmission-zero types: with R9 = R4, fn/fo' (fo' realised) is sqrt(1 - R3/R8) with R8 from A3
// and sqrt(1 + (R3/R8)(R5/R6)) with R8 from A2, so R3, R8 and (for the latter) R5/R6 alone fix it. With
// fo' = fo e^x, x inside the loop's window and ln(R5/R6) inside `lnRatio`, fn can err no less than the
// R8 nearest to the wanted ratio allows: |e^z - 1| >= 1 - e^-|z| for the distance z left in ln(fn'/fn).
long long BranchAndBound::zeroStepBound(double r3, Interval lnRatio) const
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
Interval BranchAndBound::zeroWindow(double r3, Interval lnRatio) const
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
Interval BranchAndBound::productWindow() const
{
    const Interval t = pairTolerance();
    const Interval x = intersect(intersect(t, {t.low - m_y, t.high - m_y}), m_zeroX);
    if (x.empty())
        return {kInfinity, -kInfinity};
    return {-2 * m_lnOmega - 2 * x.high, -2 * m_lnOmega - 2 * x.low};
}

// Spread the chain elements from `next` on must add: their product must bring the assigned one into
// the window, and |ln(v1/ideal1)| + ... >= |ln(product / product of ideals)|.
double BranchAndBound::chainSpread(std::size_t next, double lnAssigned) const
{
    if (!chainFollows(next))
        return 0;
    const Interval p = productWindow();
    if (p.empty())
        return 0;
    return distance(m_remainingIdeal[next], {p.low - lnAssigned, p.high - lnAssigned});
}

// Spread the stage must add at least, where its elements are not in the chain.
double BranchAndBound::stageSpread() const
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

}  // namespace torvel::search::detail
