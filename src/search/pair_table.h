// Every pair of options from two lists, sorted by the logarithm of their ratio or of their product, for
// the searches that choose two elements by what they make together: R5 and R6 by R5/R6 in the loop, R10 and
// R4 by R10/R4 in the summing stage, R2 and R8 by R2 R8 where the zero lies above w0.
//
// The searches look values up in these tables at nearly every node, and a table holds every pair (some
// 80,000 for E96 resistors over three decades): a binary search over it is a chain of cache misses. So the
// table is laid out in equal-width buckets of ln: it is sorted by placing each pair in its bucket (no
// comparison sort of the whole table), and a lookup searches one bucket.
#pragma once

#include "search/search_space.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace torvel::search {

// Left uninitialised by design: a table of tens of thousands is written once, in bucket order.
struct OptionPair {
    double ln;    // ln(first / second) or ln(first * second)
    int first;    // option indices into the two lists
    int second;
};

class PairTable {
public:
    enum class Combine { Ratio, Product };

    PairTable() = default;
    PairTable(const OptionList& first, const OptionList& second, Combine combine);

    bool empty() const { return m_size == 0; }
    std::size_t size() const { return m_size; }
    const OptionPair& operator[](std::size_t i) const { return m_pairs[i]; }
    const OptionPair& front() const { return m_pairs[0]; }
    const OptionPair& back() const { return m_pairs[m_size - 1]; }

    /// The index of the first pair whose ln is not below `ln`, as std::lower_bound over the table would
    /// answer it (NaN: 0).
    std::size_t lowerBound(double ln) const;
    /// The index of the first pair whose ln is above `ln`, as std::upper_bound would answer it (NaN: size()).
    std::size_t upperBound(double ln) const;

private:
    std::size_t bucketOf(double ln) const;

    std::unique_ptr<OptionPair[]> m_pairs;
    std::size_t m_size = 0;
    std::vector<std::uint32_t> m_bucketStart;  // per bucket, its first pair; one more entry at the end
    double m_low = 0;
    double m_bucketsPerUnit = 0;
};

}  // namespace torvel::search
