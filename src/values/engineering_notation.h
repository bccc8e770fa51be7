// Component value texts: a fixed-point number with a one-character SI prefix, such as "  4.7000k" as the
// program writes it or "4.7K", "10uF", "1k5" as a designer types it.
//
// Texts are UTF-8. The decimal point is always "." whatever the user's locale: a text the program writes
// must read back to the same value on every machine.
#pragma once

#include <string>
#include <string_view>

namespace torvel {

/// Decimals of the component value texts in the design panel.
inline constexpr int kDisplayDecimals = 4;

/// "%0.<decimals>f" right-aligned with blanks in at least `width` characters (never cut).
/// A value that rounds to zero is written without a minus sign.
std::string FormatFixed(double value, int width, int decimals);

/// The number part (at least width - 1 characters, `decimals` decimals) followed by one prefix character
/// from p n u m (blank) k M G T. The prefix is the largest one whose multiplier does not exceed |value|;
/// a number part that would show 1000 carries into the next prefix, with the threshold
/// 1000 - 0.499 * 10^-decimals. Beyond T the number part grows (1e15 is "1000.0000T").
/// A NaN value is an invalid floating-point operation (FloatFault), as in every ordered comparison.
std::string FormatEngineering(double value, int width, int decimals);

/// The value of a component value text, or NaN when the text cannot be read. Never throws.
///
/// Blanks, control characters at the ends, and every "," and blank inside are ignored. The number part is
/// made of + - . 0-9 E e; the first character after it selects a multiplier (p n u m k M g t, their upper
/// and full-width forms, the Greek mu and the micro sign; "m" is milli and "M" mega); anything after that
/// character is ignored (4.7kΩ, 10uF, 1kHz). A digits-only number whose multiplier letter (or R for a
/// factor of 1) is directly followed by digits reads the letter as the decimal point: 1k5 = 1500,
/// 4R7 = 4.7, 2n2 = 2.2n. A value beyond the range of a double is unreadable (NaN).
double ParseEngineering(std::string_view text);

/// FormatEngineering without padding: "1.2346k" for 1234.56 with four decimals; "-" for a value that is
/// not finite (a table's empty cell).
std::string CompactEngineering(double value, int decimals);

/// CompactEngineering with four decimals, less the zeros at the end: "10k", "8.9661k", "1.5k".
std::string ShortEngineering(double value);

}  // namespace torvel
