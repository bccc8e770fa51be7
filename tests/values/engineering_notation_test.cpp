// Component value texts: exact strings as the panel shows them, every way a designer may type a value,
// and the promise that what the program writes reads back to what it shows.
#include "values/checked_real.h"
#include "values/engineering_notation.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <random>

namespace torvel {
namespace {

struct FormatRow {
    const char* name;
    double value;
    int width, decimals;
    const char* text;  // blanks matter
};

class FormatEngineeringTable : public ::testing::TestWithParam<FormatRow> {};

TEST_P(FormatEngineeringTable, WritesTheExactText)
{
    const FormatRow& row = GetParam();
    EXPECT_EQ(FormatEngineering(row.value, row.width, row.decimals), row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FormatEngineeringTable,
    ::testing::Values(
        FormatRow{"kilo", 4700, 9, 4, "  4.7000k"},
        FormatRow{"nano_three_digits", 1e-7, 9, 4, "100.0000n"},
        FormatRow{"zero_takes_the_blank_prefix", 0, 9, 4, "  0.0000 "},
        FormatRow{"negative_zero_has_no_sign", -0.0, 9, 4, "  0.0000 "},
        FormatRow{"unit_range_ends_in_a_blank", 1.5, 9, 4, "  1.5000 "},
        FormatRow{"sign_stays_on_the_number", -4.7e-9, 9, 4, " -4.7000n"},
        FormatRow{"carry_into_the_next_prefix", 999999.99, 9, 4, "  1.0000M"},
        FormatRow{"below_pico_stays_pico", 1e-15, 9, 4, "  0.0010p"},
        FormatRow{"tiny_negative_rounds_to_unsigned_zero", -1e-20, 9, 4, "  0.0000p"},
        FormatRow{"exactly_1000_is_kilo", 1000, 9, 4, "  1.0000k"},
        FormatRow{"exactly_milli", 0.001, 9, 4, "  1.0000m"},
        FormatRow{"just_below_1000_stays", 999.99, 9, 4, "999.9900 "},
        FormatRow{"above_threshold_carries", 999.99996, 9, 4, "  1.0000k"},
        // 999.99995 < v <= 999.9999501 rounds to 1000.0000 but stays below the 0.499 carry threshold.
        FormatRow{"narrow_band_shows_1000_with_lower_prefix", 999.99995005, 9, 4, "1000.0000 "},
        FormatRow{"peak_label_milli", 0.5, 5, 2, "500.00m"},
        FormatRow{"peak_label_unit", 3.456, 5, 2, "3.46 "},
        FormatRow{"width_zero_has_no_padding", 33e-9, 0, 4, "33.0000n"},
        FormatRow{"tera_is_the_last_prefix", 4.7e12, 9, 4, "  4.7000T"},
        FormatRow{"beyond_tera_the_number_grows", 1e15, 9, 4, "1000.0000T"},
        FormatRow{"far_beyond_tera", 1e18, 9, 4, "1000000.0000T"},
        // A double holds 15 significant digits: the places beyond them show as zeros, not as binary noise
        // that would read back as another value.
        FormatRow{"sixteen_digits_round_to_fifteen", 2.333333333333133e25, 9, 2, "23333333333331.30T"},
        FormatRow{"fifteen_digits_stay", 2.333333333333133e25, 9, 1, "23333333333331.3T"},
        FormatRow{"far_past_precision_zeros", 1e33, 9, 2, "1000000000000000000000.00T"},
        FormatRow{"rounding_to_fifteen_carries", -9.9999999999999999e26, 9, 4, "-1000000000000000.0000T"}),
    [](const ::testing::TestParamInfo<FormatRow>& row) { return std::string(row.param.name); });

TEST(FormatFixed, PadsButNeverCuts)
{
    EXPECT_EQ(FormatFixed(1.5, 6, 2), "  1.50");
    EXPECT_EQ(FormatFixed(-12345.678, 4, 2), "-12345.68");
    EXPECT_EQ(FormatFixed(-0.004, 0, 2), "0.00");  // a value shown as zero carries no sign
    EXPECT_EQ(FormatFixed(123456789012345.678, 0, 2), "123456789012346.00");  // 15 significant digits
}

TEST(FormatEngineering, NaNIsAnInvalidOperation)
{
    EXPECT_THROW(FormatEngineering(std::nan(""), 9, 4), FloatFault);
}

struct ParseRow {
    const char* name;
    const char* text;
    double value;  // NaN: unreadable
};

class ParseEngineeringTable : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ParseEngineeringTable, ReadsTheValue)
{
    const ParseRow& row = GetParam();
    const double value = ParseEngineering(row.text);
    if (std::isnan(row.value))
        EXPECT_TRUE(std::isnan(value)) << row.text << " read as " << value;
    else
        EXPECT_DOUBLE_EQ(value, row.value) << row.text;
}

const double kUnreadable = std::nan("");

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseEngineeringTable,
    ::testing::Values(
        ParseRow{"empty", "", kUnreadable},
        ParseRow{"blanks_only", "   ", kUnreadable},
        ParseRow{"commas_only", ",,,", kUnreadable},
        ParseRow{"prefix_without_number", "k", kUnreadable},
        ParseRow{"kilo_upper", "4.7K", 4700},
        ParseRow{"blanks_anywhere", " 4.7 k ", 4700},
        ParseRow{"tab_and_newline_at_the_ends", "\t4.7k\r\n", 4700},
        ParseRow{"commas_group_digits", "1,000k", 1e6},
        ParseRow{"unit_after_prefix_ignored", "4.7kΩ", 4700},
        ParseRow{"farad_after_micro", "10uF", 1e-5},
        ParseRow{"hertz_after_kilo", "1kHz", 1000},
        ParseRow{"unknown_suffix_leaves_number", "47Ω", 47},
        ParseRow{"greek_mu", "10μ", 1e-5},
        ParseRow{"micro_sign", "10µ", 1e-5},
        ParseRow{"exponent", "1e3", 1000},
        ParseRow{"exponent_then_prefix", "1e3k", 1e6},
        ParseRow{"negative_nano", "-4.7n", -4.7e-9},
        ParseRow{"m_is_milli", "4.7m", 0.0047},
        ParseRow{"M_is_mega", "4.7M", 4.7e6},
        ParseRow{"P_is_pico", "100P", 1e-10},
        ParseRow{"full_width_prefix", "4.7ｋ", 4700},
        ParseRow{"full_width_mega", "2.2Ｍ", 2.2e6},
        ParseRow{"full_width_digits", "４.７ｋ", 4700},
        ParseRow{"leading_point", ".5k", 500},
        ParseRow{"trailing_point", "5.", 5},
        ParseRow{"two_points", "1.2.3", kUnreadable},
        ParseRow{"two_signs", "+-1", kUnreadable},
        ParseRow{"exponent_without_digits", "1e", kUnreadable},
        ParseRow{"beyond_double_range", "1e400", kUnreadable},
        ParseRow{"prefix_pushes_beyond_range", "1e300T", kUnreadable},
        // The letter as decimal point: digits, a multiplier letter (or R) and digits.
        ParseRow{"letter_as_point_kilo", "1k5", 1500},
        ParseRow{"letter_as_point_4k7", "4k7", 4700},
        ParseRow{"letter_as_point_nano", "2n2", 2.2e-9},
        ParseRow{"letter_as_point_R", "4R7", 4.7},
        ParseRow{"letter_as_point_with_unit", "4k7Ω", 4700},
        ParseRow{"letter_as_point_mega", "1M5", 1.5e6},
        ParseRow{"decimal_number_keeps_first_letter_rule", "4.7k5", 4700},
        ParseRow{"R_alone_is_no_prefix", "47R", 47}),
    [](const ::testing::TestParamInfo<ParseRow>& row) { return std::string(row.param.name); });

TEST(ParseEngineering, IgnoresTheLocaleDecimalSeparator)
{
    // A comma locale must neither change how texts read nor how they are written.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "fr_FR.UTF-8")) {
        EXPECT_EQ(FormatEngineering(4700, 9, 4), "  4.7000k");
        EXPECT_DOUBLE_EQ(ParseEngineering("4.7k"), 4700);
    }
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_DOUBLE_EQ(ParseEngineering("4,7k"), 47000);  // "," is always a digit-group separator
}

TEST(EngineeringNotationProperty, WhatIsWrittenReadsBackToWhatIsShown)
{
    std::mt19937_64 random(4700);
    std::uniform_real_distribution<double> exponent(-15, 30);  // far past tera, where precision runs out
    for (int run = 0; run < 50000; ++run) {
        const double value = (run % 2 ? -1 : 1) * std::pow(10.0, exponent(random));
        const int decimals = run % 7;
        const std::string text = FormatEngineering(value, 9, decimals);
        const double back = ParseEngineering(text);
        ASSERT_FALSE(std::isnan(back)) << text;
        // The text rounds to `decimals` places of its prefix, or to 15 significant digits where those are
        // fewer: half a unit of the last place shown is the most it may differ, plus the last bits of the
        // prefix arithmetic.
        const double shownUnit = std::fabs(back) > 0 ? std::fabs(back) / std::fabs(std::stod(text)) : 1e-12;
        const double lastPlace = std::max(std::pow(10.0, -decimals) * shownUnit,
                                          std::pow(10.0, std::floor(std::log10(std::fabs(value))) - 14));
        const double prefixArithmetic = 4 * std::numeric_limits<double>::epsilon() * std::fabs(value);
        ASSERT_LE(std::fabs(back - value), 0.5 * lastPlace * (1 + 1e-9) + prefixArithmetic + 1e-300)
            << value << " -> " << text;
        // Showing what is shown again shows the same value ("0p" and "0 " are both zero).
        ASSERT_EQ(ParseEngineering(FormatEngineering(back, 9, decimals)), back) << value << " -> " << text;
    }
}

TEST(ShortEngineering, DropsTrailingZerosAndWritesNoValueAsADash)
{
    for (const auto& [value, text] : std::initializer_list<std::pair<double, const char*>>{
             {10e3, "10k"}, {8966.1, "8.9661k"}, {1500, "1.5k"}, {100, "100"}, {0.1, "100m"}, {1e6, "1M"},
             {-2200, "-2.2k"}, {std::numeric_limits<double>::infinity(), "-"}})
        EXPECT_EQ(ShortEngineering(value), text) << value;
    EXPECT_EQ(CompactEngineering(1234.56, 4), "1.2346k");
}

}  // namespace
}  // namespace torvel
