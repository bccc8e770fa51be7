// The synthesis command: from H, fo, Q (fn), the standard impedance and the two E-series to C1, C2 and
// R1-R10, each rounded to its series as soon as it is computed, later elements built on rounded earlier
// ones.
#pragma once

#include "design/design_panel.h"

namespace torvel {

inline constexpr double kTwoPi = 6.283185307179586;
/// Used when the standard impedance field does not read.
inline constexpr double kDefaultStandardImpedance = 4700;

/// Runs the whole command. `workingType` is read afresh at each step, since checking a radio button
/// inside the command changes it. Returns false when it stopped at an unreadable field; throws FloatFault.
bool runSynthesis(DesignPanel& panel, const int& workingType, DesignRecord& record);

// The steps, exposed for the tests.
void ReadDesignSettings(const DesignPanel& panel, DesignRecord& record);
void ChooseCapacitors(DesignPanel& panel, DesignRecord& record);
void DesignLoop(DesignRecord& record);
void DesignLowPassInput(DesignRecord& record);
void DesignBandPassInput(DesignRecord& record);
void ComputeElements(DesignPanel& panel, int workingType, DesignRecord& record);
void WriteElements(DesignPanel& panel, const DesignRecord& record);

/// RoundToSeries with the record's resistor or capacitor series.
Real roundResistor(const DesignRecord& record, Real value);
Real roundCapacitor(const DesignRecord& record, Real value);

}  // namespace torvel
