// Whole filters built from the calculator's sections: each section is what the calculator gives, the
// gain is shared so that no section output swings above the filter's, and the built cascade is the wanted
// filter wherever the parts are not rounded.
#include "cascade/cascade.h"
#include "cascade/cascade_netlist.h"
#include "cascade/cascade_response.h"
#include "cascade/filter_file.h"
#include "cascade/gain_split.h"
#include "design/model_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace torvel::cascade {
namespace {

using approx::Approximation;
using approx::ResponseKind;

struct DesignRow {
    const char* name;
    ResponseKind kind;
    Approximation approximation;
    int order;
    double fc, bandwidth;
};

// Every response kind, odd and even orders (first-order sections, real-pole band sections), every kind of
// section the split makes.
const DesignRow kDesigns[] = {
    {"elliptic_lp5", ResponseKind::LowPass, Approximation::Elliptic, 5, 12e3, 0},
    {"butterworth_lp6", ResponseKind::LowPass, Approximation::Butterworth, 6, 1e3, 0},
    {"chebyshev_hp5", ResponseKind::HighPass, Approximation::Chebyshev, 5, 300, 0},
    {"inverse_chebyshev_hp4", ResponseKind::HighPass, Approximation::InverseChebyshev, 4, 50, 0},
    {"bessel_bp3_wide", ResponseKind::BandPass, Approximation::Bessel, 3, 1e3, 3e3},
    {"elliptic_bp4", ResponseKind::BandPass, Approximation::Elliptic, 4, 10e3, 2e3},
    {"chebyshev_bs3", ResponseKind::BandStop, Approximation::Chebyshev, 3, 50, 20},
    {"elliptic_bs3", ResponseKind::BandStop, Approximation::Elliptic, 3, 2e3, 400},
};

CascadeRequest request(const DesignRow& row, const char* series = "24", const char* capacitors = "6")
{
    CascadeRequest r;
    r.filter.kind = row.kind;
    r.filter.approximation = row.approximation;
    r.filter.order = row.order;
    r.filter.fcHz = row.fc;
    r.filter.bandwidthHz = row.bandwidth;
    r.filter.rippleDb = 0.5;
    r.filter.attenuationDb = 50;
    r.filter.gain = 2;
    r.parts = {series, capacitors, "4.7K"};
    return r;
}

Cascade designed(const CascadeRequest& r)
{
    CascadeResult result = designCascade(r);
    EXPECT_TRUE(result.cascade) << result.error;
    return result.cascade ? std::move(*result.cascade) : Cascade{};
}

class EveryDesign : public ::testing::TestWithParam<DesignRow> {};

TEST_P(EveryDesign, EachSecondOrderSectionIsWhatTheCalculatorGivesForItsTexts)
{
    const Cascade c = designed(request(GetParam()));
    for (const BuiltSection& s : c.sections) {
        const std::optional<FilterType> type = filterTypeOfSection(s.kind);
        if (!type)
            continue;
        // A designer typing the section's H, fo, Q and fn into the window, with the filter's settings.
        ModelSession window;
        window.panel.checkRadio(*type);
        for (Field f : {Field::H, Field::Fo, Field::Q, Field::Fn, Field::Zval})
            window.panel.setFieldText(f, s.fields[static_cast<std::size_t>(f)].text);
        ASSERT_EQ(window.designer.synthesize().status, CommandStatus::Completed);
        for (Field f : kAllFields) {
            EXPECT_EQ(window.panel.fieldText(f), s.fields[static_cast<std::size_t>(f)].text) << fieldInfo(f).key;
            EXPECT_EQ(window.panel.fieldVisible(f), s.fields[static_cast<std::size_t>(f)].visible) << fieldInfo(f).key;
        }
    }
}

TEST_P(EveryDesign, GainIsSharedSoThatEverySectionOutputPeaksAtTheFiltersGain)
{
    const Cascade c = designed(request(GetParam()));
    const auto [lowest, highest] = sectionFrequencyRange(c.design);
    double product = 1;
    for (std::size_t k = 0; k < c.sections.size(); ++k) {
        product *= c.sections[k].H;
        const auto prefix = [&](double f) {
            std::complex<double> v = 1;
            for (std::size_t i = 0; i <= k; ++i)
                v *= c.sections[i].H * approx::sectionResponse(c.sections[i].wanted, f);
            return std::abs(v);
        };
        // Every output of the wanted cascade peaks at G = 2; a peak search finds it to well below 0.01 dB.
        EXPECT_NEAR(highestLevel(prefix, lowest, highest).second, 2, 2e-3) << "after section " << k + 1;
    }
    EXPECT_NEAR(product, c.design.cascadeGain, 1e-9 * std::abs(c.design.cascadeGain));
}

TEST_P(EveryDesign, UnroundedPartsBuildTheWantedFilterWithOneInversionPerSection)
{
    const Cascade c = designed(request(GetParam(), "∞", "∞"));
    const double sign = c.sections.size() % 2 ? -1 : 1;
    const auto [lowest, highest] = sectionFrequencyRange(c.design);
    for (double f = lowest / 10; f < highest * 10; f *= 1.07) {
        const std::complex<double> wanted = sign * wantedResponse(c, f);
        const std::complex<double> built = builtResponse(c, {}, f);
        // Field texts keep 4 decimals of each part (a few 1e-5 relative): far inside 0.01 dB where the
        // filter passes, and no more than that relative to the passband where it stops.
        EXPECT_LE(std::abs(built - wanted), 1e-3 * std::max(std::abs(wanted), 0.01 * c.design.gain)) << "at " << f << " Hz";
    }
}

TEST_P(EveryDesign, HeadroomIsNeverNegativeAndNamesAnOpAmpThatExists)
{
    const Cascade c = designed(request(GetParam()));
    const Headroom h = cascadeHeadroom(c, {});
    EXPECT_GE(h.headroomDb, 0);
    ASSERT_LT(h.section, static_cast<int>(c.sections.size()));
    EXPECT_LT(h.opAmp, c.sections[static_cast<std::size_t>(h.section)].circuit.opAmpCount());
}

TEST_P(EveryDesign, FilterFileLoadsBackToTheSameSections)
{
    const Cascade c = designed(request(GetParam()));
    const CascadeResult loaded = loadFilter(saveFilter(c));
    ASSERT_TRUE(loaded.cascade) << loaded.error;
    ASSERT_EQ(loaded.cascade->sections.size(), c.sections.size());
    for (std::size_t k = 0; k < c.sections.size(); ++k)
        for (Field f : kAllFields)
            EXPECT_EQ(loaded.cascade->sections[k].fields[static_cast<std::size_t>(f)].text,
                      c.sections[k].fields[static_cast<std::size_t>(f)].text);
    EXPECT_EQ(saveFilter(*loaded.cascade), saveFilter(c));
}

INSTANTIATE_TEST_SUITE_P(Designs, EveryDesign, ::testing::ValuesIn(kDesigns),
                         [](const ::testing::TestParamInfo<DesignRow>& row) { return std::string(row.param.name); });

TEST(FilterFile, AChangedPartComesBackAndChangesTheBuiltFilter)
{
    const Cascade c = designed(request(kDesigns[0]));
    std::string file = saveFilter(c);
    const std::string part = c.sections[1].fields[static_cast<std::size_t>(Field::R1)].text;
    file.replace(file.find(part), part.size(), "100k");
    const CascadeResult loaded = loadFilter(file);
    ASSERT_TRUE(loaded.cascade) << loaded.error;
    EXPECT_EQ(loaded.cascade->sections[1].fields[static_cast<std::size_t>(Field::R1)].text, "100k");
    EXPECT_DOUBLE_EQ(loaded.cascade->sections[1].circuit.parts.r(1), 100e3);
    EXPECT_NE(std::abs(builtResponse(*loaded.cascade, {}, 10e3)), std::abs(builtResponse(c, {}, 10e3)));
}

TEST(FilterFile, BrokenFilesAreRefusedWithTheirReason)
{
    const std::string good = saveFilter(designed(request(kDesigns[0])));
    const auto without = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const struct {
        const char* rule;
        std::string text;
        const char* reason;
    } rows[] = {
        {"not JSON", "{", "no JSON object"},
        {"a design file, not a filter", R"({"format": "torvel-design", "version": 1})", "format"},
        {"a later version", without("\"version\": 1", "\"version\": 2"), "version"},
        {"unknown approximation", without("\"elliptic\"", "\"gaussian\""), "approximation"},
        {"a request that cannot be designed", without("\"order\": 5", "\"order\": 13"), "order"},
        {"sections of another request", without("\"order\": 5", "\"order\": 3"), "do not belong"},
        {"an unreadable part", without("\"R4\": \"", "\"R4\": \"x"), "unreadable"},
    };
    for (const auto& row : rows) {
        const CascadeResult result = loadFilter(row.text);
        EXPECT_FALSE(result.cascade) << row.rule;
        EXPECT_NE(result.error.find(row.reason), std::string::npos) << row.rule << ": " << result.error;
    }
}

TEST(CascadeRequest, ImpossibleRequestsAreRefused)
{
    const struct {
        const char* rule;
        int order;
        const char* impedance;
        const char* reason;
    } rows[] = {
        {"order 0", 0, "4.7K", "order"},
        {"order above 12", 13, "4.7K", "order"},
        {"zero impedance", 3, "0", "impedance"},
        {"negative impedance", 3, "-1k", "impedance"},
    };
    for (const auto& row : rows) {
        CascadeRequest r = request(kDesigns[1]);
        r.filter.order = row.order;
        r.parts.impedance = row.impedance;
        const CascadeResult result = designCascade(r);
        EXPECT_FALSE(result.cascade) << row.rule;
        EXPECT_NE(result.error.find(row.reason), std::string::npos) << row.rule << ": " << result.error;
    }
}

TEST(CascadeBillOfMaterials, NumbersEveryReferenceBySection)
{
    const Cascade c = designed(request(kDesigns[0]));  // a first-order section, then two TZF sections
    const std::string bom = cascadeBillOfMaterials(c);
    for (const char* line : {"\nR4.1,", "\nC1.1,", "\nR8.2,", "\nR10.3,", "\nC2.3,"})
        EXPECT_NE(bom.find(line), std::string::npos) << line;
    EXPECT_EQ(bom.find("\nR2.1,"), std::string::npos);  // a first-order section has no loop
}


// Section 2 of the fifth-order elliptic low-pass (a TZF section) with its R1 built from two parts in
// series, as a best-values search may leave it: 40 % and 60 % of the field's value.
Cascade withSeriesPairInR1()
{
    Cascade c = designed(request(kDesigns[0]));
    BuiltSection& s = c.sections[1];
    const double r1 = s.circuit.parts.r(1);
    s.built.elements.push_back({Field::R1, r1, PartBuild::Series, {0.4 * r1, 0.6 * r1}, false});
    return c;
}

TEST(PairedParts, ExportsNameBothPartsOfThePair)
{
    const Cascade c = withSeriesPairInR1();
    const std::string bom = cascadeBillOfMaterials(c);
    for (const char* line : {"\nR1a.2,", "\nR1b.2,", "\nR1.3,"})
        EXPECT_NE(bom.find(line), std::string::npos) << line;
    EXPECT_EQ(bom.find("\nR1.2,"), std::string::npos);
    const std::string netlist = cascadeNetlist(c, {}, 10, 100e3);
    // In series: R1a from R1's first node to a node of its own, R1b from there on.
    for (const char* line : {"\nR1a_2 ", "\nR1b_2 R1mid_2 ", "\nR1_3 "})
        EXPECT_NE(netlist.find(line), std::string::npos) << line;
}

TEST(PairedParts, FilterFileKeepsThePairAndAChangedValueDropsIt)
{
    const Cascade c = withSeriesPairInR1();
    const std::string file = saveFilter(c);
    EXPECT_NE(file.find("\"built\""), std::string::npos);
    const CascadeResult loaded = loadFilter(file);
    ASSERT_TRUE(loaded.cascade) << loaded.error;
    ASSERT_EQ(loaded.cascade->sections[1].built.elements.size(), 1u);
    const ElementBuild& pair = loaded.cascade->sections[1].built.elements[0];
    EXPECT_EQ(pair.build, PartBuild::Series);
    EXPECT_EQ(pair.parts, c.sections[1].built.elements[0].parts);
    EXPECT_FALSE(pair.seriesValues);
    EXPECT_EQ(saveFilter(*loaded.cascade), file);
    EXPECT_EQ(cascadeBillOfMaterials(*loaded.cascade), cascadeBillOfMaterials(c));

    // Another value in R1 is no longer what the two parts make.
    Cascade changed = c;
    SectionCircuit circuit = changed.sections[1].circuit;
    circuit.parts.R[0] *= 2;
    replaceSectionCircuit(changed, 1, circuit);
    EXPECT_TRUE(changed.sections[1].built.elements.empty());
    EXPECT_EQ(saveFilter(changed).find("\"built\""), std::string::npos);
}

TEST(PairedParts, BrokenDescriptionsAreRefusedWithTheirReason)
{
    const std::string good = saveFilter(withSeriesPairInR1());
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const struct {
        const char* rule;
        std::string text;
        const char* reason;
    } rows[] = {
        {"an element the section does not show", with("\"R1\": {", "\"Q\": {"), "no element"},
        {"an unknown way of building", with("\"series\"", "\"stacked\""), "broken description"},
        {"one part where series needs two", with("\"build\": \"series\"", "\"build\": \"single\""), "broken description"},
        {"parts that do not make the field's value", with("\"build\": \"series\"", "\"build\": \"parallel\""), "do not make"},
        {"a description that is no object", with("\"built\": {", "\"built\": 7, \"x\": {"), "broken description"},
    };
    for (const auto& row : rows) {
        const CascadeResult result = loadFilter(row.text);
        EXPECT_FALSE(result.cascade) << row.rule;
        EXPECT_NE(result.error.find(row.reason), std::string::npos) << row.rule << ": " << result.error;
    }
}

}  // namespace
}  // namespace torvel::cascade
