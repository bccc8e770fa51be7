// The analysis command: from C1, C2 and R1-R10 to H, fo, Q and fn. It moves the type selection to a
// neighbouring type when the components describe that one, warns about summing-stage resistor ratios that
// miss their ideal value by more than half an E-series step, and ends with the peak-level report.
//
// It keeps its own record for one run and never touches the synthesis command's design record.
#pragma once

#include "design/command_outcome.h"
#include "design/design_panel.h"
#include "design/filter_types.h"

#include <array>

namespace torvel {

/// The numbers of one analysis. Angular frequencies in rad/s; hidden fields read as NaN.
struct AnalysisRecord {
    Real C1 = 0, C2 = 0;
    std::array<Real, 10> R{};
    Real w0 = 0;
    Real Q = 0;
    Real wn = 0;  // 0 where the type has no transmission zero
    Real H = 0;

    Real r(int number) const { return R[static_cast<std::size_t>(number - 1)]; }
};

/// Runs the whole command for the working type selected when it starts; where the components describe a
/// neighbouring type it checks that type's radio button and goes on with its working type. Completed or
/// stopped at an unreadable field; a floating-point fault is thrown as FloatFault.
CommandStatus runAnalysis(DesignPanel& panel, WorkingType workingType);

/// Half an E-series step on a log scale, 10^(1/(2n)); n <= 0 (no rounding) counts as 192, n < 24 as 24.
Real ratioTolerance(int resistorSeriesSize);

}  // namespace torvel
