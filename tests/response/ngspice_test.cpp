// The exported netlist through a real circuit simulator: its AC analysis must match the library's
// response at every grid point (ideal op-amps), for every type, for component sets that break the type
// relations, and for R5 != R6. This is how anyone can check the tool's numbers.
#include "design/circuit_response.h"
#include "design/model_session.h"
#include "design/spice_netlist.h"
#include "ngspice_ac.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace torvel {
namespace {


CircuitComponents designed(FilterType type, const char* fn, const char* series = "24")
{
    ModelSession s;
    s.panel.checkRadio(type);
    s.panel.setComboText(Combo::EvalE1, series);
    for (auto [field, text] : {std::pair{Field::H, "2"}, {Field::Fo, "1000"}, {Field::Q, "3"}, {Field::Fn, fn}})
        s.panel.setFieldText(field, text);
    EXPECT_EQ(s.designer.synthesize().status, CommandStatus::Completed);
    return componentsOf(s.designer.record());
}

// v1 ... v4 of the netlist over 20 points a decade from 10 Hz to 100 kHz.
std::vector<testing::AcPoint> simulate(const std::string& netlist, int outputs)
{
    std::vector<std::string> nodes;
    for (int k = 1; k <= outputs; ++k)
        nodes.push_back("v" + std::to_string(k));
    return testing::simulateAc(netlist, nodes, 20, 10, 100e3);
}

struct CircuitRow {
    const char* name;
    FilterType type;
    CircuitComponents parts;
};

std::vector<CircuitRow> circuits()
{
    std::vector<CircuitRow> rows = {
        {"lpf", FilterType::Lpf, designed(FilterType::Lpf, "")},
        {"hpf", FilterType::Hpf, designed(FilterType::Hpf, "")},
        {"bpf", FilterType::Bpf, designed(FilterType::Bpf, "")},
        {"tzf_low", FilterType::TzfLow, designed(FilterType::TzfLow, "2000")},
        {"tzf_high", FilterType::TzfHigh, designed(FilterType::TzfHigh, "500")},
        {"notch", FilterType::Notch, designed(FilterType::Notch, "")},
        {"apf", FilterType::Apf, designed(FilterType::Apf, "", "∞")},
    };
    // Components that break the relations of their type: R9/R7 != R4/R1, R5 != R6, an odd R8.
    CircuitComponents broken = designed(FilterType::TzfLow, "2000");
    broken.R[8] *= 1.3;
    broken.R[7] *= 0.7;
    rows.push_back({"tzf_low_mismatched", FilterType::TzfLow, broken});
    CircuitComponents inverter = designed(FilterType::Hpf, "");
    inverter.R[5] = 2 * inverter.R[4];
    rows.push_back({"hpf_r6_twice_r5", FilterType::Hpf, inverter});
    return rows;
}

TEST(NgspiceComparison, NetlistSimulatesToTheLibraryResponse)
{
    for (const CircuitRow& row : circuits()) {
        for (OpAmpNetlistForm form : {OpAmpNetlistForm::InlineSources, OpAmpNetlistForm::Subcircuit}) {
            const int outputs = filterTypeInfo(row.type).hasA4 ? 4 : 3;
            const std::vector<testing::AcPoint> points = simulate(spiceNetlist(row.parts, row.type, form), outputs);
            ASSERT_EQ(points.size(), 81u) << row.name;  // 4 decades at 20 points, both ends included
            double worstDb = 0, worstDeg = 0;
            for (const testing::AcPoint& p : points) {
                const OutputVoltages ours = solveCircuit(row.parts, row.type, OpAmpModel{}, p.frequency);
                for (int k = 0; k < outputs; ++k) {
                    const std::complex<double> theirs = p.voltages[static_cast<std::size_t>(k)];
                    const std::complex<double> mine = ours[static_cast<std::size_t>(k)];
                    // Deep in a notch the phase has no meaning and the level is limited by round-off.
                    if (std::abs(mine) < 1e-5 && std::abs(theirs) < 1e-5)
                        continue;
                    worstDb = std::max(worstDb, std::fabs(20 * std::log10(std::abs(theirs) / std::abs(mine))));
                    worstDeg = std::max(worstDeg, std::fabs(std::arg(theirs / mine)) * 180 / std::numbers::pi);
                }
            }
            EXPECT_LT(worstDb, 0.01) << row.name;
            EXPECT_LT(worstDeg, 0.1) << row.name;
            RecordProperty(std::string(row.name) + (form == OpAmpNetlistForm::Subcircuit ? "_subckt" : "") + "_worst_db",
                           std::to_string(worstDb));
        }
    }
}

TEST(BillOfMaterials, ListsTheLayoutsPartsWithSeriesAndRole)
{
    const CircuitComponents parts = designed(FilterType::Apf, "");
    const std::string bom = billOfMaterials(parts, FilterType::Apf, 24, 6);
    EXPECT_EQ(bom.substr(0, bom.find('\n')), "reference,value,series,role");
    EXPECT_NE(bom.find("C1,33.0000n,E6,"), std::string::npos);
    EXPECT_NE(bom.find("R5,4.7000k,-,"), std::string::npos);   // the standard impedance, not rounded
    EXPECT_EQ(bom.find("R8,"), std::string::npos);             // no R8 in the all-pass
    const std::size_t r7 = bom.find("\nR7,");
    ASSERT_NE(r7, std::string::npos);
    EXPECT_NE(bom.substr(r7, bom.find('\n', r7 + 1) - r7).find(",-,"), std::string::npos);  // R1/2, not rounded
}

}  // namespace
}  // namespace torvel
