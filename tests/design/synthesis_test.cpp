// The synthesis command through the in-memory panel: the worked designs with their exact field texts,
// the automatic type switch, what an unreadable field or a fault leaves behind.
#include "design/filter_types.h"
#include "design/reading.h"
#include "session_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace torvel {
namespace {

using testing_support::SessionTest;

struct DesignRow {
    const char* name;
    FilterType type;
    const char *H, *fo, *Q, *fn, *Z;
    std::map<Field, std::string> expected;  // texts of the written fields, blanks included
};

class WorkedDesign : public SessionTest, public ::testing::WithParamInterface<DesignRow> {};

TEST_P(WorkedDesign, WritesTheRoundedElements)
{
    const DesignRow& row = GetParam();
    s.panel.checkRadio(row.type);
    type({{Field::H, row.H}, {Field::Fo, row.fo}, {Field::Q, row.Q}, {Field::Fn, row.fn}, {Field::Zval, row.Z}});
    EXPECT_EQ(s.designer.synthesize().status, CommandStatus::Completed);
    for (const auto& [field, expected] : row.expected)
        EXPECT_EQ(text(field), expected) << fieldInfo(field).key;
    EXPECT_TRUE(s.panel.messages().empty());
}

const std::string k33n = " 33.0000n";

INSTANTIATE_TEST_SUITE_P(
    StandardImpedance4k7E24E6, WorkedDesign,
    ::testing::Values(
        // C = 1/(2pi 1000 4700) = 33.86n -> 33n. Q = 0.7071 is not above the loop threshold: k = 1/Q.
        // R2 = 6820.6 -> 6.8k, R3 = 3420.6 -> 3.3k, R1 = 3349.6 -> 3.3k, R4 = R3/H = 3.3k.
        DesignRow{"lpf_butterworth", FilterType::Lpf, "1", "1000", "0.7071", "", "4.7K",
                  {{Field::C1, k33n}, {Field::C2, k33n}, {Field::R1, "  3.3000k"}, {Field::R2, "  6.8000k"},
                   {Field::R3, "  3.3000k"}, {Field::R4, "  3.3000k"}, {Field::R5, "  4.7000k"}, {Field::R6, "  4.7000k"}}},
        // k = 1/sqrt(0.9375): R2 = 4981.0 -> 5.1k, R3 = 4560.8 -> 4.7k, R1 = 10k, R4 = 2.35k -> 2.4k.
        DesignRow{"lpf_gain_2_q_2", FilterType::Lpf, "2", "1000", "2", "", "4.7K",
                  {{Field::R1, " 10.0000k"}, {Field::R2, "  5.1000k"}, {Field::R3, "  4.7000k"}, {Field::R4, "  2.4000k"}}},
        DesignRow{"bpf_q_5", FilterType::Bpf, "1", "1000", "5", "", "4.7K",
                  {{Field::C1, k33n}, {Field::R1, " 24.0000k"}, {Field::R2, "  4.7000k"}, {Field::R3, "  5.1000k"},
                   {Field::R4, " 24.0000k"}}},
        // Realised Q 0.69663 has no peak: R4 = R1/H; the summing resistors copy R1, R3 and R4.
        DesignRow{"hpf_butterworth", FilterType::Hpf, "1", "1000", "0.7071", "", "4.7K",
                  {{Field::R4, "  3.3000k"}, {Field::R7, "  3.3000k"}, {Field::R8, "  3.3000k"},
                   {Field::R9, "  3.3000k"}, {Field::R10, "  3.3000k"}}},
        // Peak factor 2.10661 of the realised Q 2.04252: R4 = 10k/(2*2.10661) = 2373.5 -> 2.4k,
        // R10 = 2 * 2.4k = 4.8k -> 4.7k.
        DesignRow{"hpf_gain_2_q_2", FilterType::Hpf, "2", "1000", "2", "", "4.7K",
                  {{Field::R4, "  2.4000k"}, {Field::R7, " 10.0000k"}, {Field::R8, "  4.7000k"},
                   {Field::R9, "  2.4000k"}, {Field::R10, "  4.7000k"}}},
        // R8 = 1505.4 -> 1.5k, R4 = 5972 -> 6.2k, R10 = 1.5k < 4700/2.5: one decade up for R7-R10.
        DesignRow{"tzf_low_decade_scaled", FilterType::TzfLow, "1", "1000", "2", "2000", "4.7K",
                  {{Field::R4, "  6.2000k"}, {Field::R7, "100.0000k"}, {Field::R8, " 15.0000k"},
                   {Field::R9, " 62.0000k"}, {Field::R10, " 15.0000k"}}},
        DesignRow{"tzf_low_at_47k", FilterType::TzfLow, "1", "1000", "2", "2000", "47k",
                  {{Field::C1, "  3.3000n"}, {Field::R4, " 62.0000k"}, {Field::R7, "  1.0000M"},
                   {Field::R8, "150.0000k"}, {Field::R9, "620.0000k"}, {Field::R10, "150.0000k"}}},
        // R8 = 6331.1 -> 6.2k, R4 = 6063.6 -> 6.2k, no scaling.
        DesignRow{"tzf_high", FilterType::TzfHigh, "1", "1000", "2", "500", "4.7K",
                  {{Field::R4, "  6.2000k"}, {Field::R7, " 10.0000k"}, {Field::R8, "  6.2000k"},
                   {Field::R9, "  6.2000k"}, {Field::R10, "  6.2000k"}}},
        // fn = fo: level 1, g = 1/r = 0.970386, R4 = 10305 -> 10k.
        DesignRow{"notch", FilterType::Notch, "1", "1000", "2", "", "4.7K",
                  {{Field::R4, " 10.0000k"}, {Field::R7, " 10.0000k"}, {Field::R9, " 10.0000k"}, {Field::R10, " 10.0000k"}}},
        // R7 = R1/2 stays unrounded: 2.55k is no E24 value.
        DesignRow{"apf", FilterType::Apf, "1", "1000", "1", "", "4.7K",
                  {{Field::R1, "  5.1000k"}, {Field::R4, "  5.1000k"}, {Field::R7, "  2.5500k"},
                   {Field::R9, "  5.1000k"}, {Field::R10, "  5.1000k"}}},
        DesignRow{"apf_gain_2", FilterType::Apf, "2", "1000", "1", "", "4.7K",
                  {{Field::R4, "  2.7000k"}, {Field::R7, "  2.5500k"}, {Field::R9, "  2.7000k"}, {Field::R10, "  5.6000k"}}},
        DesignRow{"unreadable_impedance_uses_4700", FilterType::Lpf, "1", "1000", "0.7071", "", "abc",
                  {{Field::R2, "  6.8000k"}, {Field::Zval, "abc"}}}),
    [](const ::testing::TestParamInfo<DesignRow>& row) { return std::string(row.param.name); });

class Synthesis : public SessionTest {
protected:
    void designLpf(const char* H, const char* fo, const char* Q) { type({{Field::H, H}, {Field::Fo, fo}, {Field::Q, Q}}); }
};

TEST_F(Synthesis, RealisedLoopValuesFollowTheRoundedElements)
{
    designLpf("1", "1000", "0.7071");
    ASSERT_EQ(s.designer.synthesize().status, CommandStatus::Completed);
    EXPECT_NEAR(s.designer.record().ActualFo.value(), 1018.11, 0.01);
    EXPECT_NEAR(s.designer.record().ActualQ.value(), 0.69663, 1e-5);
}

TEST_F(Synthesis, UnroundedResistorsRealiseFoExactlyAndShowInfinity)
{
    s.panel.setComboText(Combo::EvalE1, "abc");  // unreadable: no rounding, written back as "∞"
    s.panel.setComboText(Combo::EvalE2, "10");   // normalised to the next series
    designLpf("1", "1000", "2");
    ASSERT_EQ(s.designer.synthesize().status, CommandStatus::Completed);
    EXPECT_NEAR(s.designer.record().ActualFo.value(), 1000, 1e-9);
    EXPECT_EQ(s.panel.comboText(Combo::EvalE1), "∞");
    EXPECT_EQ(s.panel.comboText(Combo::EvalE2), "12");
}

TEST_F(Synthesis, LoopFactorSwitchesAboveItsOwnThreshold)
{
    // With unrounded resistors R2 * C2 * w is the loop factor k itself.
    s.panel.setComboText(Combo::EvalE1, "∞");
    const auto k = [&](const char* Q) {
        designLpf("1", "1000", Q);
        EXPECT_EQ(s.designer.synthesize().status, CommandStatus::Completed);
        const DesignRecord& r = s.designer.record();
        return (r.r(2) * r.C2 * Real(2 * M_PI * 1000)).value();
    };
    EXPECT_NEAR(k("0.7071"), 1 / 0.7071, 1e-9);                              // not above: 1/Q
    EXPECT_NEAR(k("0.70711"), 1 / std::sqrt(1 - 0.25 / (0.70711 * 0.70711)), 1e-9);  // square-root form
}

TEST_F(Synthesis, TzfSelectionFollowsTheOrderOfFoAndFn)
{
    const struct { FilterType from; const char *fo, *fn; FilterType to; } rows[] = {
        {FilterType::TzfLow, "2000", "1000", FilterType::TzfHigh},
        {FilterType::TzfHigh, "1000", "2000", FilterType::TzfLow},
        {FilterType::TzfHigh, "1000", "1000.0005", FilterType::Notch},  // within 1e-6 of fo
        {FilterType::TzfLow, "1k", "1k", FilterType::Notch},
        {FilterType::TzfLow, "1000", "1001", FilterType::TzfLow},
    };
    for (const auto& row : rows) {
        ModelSession session;
        session.panel.checkRadio(row.from);
        for (auto [field, value] : {std::pair{Field::H, "1"}, {Field::Fo, row.fo}, {Field::Q, "2"}, {Field::Fn, row.fn}})
            session.panel.setFieldText(field, value);
        ASSERT_EQ(session.designer.synthesize().status, CommandStatus::Completed);
        EXPECT_TRUE(session.panel.radioChecked(row.to)) << row.fo << " " << row.fn;
        EXPECT_EQ(session.designer.workingType(), WorkingType::Tzf);
    }
}

TEST_F(Synthesis, NotchReachedBySwitchDesignsTheGeneralZeroButShowsTheNotch)
{
    s.panel.checkRadio(FilterType::TzfHigh);
    type({{Field::H, "1"}, {Field::Fo, "1000"}, {Field::Q, "2"}, {Field::Fn, "1000.0005"}, {Field::R8, "keep"}});
    ASSERT_EQ(s.designer.synthesize().status, CommandStatus::Completed);
    EXPECT_FALSE(s.panel.fieldVisible(Field::R8));
    EXPECT_FALSE(s.panel.fieldVisible(Field::Fn));
    EXPECT_EQ(text(Field::R8), "keep");
    EXPECT_DOUBLE_EQ(s.designer.record().r(8).value(), 150000);  // R3/|1 - r| = 154001 -> 150k, hidden
    EXPECT_EQ(text(Field::R4), " 10.0000k");
    EXPECT_EQ(text(Field::R10), " 10.0000k");
}

TEST_F(Synthesis, UnreadableParameterStopsWithOneWarning)
{
    type({{Field::R1, "old"}, {Field::C1, "old"}});
    s.panel.setLabelText(Label::A1, "old");
    type({{Field::H, "1"}, {Field::Fo, ""}, {Field::Q, ""}});
    EXPECT_EQ(s.designer.synthesize().status, CommandStatus::StoppedAtField);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"\r\nfo: 数値入力エラー"});
    EXPECT_EQ(s.panel.messages()[0].kind, MessageKind::Warning);
    EXPECT_EQ(text(Field::C1), "");
    EXPECT_EQ(text(Field::R1), "old");
    EXPECT_EQ(label(Label::A1), "");
}

TEST_F(Synthesis, HiddenFieldsKeepTheirTexts)
{
    type({{Field::R7, "r7"}, {Field::R10, "x"}, {Field::Fn, "garbage"}});
    designLpf("1", "1000", "1");
    EXPECT_EQ(s.designer.synthesize().status, CommandStatus::Completed);  // a hidden fn is never read
    EXPECT_EQ(text(Field::R7), "r7");
    EXPECT_EQ(text(Field::R10), "x");
    EXPECT_TRUE(std::isnan(s.designer.record().fn.value()));
}

struct FaultRow {
    const char* name;
    FilterType type;
    const char *H, *fo, *Q, *fn;
    const char* fault;
    const char* c1;  // what the capacitor field holds after the fault
};

class SynthesisFault : public SessionTest, public ::testing::WithParamInterface<FaultRow> {};

TEST_P(SynthesisFault, EndsTheCommandKeepingEarlierWrites)
{
    const FaultRow& row = GetParam();
    s.panel.checkRadio(row.type);
    type({{Field::R1, "old"}, {Field::R4, "old"}, {Field::H, row.H}, {Field::Fo, row.fo}, {Field::Q, row.Q}, {Field::Fn, row.fn}});
    s.panel.setLabelText(Label::Diff, "old");
    s.panel.setComboText(Combo::EvalE1, "10");
    const CommandOutcome outcome = s.designer.synthesize();
    EXPECT_EQ(outcome.status, CommandStatus::Fault);
    EXPECT_EQ(outcome.faultText, row.fault);
    EXPECT_EQ(text(Field::C1), row.c1);
    EXPECT_EQ(text(Field::R1), "old");
    EXPECT_EQ(text(Field::R4), "old");
    EXPECT_EQ(label(Label::Diff), "");
    EXPECT_EQ(s.panel.comboText(Combo::EvalE1), "10");  // normalised only by a completed command
    EXPECT_TRUE(s.panel.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SynthesisFault,
    ::testing::Values(
        FaultRow{"fo_zero", FilterType::Lpf, "1", "0", "1", "", "Floating point division by zero.", ""},
        FaultRow{"fo_and_fn_zero_in_notch_test", FilterType::TzfLow, "1", "0", "1", "0", "Invalid floating point operation.", ""},
        FaultRow{"q_zero", FilterType::Lpf, "1", "1000", "0", "", "Floating point division by zero.", "33.0000n"},
        FaultRow{"h_zero_lpf", FilterType::Lpf, "0", "1000", "1", "", "Floating point division by zero.", "33.0000n"},
        FaultRow{"h_zero_bpf", FilterType::Bpf, "0", "1000", "1", "", "Floating point division by zero.", "33.0000n"},
        FaultRow{"h_zero_hpf", FilterType::Hpf, "0", "1000", "1", "", "Floating point division by zero.", "33.0000n"},
        FaultRow{"h_zero_tzf", FilterType::TzfHigh, "0", "1000", "1", "500", "Floating point division by zero.", "33.0000n"},
        FaultRow{"h_zero_apf", FilterType::Apf, "0", "1000", "1", "", "Floating point division by zero.", "33.0000n"},
        FaultRow{"fn_zero", FilterType::TzfHigh, "1", "1000", "1", "0", "Floating point division by zero.", "33.0000n"}),
    [](const ::testing::TestParamInfo<FaultRow>& row) { return std::string(row.param.name); });

TEST(TypeLayout, EachTypeShowsItsSchematicAndFields)
{
    const struct { FilterType type; int working; Image image; bool r7, r8, fn; } rows[] = {
        {FilterType::Lpf, 3, Image::Image3, false, false, false},
        {FilterType::Hpf, 4, Image::Image4, true, true, false},
        {FilterType::Bpf, 5, Image::Image5, false, false, false},
        {FilterType::TzfLow, 6, Image::Image6, true, true, true},
        {FilterType::TzfHigh, 6, Image::Image7, true, true, true},
        {FilterType::Notch, 6, Image::Image8, true, false, false},
        {FilterType::Apf, 8, Image::Image8, true, false, false},
    };
    ModelSession s;
    s.panel.setFieldText(Field::R9, "kept");
    for (const auto& row : rows) {
        s.panel.checkRadio(row.type);
        EXPECT_EQ(workingTypeCode(s.designer.workingType()), row.working);
        for (Image image : kAllImages)
            EXPECT_EQ(s.panel.imageVisible(image), image == row.image) << imageName(image);
        EXPECT_EQ(s.panel.fieldVisible(Field::R7), row.r7);
        EXPECT_EQ(s.panel.fieldVisible(Field::R9), row.r7);
        EXPECT_EQ(s.panel.fieldVisible(Field::R10), row.r7);
        EXPECT_EQ(s.panel.fieldVisible(Field::R8), row.r8);
        EXPECT_EQ(s.panel.fieldVisible(Field::Fn), row.fn);
        EXPECT_EQ(s.panel.fieldText(Field::R9), "kept");
    }
}

TEST(ReadParameters, StopsAtTheFirstUnreadableFieldAndTakesFoForTheNotch)
{
    ModelSession s;
    DesignRecord record;
    EXPECT_EQ(ReadParameters(s.panel, record), Reading::StoppedAtField);  // H and fo empty: one message, for H
    ASSERT_EQ(s.panel.messages().size(), 1u);
    EXPECT_EQ(s.panel.messages()[0].text, "\r\nH: 数値入力エラー");

    s.panel.checkRadio(FilterType::Notch);
    s.panel.setFieldText(Field::H, "1");
    s.panel.setFieldText(Field::Fo, "1k");
    s.panel.setFieldText(Field::Q, "2");
    s.panel.setFieldText(Field::Fn, "abc");  // hidden for the notch
    EXPECT_EQ(ReadParameters(s.panel, record), Reading::Complete);
    EXPECT_DOUBLE_EQ(record.fn.value(), 1000);
}

}  // namespace
}  // namespace torvel
