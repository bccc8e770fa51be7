#include "cascade/cascade_netlist.h"

#include "design/response_formulas.h"
#include "design/spice_netlist.h"
#include "values/e_series.h"

#include <sstream>
#include <vector>

namespace torvel::cascade {
namespace {

constexpr const char* kIdealGain = "1e9";

std::vector<NetlistElement> firstOrderElements(const FirstOrderParts& p)
{
    if (p.highPass)
        return {{Field::C1, "C1", "in", "m1", p.C1, "input capacitor (sets fo with R4)", true},
                {Field::R4, "R4", "m1", "n1", p.R4, "input resistor", false},
                {Field::R1, "R1", "n1", "v1", p.R1, "feedback of A1 (sets the gain)", false}};
    return {{Field::R4, "R4", "in", "n1", p.R4, "input into A1", false},
            {Field::R1, "R1", "n1", "v1", p.R1, "feedback of A1 (sets fo with C1)", false},
            {Field::C1, "C1", "n1", "v1", p.C1, "integrating capacitor of A1", true}};
}

std::vector<NetlistElement> elementsOf(const SectionCircuit& circuit)
{
    return circuit.isFirstOrder() ? firstOrderElements(circuit.firstOrder) : netlistElements(circuit.parts, *circuit.type);
}

}  // namespace

std::string cascadeNetlist(const Cascade& cascade, const OpAmpModel& opAmp, double startHz, double stopHz,
                           std::string_view opAmpSubcircuit)
{
    std::ostringstream out;
    const approx::FilterDesign& d = cascade.design;
    const bool given = !opAmpSubcircuit.empty();
    out << "* Torvel: " << approx::approximationName(d.approximation) << " " << approx::responseKindName(d.kind)
        << ", order " << d.order << ", " << cascade.sections.size() << " sections, output at out\n";
    if (given)
        out << "* op-amps: instances of the subcircuit OPAMP below\n";
    else if (opAmp.ideal())
        out << "* op-amps: ideal, voltage-controlled sources of gain " << kIdealGain << "\n";
    else
        out << "* op-amps: single-pole, open-loop gain " << spiceNumber(opAmp.dcGain) << ", gain-bandwidth "
            << spiceNumber(opAmp.gainBandwidthHz) << " Hz (subcircuit OPAMP1P)\n";
    out << "VIN in 0 DC 0 AC 1\n";

    std::string input = "in";
    for (std::size_t k = 0; k < cascade.sections.size(); ++k) {
        const SectionCircuit& circuit = cascade.sections[k].circuit;
        const std::string suffix = "_" + std::to_string(k + 1);
        const std::string outputNode = "v" + std::to_string(circuit.outputIndex() + 1);
        const bool last = k + 1 == cascade.sections.size();
        const auto node = [&](const std::string& name) {
            if (name == "in")
                return input;
            if (last && name == outputNode)
                return std::string("out");
            return name + suffix;
        };
        out << "* section " << k + 1 << ": " << approx::sectionKindName(cascade.sections[k].kind) << "\n";
        for (const NetlistElement& e : elementsOf(circuit)) {
            const ElementBuild* pair = cascade.sections[k].built.find(e.field, e.value);
            if (pair && pair->build != PartBuild::Single) {
                // Two parts soldered for one element: in series through a node of their own, or side by side.
                const bool series = pair->build == PartBuild::Series;
                const std::string middle = series ? e.name + "mid" + suffix : node(e.to);
                out << e.name << "a" << suffix << " " << node(e.from) << " " << middle << " " << spiceNumber(pair->parts[0]) << "\n";
                out << e.name << "b" << suffix << " " << (series ? middle : node(e.from)) << " " << node(e.to) << " "
                    << spiceNumber(pair->parts[1]) << "\n";
                continue;
            }
            out << e.name << suffix << " " << node(e.from) << " " << node(e.to) << " " << spiceNumber(e.value) << "\n";
        }
        for (int a = 1; a <= circuit.opAmpCount(); ++a) {
            const std::string n = std::to_string(a);
            // Non-inverting input grounded, inverting input n<a>, output v<a>.
            if (given)
                out << "XA" << n << suffix << " 0 " << node("n" + n) << " " << node("v" + n) << " OPAMP\n";
            else if (opAmp.ideal())
                out << "EA" << n << suffix << " " << node("v" + n) << " 0 0 " << node("n" + n) << " " << kIdealGain << "\n";
            else
                out << "XA" << n << suffix << " 0 " << node("n" + n) << " " << node("v" + n) << " OPAMP1P\n";
        }
        input = node(outputNode);
    }
    if (given) {
        out << opAmpSubcircuit;
    } else if (!opAmp.ideal()) {
        // A transconductance into R parallel C: open-loop gain A0 with its pole at GBW / A0.
        out << ".subckt OPAMP1P inp inn out\nG1 0 x inp inn 1\nR1 x 0 " << spiceNumber(opAmp.dcGain) << "\nC1 x 0 "
            << spiceNumber(1 / (kTwoPi * opAmp.gainBandwidthHz)) << "\nE1 out 0 x 0 1\n.ends OPAMP1P\n";
    }
    out << ".ac dec 100 " << spiceNumber(startHz) << " " << spiceNumber(stopHz) << "\n.end\n";
    return out.str();
}

std::string cascadeBillOfMaterials(const Cascade& cascade)
{
    const PartValues settings = readPartSettings(cascade.request.parts);
    std::string out = "reference,value,series,role\n";
    for (std::size_t k = 0; k < cascade.sections.size(); ++k) {
        const SectionCircuit& circuit = cascade.sections[k].circuit;
        const std::string number = std::to_string(k + 1);
        if (circuit.isFirstOrder()) {
            for (const NetlistElement& e : firstOrderElements(circuit.firstOrder)) {
                const int series = e.capacitor ? settings.capacitorSeries : settings.resistorSeries;
                out += e.name + "." + number + "," + partsListValue(e.value) + ","
                    + (series == 0 ? "-" : "E" + SeriesSizeToText(series)) + "," + e.role + "\n";
            }
            continue;
        }
        // The calculator's own list of the section, each reference numbered.
        std::istringstream lines(billOfMaterials(circuit.parts, *circuit.type, settings.resistorSeries,
                                                 settings.capacitorSeries, cascade.sections[k].built));
        std::string line;
        std::getline(lines, line);  // its header
        while (std::getline(lines, line)) {
            const std::size_t comma = line.find(',');
            out += line.substr(0, comma) + "." + number + line.substr(comma) + "\n";
        }
    }
    return out;
}

}  // namespace torvel::cascade
