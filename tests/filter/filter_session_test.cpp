// What the filter window keeps between keystrokes, with the calculator's panel held in memory: a refused
// request keeps the last design, a section opens in the panel as its type and texts, and the panel's
// changes come back into the filter only when they are that section's readable parts.
#include "cascade/cascade_response.h"
#include "cascade/filter_file.h"
#include "design/model_session.h"
#include "shell/filter/filter_session.h"
#include "values/engineering_notation.h"

#include <gtest/gtest.h>

namespace torvel::filter {
namespace {

class FilterSessionTest : public ::testing::Test {
protected:
    ModelSession calculator;  // the calculator's panel with its designer
    FilterSession session;

    // Fifth-order Chebyshev low-pass: one first-order section, then two LPF sections.
    void SetUp() override
    {
        RequestTexts t = defaultRequestTexts({});
        t.approximation = approx::Approximation::Chebyshev;
        t[RequestBox::Order] = "5";
        ASSERT_TRUE(session.redesign(t).designed());
        ASSERT_EQ(session.cascade()->sections.size(), 3u);
    }
    const cascade::BuiltSection& section(std::size_t k) const { return session.cascade()->sections[k]; }
    double builtLevel(double hz) const { return std::abs(cascade::builtResponse(*session.cascade(), {}, hz)); }
};

TEST_F(FilterSessionTest, RefusedRequestKeepsTheDesignAndTheLink)
{
    ASSERT_EQ(session.openSection(1, calculator.panel), SectionOpening::Opened);
    const std::string r1 = section(1).fields[static_cast<std::size_t>(Field::R1)].text;
    RequestTexts bad = defaultRequestTexts({});
    bad[RequestBox::Order] = "13";
    const Redesign outcome = session.redesign(bad);
    EXPECT_FALSE(outcome.designed());
    ASSERT_EQ(outcome.boxErrors.size(), 1u);
    EXPECT_EQ(session.cascade()->sections.size(), 3u);
    EXPECT_EQ(section(1).fields[static_cast<std::size_t>(Field::R1)].text, r1);
    EXPECT_EQ(session.linkedSection(), 1u);
}

TEST_F(FilterSessionTest, FirstOrderSectionDoesNotOpen)
{
    calculator.panel.checkRadio(FilterType::Bpf);
    EXPECT_EQ(session.openSection(0, calculator.panel), SectionOpening::FirstOrder);
    EXPECT_TRUE(calculator.panel.radioChecked(FilterType::Bpf));
    EXPECT_FALSE(session.linkedSection());
    EXPECT_EQ(session.followPanel(calculator.panel), PanelFollowing::NotLinked);
}

TEST_F(FilterSessionTest, SectionOpensAsItsTypeAndTexts)
{
    calculator.panel.checkRadio(FilterType::TzfLow);
    calculator.panel.setComboText(Combo::EvalE1, "96");
    ASSERT_EQ(session.openSection(2, calculator.panel), SectionOpening::Opened);
    EXPECT_TRUE(calculator.panel.radioChecked(FilterType::Lpf));
    EXPECT_FALSE(calculator.panel.fieldVisible(Field::R7));  // the type's layout, by its own handler
    EXPECT_EQ(calculator.panel.comboText(Combo::EvalE1), "24");
    for (Field f : kAllFields) {
        if (section(2).fields[static_cast<std::size_t>(f)].visible) {
            EXPECT_EQ(calculator.panel.fieldText(f), section(2).fields[static_cast<std::size_t>(f)].text) << fieldInfo(f).key;
        }
    }
    EXPECT_EQ(session.followPanel(calculator.panel), PanelFollowing::Unchanged);
}

TEST_F(FilterSessionTest, ChangedPartsComeBackIntoTheFilter)
{
    ASSERT_EQ(session.openSection(2, calculator.panel), SectionOpening::Opened);
    const double before = builtLevel(1000);
    const double r1 = ParseEngineering(calculator.panel.fieldText(Field::R1));

    calculator.panel.setFieldText(Field::R1, "100k");
    ASSERT_EQ(session.followPanel(calculator.panel), PanelFollowing::Updated);
    EXPECT_TRUE(session.sectionEdited(2));
    EXPECT_FALSE(session.sectionEdited(1));
    EXPECT_EQ(section(2).circuit.parts.r(1), 100e3);
    EXPECT_EQ(section(2).fields[static_cast<std::size_t>(Field::R1)].text, "100k");
    EXPECT_NE(builtLevel(1000), before);
    // R1 is the loop's damping: the realised Q follows the part (values[2] is Q).
    EXPECT_GT(section(2).realised.values[2].realised, section(2).wanted.q.value() * 1.5);

    // Back to the designed value: the section is as designed again.
    calculator.panel.setFieldText(Field::R1, FormatEngineering(r1, 9, 4));
    ASSERT_EQ(session.followPanel(calculator.panel), PanelFollowing::Updated);
    EXPECT_FALSE(session.sectionEdited(2));
    EXPECT_DOUBLE_EQ(builtLevel(1000), before);
}

TEST_F(FilterSessionTest, PanelTextsThatAreNoPartsLeaveTheSection)
{
    ASSERT_EQ(session.openSection(1, calculator.panel), SectionOpening::Opened);
    const double before = builtLevel(1000);
    for (const char* text : {"", "x4k7", "0", "-10k"}) {
        calculator.panel.setFieldText(Field::R3, text);
        EXPECT_EQ(session.followPanel(calculator.panel), PanelFollowing::Unreadable) << text;
    }
    EXPECT_EQ(builtLevel(1000), before);
    EXPECT_TRUE(calculator.panel.messages().empty());  // the calculator's own panel showed nothing
    calculator.panel.checkRadio(FilterType::Hpf);
    EXPECT_EQ(session.followPanel(calculator.panel), PanelFollowing::OtherType);
    EXPECT_EQ(builtLevel(1000), before);
}

TEST_F(FilterSessionTest, SynthesisInThePanelIsFollowed)
{
    ASSERT_EQ(session.openSection(2, calculator.panel), SectionOpening::Opened);
    calculator.panel.setFieldText(Field::Q, "2");
    ASSERT_EQ(calculator.designer.synthesize().status, CommandStatus::Completed);
    ASSERT_EQ(session.followPanel(calculator.panel), PanelFollowing::Updated);
    // E24 and E6 parts: Q lands within a few percent.
    EXPECT_NEAR(section(2).realised.values[2].realised, 2, 0.1);
}

TEST_F(FilterSessionTest, NewDesignEndsTheLink)
{
    ASSERT_EQ(session.openSection(1, calculator.panel), SectionOpening::Opened);
    RequestTexts t = defaultRequestTexts({});
    t[RequestBox::Fc] = "2k";
    ASSERT_TRUE(session.redesign(t).designed());
    EXPECT_FALSE(session.linkedSection());
    calculator.panel.setFieldText(Field::R1, "1k");
    EXPECT_EQ(session.followPanel(calculator.panel), PanelFollowing::NotLinked);
}

TEST_F(FilterSessionTest, LoadedFileKeepsItsChangedSection)
{
    ASSERT_EQ(session.openSection(1, calculator.panel), SectionOpening::Opened);
    calculator.panel.setFieldText(Field::R2, "12k");
    ASSERT_EQ(session.followPanel(calculator.panel), PanelFollowing::Updated);
    const std::string file = cascade::saveFilter(*session.cascade());

    FilterSession loaded;
    ASSERT_TRUE(loaded.load(file).loaded());
    EXPECT_FALSE(loaded.sectionEdited(0));
    EXPECT_TRUE(loaded.sectionEdited(1));
    EXPECT_FALSE(loaded.sectionEdited(2));
    EXPECT_EQ(loaded.cascade()->sections[1].circuit.parts.r(2), 12e3);

    const FilterLoading refused = loaded.load("{\"format\": \"torvel-filter\", \"version\": 2}");
    EXPECT_FALSE(refused.loaded());
    EXPECT_NE(refused.error.find("フィルタファイルとして読めません"), std::string::npos);
    EXPECT_NE(refused.error.find("version"), std::string::npos);
    EXPECT_TRUE(loaded.sectionEdited(1));  // the filter on screen stays
}

}  // namespace
}  // namespace torvel::filter
