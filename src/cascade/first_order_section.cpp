#include "cascade/first_order_section.h"

#include "design/response_formulas.h"
#include "values/e_series.h"

namespace torvel::cascade {

FirstOrderParts designFirstOrder(bool highPass, double foHz, double H, int resistorSeries, int capacitorSeries,
                                 double standardImpedance)
{
    FirstOrderParts p;
    p.highPass = highPass;
    const double w = kTwoPi * foHz;
    p.C1 = RoundToSeries(1 / (w * standardImpedance), capacitorSeries);
    if (highPass) {
        p.R4 = RoundToSeries(1 / (w * p.C1), resistorSeries);  // the pole sits at 1 / (R4 C1)
        p.R1 = RoundToSeries(H * p.R4, resistorSeries);
    } else {
        p.R1 = RoundToSeries(1 / (w * p.C1), resistorSeries);  // the pole sits at 1 / (R1 C1)
        p.R4 = RoundToSeries(p.R1 / H, resistorSeries);
    }
    return p;
}

double firstOrderFo(const FirstOrderParts& p) { return 1 / (kTwoPi * (p.highPass ? p.R4 : p.R1) * p.C1); }

double firstOrderGain(const FirstOrderParts& p) { return p.R1 / p.R4; }

std::complex<double> firstOrderOutput(const FirstOrderParts& p, const OpAmpModel& opAmp, double frequencyHz)
{
    const std::complex<double> s(0, kTwoPi * frequencyHz);
    // Admittances from the input into the inverting node and from the node to the output.
    const std::complex<double> input = p.highPass ? s * p.C1 / (1.0 + s * p.R4 * p.C1) : 1 / p.R4;
    const std::complex<double> feedback = p.highPass ? 1 / p.R1 : 1 / p.R1 + s * p.C1;
    if (opAmp.ideal())
        return -input / feedback;
    // Vout = -A (Vin Yin + Vout Yf) / (Yin + Yf), with A(s) = A0 / (1 + s A0 / wt).
    const std::complex<double> gain = opAmp.dcGain / (1.0 + s * opAmp.dcGain / (kTwoPi * opAmp.gainBandwidthHz));
    return -gain * input / (input + feedback + gain * feedback);
}

SourceTransfers firstOrderSourceTransfers(const FirstOrderParts& p, const OpAmpModel& opAmp, double frequencyHz)
{
    const std::complex<double> s(0, kTwoPi * frequencyHz);
    const std::complex<double> input = p.highPass ? s * p.C1 / (1.0 + s * p.R4 * p.C1) : 1 / p.R4;
    const std::complex<double> feedback = p.highPass ? 1 / p.R1 : 1 / p.R1 + s * p.C1;
    const std::complex<double> inverseGain =
        opAmp.ideal() ? std::complex<double>(0) : 1 / opAmp.dcGain + s / (kTwoPi * opAmp.gainBandwidthHz);
    const std::complex<double> z = 1.0 / (feedback + (input + feedback) * inverseGain);
    SourceTransfers t;
    t.fromInput = -input * z;
    t.fromInvertingCurrent[0] = -z;
    t.fromNonInvertingVoltage[0] = (input + feedback) * z;
    return t;
}

}  // namespace torvel::cascade
