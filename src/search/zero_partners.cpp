#include "search/zero_partners.h"

#include <algorithm>

namespace torvel::search {

ZeroPartnerTable::ZeroPartnerTable(const OptionList& r2, const OptionList& r8, std::size_t limit)
{
    if (r2.options.size() * r8.options.size() > limit)
        return;
    m_products = PairTable(r2, r8, PairTable::Combine::Product);
    m_r2.member.assign(r2.options.size(), 0);
}

bool ZeroPartnerTable::select(double lnLow, double lnHigh)
{
    for (int index : m_r2.indices)
        m_r2.member[static_cast<std::size_t>(index)] = 0;
    m_r2.indices.clear();
    m_begin = m_products.lowerBound(lnLow);
    for (m_end = m_begin; m_end < m_products.size() && m_products[m_end].ln <= lnHigh; ++m_end) {
        const auto r2 = static_cast<std::size_t>(m_products[m_end].first);
        if (!m_r2.member[r2]) {
            m_r2.member[r2] = 1;
            m_r2.indices.push_back(m_products[m_end].first);
        }
    }
    std::sort(m_r2.indices.begin(), m_r2.indices.end());
    return !m_r2.indices.empty();
}

}  // namespace torvel::search
