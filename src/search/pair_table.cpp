#include "search/pair_table.h"

#include <algorithm>
#include <cmath>

namespace torvel::search {
namespace {

// About this many pairs per bucket: a lookup then reads one or two cache lines.
constexpr std::size_t kPairsPerBucket = 4;
// Buckets up to this size are put in order by insertion; a larger one (many equal ratios) by std::sort.
constexpr std::size_t kInsertionLimit = 32;

bool byLn(const OptionPair& a, const OptionPair& b) { return a.ln < b.ln; }
bool byLnValue(const PartOption& a, const PartOption& b) { return a.lnValue < b.lnValue; }

}  // namespace

PairTable::PairTable(const OptionList& first, const OptionList& second, Combine combine)
{
    const std::size_t n = first.options.size() * second.options.size();
    if (n == 0)
        return;
    const double sign = combine == Combine::Ratio ? -1 : 1;
    const auto lnOf = [&](std::size_t a, std::size_t b) { return first.options[a].lnValue + sign * second.options[b].lnValue; };
    // Rounded addition never decreases as either term grows, so the extremes over all pairs are those of
    // the lists' extremes.
    const auto [lowA, highA] = std::minmax_element(first.options.begin(), first.options.end(), byLnValue);
    const auto [lowB, highB] = std::minmax_element(second.options.begin(), second.options.end(), byLnValue);
    m_low = lowA->lnValue + sign * (sign > 0 ? lowB : highB)->lnValue;
    const double width = highA->lnValue + sign * (sign > 0 ? highB : lowB)->lnValue - m_low;
    const std::size_t buckets = std::max<std::size_t>(1, n / kPairsPerBucket);
    m_bucketsPerUnit = width > 0 ? static_cast<double>(buckets) / width : 0;

    // Counting sort by bucket, then each bucket in order. bucketOf never decreases as its argument grows,
    // so a lookup computing it again finds its value's bucket among these boundaries however it rounds.
    m_bucketStart.assign(buckets + 1, 0);
    for (std::size_t a = 0; a < first.options.size(); ++a)
        for (std::size_t b = 0; b < second.options.size(); ++b)
            ++m_bucketStart[bucketOf(lnOf(a, b)) + 1];
    for (std::size_t k = 1; k <= buckets; ++k)
        m_bucketStart[k] += m_bucketStart[k - 1];
    std::vector<std::uint32_t> next(m_bucketStart.begin(), m_bucketStart.end() - 1);
    m_pairs = std::make_unique_for_overwrite<OptionPair[]>(n);
    m_size = n;
    for (std::size_t a = 0; a < first.options.size(); ++a)
        for (std::size_t b = 0; b < second.options.size(); ++b) {
            const double ln = lnOf(a, b);
            m_pairs[next[bucketOf(ln)]++] = {ln, static_cast<int>(a), static_cast<int>(b)};
        }
    for (std::size_t k = 0; k < buckets; ++k) {
        OptionPair* const begin = m_pairs.get() + m_bucketStart[k];
        OptionPair* const end = m_pairs.get() + m_bucketStart[k + 1];
        if (static_cast<std::size_t>(end - begin) > kInsertionLimit) {
            std::sort(begin, end, byLn);
            continue;
        }
        for (OptionPair* i = begin; i != end; ++i)
            for (OptionPair* j = i; j != begin && byLn(*j, *(j - 1)); --j)
                std::swap(*j, *(j - 1));
    }
}

std::size_t PairTable::bucketOf(double ln) const
{
    const std::size_t last = m_bucketStart.size() - 2;
    const double at = (ln - m_low) * m_bucketsPerUnit;
    if (!(at >= 1))
        return 0;  // NaN too
    return at >= static_cast<double>(last) ? last : static_cast<std::size_t>(at);  // truncation: the floor
}

// Pairs in buckets before the value's are below it and those in buckets after it above it, so the answer
// lies between the starts of its bucket and of the next.
std::size_t PairTable::lowerBound(double ln) const
{
    if (empty() || !(ln > m_low))
        return 0;
    const std::size_t b = bucketOf(ln);
    const OptionPair* const first = m_pairs.get() + m_bucketStart[b];
    const OptionPair* const last = m_pairs.get() + m_bucketStart[b + 1];
    return static_cast<std::size_t>(
        std::lower_bound(first, last, ln, [](const OptionPair& p, double v) { return p.ln < v; }) - m_pairs.get());
}

std::size_t PairTable::upperBound(double ln) const
{
    if (empty() || std::isnan(ln))
        return m_size;  // as std::upper_bound: NaN is below nothing
    if (ln < m_low)
        return 0;
    const std::size_t b = bucketOf(ln);
    const OptionPair* const first = m_pairs.get() + m_bucketStart[b];
    const OptionPair* const last = m_pairs.get() + m_bucketStart[b + 1];
    return static_cast<std::size_t>(
        std::upper_bound(first, last, ln, [](double v, const OptionPair& p) { return v < p.ln; }) - m_pairs.get());
}

}  // namespace torvel::search
