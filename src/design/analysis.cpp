#include "design/analysis.h"

#include "design/peak_report.h"
#include "design/reading.h"
#include "design/response_formulas.h"
#include "values/engineering_notation.h"

#include <limits>
#include <optional>

namespace torvel {
namespace {

// Below this wn/w0 a zero counts as lying at DC: a TZF (Wn<Wo) is then a high-pass.
constexpr double kZeroFrequencyThreshold = 0.0001;
// A notch whose A1/R7 ratio is within this window of the all-pass ratio is an all-pass, and back.
constexpr double kCorrectionLow = 0.8;
constexpr double kCorrectionHigh = 1.2;
constexpr int kParameterTextWidth = 9;

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// The zero of the summing stage when R8 comes from A3 (wn below w0) ...
Real zeroBelowNatural(const AnalysisRecord& a)
{
    return a.w0 * sqrt(Real(1) - a.r(3) / a.r(4) * a.r(9) / a.r(8));
}

// ... and when it comes from A2 (wn above w0).
Real zeroAboveNatural(const AnalysisRecord& a)
{
    return a.w0 * sqrt(a.r(3) / a.r(4) * a.r(9) / a.r(8) * a.r(5) / a.r(6) + Real(1));
}

// A guarded computation: a negative radicand or a zero divisor gives nothing instead of a fault.
template <typename Formula>
std::optional<Real> guarded(Formula formula)
{
    try {
        return formula();
    } catch (const FloatFault&) {
        return std::nullopt;
    }
}

Real guardedOrNaN(std::optional<Real> value) { return value ? *value : Real(kNaN); }

bool insideCorrectionWindow(Real r) { return r < Real(kCorrectionHigh) && r > Real(kCorrectionLow); }

Real notchToAllPassRatio(const AnalysisRecord& a) { return (a.r(1) / a.r(4)) / ((a.r(7) * Real(2)) / a.r(9)); }
Real summingRatio(const AnalysisRecord& a) { return (a.r(1) / a.r(4)) / (a.r(7) / a.r(9)); }

// Checks the radio button of the type the components describe where that is a neighbour of the selected
// one, and returns the working type the rest of the command continues with.
WorkingType correctType(DesignPanel& panel, WorkingType workingType, const AnalysisRecord& a)
{
    const auto moveTo = [&](FilterType type) {
        panel.checkRadio(type);
        return workingTypeOf(type);
    };
    if (workingType == WorkingType::Hpf) {
        const Real wn = guardedOrNaN(guarded([&] { return zeroBelowNatural(a); }));
        if (!isNaN(wn) && wn / a.w0 > Real(kZeroFrequencyThreshold))
            return moveTo(FilterType::TzfHigh);
    } else if (workingType == WorkingType::Tzf && panel.radioChecked(FilterType::Notch)) {
        if (insideCorrectionWindow(notchToAllPassRatio(a)))
            return moveTo(FilterType::Apf);
    } else if (workingType == WorkingType::Tzf && panel.radioChecked(FilterType::TzfHigh)) {
        const Real wn = guardedOrNaN(guarded([&] { return zeroBelowNatural(a); }));
        if (!isNaN(wn) && wn / a.w0 < Real(kZeroFrequencyThreshold))
            return moveTo(FilterType::Hpf);
    } else if (workingType == WorkingType::Apf) {
        if (insideCorrectionWindow(summingRatio(a)))
            return moveTo(FilterType::Notch);
    }
    return workingType;
}

// wn, then H, of a transmission-zero type; nothing when the zero formula fails.
std::optional<Real> transmissionZero(const DesignPanel& panel, const AnalysisRecord& a)
{
    return panel.radioChecked(FilterType::TzfLow) ? guarded([&] { return zeroAboveNatural(a); })
                                                  : guarded([&] { return zeroBelowNatural(a); });
}

void computeGainAndZero(DesignPanel& panel, WorkingType workingType, AnalysisRecord& a)
{
    a.wn = 0;
    switch (workingType) {
    case WorkingType::Lpf: a.H = a.r(3) / a.r(4); return;
    case WorkingType::Bpf: a.H = a.r(1) / a.r(4); return;
    case WorkingType::Hpf:
    case WorkingType::Apf: a.H = a.r(10) / a.r(9); return;
    case WorkingType::Tzf: break;
    }
    if (panel.radioChecked(FilterType::Notch)) {
        a.H = a.r(10) / a.r(9);
        a.wn = a.w0;
        return;
    }
    std::optional<Real> wn = transmissionZero(panel, a);
    if (!wn) {
        // The components describe the other kind of transmission zero; its formula runs unguarded.
        panel.checkRadio(panel.radioChecked(FilterType::TzfLow) ? FilterType::TzfHigh : FilterType::TzfLow);
        wn = panel.radioChecked(FilterType::TzfLow) ? zeroAboveNatural(a) : zeroBelowNatural(a);
    }
    a.wn = *wn;
    a.H = panel.radioChecked(FilterType::TzfLow) ? a.r(10) / a.r(9) * a.wn / a.w0 * a.wn / a.w0  // DC gain
                                                 : a.r(10) / a.r(9);                           // HF gain
}

void writeParameters(DesignPanel& panel, const AnalysisRecord& a)
{
    const std::pair<Field, Real> results[] = {
        {Field::H, a.H}, {Field::Fo, a.w0 / Real(kTwoPi)}, {Field::Q, a.Q}, {Field::Fn, a.wn / Real(kTwoPi)}};
    for (const auto& [field, value] : results)
        if (panel.fieldVisible(field))
            panel.setFieldText(field, FormatEngineering(value.value(), kParameterTextWidth, kDisplayDecimals));
}

void warnAboutRatios(DesignPanel& panel, WorkingType workingType, const AnalysisRecord& a)
{
    const Real tolerance = ratioTolerance(ReadSeriesSizes(panel).first);
    const auto check = [&](Real r, std::string_view message) {
        if (r < Real(1))
            r = Real(1) / r;
        if (r > tolerance)
            panel.CenteredMessage(message, MessageKind::Warning, MessageButtons::Ok);
    };
    constexpr std::string_view kR7R9 = "R7/R9 の比が不適切です。";
    constexpr std::string_view kR8R9 = "R8/R9 の比が不適切です。";
    switch (workingType) {
    case WorkingType::Hpf:
        check(summingRatio(a), kR7R9);
        check((a.r(3) / a.r(4)) / (a.r(8) / a.r(9)), kR8R9);
        break;
    case WorkingType::Tzf: check(summingRatio(a), kR7R9); break;
    case WorkingType::Apf: check(notchToAllPassRatio(a), kR7R9); break;
    case WorkingType::Lpf:
    case WorkingType::Bpf: break;
    }
}

}  // namespace

Real ratioTolerance(int resistorSeriesSize)
{
    int n = resistorSeriesSize;
    if (n <= 0)
        n = 192;
    if (n < 24)
        n = 24;
    return sqrt(exp(ln(Real(10)) / Real(n)));
}

CommandStatus runAnalysis(DesignPanel& panel, WorkingType workingType)
{
    for (Label label : kAllLabels)
        panel.setLabelText(label, "");

    const std::optional<CircuitComponents> parts = ReadCircuitComponents(panel);
    if (!parts)
        return CommandStatus::StoppedAtField;
    AnalysisRecord a;
    a.C1 = parts->C1;
    a.C2 = parts->C2;
    for (std::size_t i = 0; i < a.R.size(); ++i)
        a.R[i] = parts->R[i];

    // A3 inverts with gain R6/R5, so the loop gain and with it w0^2 scale with R6/R5.
    a.w0 = Real(1) / sqrt(a.r(2) * a.r(3) * a.C1 * a.C2 * a.r(5) / a.r(6));
    a.Q = a.r(1) * a.C1 * a.w0;

    workingType = correctType(panel, workingType, a);
    computeGainAndZero(panel, workingType, a);
    writeParameters(panel, a);
    warnAboutRatios(panel, workingType, a);
    ReportPeakLevels(panel, workingType, a);
    return CommandStatus::Completed;
}

}  // namespace torvel
