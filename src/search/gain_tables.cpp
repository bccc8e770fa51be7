// The pairs R10 and R4 for the summing stage's gain, listed once before the search, since every complete
// loop asks for them: where the gain error is a figure of its own only the pairs of its smallest step can
// win, listed by spread; in TZF (Wo<Wn) the gain depends on the zero, and every pair is kept by its ratio.
#include "search/branch_and_bound_search.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

namespace torvel::search::detail {

void BranchAndBound::buildGainTables()
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

}  // namespace torvel::search::detail
