#include "design/spice_netlist.h"

#include "values/e_series.h"
#include "values/engineering_notation.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace torvel {
namespace {

// Open-loop gain of the "ideal" op-amp: high enough that the result differs from the ideal one by far
// less than the comparison tolerances, low enough to keep the simulator's matrix well conditioned.
constexpr const char* kIdealGain = "1e9";

}  // namespace

std::string spiceNumber(double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.12g", value);
    return buffer;
}

std::string partsListValue(double value)
{
    std::string text = FormatEngineering(value, 0, kDisplayDecimals);
    if (text.back() == ' ')
        text.pop_back();
    return text;
}

std::vector<NetlistElement> netlistElements(const CircuitComponents& p, FilterType type)
{
    std::vector<NetlistElement> e = {
        {"R4", "in", "n1", p.r(4), "input into A1", false},
        {"R1", "n1", "v1", p.r(1), "feedback of A1 (sets Q)", false},
        {"C1", "n1", "v1", p.C1, "integrating capacitor of A1", true},
        {"R3", "v3", "n1", p.r(3), "loop feedback from A3 into A1", false},
        {"R2", "v1", "n2", p.r(2), "input of A2", false},
        {"C2", "n2", "v2", p.C2, "integrating capacitor of A2", true},
        {"R5", "v2", "n3", p.r(5), "input of A3", false},
        {"R6", "n3", "v3", p.r(6), "feedback of A3", false},
    };
    const FilterTypeInfo& info = filterTypeInfo(type);
    if (info.hasA4) {
        e.push_back({"R7", "v1", "n4", p.r(7), "A1 output into A4", false});
        if (info.r8From == OpAmp::A2)
            e.push_back({"R8", "v2", "n4", p.r(8), "A2 output into A4 (places the zero)", false});
        else if (info.r8From == OpAmp::A3)
            e.push_back({"R8", "v3", "n4", p.r(8), "A3 output into A4 (places the zero)", false});
        e.push_back({"R9", "in", "n4", p.r(9), "input into A4", false});
        e.push_back({"R10", "n4", "v4", p.r(10), "feedback of A4 (sets the gain)", false});
    }
    return e;
}

std::string spiceNetlist(const CircuitComponents& parts, FilterType type, OpAmpNetlistForm form, double startHz,
                         double stopHz, std::string_view opAmpSubcircuit)
{
    std::string out = "* Torvel: " + std::string(filterTypeInfo(type).caption) + ", output at v"
        + std::to_string(outputIndex(filterTypeInfo(type).output) + 1) + "\n";
    out += form == OpAmpNetlistForm::Subcircuit
        ? "* op-amps: subcircuit OPAMP (inp inn out); replace it to simulate a real op-amp\n"
        : "* op-amps: ideal, voltage-controlled sources of gain " + std::string(kIdealGain) + "\n";
    out += "VIN in 0 DC 0 AC 1\n";
    for (const NetlistElement& e : netlistElements(parts, type))
        out += e.name + " " + e.from + " " + e.to + " " + spiceNumber(e.value) + "\n";
    const int amplifiers = filterTypeInfo(type).hasA4 ? 4 : 3;
    for (int k = 1; k <= amplifiers; ++k) {
        const std::string n = std::to_string(k);
        // Non-inverting input grounded, inverting input n<k>, output v<k>.
        if (form == OpAmpNetlistForm::Subcircuit)
            out += "XA" + n + " 0 n" + n + " v" + n + " OPAMP\n";
        else
            out += "EA" + n + " v" + n + " 0 0 n" + n + " " + kIdealGain + "\n";
    }
    if (form == OpAmpNetlistForm::Subcircuit && !opAmpSubcircuit.empty())
        out += opAmpSubcircuit;
    else if (form == OpAmpNetlistForm::Subcircuit)
        out += ".subckt OPAMP inp inn out\nE1 out 0 inp inn " + std::string(kIdealGain) + "\n.ends OPAMP\n";
    out += ".ac dec 100 " + spiceNumber(startHz) + " " + spiceNumber(stopHz) + "\n.end\n";
    return out;
}

std::string billOfMaterials(const CircuitComponents& parts, FilterType type, int resistorSeries, int capacitorSeries)
{
    std::string out = "reference,value,series,role\n";
    for (const NetlistElement& e : netlistElements(parts, type)) {
        const std::string value = partsListValue(e.value);
        // R5 and R6 are the standard impedance itself and the all-pass R7 is exactly R1/2: not rounded.
        const std::string_view name = e.name;
        const bool unrounded = name == "R5" || name == "R6" || (filterTypeInfo(type).exactR7 && name == "R7");
        const int series = e.capacitor ? capacitorSeries : resistorSeries;
        const std::string seriesText = unrounded || series == 0 ? "-" : "E" + SeriesSizeToText(series);
        out += e.name + "," + value + "," + seriesText + "," + e.role + "\n";
    }
    return out;
}

}  // namespace torvel
