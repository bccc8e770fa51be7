// The analysis command: parameters from components, the type corrections at their boundaries, the ratio
// warnings, the peak-level labels exactly as shown, and the faults.
#include "design/analysis.h"
#include "design/response_formulas.h"
#include "values/engineering_notation.h"
#include "session_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace torvel {
namespace {

using testing_support::SessionTest;

class Analysis : public SessionTest {
protected:
    // A loop of C1 = C2 = 10n and R2 = R3 = R5 = R6 = 10k: w0 = 10000 rad/s (fo = 1591.549 Hz).
    void loop(const char* R1 = "10k", const char* R4 = "10k")
    {
        type({{Field::C1, "10n"}, {Field::C2, "10n"}, {Field::R1, R1}, {Field::R2, "10k"}, {Field::R3, "10k"},
              {Field::R4, R4}, {Field::R5, "10k"}, {Field::R6, "10k"}});
    }
    void summing(const char* R7, const char* R8, const char* R9, const char* R10)
    {
        type({{Field::R7, R7}, {Field::R8, R8}, {Field::R9, R9}, {Field::R10, R10}});
    }
    CommandStatus analyze() { return s.designer.analyze().status; }
    double read(Field field) const { return ParseEngineering(text(field)); }
};

TEST_F(Analysis, LowPassPeakLevels)
{
    type({{Field::R8, "not a number"}});  // hidden for LPF: never read
    loop();
    ASSERT_EQ(analyze(), CommandStatus::Completed);
    EXPECT_EQ(text(Field::H), "  1.0000 ");
    EXPECT_EQ(text(Field::Fo), "  1.5915k");
    EXPECT_EQ(text(Field::Q), "  1.0000 ");
    EXPECT_EQ(label(Label::A1), "A1:0.00dB(1.59kHz)");
    EXPECT_EQ(label(Label::A2), "A2:1.25dB(1.13kHz)");
    EXPECT_EQ(label(Label::A3), "A3:1.25dB(1.13kHz)");
    EXPECT_EQ(label(Label::A4), "");
    EXPECT_EQ(label(Label::Diff), "Δ:1.25dB");
    EXPECT_TRUE(s.panel.messages().empty());
}

TEST_F(Analysis, HighPassPeakLevels)
{
    s.panel.checkRadio(FilterType::Hpf);
    loop();
    summing("10k", "10k", "10k", "10k");
    ASSERT_EQ(analyze(), CommandStatus::Completed);
    EXPECT_EQ(label(Label::A4), "A4:1.25dB(2.25kHz)");
    EXPECT_EQ(label(Label::Diff), "Δ:1.25dB");
}

TEST_F(Analysis, LowQHasNoPeakFrequency)
{
    s.panel.checkRadio(FilterType::Hpf);
    loop("5k", "5k");  // Q = R1 C1 w0 = 0.5
    summing("5k", "10k", "5k", "5k");
    ASSERT_EQ(analyze(), CommandStatus::Completed);
    EXPECT_EQ(label(Label::A2), "A2:6.02dB(0.0Hz)");
    EXPECT_EQ(label(Label::A3), "A3:6.02dB(0.0Hz)");
    EXPECT_EQ(label(Label::A4), "A4:0.00dB(∞Hz)");
}

TEST_F(Analysis, BandPassReportsThreeLevels)
{
    s.panel.checkRadio(FilterType::Bpf);
    loop("20k", "10k");  // Q = 2, gain R1/R4 = 2 at fo
    ASSERT_EQ(analyze(), CommandStatus::Completed);
    EXPECT_EQ(text(Field::H), "  2.0000 ");
    EXPECT_EQ(label(Label::A1), "A1:6.02dB(1.59kHz)");
    EXPECT_EQ(label(Label::A4), "");
}

TEST_F(Analysis, NotchAndAllPassWithEqualSummingGain)
{
    for (FilterType t : {FilterType::Notch, FilterType::Apf}) {
        ModelSession session;
        session.panel.checkRadio(t);
        for (auto [f, v] : {std::pair{Field::C1, "10n"}, {Field::C2, "10n"}, {Field::R1, "10k"}, {Field::R2, "10k"},
                            {Field::R3, "10k"}, {Field::R4, "10k"}, {Field::R5, "10k"}, {Field::R6, "10k"},
                            {Field::R7, t == FilterType::Apf ? "5k" : "10k"}, {Field::R9, "10k"}, {Field::R10, "10k"}})
            session.panel.setFieldText(f, v);
        ASSERT_EQ(session.designer.analyze().status, CommandStatus::Completed);
        EXPECT_TRUE(session.panel.radioChecked(t));
        EXPECT_EQ(session.panel.labelText(Label::A4), "A4:0.00dB(0.00Hz)");
    }
}

// fo = 1000 Hz with C = 10n: R = 1/(2 pi 1000 10n) = 15915.494 ohm.
constexpr const char* kR = "15915.494309189535";
constexpr const char* k2R = "31830.98861837907";

TEST_F(Analysis, TransmissionZeroAboveFo)
{
    // Q = 1; R3/R4 * R9/R8 = 3 puts the zero at w0 * sqrt(3 + 1) = 2 w0.
    s.panel.checkRadio(FilterType::TzfLow);
    type({{Field::C1, "10n"}, {Field::C2, "10n"}, {Field::R1, kR}, {Field::R2, kR}, {Field::R3, kR}, {Field::R4, kR},
          {Field::R5, "10k"}, {Field::R6, "10k"}});
    summing("10k", "3333.3333333333333", "10k", "10k");
    ASSERT_EQ(analyze(), CommandStatus::Completed);
    EXPECT_EQ(text(Field::Fo), "  1.0000k");
    EXPECT_EQ(text(Field::Fn), "  2.0000k");
    EXPECT_EQ(text(Field::H), "  4.0000 ");  // the low-frequency gain R10/R9 (wn/w0)^2
    EXPECT_EQ(label(Label::A4), "A4:12.39dB(534.52Hz)");
}

TEST_F(Analysis, TransmissionZeroBelowFo)
{
    // Q = 2; R3/R4 * R9/R8 = 0.75 puts the zero at w0 * sqrt(1 - 0.75) = w0 / 2.
    s.panel.checkRadio(FilterType::TzfHigh);
    type({{Field::C1, "10n"}, {Field::C2, "10n"}, {Field::R1, k2R}, {Field::R2, kR}, {Field::R3, kR}, {Field::R4, k2R},
          {Field::R5, "10k"}, {Field::R6, "10k"}});
    summing("10k", "6666.666666666667", "10k", "10k");
    ASSERT_EQ(analyze(), CommandStatus::Completed);
    EXPECT_EQ(text(Field::Fn), "500.0000 ");
    EXPECT_EQ(label(Label::A4), "A4:4.26dB(1.12kHz)");
}

struct CorrectionRow {
    const char* name;
    FilterType from;
    const char *R1, *R4, *R7, *R8, *R9;  // with R3 = 10k
    FilterType to;
};

class TypeCorrection : public Analysis, public ::testing::WithParamInterface<CorrectionRow> {};

TEST_P(TypeCorrection, MovesToTheTypeTheComponentsDescribe)
{
    const CorrectionRow& row = GetParam();
    s.panel.checkRadio(row.from);
    loop(row.R1, row.R4);
    summing(row.R7, row.R8, row.R9, "10k");
    EXPECT_EQ(analyze(), CommandStatus::Completed);
    EXPECT_TRUE(s.panel.radioChecked(row.to));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TypeCorrection,
    ::testing::Values(
        // HPF: R3/R4 * R9/R8 below 1 leaves a zero above 0.0001 w0: a TZF (Wn<Wo).
        CorrectionRow{"hpf_ratio_0_9_becomes_tzf_high", FilterType::Hpf, "10k", "10k", "10k", "10k", "9k", FilterType::TzfHigh},
        CorrectionRow{"hpf_ratio_1_stays", FilterType::Hpf, "10k", "10k", "10k", "10k", "10k", FilterType::Hpf},
        // 1 - 1e-9 puts the zero at 3.2e-5 w0, below the threshold.
        CorrectionRow{"hpf_ratio_just_below_1_stays", FilterType::Hpf, "10k", "10k", "10k", "10k", "9999.99999", FilterType::Hpf},
        CorrectionRow{"hpf_ratio_1_1_fails_and_stays", FilterType::Hpf, "10k", "10k", "10k", "10k", "11k", FilterType::Hpf},
        CorrectionRow{"tzf_high_zero_at_dc_becomes_hpf", FilterType::TzfHigh, "10k", "10k", "10k", "10k", "10k", FilterType::Hpf},
        CorrectionRow{"tzf_high_ratio_4_falls_back_to_tzf_low", FilterType::TzfHigh, "10k", "10k", "10k", "10k", "40k", FilterType::TzfLow},
        // Notch: (R1/R4) / (2 R7/R9) strictly inside (0.8, 1.2) is an all-pass.
        CorrectionRow{"notch_with_half_r7_becomes_apf", FilterType::Notch, "10k", "10k", "5k", "", "10k", FilterType::Apf},
        CorrectionRow{"notch_ratio_exactly_0_8_stays", FilterType::Notch, "8", "10", "5", "", "10", FilterType::Notch},
        CorrectionRow{"notch_ratio_exactly_1_2_stays", FilterType::Notch, "12", "10", "5", "", "10", FilterType::Notch},
        CorrectionRow{"apf_with_full_r7_becomes_notch", FilterType::Apf, "10k", "10k", "10k", "", "10k", FilterType::Notch},
        CorrectionRow{"tzf_low_never_corrected", FilterType::TzfLow, "10k", "10k", "10k", "10k", "30k", FilterType::TzfLow}),
    [](const ::testing::TestParamInfo<CorrectionRow>& row) { return std::string(row.param.name); });

TEST_F(Analysis, HighPassBecomingTzfWritesTheZero)
{
    s.panel.checkRadio(FilterType::Hpf);
    type({{Field::Fn, "old"}});
    loop();
    summing("10k", "10k", "9k", "18k");  // R3/R4 * R9/R8 = 0.9: wn = w0 sqrt(0.1)
    ASSERT_EQ(analyze(), CommandStatus::Completed);
    EXPECT_TRUE(s.panel.fieldVisible(Field::Fn));
    EXPECT_NEAR(read(Field::Fn), 1591.549 * std::sqrt(0.1), 0.05);
    EXPECT_EQ(text(Field::H), "  2.0000 ");  // R10/R9
    // The working-type-6 ratio (R1/R4)/(R7/R9) = 0.9 warns; the HPF R8/R9 check does not run.
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"R7/R9 の比が不適切です。"});
}

TEST_F(Analysis, TzfHighBecomingHpfHidesFnAndKeepsItsText)
{
    s.panel.checkRadio(FilterType::TzfHigh);
    type({{Field::Fn, "old"}});
    loop();
    summing("10k", "10k", "10k", "10k");
    ASSERT_EQ(analyze(), CommandStatus::Completed);
    EXPECT_FALSE(s.panel.fieldVisible(Field::Fn));
    EXPECT_EQ(text(Field::Fn), "old");
}

TEST_F(Analysis, FailedZeroOfTzfHighIsComputedAsTzfLow)
{
    s.panel.checkRadio(FilterType::TzfHigh);
    loop();
    summing("10k", "10k", "40k", "10k");  // ratio 4: wn = w0 sqrt(5), H = 5 R10/R9
    ASSERT_EQ(analyze(), CommandStatus::Completed);
    EXPECT_NEAR(read(Field::Fn), 1591.549 * std::sqrt(5.0), 0.05);
    EXPECT_EQ(text(Field::H), "  1.2500 ");  // 5 * 10k/40k
}

TEST_F(Analysis, NaturalFrequencyFollowsTheInverterGain)
{
    // A3 inverts with gain R6/R5, so w0^2 scales with R6/R5: R6 = 2 R5 raises fo by sqrt 2.
    loop();
    type({{Field::R6, "20k"}});
    ASSERT_EQ(analyze(), CommandStatus::Completed);
    EXPECT_NEAR(read(Field::Fo), 1591.549 * std::sqrt(2.0), 0.01);
}

struct WarningRow {
    const char* name;
    const char* series;
    const char* R7;  // with R1 = R4 = R9 = 10k, the R7/R9 ratio is 10k / R7
    bool warns;
};

class RatioWarning : public Analysis, public ::testing::WithParamInterface<WarningRow> {};

TEST_P(RatioWarning, HalfAnESeriesStepIsTheTolerance)
{
    const WarningRow& row = GetParam();
    s.panel.checkRadio(FilterType::Notch);
    s.panel.setComboText(Combo::EvalE1, row.series);
    loop();
    summing(row.R7, "", "10k", "10k");
    ASSERT_EQ(analyze(), CommandStatus::Completed);
    EXPECT_EQ(s.panel.messages().size(), row.warns ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RatioWarning,
    ::testing::Values(
        // E6 and E12 count as E24: T = 10^(1/48) = 1.0491397.
        WarningRow{"e6_ratio_1_05_warns", "6", "9523.8", true},
        WarningRow{"e6_ratio_1_049_silent", "6", "9532.9", false},
        WarningRow{"e24_inverse_ratio_warns", "24", "10500", true},
        WarningRow{"e48_ratio_1_03_warns", "48", "9708.7", true},       // T = 1.0242752
        WarningRow{"e96_ratio_1_011_silent", "96", "9891.2", false},    // T = 1.0120648
        WarningRow{"infinity_counts_as_e192", "∞", "9930", true},        // 1.00705 > 1.0060143
        WarningRow{"e192_ratio_1_005_silent", "192", "9950.2", false}),
    [](const ::testing::TestParamInfo<WarningRow>& row) { return std::string(row.param.name); });

TEST_F(Analysis, HighPassWarnsForBothRatiosInOrder)
{
    s.panel.checkRadio(FilterType::Hpf);
    loop();
    summing("5k", "8k", "10k", "10k");  // (R3/R4)/(R8/R9) = 1.25: the zero formula fails, HPF stays
    ASSERT_EQ(analyze(), CommandStatus::Completed);
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{"R7/R9 の比が不適切です。", "R8/R9 の比が不適切です。"}));
    EXPECT_EQ(label(Label::A1), "A1:0.00dB(1.59kHz)");  // the report follows the warnings
}

TEST(RatioTolerance, IsHalfASeriesStep)
{
    EXPECT_NEAR(ratioTolerance(6).value(), 1.0491397, 1e-7);
    EXPECT_NEAR(ratioTolerance(24).value(), 1.0491397, 1e-7);
    EXPECT_NEAR(ratioTolerance(48).value(), 1.0242752, 1e-7);
    EXPECT_NEAR(ratioTolerance(96).value(), 1.0120648, 1e-7);
    EXPECT_NEAR(ratioTolerance(0).value(), 1.0060143, 1e-7);
}

TEST_F(Analysis, UnreadableComponentStopsBeforeAnyResult)
{
    loop();
    type({{Field::R1, ""}, {Field::R3, "x"}, {Field::H, "old"}});
    s.panel.setLabelText(Label::A2, "old");
    EXPECT_EQ(analyze(), CommandStatus::StoppedAtField);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"\r\n R1: 数値入力エラー"});  // R1's caption has a blank
    EXPECT_EQ(text(Field::H), "old");
    EXPECT_EQ(label(Label::A2), "");
}

TEST_F(Analysis, FaultsKeepWhatWasWrittenBefore)
{
    loop("10k", "0");
    s.panel.setLabelText(Label::A1, "old");
    type({{Field::H, "old"}});
    CommandOutcome outcome = s.designer.analyze();
    EXPECT_EQ(outcome.status, CommandStatus::Fault);  // R4 = 0: H = R3/R4
    EXPECT_EQ(outcome.faultText, "Floating point division by zero.");
    EXPECT_EQ(label(Label::A1), "");
    EXPECT_EQ(text(Field::H), "old");

    type({{Field::C1, "0"}, {Field::R4, "10k"}});
    outcome = s.designer.analyze();
    EXPECT_EQ(outcome.faultText, "Floating point division by zero.");  // w0 = 1/sqrt(0)

    // A negative R1 passes the reading but its logarithm in the report faults after H, fo, Q are written.
    type({{Field::C1, "10n"}, {Field::R1, "-10k"}});
    outcome = s.designer.analyze();
    EXPECT_EQ(outcome.faultText, "Invalid floating point operation.");
    EXPECT_EQ(text(Field::H), "  1.0000 ");
    EXPECT_EQ(label(Label::A1), "");
}

TEST(ResponseFormulas, PeaksOfTheTransmissionZeroResponse)
{
    const struct { double Q, fn, frequency, level; } rows[] = {
        {1, 2000, 534.522, 1.040833},   // r = 4, v = 2/7
        {2, 500, 1118.034, 1.632993},   // v = 1.25
        {5, 100, 1010.359, 4.975952},
        {5, 10000, 989.747, 4.975952},
        {0.5, 100, 1e7, 0.9999999899},  // rises monotonically: "at very high frequency"
        {0.5, 10000, 0, 1},             // falls from DC: the maximum is the DC gain
        {2, 1000, 0, 1},                // the notch
    };
    for (const auto& row : rows) {
        EXPECT_NEAR(TzfPeakFrequency(row.Q, 1000, row.fn).value(), row.frequency, 1e-3) << row.Q << " " << row.fn;
        EXPECT_NEAR(TzfPeakLevel(row.Q, 1000, row.fn).value(), row.level, 1e-6) << row.Q << " " << row.fn;
    }
    EXPECT_THROW(TzfPeakFrequency(1, 1000, 0), FloatFault);
    EXPECT_THROW(TzfPeakFrequency(0, 1000, 2000), FloatFault);
}

TEST(ResponseFormulas, LowPassPeakFactorThreshold)
{
    EXPECT_EQ(LowPassPeakFactor(0.7071).value(), 1);
    EXPECT_EQ(LowPassPeakFactor(0.707106782).value(), 1);
    EXPECT_GT(LowPassPeakFactor(0.70710679).value(), 1);
    EXPECT_NEAR(LowPassPeakFactor(1).value(), 1.1547005, 1e-7);
    EXPECT_THROW(LowPassPeakFactor(std::nan("")), FloatFault);
}

}  // namespace
}  // namespace torvel
