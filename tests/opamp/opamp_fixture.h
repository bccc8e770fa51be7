// Designs for the op-amp tests: the synthesis's record of one section, and a single-pole op-amp whose GBW
// puts 4 Q fo / GBW at a chosen value.
#pragma once

#include "design/model_session.h"
#include "opamp/opamp_figures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace torvel::opamp_test {

inline DesignRecord synthesised(FilterType type, double fo, double Q, const char* series = "∞", double H = 1)
{
    ModelSession s;
    s.panel.checkRadio(type);
    s.panel.setComboText(Combo::EvalE1, series);
    const auto text = [](double v) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.10g", v);
        return std::string(buffer);
    };
    s.panel.setFieldText(Field::H, text(H));
    s.panel.setFieldText(Field::Fo, text(fo));
    s.panel.setFieldText(Field::Q, text(Q));
    // The zero an octave above fo, or below it for the type whose zero lies below.
    s.panel.setFieldText(Field::Fn, text(type == FilterType::TzfHigh ? fo / 2 : 2 * fo));
    EXPECT_EQ(s.designer.synthesize().status, CommandStatus::Completed);
    return s.designer.record();
}

/// Single pole with A0 = 1e5 and the GBW for which 4 Q fo / GBW = load.
inline OpAmpModel loaded(double Q, double fo, double load) { return {4 * Q * fo / load, 1e5}; }

inline std::string rowName(FilterType type, double Q, double load)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, " Q=%g load=%g", Q, load);
    return std::string(filterTypeInfo(type).cliName) + buffer;
}

}  // namespace torvel::opamp_test
