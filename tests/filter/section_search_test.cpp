// What a best-values search does to a whole filter's sections, without widgets: the request a section
// gives, and the answers of one run applied together (found parts replace a section's only when they come
// at least as close, no design keeps them with the search's reason, the calculator link ends).
#include "design/model_session.h"
#include "shell/filter/filter_session.h"
#include "shell/filter/section_search.h"
#include "values/engineering_notation.h"

#include <gtest/gtest.h>

namespace torvel::filter {
namespace {

class SectionSearchTest : public ::testing::Test {
protected:
    FilterSession session;

    // Fifth-order elliptic low-pass at 1 kHz on E24 / E6: a first-order section, then two TZF sections.
    void SetUp() override
    {
        RequestTexts t = defaultRequestTexts({"24", "6", "4.7K"});
        t.approximation = approx::Approximation::Elliptic;
        t[RequestBox::Order] = "5";
        ASSERT_TRUE(session.redesign(t).designed());
        ASSERT_EQ(session.cascade()->sections.size(), 3u);
    }
    const cascade::BuiltSection& section(std::size_t k) const { return session.cascade()->sections[k]; }
    search::SectionResult searched(std::size_t k, const search::SearchOptions& options = {}) const
    {
        return search::findBestValues(*searchRequestOf(section(k), session.cascade()->request.parts, options));
    }
};

TEST_F(SectionSearchTest, RequestIsTheSectionAsBuiltWithTheFiltersParts)
{
    EXPECT_FALSE(searchRequestOf(section(0), session.cascade()->request.parts, {}));  // first-order
    const std::optional<search::SectionRequest> r = searchRequestOf(section(1), session.cascade()->request.parts, {});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->type, *section(1).circuit.type);
    EXPECT_EQ(r->H, section(1).H);
    EXPECT_EQ(r->fo, section(1).wanted.foHz);
    EXPECT_EQ(r->Q, *section(1).wanted.q);
    EXPECT_EQ(r->fn, *section(1).wanted.fnHz);  // an elliptic low-pass section has a zero of its own
    EXPECT_EQ(r->resistorSeries, 24);
    EXPECT_EQ(r->capacitorSeries, 6);
    EXPECT_EQ(r->standardImpedance, 4700);
}

TEST_F(SectionSearchTest, EachAnswerReplacesOrKeepsItsSection)
{
    const cascade::Cascade before = *session.cascade();
    const search::SectionResult found = searched(1);
    ASSERT_EQ(found.status, search::SearchStatus::Found) << found.reason;
    // The same parts with R1 doubled: found, but far from the wanted figures.
    search::SectionResult worse = searched(2);
    for (search::ChosenElement& e : worse.elements)
        if (e.build.element == Field::R1)
            e.text = FormatEngineering(2 * ParseEngineering(e.text), 9, 4);
    search::SectionResult none;
    none.reason = "the allowed parts miss Q by 7 % at best";

    const std::vector<SectionSearchOutcome> outcomes = session.applySearch({1, 2, 0}, {found, worse, none});
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0].verdict, SectionSearchVerdict::Replaced);
    EXPECT_LE(outcomes[0].errorAfterPercent, outcomes[0].errorBeforePercent + 0.01);
    EXPECT_EQ(outcomes[1].verdict, SectionSearchVerdict::NotCloser);
    EXPECT_GT(outcomes[1].errorAfterPercent, outcomes[1].errorBeforePercent);
    EXPECT_EQ(outcomes[2].verdict, SectionSearchVerdict::NoSolution);
    EXPECT_EQ(outcomes[2].reason, none.reason);

    // The replaced section holds the search's texts and realises what the search says they realise.
    for (const search::ChosenElement& e : found.elements)
        EXPECT_EQ(section(1).fields[static_cast<std::size_t>(e.build.element)].text, e.text);
    EXPECT_NEAR(section(1).realised.values[1].realised, found.figures.fo, 1e-9 * found.figures.fo);
    EXPECT_TRUE(session.sectionEdited(1));
    for (std::size_t k : {0u, 2u})
        EXPECT_FALSE(session.sectionEdited(k)) << k;
    EXPECT_EQ(section(2).fields[static_cast<std::size_t>(Field::R1)].text, before.sections[2].fields[static_cast<std::size_t>(Field::R1)].text);
}

TEST_F(SectionSearchTest, NewPartsForTheLinkedSectionEndTheLink)
{
    ModelSession calculator;
    ASSERT_EQ(session.openSection(2, calculator.panel), SectionOpening::Opened);
    (void)session.applySearch({1}, {searched(1)});
    EXPECT_EQ(session.linkedSection(), 2u);  // another section's parts leave the link alone
    (void)session.applySearch({2}, {searched(2)});
    EXPECT_FALSE(session.linkedSection());
}

}  // namespace
}  // namespace torvel::filter
