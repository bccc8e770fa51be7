// TZF (Wo<Wn): the zero lies at wn^2 = w0^2 + 1/(R8 R2 C1 C2), so once the capacitors are chosen only some
// R2 have an R8 that can place it, and once R2 is chosen its partners bound the zero's error, the shift of w0
// that fo and Q share, and the gain. An R2 without a partner is cut before R3, R5 and R6 are walked below it.
#include "search/branch_and_bound_search.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace torvel::search::detail {

// TZF (Wo<Wn): the R2 R8 that can place the zero are looked up once the capacitors are chosen.
void BranchAndBound::buildZeroPartners()
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
bool BranchAndBound::markZeroPartners()
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
void BranchAndBound::boundZeroByPartners(int r2)
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
bool BranchAndBound::gainReachable(double gap, double w0Low, double w0High, Interval h) const
{
    if (m_gainRatios->empty() || h.empty() || !std::isfinite(h.low) || !std::isfinite(h.high))
        return !h.empty();
    constexpr double kGainSlack = 1e-7;
    const double low = m_lnH + h.low - std::log1p(gap / w0Low) - kGainSlack;
    const double high = m_lnH + h.high - std::log1p(gap / w0High) + kGainSlack;
    const std::size_t at = m_gainRatios->lowerBound(low);
    return at < m_gainRatios->size() && (*m_gainRatios)[at].ln <= high;
}

}  // namespace torvel::search::detail
