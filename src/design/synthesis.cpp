#include "design/synthesis.h"

#include "design/reading.h"
#include "design/response_formulas.h"
#include "design/summing_stage.h"
#include "values/e_series.h"
#include "values/engineering_notation.h"

#include <tuple>

namespace torvel {
namespace {

// A TZF selection moves to the notch when fo and fn agree this closely (relative to fo).
constexpr double kNotchTolerance = 1e-6;
constexpr int kElementTextWidth = 9;

}  // namespace

void switchTransmissionZeroType(DesignPanel& panel, const DesignRecord& record)
{
    if (abs(record.fo - record.fn) / record.fo < Real(kNotchTolerance))
        panel.checkRadio(FilterType::Notch);
    else if (panel.radioChecked(FilterType::TzfLow) && record.fo > record.fn)
        panel.checkRadio(FilterType::TzfHigh);
    else if (panel.radioChecked(FilterType::TzfHigh) && record.fn > record.fo)
        panel.checkRadio(FilterType::TzfLow);
}

Real roundResistor(const DesignRecord& record, Real value)
{
    return RoundToSeries(value.value(), record.ResistorSeriesSize);
}

Real roundCapacitor(const DesignRecord& record, Real value)
{
    return RoundToSeries(value.value(), record.CapacitorSeriesSize);
}

CommandStatus runSynthesis(DesignPanel& panel, WorkingType workingType, DesignRecord& record)
{
    for (Label label : kAllLabels)
        panel.setLabelText(label, "");
    ReadDesignSettings(panel, record);
    panel.RaiseWindow();
    panel.setFieldText(Field::C1, "");
    panel.setFieldText(Field::C2, "");
    if (ReadParameters(panel, record) == Reading::StoppedAtField)
        return CommandStatus::StoppedAtField;
    if (workingType == WorkingType::Tzf)
        switchTransmissionZeroType(panel, record);
    ComputeElements(panel, workingType, record);
    WriteElements(panel, record);
    return CommandStatus::Completed;
}

void ReadDesignSettings(const DesignPanel& panel, DesignRecord& record)
{
    std::tie(record.ResistorSeriesSize, record.CapacitorSeriesSize) = ReadSeriesSizes(panel);
    const double z = ParseEngineering(panel.fieldText(Field::Zval));
    record.StandardImpedance = std::isnan(z) ? kDefaultStandardImpedance : z;
}

void ChooseCapacitors(DesignPanel& panel, DesignRecord& record)
{
    // The capacitor whose reactance at fo equals the standard impedance; C2 = C1.
    record.C1 = roundCapacitor(record, Real(1) / ((record.fo * Real(kTwoPi)) * record.StandardImpedance));
    panel.setFieldText(Field::C1, FormatEngineering(record.C1.value(), 0, kDisplayDecimals));
    record.C2 = roundCapacitor(record, Real(1) / ((record.fo * Real(kTwoPi)) * record.StandardImpedance));
    panel.setFieldText(Field::C2, FormatEngineering(record.C2.value(), 0, kDisplayDecimals));
}

void ComputeElements(DesignPanel& panel, WorkingType workingType, DesignRecord& record)
{
    ChooseCapacitors(panel, record);
    record.R.fill(Real(0));
    record.r(5) = record.StandardImpedance;
    record.r(6) = record.StandardImpedance;
    DesignLoop(record);
    switch (workingType) {
    case WorkingType::Lpf: DesignLowPassInput(record); break;
    case WorkingType::Bpf: DesignBandPassInput(record); break;
    case WorkingType::Hpf: DesignHighPassStage(record); break;
    case WorkingType::Tzf: DesignTzfStage(record); break;
    case WorkingType::Apf: DesignAllPassStage(record); break;
    }
}

void DesignLoop(DesignRecord& record)
{
    const Real Q = record.Q;
    // R2 sets the A3 (low-pass) peak equal to the A1 (band-pass) peak, so no loop amplifier clips first.
    const Real k = Q > Real(kLoopPeakThreshold) ? Real(1) / peakRadical(Q) : Real(1) / Q;
    const Real w = record.fo * Real(kTwoPi);
    record.r(2) = roundResistor(record, k / (record.C2 * w));
    record.r(3) = roundResistor(record, Real(1) / ((((record.C1 * record.C2) * record.r(2)) * w) * w));
    record.LoopRatio = sqrt((record.r(2) * record.C2) / (record.r(3) * record.C1));
    const Real w0 = Real(1) / sqrt(((record.r(2) * record.r(3)) * record.C1) * record.C2);
    // R1 from the realised w0, so the realised Q differs from Q only by the rounding of R1.
    record.r(1) = roundResistor(record, Q / (w0 * record.C1));
    record.ActualQ = (record.r(1) * record.C1) * w0;
    record.ActualFo = w0 / Real(kTwoPi);
}

void DesignLowPassInput(DesignRecord& record)
{
    // The DC gain at A3 is R3/R4.
    record.r(4) = roundResistor(record, record.r(3) / record.H);
}

void DesignBandPassInput(DesignRecord& record)
{
    // The gain at A1 at the natural frequency is R1/R4.
    record.r(4) = roundResistor(record, record.r(1) / record.H);
}

void WriteElements(DesignPanel& panel, const DesignRecord& record)
{
    const auto text = [](Real value) { return FormatEngineering(value.value(), kElementTextWidth, kDisplayDecimals); };
    panel.setFieldText(Field::C1, text(record.C1));
    panel.setFieldText(Field::C2, text(record.C2));
    panel.setFieldText(Field::R1, text(record.r(1)));
    for (int n = 2; n <= 10; ++n)
        if (panel.fieldVisible(componentField(n)))
            panel.setFieldText(componentField(n), text(record.r(n)));
    panel.setComboText(Combo::EvalE1, SeriesSizeToText(record.ResistorSeriesSize));
    panel.setComboText(Combo::EvalE2, SeriesSizeToText(record.CapacitorSeriesSize));
    panel.ProcessPendingMessages();
}

}  // namespace torvel
