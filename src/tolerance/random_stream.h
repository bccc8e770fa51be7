// The random numbers of one Monte Carlo run.
//
// Run i of a seed draws from its own stream, fixed by (seed, i) alone: the stream starts at a hash of
// both and steps as SplitMix64 does (a Weyl sequence through a 64-bit finaliser, which passes the usual
// statistical test batteries). No state is shared between runs, so the runs can be computed in any
// order, on any number of threads, with bit-identical results. The distributions are written out here
// rather than taken from <random>, whose distributions may differ between standard libraries; only
// log, sqrt, cos and sin of the C library are used.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

namespace torvel::tolerance {

/// SplitMix64's finaliser: a bijection of 64-bit words that spreads every input bit over the output.
constexpr std::uint64_t mix64(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

class RunStream {
public:
    RunStream(std::uint64_t seed, std::uint64_t run) : m_state(mix64(seed ^ mix64(run + 0x632BE59BD9B4E019ull))) {}

    std::uint64_t next()
    {
        m_state += 0x9E3779B97F4A7C15ull;
        return mix64(m_state);
    }

    /// Evenly in (-1, 1): the odd multiples of 2^-53, symmetric about 0.
    double symmetric()
    {
        const auto k = static_cast<std::int64_t>(next() >> 11);  // 0 ... 2^53 - 1
        return static_cast<double>(2 * k + 1 - (std::int64_t(1) << 53)) * 0x1p-53;
    }

    /// Standard normal by Box-Muller; each pair of uniforms gives two values, the second kept for the
    /// next call.
    double normal()
    {
        if (m_haveSpare) {
            m_haveSpare = false;
            return m_spare;
        }
        const double u1 = static_cast<double>((next() >> 11) + 1) * 0x1p-53;  // (0, 1]: the logarithm stays finite
        const double u2 = static_cast<double>(next() >> 11) * 0x1p-53;        // [0, 1)
        const double radius = std::sqrt(-2 * std::log(u1));
        const double angle = 2 * std::numbers::pi * u2;
        m_spare = radius * std::sin(angle);
        m_haveSpare = true;
        return radius * std::cos(angle);
    }

private:
    std::uint64_t m_state;
    double m_spare = 0;
    bool m_haveSpare = false;
};

}  // namespace torvel::tolerance
