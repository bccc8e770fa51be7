#include "values/engineering_notation.h"

#include "values/checked_real.h"
#include "values/utf8.h"
#include "values/width_folding.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace torvel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Output prefixes, positions 1 to 9 of the prefix table (index 0 unused).
constexpr std::array<double, 10> kPrefixMultiplier = {0, 1e-12, 1e-9, 1e-6, 1e-3, 1, 1e3, 1e6, 1e9, 1e12};
constexpr std::array<char, 10> kPrefixChar = {0, 'p', 'n', 'u', 'm', ' ', 'k', 'M', 'G', 'T'};
constexpr int kUnitPosition = 5;
constexpr int kLastPosition = 9;

// ln 10, used for 10^-decimals as exp(-decimals * ln 10).
constexpr double kLn10 = 2.302585092994046;

}  // namespace

namespace {

// A double carries 15 significant decimal digits whatever its size: a text of at most 15 reads back to a
// double that shows as the same text again, even after the prefix's scaling on the way in and out. More
// digits would show the double's binary noise, and the display would stop being a fixed point.
constexpr int kSignificantDigits = 15;

int significantDigits(std::string_view fixedText)
{
    const std::size_t first = fixedText.find_first_of("123456789");
    if (first == std::string_view::npos)
        return 0;
    int count = 0;
    for (std::size_t i = first; i < fixedText.size(); ++i)
        count += fixedText[i] >= '0' && fixedText[i] <= '9';
    return count;
}

// `value` in fixed notation with `decimals` decimals, rounded to kSignificantDigits significant digits:
// the places below the last significant one are written as zeros.
std::string fixedWithSignificantDigits(double value, int decimals)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific,
                                      kSignificantDigits - 1);
    const std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));
    std::string mantissa;
    for (char c : scientific.substr(0, scientific.find('e')))
        if (c != '.')
            mantissa.push_back(c);
    int exponent = 0;
    const std::string_view exponentText = scientific.substr(scientific.find('e') + 1);
    std::from_chars(exponentText.data() + (exponentText.front() == '+' ? 1 : 0),
                    exponentText.data() + exponentText.size(), exponent);

    // The digit at each power of ten from the highest integer place down to the last decimal.
    const auto digitAt = [&](int power) {
        const int index = exponent - power;
        return index >= 0 && index < static_cast<int>(mantissa.size()) ? mantissa[static_cast<std::size_t>(index)] : '0';
    };
    std::string text = std::signbit(value) ? "-" : "";
    for (int power = std::max(exponent, 0); power >= 0; --power)
        text.push_back(digitAt(power));
    if (decimals > 0) {
        text.push_back('.');
        for (int power = -1; power >= -decimals; --power)
            text.push_back(digitAt(power));
    }
    return text;
}

}  // namespace

std::string FormatFixed(double value, int width, int decimals)
{
    // std::to_chars is locale-independent and rounds exact decimal ties to even.
    std::vector<char> buffer(static_cast<std::size_t>(340 + std::max(decimals, 0)));
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, std::max(decimals, 0));
    std::string text(buffer.data(), result.ptr);
    if (std::isfinite(value) && significantDigits(text) > kSignificantDigits)
        text = fixedWithSignificantDigits(value, std::max(decimals, 0));

    // "-0.00" would claim a sign for a value the text shows as zero.
    if (!text.empty() && text.front() == '-'
        && text.find_first_not_of("0.", 1) == std::string::npos)
        text.erase(0, 1);

    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

std::string FormatEngineering(double value, int width, int decimals)
{
    const Real magnitude = abs(Real(value));
    int k = kUnitPosition;
    if (!(value == 0.0)) {
        k = 1;
        while (k < kLastPosition && magnitude >= Real(kPrefixMultiplier[k + 1]))
            ++k;
    }
    const Real carryThreshold = Real(1000) - Real(0.499) * exp(Real(-decimals) * Real(kLn10));
    if (k < kLastPosition && magnitude / Real(kPrefixMultiplier[k]) > carryThreshold)
        ++k;

    const double scaled = value / kPrefixMultiplier[k];
    std::string text = FormatFixed(scaled, width - 1, decimals);
    text.push_back(kPrefixChar[k]);
    return text;
}

namespace {

// Scale of the input suffixes, by row of the suffix lists: negative entries divide by the power of ten,
// positive ones multiply, so "33n" is 33 / 1e9, the double nearest 33e-9 (1e-9 itself is not exact).
constexpr std::array<double, 8> kSuffixRow = {-1e12, -1e9, -1e6, -1e3, 1e3, 1e6, 1e9, 1e12};
constexpr std::u32string_view kAsciiSuffixes = U"pnumkMgtPNUmKMGT";
constexpr std::u32string_view kWideSuffixes = U"ｐｎｕｍｋＭｇｔＰＮＵｍＫＭＧＴＰＮμｍＫＭＧＴ";
constexpr char32_t kMicroSign = U'\u00B5';

bool isNumeric(char32_t c)
{
    return c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 'E' || c == 'e';
}

bool isDigit(char32_t c) { return c >= '0' && c <= '9'; }

std::u32string_view trim(std::u32string_view s)
{
    while (!s.empty() && s.front() <= 0x20)
        s.remove_prefix(1);
    while (!s.empty() && s.back() <= 0x20)
        s.remove_suffix(1);
    return s;
}

// The scale a suffix character stands for: a row of the suffix table, the micro sign, or nothing.
std::optional<double> suffixMultiplier(char32_t c)
{
    if (auto q = kAsciiSuffixes.find(c); q != std::u32string_view::npos)
        return kSuffixRow[q % 8];
    if (auto q = kWideSuffixes.find(c); q != std::u32string_view::npos)
        return kSuffixRow[q % 8];
    if (c == kMicroSign)  // what most keyboards type for micro
        return -1e6;
    return std::nullopt;
}

// The number part grammar: optional sign, digits with an optional point (at least one digit), optional
// exponent with optional sign and at least one digit. Returns NaN for anything else or out of range.
double convertNumber(std::u32string_view part)
{
    std::string ascii;
    ascii.reserve(part.size());
    for (char32_t c : part)
        ascii.push_back(static_cast<char>(c));  // every character is in the numeric set here

    std::size_t i = 0;
    bool negative = false;
    if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-'))
        negative = ascii[i++] == '-';
    const std::size_t mantissaStart = i;
    std::size_t digits = 0;
    bool point = false;
    for (; i < ascii.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(ascii[i])))
            ++digits;
        else if (ascii[i] == '.' && !point)
            point = true;
        else
            break;
    }
    if (digits == 0)
        return kNaN;
    if (i < ascii.size() && (ascii[i] == 'e' || ascii[i] == 'E')) {
        ++i;
        if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-'))
            ++i;
        std::size_t expDigits = 0;
        while (i < ascii.size() && std::isdigit(static_cast<unsigned char>(ascii[i])))
            ++i, ++expDigits;
        if (expDigits == 0)
            return kNaN;
    }
    if (i != ascii.size())
        return kNaN;

    double value = 0;
    const char* first = ascii.data() + mantissaStart;
    const char* last = ascii.data() + ascii.size();
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last)
        return kNaN;  // includes values beyond the range of a double
    return negative ? -value : value;
}

double applyMultiplier(double number, double scale)
{
    const double value = scale < 0 ? number / -scale : number * scale;
    return std::isfinite(value) ? value : kNaN;
}

// "1k5", "4R7", "2n2": the letter stands where the decimal point would be.
std::optional<double> readLetterAsPoint(std::u32string_view number, std::u32string_view suffix)
{
    if (number.empty() || suffix.size() < 2 || !isDigit(suffix[1]))
        return std::nullopt;
    for (char32_t c : number)
        if (!isDigit(c))
            return std::nullopt;
    std::optional<double> multiplier = suffixMultiplier(suffix[0]);
    if (!multiplier && (suffix[0] == 'R' || suffix[0] == 'r'))
        multiplier = 1.0;
    if (!multiplier)
        return std::nullopt;

    std::u32string decimal(number);
    decimal.push_back('.');
    for (std::size_t i = 1; i < suffix.size() && isDigit(suffix[i]); ++i)
        decimal.push_back(suffix[i]);
    return applyMultiplier(convertNumber(decimal), *multiplier);
}

}  // namespace

double ParseEngineering(std::string_view utf8)
{
    const std::u32string decoded = decodeUtf8(foldFullWidth(utf8));  // what full-width input means
    std::u32string text;
    text.reserve(decoded.size());
    for (char32_t c : trim(decoded))
        if (c != ',' && c != ' ')
            text.push_back(c);
    if (text.empty())
        return kNaN;

    std::size_t split = 0;
    while (split < text.size() && isNumeric(text[split]))
        ++split;
    const std::u32string_view all(text);
    const std::u32string_view number = trim(all.substr(0, split));
    const std::u32string_view suffix = trim(all.substr(split));

    if (auto rkm = readLetterAsPoint(number, suffix))
        return *rkm;

    const double value = convertNumber(number);
    if (std::isnan(value) || suffix.empty())
        return value;
    const std::optional<double> multiplier = suffixMultiplier(suffix.front());
    return multiplier ? applyMultiplier(value, *multiplier) : value;
}

std::string CompactEngineering(double value, int decimals)
{
    if (!std::isfinite(value))
        return "-";
    const std::string text = FormatEngineering(value, 0, decimals);
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::string ShortEngineering(double value)
{
    std::string text = CompactEngineering(value, 4);
    const std::size_t point = text.find('.');
    if (point == std::string::npos)
        return text;
    std::size_t end = point + 1;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9')
        ++end;
    std::size_t keep = end;
    while (keep > point + 1 && text[keep - 1] == '0')
        --keep;
    if (keep == point + 1)
        keep = point;
    return text.substr(0, keep) + text.substr(end);
}

}  // namespace torvel
