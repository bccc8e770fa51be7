// The synthesis command: from H, fo, Q (fn), the standard impedance and the two E-series to C1, C2 and
// R1-R10, each rounded to its series as soon as it is computed, later elements built on rounded earlier
// ones.
#pragma once

#include "design/command_outcome.h"
#include "design/design_panel.h"
#include "design/filter_types.h"

namespace torvel {

/// Used when the standard impedance field does not read.
inline constexpr double kDefaultStandardImpedance = 4700;

/// Runs the whole command for the working type selected when it starts (a TZF selection may move to its
/// neighbour or the notch on the way, which keeps the working type). Completed or stopped at an unreadable
/// field; a floating-point fault is thrown as FloatFault.
CommandStatus runSynthesis(DesignPanel& panel, WorkingType workingType, DesignRecord& record);

/// The three types of working type TZF trade places by fo and fn (all three keep that working type): a TZF
/// selection whose fn lies on the other side of fo moves to its neighbour, one whose fn equals fo to the notch.
void switchTransmissionZeroType(DesignPanel& panel, const DesignRecord& record);

// The steps, exposed for the tests.
void ReadDesignSettings(const DesignPanel& panel, DesignRecord& record);
void ChooseCapacitors(DesignPanel& panel, DesignRecord& record);
void DesignLoop(DesignRecord& record);
void DesignLowPassInput(DesignRecord& record);
void DesignBandPassInput(DesignRecord& record);
void ComputeElements(DesignPanel& panel, WorkingType workingType, DesignRecord& record);
void WriteElements(DesignPanel& panel, const DesignRecord& record);

/// RoundToSeries with the record's resistor or capacitor series.
Real roundResistor(const DesignRecord& record, Real value);
Real roundCapacitor(const DesignRecord& record, Real value);

}  // namespace torvel
