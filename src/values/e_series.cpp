#include "values/e_series.h"

#include "values/checked_real.h"
#include "values/width_folding.h"

#include <array>
#include <charconv>
#include <cmath>

namespace torvel {
namespace {

// ln 10 as the series formula has always written it, rounded to fourteen decimals. Members are compared
// at a distance of at least 0.0012 from a rounding half, so the last bits of exp never matter.
constexpr double kLn10Series = 2.30258509299405;

// Exact decimal scales for the decades that component values live in; others are computed.
constexpr int kFirstExactDecade = -3;
constexpr std::array<double, 10> kExactDecade = {0.001, 0.01, 0.1, 1, 10, 100, 1000, 10000, 100000, 1000000};

int smallestSeriesSizeNotBelow(long long wanted)
{
    long long n = 6;
    while (n < wanted && n < kLargestSeriesSize)
        n *= 2;
    return static_cast<int>(n);
}

}  // namespace

double SeriesMember(long long index, int size)
{
    const Real r = Real(static_cast<double>(index)) / Real(size);
    Real v = exp(r * Real(kLn10Series));
    if (size > 24) {
        const long long t = roundToInteger(v * Real(100));
        return t == 919 ? 9.2 : static_cast<double>(t) / 100;
    }
    // Two-digit series follow the published values, not the pure geometric ones, in two windows:
    // 3.3, 4.7 (and 2.7, 3.0, 3.6, 3.9, 4.3 of E24) lie above, 8.2 below the rounded geometric value.
    if (r > Real(0.395) && r < Real(0.687))
        v = v + Real(0.1);
    if (r > Real(0.896) && r < Real(0.937))
        v = v - Real(0.1);
    return static_cast<double>(roundToInteger(v * Real(10))) / 10;
}

double RoundToSeries(double value, int size)
{
    if (value == 0.0 || size == 0)
        return value;
    const Real sign = Real(value) < Real(0) ? Real(-1) : Real(1);
    const Real a = abs(Real(value));
    if (std::isinf(a.value()))
        return value;

    Real L = log10(a);
    if (L < Real(0))
        L = L - Real(1);
    const long long d = truncateToInteger(L);
    const Real scale = (d >= kFirstExactDecade && d < kFirstExactDecade + static_cast<long long>(kExactDecade.size()))
        ? Real(kExactDecade[static_cast<std::size_t>(d - kFirstExactDecade)])
        : exp(Real(static_cast<double>(d)) * Real(kLn10Series));
    const Real mantissa = a / scale;

    const long long k = roundToInteger(Real(size) * log10(mantissa));
    const Real m = SeriesMember(k, size);
    Real o;
    Real dir;
    if (mantissa > m) {
        o = SeriesMember(k + 1, size);
        dir = 1;
    } else {
        o = SeriesMember(k - 1, size);
        dir = -1;
    }
    // Is the mantissa beyond the geometric mean sqrt(m * o)?  (m/x)(o/x) - 1 changes sign there.
    const Real t = ((m / mantissa) * o / mantissa - Real(1)) * dir;
    return ((t < Real(0) ? o : m) * sign * scale).value();
}

int SeriesSizeFromText(std::string_view typed)
{
    const std::string folded = foldFullWidth(typed);  // "２４" typed in full-width mode is 24
    std::string_view text = folded;
    if (text == "∞")
        return 0;
    // An integer text: optional blanks, optional sign, decimal digits.
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    long long wanted = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), wanted);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return 0;
    if (wanted > 2147483647LL || wanted < -2147483648LL)
        return 0;  // not a 32-bit integer, so not a series size text
    return smallestSeriesSizeNotBelow(wanted);
}

std::string SeriesSizeToText(int size)
{
    if (size == 0)
        return "∞";
    return std::to_string(smallestSeriesSizeNotBelow(size));
}

}  // namespace torvel
