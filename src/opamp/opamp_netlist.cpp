#include "opamp/opamp_netlist.h"

#include "opamp/noise.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace torvel {
namespace {

std::string number(double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.12g", value);
    return buffer;
}

}  // namespace

std::string opAmpSubcircuit(const OpAmpFigures& spec, OpAmpSubcircuitKind kind)
{
    const double fourKT = 4 * kBoltzmann * kNoiseTemperature;
    const bool limited = kind == OpAmpSubcircuitKind::Limited;
    std::string out = ".subckt OPAMP inp inn out\n* " + spec.name;
    if (!spec.ideal())
        out += ": GBW " + number(spec.gainBandwidthHz) + " Hz, A0 " + number(spec.dcGain);
    out += "\n";
    // The non-inverting input the gain stage sees: through the voltage-noise resistor where there is one.
    std::string plus = "inp";
    if (!limited && spec.voltageNoise > 0) {
        out += "REN inp pn " + number(spec.voltageNoise * spec.voltageNoise / fourKT) + "\n";
        plus = "pn";
    }
    if (!limited && spec.currentNoise > 0) {
        out += "RIN 0 xin " + number(fourKT / (spec.currentNoise * spec.currentNoise)) + "\n";
        out += "VIN xin 0 DC 0\nFIN 0 inn VIN 1\n";
    }
    const bool clipped = limited && std::isfinite(spec.outputHigh()) && std::isfinite(spec.outputLow());
    if (spec.ideal()) {
        if (clipped)
            out += "BOUT out 0 V=max(min(1e9*V(" + plus + ",inn), " + number(spec.outputHigh()) + "), "
                + number(spec.outputLow()) + ")\n";
        else
            out += "E1 out 0 " + plus + " inn 1e9\n";
        return out + ".ends OPAMP\n";
    }
    const double c0 = 1 / (2 * std::numbers::pi * spec.gainBandwidthHz);
    if (limited && std::isfinite(spec.slewRate)) {
        // The gain stage's current charges C0 at most at the slew rate.
        const std::string limit = number(spec.slewRate * c0);
        out += "BG 0 x I=max(min(V(" + plus + ",inn), " + limit + "), -" + limit + ")\n";
    } else {
        out += "G1 0 x " + plus + " inn 1\n";
    }
    out += "R0 x 0 " + number(spec.dcGain) + "\nC0 x 0 " + number(c0) + "\n";
    if (clipped)
        out += "BOUT out 0 V=max(min(V(x), " + number(spec.outputHigh()) + "), " + number(spec.outputLow()) + ")\n";
    else
        out += "E1 out 0 x 0 1\n";
    return out + ".ends OPAMP\n";
}

}  // namespace torvel
