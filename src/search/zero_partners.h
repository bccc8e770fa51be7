// TZF (Wo<Wn): which R2 and R8 can go together.
//
// With R9 = R4 the zero lies at wn^2 = w0^2 + 1/(R8 R2 C1 C2), so once the capacitors are chosen, R2 R8
// alone sets how far apart wn and w0 lie, whatever R3, R5 and R6 do to w0. The table keeps every R2 R8
// sorted by its product: a window of that product gives the R2 that have a partner in one lookup, and a
// chosen R2 its partners.
#pragma once

#include "search/pair_table.h"
#include "search/search_space.h"

#include <cstddef>
#include <vector>

namespace torvel::search {

/// Some options of an element, by index in the order of value, and whether each option is among them.
struct OptionSubset {
    std::vector<int> indices;
    std::vector<char> member;
};

class ZeroPartnerTable {
public:
    /// Empty where R2 and R8 have more than `limit` pairs: nothing is then ruled out this way.
    ZeroPartnerTable(const OptionList& r2, const OptionList& r8, std::size_t limit);
    bool empty() const { return m_products.empty(); }

    /// Selects the pairs whose ln(R2 R8) lies in [lnLow, lnHigh]; false when there is none.
    bool select(double lnLow, double lnHigh);
    /// The R2 options among the selected pairs.
    const OptionSubset& selectedR2() const { return m_r2; }
    /// Calls each(R8 option index) for every selected pair of the R2 option `r2`.
    template <typename Each>
    void forEachPartner(int r2, Each each) const
    {
        for (std::size_t i = m_begin; i < m_end; ++i)
            if (m_products[i].first == r2)
                each(m_products[i].second);
    }

private:
    PairTable m_products;  // R2 first, R8 second
    OptionSubset m_r2;
    std::size_t m_begin = 0, m_end = 0;  // the selected pairs
};

}  // namespace torvel::search
