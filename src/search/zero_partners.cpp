#include "search/zero_partners.h"

#include <algorithm>

namespace torvel::search {

ZeroPartnerTable::ZeroPartnerTable(const OptionList& r2, const OptionList& r8, std::size_t limit)
{
    if (r2.options.size() * r8.options.size() > limit)
        return;
    m_products.reserve(r2.options.size() * r8.options.size());
    for (std::size_t a = 0; a < r2.options.size(); ++a)
        for (std::size_t b = 0; b < r8.options.size(); ++b)
            m_products.push_back({r2.options[a].lnValue + r8.options[b].lnValue, static_cast<int>(a), static_cast<int>(b)});
    std::sort(m_products.begin(), m_products.end(), [](const Pair& x, const Pair& y) { return x.lnProduct < y.lnProduct; });
    m_r2.member.assign(r2.options.size(), 0);
}

bool ZeroPartnerTable::select(double lnLow, double lnHigh)
{
    for (int index : m_r2.indices)
        m_r2.member[static_cast<std::size_t>(index)] = 0;
    m_r2.indices.clear();
    m_begin = static_cast<std::size_t>(
        std::lower_bound(m_products.begin(), m_products.end(), lnLow, [](const Pair& p, double v) { return p.lnProduct < v; })
        - m_products.begin());
    for (m_end = m_begin; m_end < m_products.size() && m_products[m_end].lnProduct <= lnHigh; ++m_end) {
        const auto r2 = static_cast<std::size_t>(m_products[m_end].r2);
        if (!m_r2.member[r2]) {
            m_r2.member[r2] = 1;
            m_r2.indices.push_back(m_products[m_end].r2);
        }
    }
    std::sort(m_r2.indices.begin(), m_r2.indices.end());
    return !m_r2.indices.empty();
}

}  // namespace torvel::search
