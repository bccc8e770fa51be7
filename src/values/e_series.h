// E-series of preferred values (E6 ... E192 and beyond), computed by formula rather than stored.
#pragma once

#include <string>
#include <string_view>

namespace torvel {

/// Largest series size a text can ask for: 6 * 2^28. Doubling once more would leave the 32-bit range,
/// so larger typed sizes stop here.
inline constexpr int kLargestSeriesSize = 6 << 28;

/// The index-th member (index 0 is 1.0, index == size is 10) of the E-series of the given size, in the
/// decade 1 to 10: two significant digits up to E24 (with the corrections that give 2.7, 3.3, 4.7, 8.2 and
/// their E24 neighbours), three above (with 9.2 as the one exception of E192). Any index is allowed.
double SeriesMember(long long index, int size);

/// The member of the series, times the value's power of ten and sign, nearest to the value on a log scale.
/// A value exactly at the geometric mean of two members keeps the member found first. Size 0, zero and
/// non-finite values return the value unchanged. A NaN with a size other than 0 is an invalid operation.
double RoundToSeries(double value, int size);

/// "∞" gives 0 (no rounding); an integer text gives the smallest 6 * 2^k not below it (at most
/// kLargestSeriesSize); any other text gives 0.
int SeriesSizeFromText(std::string_view text);

/// 0 gives "∞"; any other size gives the smallest 6 * 2^k not below it, in decimal digits.
std::string SeriesSizeToText(int size);

}  // namespace torvel
