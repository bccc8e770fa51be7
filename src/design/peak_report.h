// The peak-level report: for each amplifier output the largest gain from the input over all frequencies,
// in dB with the frequency of that maximum, and the spread between the highest and the lowest.
//
// A1 is the band-pass output (peak R1/R4 at fo), A2 and A3 the low-pass outputs (DC gains R3/R4*R5/R6 and
// R3/R4 raised by the low-pass peak factor), A4 the high-pass or transmission-zero output. LPF and BPF
// have no A4.
#pragma once

#include "design/analysis.h"

#include <string>

namespace torvel {

/// Fills LabelA1-LabelA4 (A4 only where the type has a summing amplifier) and LabelDiff, in that order.
void ReportPeakLevels(DesignPanel& panel, WorkingType workingType, const AnalysisRecord& analysis);

/// "A2:1.25dB(1.13kHz)": prefix, level "%4.2f", "dB(", frequency text, "Hz)".
std::string peakLabelText(std::string_view prefix, Real levelDb, std::string_view frequencyText);

/// A frequency as FormatEngineering(f, 5, 2) with every blank removed: "1.13k", "534.52".
std::string peakFrequencyText(Real frequency);

}  // namespace torvel
