// The design logic as the front ends see it: the type-selection handler and the two commands.
//
// A `Designer` owns the program-wide design state (working type, design record) and works on one design
// panel. Each command runs to its end, stops at an unreadable field, or ends in a floating-point fault;
// the fault is caught here, at the command's edge, and returned as a value, so no exception ever reaches
// a front end's event loop. What the command wrote before the fault stays on the panel.
#pragma once

#include "design/command_outcome.h"
#include "design/design_panel.h"
#include "design/filter_types.h"

namespace torvel {

class Designer {
public:
    explicit Designer(DesignPanel& panel) : m_panel(panel) {}

    /// The handler of all seven type radio buttons: working type and layout from the sender's code.
    void RadioButton1Click(FilterType sender);

    /// "回路定数算出": H, fo, Q (fn) to C1, C2, R1-R10.
    CommandOutcome synthesize();
    /// "伝達関数算出": C1, C2, R1-R10 to H, fo, Q, fn and the peak levels.
    CommandOutcome analyze();

    WorkingType workingType() const { return m_workingType; }
    const DesignRecord& record() const { return m_record; }

private:
    DesignPanel& m_panel;
    WorkingType m_workingType = WorkingType::Lpf;
    DesignRecord m_record;
};

}  // namespace torvel
