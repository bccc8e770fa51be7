#include "design/peak_report.h"

#include "design/response_formulas.h"
#include "values/engineering_notation.h"

#include <algorithm>
#include <limits>

namespace torvel {
namespace {

std::string levelText(Real level) { return FormatFixed(level.value(), 4, 2); }

Real decibels(Real ratio) { return Real(20) * log10(ratio); }

// The peak of a low-pass output lies below fo and exists only above the peak threshold; without a peak
// the maximum is the DC gain, at "0.0" Hz.
std::string lowPassPeakText(Real Q, Real fo)
{
    if (Q > Real(kPeakThreshold))
        return peakFrequencyText(fo * lowPassPeakFrequencyRatio(Q));
    return "0.0";
}

// A high-pass output peaks above fo; without a peak its maximum is the gain at infinite frequency.
std::string highPassPeakText(Real Q, Real fo)
{
    if (Q > Real(kPeakThreshold))
        return peakFrequencyText(fo / lowPassPeakFrequencyRatio(Q));
    return "∞";
}

}  // namespace

std::string peakFrequencyText(Real frequency)
{
    std::string text = FormatEngineering(frequency.value(), 5, 2);
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

std::string peakLabelText(std::string_view prefix, Real levelDb, std::string_view frequencyText)
{
    std::string text(prefix);
    text += levelText(levelDb);
    text += "dB(";
    text += frequencyText;
    text += "Hz)";
    return text;
}

void ReportPeakLevels(DesignPanel& panel, WorkingType workingType, const AnalysisRecord& a)
{
    const Real fo = a.w0 / Real(kTwoPi);
    const Real b = LowPassPeakFactor(a.Q);
    const Real L1 = decibels(a.r(1) / a.r(4));
    const Real L2 = decibels(a.r(3) / a.r(4) * a.r(5) / a.r(6) * b);
    const Real L3 = decibels(a.r(3) / a.r(4) * b);
    Real L4 = std::numeric_limits<double>::quiet_NaN();

    panel.setLabelText(Label::A1, peakLabelText("A1:", L1, peakFrequencyText(fo)));
    panel.setLabelText(Label::A2, peakLabelText("A2:", L2, lowPassPeakText(a.Q, fo)));
    panel.setLabelText(Label::A3, peakLabelText("A3:", L3, lowPassPeakText(a.Q, fo)));

    if (hasSummingAmplifier(workingType)) {
        if (workingType == WorkingType::Hpf) {
            L4 = decibels(a.r(10) / a.r(9) * b);
            panel.setLabelText(Label::A4, peakLabelText("A4:", L4, highPassPeakText(a.Q, fo)));
        } else {
            const Real wn = workingType == WorkingType::Apf ? a.w0 : a.wn;
            const Real fn = wn / Real(kTwoPi);
            Real v = TzfPeakLevel(a.Q, fo, fn) * a.r(10) / a.r(9);
            if (wn > a.w0)
                v = v * wn / a.w0 * wn / a.w0;  // refer back from the DC gain to the summing stage's HF gain
            L4 = decibels(v);
            panel.setLabelText(Label::A4,
                               peakLabelText("A4:", L4, peakFrequencyText(TzfPeakFrequency(a.Q, fo, fn))));
        }
    }

    Real highest = -1e99;
    Real lowest = 1e99;
    const Real levels[] = {L1, L2, L3, L4};
    const int count = isNaN(L4) ? 3 : 4;
    for (int i = 0; i < count; ++i) {
        if (levels[i] > highest)
            highest = levels[i];
        if (levels[i] < lowest)
            lowest = levels[i];
    }
    panel.setLabelText(Label::Diff, "Δ:" + levelText(highest - lowest) + "dB");
}

}  // namespace torvel
