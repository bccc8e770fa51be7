#include "values/width_folding.h"

#include <optional>

namespace torvel {
namespace {

// Full-width "！" to "～" lie at a fixed distance above "!" to "~".
constexpr char32_t kFullWidthFirst = 0xFF01;
constexpr char32_t kFullWidthLast = 0xFF5E;
constexpr char32_t kFullWidthOffset = 0xFEE0;
constexpr char32_t kIdeographicSpace = 0x3000;
constexpr char32_t kMinusSign = 0x2212;

struct SquaredUnit {
    char32_t sign;
    std::string_view letters;
};

constexpr SquaredUnit kSquaredUnits[] = {
    {0x338A, "pF"}, {0x338B, "nF"}, {0x338C, "\u03BCF"}, {0x33C0, "k\u03A9"}, {0x33C1, "M\u03A9"},
    {0x3390, "Hz"}, {0x3391, "kHz"}, {0x3392, "MHz"}, {0x3393, "GHz"}, {0x3394, "THz"},
};

// Every character folded here takes three bytes in UTF-8 (U+0800 to U+FFFF): the code point of a
// well-formed three-byte sequence at `at`, if there is one.
std::optional<char32_t> threeByteCharacter(std::string_view text, std::size_t at)
{
    if (at + 3 > text.size())
        return std::nullopt;
    const auto b0 = static_cast<unsigned char>(text[at]);
    const auto b1 = static_cast<unsigned char>(text[at + 1]);
    const auto b2 = static_cast<unsigned char>(text[at + 2]);
    if ((b0 & 0xF0) != 0xE0 || (b1 & 0xC0) != 0x80 || (b2 & 0xC0) != 0x80)
        return std::nullopt;
    const char32_t c = (char32_t{b0 & 0x0Fu} << 12) | (char32_t{b1 & 0x3Fu} << 6) | char32_t{b2 & 0x3Fu};
    return c >= 0x800 ? std::optional<char32_t>(c) : std::nullopt;  // shorter forms are ill-formed
}

// Appends the folded form of `c` to `out`; false when `c` is not one of the folded characters.
bool appendFolded(char32_t c, std::string& out)
{
    if (c >= kFullWidthFirst && c <= kFullWidthLast) {
        out.push_back(static_cast<char>(c - kFullWidthOffset));
        return true;
    }
    if (c == kIdeographicSpace || c == kMinusSign) {
        out.push_back(c == kMinusSign ? '-' : ' ');
        return true;
    }
    for (const SquaredUnit& unit : kSquaredUnits) {
        if (unit.sign == c) {
            out += unit.letters;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string foldFullWidth(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::optional<char32_t> c = threeByteCharacter(utf8, i);
        if (c && appendFolded(*c, out)) {
            i += 3;
        } else {
            out.push_back(utf8[i]);
            ++i;
        }
    }
    return out;
}

}  // namespace torvel
