// An in-memory panel wired to its designer: what torvel-cli and the tests run commands on.
#pragma once

#include "design/designer.h"
#include "design/panel_model.h"

namespace torvel {

struct ModelSession {
    PanelModel panel;
    Designer designer{panel};

    ModelSession() { panel.onTypeChecked([this](FilterType type) { designer.RadioButton1Click(type); }); }
    ModelSession(const ModelSession&) = delete;
    ModelSession& operator=(const ModelSession&) = delete;
};

}  // namespace torvel
