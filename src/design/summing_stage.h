// The input and summing stage of HPF, TZF, notch and APF: R4 and R7-R10 around the summing amplifier A4.
//
// Every stage sets R4 so that the A1 output (band-pass, peak R1/R4) peaks as high as the filter output,
// and R10 so that the output gain in the passband is H.
#pragma once

#include "design/design_panel.h"

namespace torvel {

void DesignHighPassStage(DesignRecord& record);
void DesignTzfStage(DesignRecord& record);
void DesignAllPassStage(DesignRecord& record);

}  // namespace torvel
