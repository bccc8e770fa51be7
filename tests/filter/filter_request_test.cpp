// The filter window's request boxes read as plain texts: every rule names the box it belongs to, the
// boxes a request does not use are not read, and a request turned back into texts reads as itself.
#include "shell/filter/filter_request_form.h"
#include "values/engineering_notation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace torvel::filter {
namespace {

using approx::Approximation;
using approx::ResponseKind;

struct RuleRow {
    const char* name;
    ResponseKind kind;
    Approximation approximation;
    RequestMode mode;
    std::vector<std::pair<RequestBox, const char*>> texts;  // over the defaults
    std::vector<std::pair<RequestBox, const char*>> errors;  // box and a part of its text; none: readable
};

RequestTexts textsOf(const RuleRow& row)
{
    RequestTexts t = defaultRequestTexts({});
    t.kind = row.kind;
    t.approximation = row.approximation;
    t.mode = row.mode;
    std::tie(t[RequestBox::Fp], t[RequestBox::Fs]) = defaultMaskEdges(row.kind);
    for (const auto& [box, text] : row.texts)
        t[box] = text;
    return t;
}

constexpr auto LP = ResponseKind::LowPass, HP = ResponseKind::HighPass, BP = ResponseKind::BandPass, BS = ResponseKind::BandStop;
constexpr auto Order = RequestMode::Order, Mask = RequestMode::Mask;
constexpr auto Butter = Approximation::Butterworth, Cheby = Approximation::Chebyshev, Elliptic = Approximation::Elliptic;

const RuleRow kRules[] = {
    {"defaults_read", LP, Butter, Order, {}, {}},
    {"order_12_is_the_highest", LP, Butter, Order, {{RequestBox::Order, "12"}}, {}},
    {"order_13_refused", LP, Butter, Order, {{RequestBox::Order, "13"}}, {{RequestBox::Order, "1 から 12"}}},
    {"order_0_refused", LP, Butter, Order, {{RequestBox::Order, "0"}}, {{RequestBox::Order, "整数"}}},
    {"order_not_whole", LP, Butter, Order, {{RequestBox::Order, "2.5"}}, {{RequestBox::Order, "整数"}}},
    {"fc_with_prefix_as_decimal_point", LP, Butter, Order, {{RequestBox::Fc, "1k5"}}, {}},
    {"fc_empty", LP, Butter, Order, {{RequestBox::Fc, "  "}}, {{RequestBox::Fc, "値を入れて"}}},
    {"fc_unreadable", LP, Butter, Order, {{RequestBox::Fc, "abc"}}, {{RequestBox::Fc, "読めません"}}},
    {"fc_negative", LP, Butter, Order, {{RequestBox::Fc, "-1k"}}, {{RequestBox::Fc, "0 Hz より高い"}}},
    {"bandwidth_read_for_a_band", BP, Butter, Order, {{RequestBox::Bandwidth, "0"}}, {{RequestBox::Bandwidth, "0 Hz"}}},
    {"bandwidth_not_read_for_low_pass", LP, Butter, Order, {{RequestBox::Bandwidth, "x"}}, {}},
    {"ripple_read_for_chebyshev", LP, Cheby, Order, {{RequestBox::Ripple, "0"}}, {{RequestBox::Ripple, "0 dB"}}},
    {"ripple_not_read_for_butterworth", LP, Butter, Order, {{RequestBox::Ripple, "x"}}, {}},
    {"elliptic_attenuation_above_ripple", LP, Elliptic, Order, {{RequestBox::Ripple, "3"}, {RequestBox::Attenuation, "2"}},
     {{RequestBox::Attenuation, "リプル (3 dB)"}}},
    {"order_boxes_not_read_with_a_mask", LP, Butter, Mask, {{RequestBox::Order, "x"}, {RequestBox::Fc, "x"}}, {}},
    {"low_pass_stopband_below_passband", LP, Butter, Mask, {{RequestBox::Fs, "900"}}, {{RequestBox::Fs, "fp より高く"}}},
    {"high_pass_stopband_above_passband", HP, Butter, Mask, {{RequestBox::Fs, "2k"}}, {{RequestBox::Fs, "fp より低く"}}},
    {"band_needs_two_edges", BP, Butter, Mask, {{RequestBox::Fp, "800"}}, {{RequestBox::Fp, "F1,F2"}}},
    {"band_edges_lower_first", BP, Butter, Mask, {{RequestBox::Fp, "1.25k,800"}}, {{RequestBox::Fp, "低い方"}}},
    {"band_edges_by_ideographic_comma", BP, Butter, Mask, {{RequestBox::Fp, "800、1.25k"}}, {}},
    {"band_edges_by_full_width_comma", BP, Butter, Mask, {{RequestBox::Fp, "800，1.25k"}}, {}},
    {"band_pass_stopband_inside", BP, Butter, Mask, {{RequestBox::Fs, "900,2k"}}, {{RequestBox::Fs, "外側"}}},
    {"band_stop_passband_inside", BS, Butter, Mask, {{RequestBox::Fp, "500,1.1k"}}, {{RequestBox::Fp, "外側"}}},
    {"ap_above_zero", LP, Butter, Mask, {{RequestBox::Ap, "0"}}, {{RequestBox::Ap, "0 dB"}}},
    {"as_above_ap", LP, Butter, Mask, {{RequestBox::Ap, "3"}, {RequestBox::As, "3"}}, {{RequestBox::As, "Ap (3 dB)"}}},
    {"gain_above_zero", LP, Butter, Order, {{RequestBox::Gain, "0"}}, {{RequestBox::Gain, "0 より大きく"}}},
    {"impedance_readable_and_negative", LP, Butter, Order, {{RequestBox::Impedance, "-4.7k"}}, {{RequestBox::Impedance, "0 Ω"}}},
    // As in the calculator: an unreadable impedance is 4.7 kΩ, an unreadable series no rounding.
    {"impedance_unreadable_is_the_default", LP, Butter, Order, {{RequestBox::Impedance, "x"}}, {}},
    {"series_unreadable_is_no_rounding", LP, Butter, Order, {{RequestBox::ResistorSeries, "x"}}, {}},
    {"every_wrong_box_at_once_in_box_order", LP, Butter, Order, {{RequestBox::Gain, "0"}, {RequestBox::Fc, "x"}},
     {{RequestBox::Fc, "読めません"}, {RequestBox::Gain, "0 より大きく"}}},
};

class RequestRules : public ::testing::TestWithParam<RuleRow> {};

TEST_P(RequestRules, ErrorsStandBesideTheirBoxes)
{
    const RuleRow& row = GetParam();
    const RequestReading reading = readRequest(textsOf(row));
    ASSERT_EQ(reading.errors.size(), row.errors.size());
    EXPECT_EQ(reading.request.has_value(), row.errors.empty());
    for (std::size_t k = 0; k < row.errors.size(); ++k) {
        EXPECT_EQ(reading.errors[k].box, row.errors[k].first);
        EXPECT_NE(reading.errors[k].text.find(row.errors[k].second), std::string::npos) << reading.errors[k].text;
    }
}

INSTANTIATE_TEST_SUITE_P(Boxes, RequestRules, ::testing::ValuesIn(kRules),
                         [](const ::testing::TestParamInfo<RuleRow>& row) { return std::string(row.param.name); });

TEST(RequestReading, BandMaskEdgesLandInOrder)
{
    RequestTexts t = textsOf({"", BP, Elliptic, Mask, {{RequestBox::Fp, "800，1k25"}, {RequestBox::Fs, "500,2k"}}, {}});
    const RequestReading reading = readRequest(t);
    ASSERT_TRUE(reading.request);
    const approx::Mask& m = *reading.request->filter.mask;
    EXPECT_EQ(m.passbandEdgeHz, 800);
    EXPECT_EQ(m.passbandUpperEdgeHz, 1250);
    EXPECT_EQ(m.stopbandEdgeHz, 500);
    EXPECT_EQ(m.stopbandUpperEdgeHz, 2000);
    EXPECT_FALSE(reading.request->filter.order);
}

TEST(RequestReading, DefaultMaskEdgesFitTheirKind)
{
    for (ResponseKind kind : kAllResponseKinds) {
        RequestTexts t = textsOf({"", kind, Butter, Mask, {}, {}});
        EXPECT_TRUE(readRequest(t).request) << approx::responseKindName(kind);
    }
}

TEST(RequestDesign, MaskBeyondTheHighestOrderIsAGeneralErrorWithTheLibrarysWords)
{
    const DesignOutcome outcome = designFromTexts(textsOf({"", LP, Butter, Mask, {{RequestBox::Fs, "1.01k"}}, {}}));
    EXPECT_FALSE(outcome.cascade);
    EXPECT_TRUE(outcome.boxErrors.empty());
    EXPECT_NE(outcome.generalError.find("12 次"), std::string::npos);
    EXPECT_NE(outcome.generalError.find("highest order"), std::string::npos) << outcome.generalError;
}

TEST(RequestDesign, TextsOfARequestReadBackAsIt)
{
    for (const RuleRow& row : {RuleRow{"", BS, Elliptic, Mask, {{RequestBox::Fp, "40,60"}, {RequestBox::Fs, "47.5,52.5"}}, {}},
                               RuleRow{"", BP, Cheby, Order, {{RequestBox::Fc, "12.345678k"}, {RequestBox::Bandwidth, "1.5k"}}, {}}}) {
        const RequestReading first = readRequest(textsOf(row));
        ASSERT_TRUE(first.request);
        const RequestTexts again = requestTextsOf(*first.request);
        EXPECT_EQ(again.mode, row.mode);
        const RequestReading second = readRequest(again);
        ASSERT_TRUE(second.request);
        const approx::FilterRequest& a = first.request->filter;
        const approx::FilterRequest& b = second.request->filter;
        // Ten digits: far finer than any value a designer types.
        const auto near = [](double x, double y) { return std::abs(x - y) <= 1e-9 * std::abs(x); };
        EXPECT_EQ(a.order, b.order);
        EXPECT_TRUE(near(a.fcHz, b.fcHz));
        EXPECT_TRUE(near(a.bandwidthHz, b.bandwidthHz));
        EXPECT_EQ(a.mask.has_value(), b.mask.has_value());
        if (a.mask) {
            EXPECT_TRUE(near(a.mask->passbandUpperEdgeHz, b.mask->passbandUpperEdgeHz));
            EXPECT_TRUE(near(a.mask->stopbandEdgeHz, b.mask->stopbandEdgeHz));
        }
        EXPECT_EQ(first.request->parts.impedance, second.request->parts.impedance);
    }
}

struct TextRow {
    double value;
    const char* text;
};

TEST(EngineeringText, ShortestMantissaWithAPrefix)
{
    for (const TextRow& row : {TextRow{12000, "12k"}, {0.0047, "4.7m"}, {1234.5, "1.2345k"}, {0, "0"}, {-2200, "-2.2k"},
                               {100, "100"}, {2.2e-9, "2.2n"}, {1e-13, "0.1p"}, {3e15, "3000T"},
                               // 999.99999999999 shows as 1000 with ten digits: the next prefix.
                               {999.99999999999, "1k"}})
        EXPECT_EQ(engineeringText(row.value), row.text) << row.value;
}

TEST(EngineeringText, ReadsBackWithinTenDigits)
{
    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> exponent(-12, 14);
    for (int i = 0; i < 2000; ++i) {
        const double value = std::pow(10.0, exponent(random));
        const double back = ParseEngineering(engineeringText(value));
        EXPECT_NEAR(back / value, 1, 1e-9) << value << " " << engineeringText(value);
    }
}

}  // namespace
}  // namespace torvel::filter
