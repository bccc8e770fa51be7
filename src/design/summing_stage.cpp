#include "design/summing_stage.h"

#include "design/response_formulas.h"
#include "design/synthesis.h"

namespace torvel {
namespace {

// R7-R10 are scaled by decades until R10 reaches a fraction of the standard impedance, so that A4 does not
// load the loop amplifiers with small resistors.
constexpr double kScalingDivisor = 2.5;
constexpr double kScalingStep = 10;

}  // namespace

void DesignHighPassStage(DesignRecord& rec)
{
    const Real p = LowPassPeakFactor(rec.ActualQ, kLoopPeakThreshold);
    // The high-pass output peaks at H * p; the A1 output at R1/R4.
    rec.r(4) = roundResistor(rec, rec.r(1) / (rec.H * p));
    rec.r(7) = rec.r(1);
    rec.r(8) = rec.r(3);  // R8' from the A3 output
    rec.r(9) = rec.r(4);
    rec.r(10) = roundResistor(rec, rec.H * rec.r(9));
}

void DesignTzfStage(DesignRecord& rec)
{
    const Real fo = rec.ActualFo;
    const Real fn = rec.fn;
    const Real r = ((fn / fo) * fn) / fo;
    // Above the natural frequency the zero leaves the passband at DC, where the gain is r times the
    // high-frequency gain.
    const Real g = fn > fo ? rec.H / r : rec.H;
    const bool notch = fn == rec.fo;  // exact: only a notch selection sets fn = fo
    Real level = 1;
    if (!notch) {
        const Real x = TzfPeakFrequency(rec.ActualQ, fo, fn) / fo;
        level = TzfMagnitude(x, r, rec.ActualQ);
        // R1 / (LoopRatio * ActualQ) is R3 of the rounded loop: R8 = R3 / |1 - r| places the zero.
        rec.r(8) = roundResistor(rec, rec.r(1) / ((rec.LoopRatio * rec.ActualQ) * abs(Real(1) - r)));
    }
    rec.r(4) = roundResistor(rec, rec.r(1) / (g * level));
    // R9/R7 = R4/R1 cancels the s-term of the numerator.
    rec.r(7) = rec.r(1);
    rec.r(9) = rec.r(4);
    const Real sigma = fn > fo ? Real(1) : Real(-1);  // R8 from A2 (+) or from A3 (-)
    if (!notch) {
        rec.ActualFn = fo * sqrt(((rec.r(3) * rec.r(9)) * sigma) / (rec.r(4) * rec.r(8)) + Real(1));
    } else {
        rec.ActualFn = fo;
        rec.r(8) = kAbsentR8;
    }
    if (fn > fo)  // DC gain (R10/R9) * (ActualFn/ActualFo)^2 = H
        rec.r(10) = roundResistor(rec, ((((rec.H * fo) / rec.ActualFn) * fo) / rec.ActualFn) * rec.r(9));
    else  // high-frequency gain R10/R9 = H
        rec.r(10) = roundResistor(rec, rec.H * rec.r(9));

    // Decades keep every ratio among R7-R10 and stay in the E-series. R4 belongs to the loop input and
    // is not scaled; the absent-R8 marker is scaled too and stays negative.
    if (rec.r(10) > Real(0)) {
        while (rec.StandardImpedance / Real(kScalingDivisor) > rec.r(10)) {
            for (int n : {7, 8, 9, 10})
                rec.r(n) = rec.r(n) * Real(kScalingStep);
        }
    }
}

void DesignAllPassStage(DesignRecord& rec)
{
    rec.r(4) = roundResistor(rec, (rec.r(1) * Real(0.5)) / (rec.H / Real(2)));
    // The all-pass numerator needs R7 exactly half of R1, so R7 is not rounded.
    rec.r(7) = rec.r(1) / Real(2);
    rec.r(9) = rec.r(4);
    rec.r(10) = roundResistor(rec, rec.H * rec.r(9));
    rec.r(8) = kAbsentR8;
}

}  // namespace torvel
