// A design panel held in plain memory, in the window's start state. The tests and torvel-cli run the
// real commands on it; it records every message box instead of showing it.
#pragma once

#include "design/design_panel.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace torvel {

struct ShownMessage {
    std::string text;
    MessageKind kind;
};

class PanelModel : public DesignPanel {
public:
    /// Start state of the window: LPF checked, fields empty except Z = "4.7K", series "24" and "6",
    /// R7-R10 and fn hidden, Image3 shown.
    PanelModel();

    /// Called when a radio button becomes checked (the type-selection handler).
    void onTypeChecked(std::function<void(FilterType)> handler) { m_typeChecked = std::move(handler); }

    std::string fieldText(Field field) const override;
    void setFieldText(Field field, std::string_view text) override;
    bool fieldVisible(Field field) const override;
    void setFieldVisible(Field field, bool visible) override;
    std::string fieldCaption(Field field) const override;
    std::string comboText(Combo combo) const override;
    void setComboText(Combo combo, std::string_view text) override;
    std::string labelText(Label label) const override;
    void setLabelText(Label label, std::string_view text) override;
    bool imageVisible(Image image) const override;
    void setImageVisible(Image image, bool visible) override;
    bool radioChecked(FilterType type) const override;
    void checkRadio(FilterType type) override;
    void RaiseWindow() override {}
    void ProcessPendingMessages() override {}
    void CenteredMessage(std::string_view text, MessageKind kind, MessageButtons buttons) override;

    const std::vector<ShownMessage>& messages() const { return m_messages; }

private:
    struct FieldState {
        std::string text;
        bool visible = true;
    };
    std::array<FieldState, kFieldCount> m_fields{};
    std::array<std::string, 2> m_combos{};
    std::array<std::string, kLabelCount> m_labels{};
    std::array<bool, kImageCount> m_images{};
    FilterType m_checked = FilterType::Lpf;
    std::function<void(FilterType)> m_typeChecked;
    std::vector<ShownMessage> m_messages;
};

}  // namespace torvel
