// Full-width input, as a Japanese input method types it in full-width mode: every kind of value text
// reads as its ASCII form does, and nothing but the full-width forms is touched.
#include "values/e_series.h"
#include "values/engineering_notation.h"
#include "values/width_folding.h"

#include <gtest/gtest.h>

#include <cmath>

namespace torvel {
namespace {

struct WideRow {
    const char* name;
    const char* typed;  // full-width or mixed
    const char* ascii;  // the same text typed in half-width mode
};

class FullWidthValueTable : public ::testing::TestWithParam<WideRow> {};

TEST_P(FullWidthValueTable, ReadsAsItsAsciiForm)
{
    const WideRow& row = GetParam();
    const double wide = ParseEngineering(row.typed);
    const double ascii = ParseEngineering(row.ascii);
    ASSERT_FALSE(std::isnan(ascii)) << "the ASCII row itself must read: " << row.ascii;
    EXPECT_EQ(wide, ascii) << row.typed;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FullWidthValueTable,
    ::testing::Values(
        WideRow{"digits", "１２３", "123"},
        WideRow{"every_digit", "９８７６５４３２１０", "9876543210"},
        WideRow{"decimal_point", "４．７", "4.7"},
        WideRow{"minus_sign", "－１２", "-12"},
        WideRow{"plus_sign", "＋３３", "+33"},
        WideRow{"minus_sign_of_an_input_method", "\u2212１２", "-12"},
        WideRow{"kilo", "４．７ｋ", "4.7k"},
        WideRow{"upper_kilo", "４．７Ｋ", "4.7K"},
        WideRow{"milli_stays_milli", "１０ｍ", "10m"},
        WideRow{"mega_stays_mega", "１０Ｍ", "10M"},
        WideRow{"nano", "３３ｎ", "33n"},
        WideRow{"micro_u", "２２ｕ", "22u"},
        WideRow{"pico", "４７０ｐ", "470p"},
        WideRow{"giga", "１ｇ", "1g"},
        WideRow{"tera", "１Ｔ", "1T"},
        WideRow{"exponent", "１ｅ３", "1e3"},
        WideRow{"upper_exponent_with_sign", "２．２Ｅ－９", "2.2E-9"},
        WideRow{"letter_as_point_kilo", "４ｋ７", "4k7"},
        WideRow{"letter_as_point_r", "４Ｒ７", "4R7"},
        WideRow{"letter_as_point_lower_r", "１ｒ５", "1r5"},
        WideRow{"letter_as_point_nano", "２ｎ２", "2n2"},
        WideRow{"unit_after_prefix", "１０ｕＦ", "10uF"},
        WideRow{"kilohertz", "１ｋＨｚ", "1kHz"},
        WideRow{"thousands_separator", "１，０００", "1,000"},
        WideRow{"ideographic_spaces_around", "\u3000４．７ｋ\u3000", " 4.7k "},
        WideRow{"ideographic_space_inside", "４\u3000７００", "4 700"},
        WideRow{"mixed_widths", "4.７ｋ", "4.7k"},
        WideRow{"squared_microfarad", "１０\u338C", "10\u03BCF"},
        WideRow{"squared_nanofarad", "３３\u338B", "33nF"},
        WideRow{"squared_picofarad", "４７０\u338A", "470pF"},
        WideRow{"squared_kiloohm", "４．７\u33C0", "4.7k"},
        WideRow{"squared_megaohm", "１\u33C1", "1M"},
        WideRow{"squared_hertz", "５０\u3390", "50"},
        WideRow{"squared_kilohertz", "１\u3391", "1k"},
        WideRow{"squared_megahertz", "２\u3392", "2M"}),
    [](const ::testing::TestParamInfo<WideRow>& row) { return std::string(row.param.name); });

TEST(FullWidthValue, UnreadableStaysUnreadable)
{
    for (const char* typed : {"", "\u3000", "ａｂｃ", "－", "．", "１．２．３", "１ｅ", "\u3002５"})
        EXPECT_TRUE(std::isnan(ParseEngineering(typed))) << typed;
}

TEST(FoldFullWidth, FoldsTheFullWidthRangeAndNothingElse)
{
    // The ends of the range: "！" and "～"; the characters just outside it stay.
    EXPECT_EQ(foldFullWidth("\uFF01\uFF5E"), "!~");
    EXPECT_EQ(foldFullWidth("\uFF00\uFF5F"), "\uFF00\uFF5F");
    // Half-width katakana, kanji, the micro sign, Greek mu and ASCII are left alone.
    EXPECT_EQ(foldFullWidth("ｶ抵抗\u00B5\u03BC4.7k"), "ｶ抵抗\u00B5\u03BC4.7k");
    // Ill-formed UTF-8 passes byte for byte: a cut full-width "１" and a stray continuation byte.
    EXPECT_EQ(foldFullWidth(std::string_view("\xEF\xBC", 2)), std::string("\xEF\xBC", 2));
    EXPECT_EQ(foldFullWidth("\x80\xEF\xBC\x91"), "\x80" "1");
    // An overlong three-byte form of "A" is not a character to fold.
    EXPECT_EQ(foldFullWidth("\xE0\x81\x81"), "\xE0\x81\x81");
}

TEST(FullWidthSeriesSize, ReadsAsItsAsciiForm)
{
    EXPECT_EQ(SeriesSizeFromText("２４"), 24);
    EXPECT_EQ(SeriesSizeFromText("\u3000９６\u3000"), 96);
    EXPECT_EQ(SeriesSizeFromText("１００"), 192);
    EXPECT_EQ(SeriesSizeFromText("∞"), 0);
}

}  // namespace
}  // namespace torvel
