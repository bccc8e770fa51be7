// What the filter window draws: the group delay against the closed form of the poles and zeros, the built
// curves on the wanted ones where no part is rounded, the chart span, the mask's regions, and the texts
// of the sections table.
#include "shell/filter/filter_charts.h"
#include "shell/filter/filter_curves.h"
#include "shell/filter/filter_request_form.h"
#include "shell/filter/section_rows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace torvel::filter {
namespace {

using approx::Approximation;
using approx::ResponseKind;

cascade::Cascade designed(ResponseKind kind, Approximation approximation, const char* order, const char* series = "24")
{
    RequestTexts t = defaultRequestTexts({series, series, "4.7K"});
    t.kind = kind;
    t.approximation = approximation;
    t[RequestBox::Order] = order;
    DesignOutcome outcome = designFromTexts(t);
    EXPECT_TRUE(outcome.cascade) << outcome.generalError;
    return std::move(*outcome.cascade);
}

// -d arg H / d omega of prod(s - z) / prod(s - p): each pole p = -sigma + j w_p adds
// sigma / (sigma^2 + (omega - w_p)^2), each zero takes the same away (nothing, off its frequency, for a
// zero on the jw axis).
double closedFormDelay(const approx::Zpk& zpk, double frequencyHz)
{
    const double omega = 2 * std::numbers::pi * frequencyHz;
    const auto term = [&](std::complex<double> r) {
        const double sigma = -r.real(), offset = omega - r.imag();
        return sigma / (sigma * sigma + offset * offset);
    };
    double delay = 0;
    for (std::complex<double> p : zpk.poles)
        delay += term(p);
    for (std::complex<double> z : zpk.zeros)
        delay -= term(z);
    return delay;
}

struct DesignRow {
    const char* name;
    ResponseKind kind;
    Approximation approximation;
    const char* order;
};

const DesignRow kDesigns[] = {
    {"butterworth_lp5", ResponseKind::LowPass, Approximation::Butterworth, "5"},
    {"elliptic_lp6", ResponseKind::LowPass, Approximation::Elliptic, "6"},
    {"chebyshev_bp3", ResponseKind::BandPass, Approximation::Chebyshev, "3"},
    {"inverse_chebyshev_bs2", ResponseKind::BandStop, Approximation::InverseChebyshev, "2"},
};

class Curves : public ::testing::TestWithParam<DesignRow> {};

TEST_P(Curves, GroupDelayIsThatOfThePolesAndZeros)
{
    const DesignRow& row = GetParam();
    const cascade::Cascade c = designed(row.kind, row.approximation, row.order);
    const FilterCurves curves = filterCurves(c, {}, 200);
    for (std::size_t i = 0; i < curves.frequencyHz.size(); ++i) {
        const double expected = closedFormDelay(c.design.filter, curves.frequencyHz[i]);
        // A one-sided step of 1e-6 in frequency: its error is about 1e-6 of the delay times the
        // sharpest section's Q, and the phase difference itself carries about 1e-10 of rounding.
        EXPECT_NEAR(curves.wantedDelaySeconds[i], expected, 1e-4 * std::abs(expected) + 1e-12) << curves.frequencyHz[i];
    }
}

TEST_P(Curves, UnroundedPartsBuildTheWantedFilter)
{
    const DesignRow& row = GetParam();
    // "∞": no series rounding, so the built cascade is the approximation itself (but for its sign) up to
    // the field texts' four decimals (a few 1e-5 of each part), far inside 0.01 dB, 0.1 degree and 1 %
    // of the delay. Deep in a stopband the zeros' small shifts weigh more, so only the passband and the
    // transition down to 60 dB are held to it.
    const cascade::Cascade c = designed(row.kind, row.approximation, row.order, "∞");
    const FilterCurves curves = filterCurves(c, {}, 200);
    EXPECT_EQ(curves.builtInverts, c.sections.size() % 2 == 1);
    for (std::size_t i = 0; i < curves.frequencyHz.size(); ++i) {
        if (curves.wantedDb[i] < -60)
            continue;
        EXPECT_NEAR(curves.builtDb[i], curves.wantedDb[i], 0.01);
        EXPECT_NEAR(curves.builtPhaseDeg[i], curves.wantedPhaseDeg[i], 0.1);
        EXPECT_NEAR(curves.builtDelaySeconds[i], curves.wantedDelaySeconds[i], 0.01 * std::abs(curves.wantedDelaySeconds[i]) + 1e-12);
    }
    ASSERT_EQ(curves.sectionOutputs.size(), c.sections.size());
    for (std::size_t k = 0; k < c.sections.size(); ++k)
        EXPECT_EQ(curves.sectionOutputs[k], c.sections[k].circuit.outputIndex());
}

INSTANTIATE_TEST_SUITE_P(Designs, Curves, ::testing::ValuesIn(kDesigns),
                         [](const ::testing::TestParamInfo<DesignRow>& row) { return std::string(row.param.name); });

TEST(ChartRange, WholeDecadesADecadeBeyondSectionsAndMask)
{
    // Fourth-order Butterworth at 1 kHz: both sections at 1 kHz exactly, which must not round up a decade.
    EXPECT_EQ(chartRange(designed(ResponseKind::LowPass, Approximation::Butterworth, "4")), std::pair(100.0, 10e3));
    RequestTexts t = defaultRequestTexts({});
    t.mode = RequestMode::Mask;
    t[RequestBox::Fp] = "1k";
    t[RequestBox::Fs] = "250k";  // far above every section: the span reaches a decade beyond it
    const DesignOutcome outcome = designFromTexts(t);
    ASSERT_TRUE(outcome.cascade);
    EXPECT_EQ(chartRange(*outcome.cascade).second, 10e6);
}

TEST(GainBandwidthBox, EmptyIsIdealElseAPositiveFrequency)
{
    EXPECT_TRUE(opAmpModelFromText(" ")->ideal());
    EXPECT_EQ(opAmpModelFromText("1M")->gainBandwidthHz, 1e6);
    EXPECT_EQ(opAmpModelFromText("10MHz")->gainBandwidthHz, 10e6);
    for (const char* text : {"abc", "0", "-1M"})
        EXPECT_FALSE(opAmpModelFromText(text)) << text;
}

TEST(MaskRegions, ForbiddenBandsOfEachKindWithinTheSpan)
{
    const approx::Mask band{800, 500, 1250, 2000, 1, 40};
    const approx::Mask stop{500, 800, 2000, 1250, 1, 40};
    struct Row {
        ResponseKind kind;
        approx::Mask mask;
        std::vector<std::tuple<double, double, bool>> regions;
    } rows[] = {
        {ResponseKind::LowPass, {1e3, 2e3, 0, 0, 1, 40}, {{100, 1e3, true}, {2e3, 1e5, false}}},
        {ResponseKind::HighPass, {1e3, 500, 0, 0, 1, 40}, {{100, 500, false}, {1e3, 1e5, true}}},
        {ResponseKind::BandPass, band, {{100, 500, false}, {800, 1250, true}, {2000, 1e5, false}}},
        {ResponseKind::BandStop, stop, {{100, 500, true}, {800, 1250, false}, {2000, 1e5, true}}},
        // An edge beyond the span is cut at the span's end.
        {ResponseKind::LowPass, {50, 2e3, 0, 0, 1, 40}, {{2e3, 1e5, false}}},
    };
    for (const Row& row : rows) {
        const std::vector<MaskRegion> regions = maskRegions(row.kind, row.mask, 100, 1e5);
        ASSERT_EQ(regions.size(), row.regions.size());
        for (std::size_t k = 0; k < regions.size(); ++k) {
            EXPECT_EQ(regions[k].fromHz, std::get<0>(row.regions[k]));
            EXPECT_EQ(regions[k].toHz, std::get<1>(row.regions[k]));
            EXPECT_EQ(regions[k].passband, std::get<2>(row.regions[k]));
        }
    }
}

TEST(SectionRows, CellsShowTheSectionAsBuilt)
{
    const cascade::Cascade c = designed(ResponseKind::LowPass, Approximation::Chebyshev, "3");
    const cascade::BuiltSection& first = c.sections[0];
    const cascade::BuiltSection& second = c.sections[1];
    const auto cell = [](const cascade::BuiltSection& s, int index, SectionColumn column, bool edited = false) {
        return sectionCell(s, index, edited, static_cast<int>(column));
    };
    EXPECT_EQ(cell(first, 0, SectionColumn::Number), "1");
    EXPECT_EQ(cell(second, 1, SectionColumn::Number, true), "2*");
    EXPECT_EQ(cell(first, 0, SectionColumn::Type), "1次 LPF");
    EXPECT_EQ(cell(second, 1, SectionColumn::Type), "LPF");
    EXPECT_EQ(cell(first, 0, SectionColumn::Q), "-");
    EXPECT_EQ(cell(second, 1, SectionColumn::Fn), "-");
    EXPECT_EQ(cell(second, 1, SectionColumn::RealisedFn), "-");
    // Components as the fields show them, without the padding; a part the section lacks stays empty.
    EXPECT_EQ(sectionCell(second, 1, false, kFirstComponentColumn),
              second.fields[static_cast<std::size_t>(Field::C1)].text.substr(second.fields[0].text.find_first_not_of(' ')));
    EXPECT_EQ(sectionCell(first, 0, false, kFirstComponentColumn + 1), "");  // C2
    EXPECT_EQ(sectionHeader(kFirstComponentColumn + 2), "R1");
    EXPECT_EQ(sectionHeader(kSectionColumnCount - 1), "R10");
    const RealisedValue& q = second.realised.values[2];
    EXPECT_EQ(cell(second, 1, SectionColumn::RealisedQ).find(errorPercentText(q.errorPercent, 2, true) + "%)") != std::string::npos, true);
}

}  // namespace
}  // namespace torvel::filter
