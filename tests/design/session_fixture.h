// A panel in the window's start state with its designer, and short ways to type into it.
#pragma once

#include "design/model_session.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace torvel::testing_support {

class SessionTest : public ::testing::Test {
protected:
    ModelSession s;

    void type(std::initializer_list<std::pair<Field, const char*>> texts)
    {
        for (const auto& [field, text] : texts)
            s.panel.setFieldText(field, text);
    }
    std::string text(Field field) const { return s.panel.fieldText(field); }
    std::string label(Label label) const { return s.panel.labelText(label); }
    std::vector<std::string> messageTexts() const
    {
        std::vector<std::string> out;
        for (const ShownMessage& m : s.panel.messages())
            out.push_back(m.text);
        return out;
    }
};

}  // namespace torvel::testing_support
