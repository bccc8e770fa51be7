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
        {Field::R4, "R4", "in", "n1", p.r(4), "input into A1", false},
        {Field::R1, "R1", "n1", "v1", p.r(1), "feedback of A1 (sets Q)", false},
        {Field::C1, "C1", "n1", "v1", p.C1, "integrating capacitor of A1", true},
        {Field::R3, "R3", "v3", "n1", p.r(3), "loop feedback from A3 into A1", false},
        {Field::R2, "R2", "v1", "n2", p.r(2), "input of A2", false},
        {Field::C2, "C2", "n2", "v2", p.C2, "integrating capacitor of A2", true},
        {Field::R5, "R5", "v2", "n3", p.r(5), "input of A3", false},
        {Field::R6, "R6", "n3", "v3", p.r(6), "feedback of A3", false},
    };
    const FilterTypeInfo& info = filterTypeInfo(type);
    if (info.hasA4) {
        e.push_back({Field::R7, "R7", "v1", "n4", p.r(7), "A1 output into A4", false});
        if (info.r8From == OpAmp::A2)
            e.push_back({Field::R8, "R8", "v2", "n4", p.r(8), "A2 output into A4 (places the zero)", false});
        else if (info.r8From == OpAmp::A3)
            e.push_back({Field::R8, "R8", "v3", "n4", p.r(8), "A3 output into A4 (places the zero)", false});
        e.push_back({Field::R9, "R9", "in", "n4", p.r(9), "input into A4", false});
        e.push_back({Field::R10, "R10", "n4", "v4", p.r(10), "feedback of A4 (sets the gain)", false});
    }
    return e;
}

namespace {

// The element as two parts, where it is described so and its field still holds their value.
const ElementBuild* pairOf(const NetlistElement& e, const PartsDescription& built)
{
    const ElementBuild* b = built.find(e.field, e.value);
    return b && b->build != PartBuild::Single ? b : nullptr;
}

}  // namespace

std::string spiceNetlist(const CircuitComponents& parts, FilterType type, OpAmpNetlistForm form, double startHz,
                         double stopHz, std::string_view opAmpSubcircuit, const PartsDescription& built)
{
    std::string out = "* Torvel: " + std::string(filterTypeInfo(type).caption) + ", output at v"
        + std::to_string(outputIndex(filterTypeInfo(type).output) + 1) + "\n";
    out += form == OpAmpNetlistForm::Subcircuit
        ? "* op-amps: subcircuit OPAMP (inp inn out); replace it to simulate a real op-amp\n"
        : "* op-amps: ideal, voltage-controlled sources of gain " + std::string(kIdealGain) + "\n";
    out += "VIN in 0 DC 0 AC 1\n";
    for (const NetlistElement& e : netlistElements(parts, type)) {
        if (const ElementBuild* pair = pairOf(e, built)) {
            const bool series = pair->build == PartBuild::Series;
            const std::string middle = series ? e.name + "mid" : e.to;
            out += e.name + "a " + e.from + " " + middle + " " + spiceNumber(pair->parts[0]) + "\n";
            out += e.name + "b " + (series ? middle : e.from) + " " + e.to + " " + spiceNumber(pair->parts[1]) + "\n";
            continue;
        }
        out += e.name + " " + e.from + " " + e.to + " " + spiceNumber(e.value) + "\n";
    }
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

std::string billOfMaterials(const CircuitComponents& parts, FilterType type, int resistorSeries, int capacitorSeries,
                            const PartsDescription& built)
{
    std::string out = "reference,value,series,role\n";
    for (const NetlistElement& e : netlistElements(parts, type)) {
        const std::string_view name = e.name;
        const ElementBuild* described = built.find(e.field, e.value);
        // After a synthesis R5 and R6 are the standard impedance itself and the all-pass R7 is exactly R1/2:
        // not rounded. A described element says itself whether its parts are series values.
        const bool unrounded = described ? !described->seriesValues
                                         : name == "R5" || name == "R6" || (filterTypeInfo(type).exactR7 && name == "R7");
        const int series = e.capacitor ? capacitorSeries : resistorSeries;
        const std::string seriesText = unrounded || series == 0 ? "-" : "E" + SeriesSizeToText(series);
        if (const ElementBuild* pair = pairOf(e, built)) {
            const char* how = pair->build == PartBuild::Series ? "in series" : "in parallel";
            for (std::size_t i = 0; i < 2; ++i)
                out += e.name + (i == 0 ? "a," : "b,") + partsListValue(pair->parts[i]) + "," + seriesText + "," + e.role
                    + " (part " + std::to_string(i + 1) + " of 2 " + how + ")\n";
            continue;
        }
        out += e.name + "," + partsListValue(e.value) + "," + seriesText + "," + e.role + "\n";
    }
    return out;
}

}  // namespace torvel
