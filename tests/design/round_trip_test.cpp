// Synthesis then analysis gives back what was asked for, for many random designs of every type: exactly
// up to the 4-decimal texts without resistor rounding, and up to the realised values of the rounded
// circuit with E24 resistors.
#include "design/filter_types.h"
#include "design/model_session.h"
#include "values/engineering_notation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace torvel {
namespace {

struct Wanted {
    double H, fo, Q, fn;
};

Wanted randomDesign(FilterType type, std::mt19937_64& random)
{
    auto logUniform = [&](double lo, double hi) {
        return std::pow(10.0, std::uniform_real_distribution<double>(std::log10(lo), std::log10(hi))(random));
    };
    Wanted w{logUniform(0.2, 10), logUniform(10, 100e3), logUniform(0.3, 20), 0};
    // Zeros well clear of fo, where the notch window lies.
    if (type == FilterType::TzfLow)
        w.fn = w.fo * logUniform(1.1, 5);
    // A zero far below fo needs R8 within half an E24 step of R3 (fn/fo < 0.22), and the rounding then
    // really removes it: the rounded circuit is a high-pass. Keep the zero where E24 can still place it.
    if (type == FilterType::TzfHigh)
        w.fn = w.fo / logUniform(1.1, 3);
    if (type == FilterType::TzfLow || type == FilterType::TzfHigh)
        w.Q = logUniform(0.5, 20);
    return w;
}

std::string text(double value) { return FormatEngineering(value, 0, 12); }

double shown(const ModelSession& s, Field field) { return ParseEngineering(s.panel.fieldText(field)); }

class RoundTrip : public ::testing::TestWithParam<FilterType> {};

TEST_P(RoundTrip, AnalysisGivesBackTheWantedParameters)
{
    const FilterType type = GetParam();
    std::mt19937_64 random(1000 + static_cast<int>(type));
    for (int run = 0; run < 300; ++run) {
        const Wanted w = randomDesign(type, random);
        const bool rounded = run % 2 == 1;
        ModelSession s;
        s.panel.checkRadio(type);
        s.panel.setComboText(Combo::EvalE1, rounded ? "24" : "∞");
        s.panel.setFieldText(Field::H, text(w.H));
        s.panel.setFieldText(Field::Fo, text(w.fo));
        s.panel.setFieldText(Field::Q, text(w.Q));
        s.panel.setFieldText(Field::Fn, text(w.fn));
        ASSERT_EQ(s.designer.synthesize().status, CommandStatus::Completed);
        const DesignRecord design = s.designer.record();
        ASSERT_EQ(s.designer.analyze().status, CommandStatus::Completed);
        ASSERT_TRUE(s.panel.radioChecked(type)) << "H " << w.H << " fo " << w.fo << " Q " << w.Q << " fn " << w.fn;

        // The texts carry five significant digits: 1e-4 relative covers them.
        const auto near = [](double got, double want, double tolerance) {
            return std::fabs(got / want - 1) <= tolerance;
        };
        const std::string what = " H " + std::to_string(w.H) + " fo " + std::to_string(w.fo) + " Q "
            + std::to_string(w.Q) + " fn " + std::to_string(w.fn);
        // fo and Q are those of the rounded loop, whatever the series.
        EXPECT_TRUE(near(shown(s, Field::Fo), design.ActualFo.value(), 1e-4)) << "fo" << what;
        EXPECT_TRUE(near(shown(s, Field::Q), design.ActualQ.value(), 1e-4)) << "Q" << what;
        if (type == FilterType::TzfLow || type == FilterType::TzfHigh) {
            EXPECT_TRUE(near(shown(s, Field::Fn), design.ActualFn.value(), 1e-4)) << "fn" << what;
        }
        if (!rounded) {
            EXPECT_TRUE(near(shown(s, Field::Fo), w.fo, 2e-4)) << "fo" << what;
            EXPECT_TRUE(near(shown(s, Field::Q), w.Q, 2e-4)) << "Q" << what;
            EXPECT_TRUE(near(shown(s, Field::H), w.H, 2e-4)) << "H" << what;
            if (w.fn > 0) {
                EXPECT_TRUE(near(shown(s, Field::Fn), w.fn, 2e-4)) << "fn" << what;
            }
        } else {
            // The gain rests on one or two rounded resistors: two E24 steps at most (10^(2/24) = 1.21).
            EXPECT_TRUE(near(shown(s, Field::H), w.H, 0.22)) << "H" << what;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryType, RoundTrip, ::testing::ValuesIn(kAllFilterTypes),
                         [](const ::testing::TestParamInfo<FilterType>& row) {
                             std::string name(filterTypeInfo(row.param).cliName);
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
}  // namespace torvel
