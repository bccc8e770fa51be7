// The optimise command on the in-memory panel: the texts it writes are what it reports. The analysis
// command reads the same H, fo, Q and fn back from them, and the node-equation solver finds the same
// gain, natural frequency, quality and zero in the circuit they describe.
#include "design/circuit_response.h"
#include "design/model_session.h"
#include "design/reading.h"
#include "design/spice_netlist.h"
#include "search/optimise_command.h"
#include "values/engineering_notation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>

namespace torvel::search {
namespace {

struct Design {
    const char* name;
    FilterType type;
    const char *H, *fo, *Q, *fn;
    FieldSet pairs = {};
};

// E24 resistors and E6 capacitors, as the window starts; one row per type, two with pairs.
const Design kDesigns[] = {
    {"lpf", FilterType::Lpf, "1.5", "1k", "0.707", ""},
    {"hpf", FilterType::Hpf, "1", "2.2k", "1.3", ""},
    {"bpf", FilterType::Bpf, "2", "800", "4", ""},
    {"tzf_low", FilterType::TzfLow, "1", "1k", "2", "2.5k"},
    {"tzf_high", FilterType::TzfHigh, "0.8", "3k", "1.1", "1.4k"},
    {"notch", FilterType::Notch, "1", "50", "3", ""},
    {"apf", FilterType::Apf, "1", "12k", "0.9", ""},
    {"bpf_r1_pair", FilterType::Bpf, "1", "1.2k", "2.5", "", {Field::R1}},
    {"apf_r7_pair", FilterType::Apf, "1.2", "600", "1.7", "", {Field::R7}},
};

void enter(ModelSession& s, const Design& d)
{
    s.panel.checkRadio(d.type);
    for (auto [field, text] : {std::pair{Field::H, d.H}, {Field::Fo, d.fo}, {Field::Q, d.Q}, {Field::Fn, d.fn}})
        s.panel.setFieldText(field, text);
}

std::complex<double> output(const CircuitComponents& parts, FilterType type, double f)
{
    return solveCircuit(parts, type, {}, f)[static_cast<std::size_t>(outputIndex(filterTypeInfo(type).output))];
}

TEST(OptimiseCommand, TheAnalysisReadsBackWhatTheSearchReports)
{
    for (const Design& d : kDesigns) {
        ModelSession s;
        enter(s, d);
        SearchOptions options;
        options.pairs = d.pairs;
        const OptimiseOutcome outcome = runOptimise(s.panel, options);
        ASSERT_TRUE(outcome.written()) << d.name << ": " << (outcome.result ? outcome.result->reason : "not run");
        const SectionResult& r = *outcome.result;
        for (const ChosenElement& e : r.elements) {
            EXPECT_EQ(s.panel.fieldText(e.build.element), e.text) << d.name;
            EXPECT_EQ(e.text, FormatEngineering(e.build.value, 9, kDisplayDecimals)) << d.name;
            EXPECT_EQ(ParseEngineering(e.text), e.build.value) << d.name;
        }
        ASSERT_EQ(s.designer.analyze().status, CommandStatus::Completed) << d.name;
        EXPECT_TRUE(s.panel.messages().empty()) << d.name << ": the analysis found a ratio to warn about";
        EXPECT_TRUE(s.panel.radioChecked(d.type)) << d.name << ": the analysis took it for another type";
        const Field fields[] = {Field::H, Field::Fo, Field::Q, Field::Fn};
        for (int i = 0; i < r.realised.count; ++i) {
            // The field shows 5 significant digits: the values must agree to half of the last one.
            const double shown = ParseEngineering(s.panel.fieldText(fields[i]));
            const double realised = r.realised.values[static_cast<std::size_t>(i)].realised;
            EXPECT_NEAR(shown, realised, 5e-5 * realised) << d.name << " " << r.realised.values[static_cast<std::size_t>(i)].name;
        }
    }
}

TEST(OptimiseCommand, TheCircuitTheTextsDescribeRealisesTheReportedFigures)
{
    for (const Design& d : kDesigns) {
        ModelSession s;
        enter(s, d);
        SearchOptions options;
        options.pairs = d.pairs;
        const OptimiseOutcome outcome = runOptimise(s.panel, options);
        ASSERT_TRUE(outcome.written()) << d.name;
        const SectionFigures& f = outcome.result->figures;
        const FilterType type = checkedFilterType(s.panel);
        const std::optional<CircuitComponents> parts = ReadCircuitComponents(s.panel);
        ASSERT_TRUE(parts) << d.name;
        // fo and Q from the A1 output, a band-pass in every type: its peak sits at fo, where it is real, and
        // it is 3 dB down at fo (sqrt(1 + 1/4Q^2) +- 1/2Q).
        const auto a1 = [&](double hz) { return solveCircuit(*parts, type, {}, hz)[0]; };
        const std::complex<double> peak = a1(f.fo);
        EXPECT_LT(std::abs(peak.imag()), 1e-9 * std::abs(peak)) << d.name;
        const double half = 1 / (2 * f.Q);
        for (double edge : {std::sqrt(1 + half * half) - half, std::sqrt(1 + half * half) + half})
            EXPECT_NEAR(std::abs(a1(f.fo * edge)), std::abs(peak) / std::sqrt(2.0), 1e-9 * std::abs(peak)) << d.name;
        // H where each type has its passband, and the zero where it has one.
        double gain = 0;
        switch (type) {
        case FilterType::Lpf:
        case FilterType::TzfLow: gain = std::abs(output(*parts, type, f.fo * 1e-7)); break;
        case FilterType::Bpf: gain = std::abs(output(*parts, type, f.fo)); break;
        default: gain = std::abs(output(*parts, type, f.fo * 1e7)); break;
        }
        EXPECT_NEAR(gain, f.H, 1e-6 * f.H) << d.name;
        if (filterTypeInfo(type).hasZero || type == FilterType::Notch) {
            EXPECT_LT(std::abs(output(*parts, type, type == FilterType::Notch ? f.fo : f.fn)), 1e-6 * f.H) << d.name;
        }
        if (type == FilterType::Apf) {
            for (double x : {0.1, 0.7, 1.0, 3.0})
                EXPECT_NEAR(std::abs(output(*parts, type, f.fo * x)), f.H, 1e-6 * f.H) << d.name << " all-pass at " << x;
        }
    }
}

TEST(OptimiseCommand, NoDesignWithinTheAcceptedErrorLeavesTheFieldsAndSaysWhy)
{
    ModelSession s;
    enter(s, {"", FilterType::Lpf, "1", "1k", "2000", ""});
    s.panel.setFieldText(Field::C1, "keep");
    SearchOptions options;
    options.resistors = {1e3, 10e3};  // Q = w0 R1 C1 cannot reach 2000 with these
    const OptimiseOutcome outcome = runOptimise(s.panel, options);
    EXPECT_EQ(outcome.command.status, CommandStatus::Completed);
    ASSERT_TRUE(outcome.result);
    EXPECT_EQ(outcome.result->status, SearchStatus::NoSolution);
    EXPECT_FALSE(outcome.written());
    EXPECT_EQ(s.panel.fieldText(Field::C1), "keep");
    ASSERT_EQ(s.panel.messages().size(), 1u);
    EXPECT_NE(s.panel.messages()[0].text.find("最適化"), std::string::npos);
    EXPECT_NE(s.panel.messages()[0].text.find("miss Q by"), std::string::npos) << s.panel.messages()[0].text;
}

TEST(OptimiseCommand, ReadsThePanelAsTheSynthesisDoes)
{
    // An unreadable field stops the command with the synthesis's warning; nothing is searched.
    ModelSession unreadable;
    enter(unreadable, {"", FilterType::Hpf, "1", "1k", "x", ""});
    const OptimiseOutcome stopped = runOptimise(unreadable.panel, {});
    EXPECT_EQ(stopped.command.status, CommandStatus::StoppedAtField);
    EXPECT_FALSE(stopped.result);
    ASSERT_EQ(unreadable.panel.messages().size(), 1u);
    EXPECT_EQ(unreadable.panel.messages()[0].text, "\r\nQ: 数値入力エラー");

    // A TZF (Wo<Wn) whose fn lies below fo becomes a TZF (Wn<Wo), as in the synthesis.
    ModelSession moved;
    enter(moved, {"", FilterType::TzfLow, "1", "1k", "1", "600"});
    ASSERT_TRUE(runOptimise(moved.panel, {}).written());
    EXPECT_TRUE(moved.panel.radioChecked(FilterType::TzfHigh));
    EXPECT_EQ(moved.designer.workingType(), WorkingType::Tzf);

    // A division by zero while reading (fo = 0 against fn) is the command's fault, not an exception.
    ModelSession fault;
    enter(fault, {"", FilterType::TzfLow, "1", "0", "1", "600"});
    const OptimiseOutcome faulted = runOptimise(fault.panel, {});
    EXPECT_EQ(faulted.command.status, CommandStatus::Fault);
    EXPECT_FALSE(faulted.command.faultText.empty());
}

TEST(PartsDescription, PairsBecomeTwoPartsInTheNetlistAndThePartsList)
{
    ModelSession s;
    enter(s, {"", FilterType::Bpf, "1", "1.2k", "2.5", ""});
    SearchOptions options;
    options.pairs = {Field::R1};
    const OptimiseOutcome outcome = runOptimise(s.panel, options);
    ASSERT_TRUE(outcome.written());
    const PartsDescription built = outcome.result->partsDescription();
    const ElementBuild* r1 = nullptr;
    for (const ElementBuild& e : built.elements)
        if (e.element == Field::R1)
            r1 = &e;
    ASSERT_TRUE(r1);
    ASSERT_NE(r1->build, PartBuild::Single) << "Q needs the pair here, or the row tests nothing";
    const std::optional<CircuitComponents> parts = ReadCircuitComponents(s.panel);
    ASSERT_TRUE(parts);

    const std::string netlist = spiceNetlist(*parts, FilterType::Bpf, OpAmpNetlistForm::InlineSources, 10, 100e3, {}, built);
    char a[64], b[64];
    std::snprintf(a, sizeof a, "%.12g", r1->parts[0]);
    std::snprintf(b, sizeof b, "%.12g", r1->parts[1]);
    if (r1->build == PartBuild::Series) {
        EXPECT_NE(netlist.find(std::string("R1a n1 R1mid ") + a + "\n"), std::string::npos) << netlist;
        EXPECT_NE(netlist.find(std::string("R1b R1mid v1 ") + b + "\n"), std::string::npos) << netlist;
    } else {
        EXPECT_NE(netlist.find(std::string("R1a n1 v1 ") + a + "\n"), std::string::npos) << netlist;
        EXPECT_NE(netlist.find(std::string("R1b n1 v1 ") + b + "\n"), std::string::npos) << netlist;
    }
    EXPECT_EQ(netlist.find("\nR1 "), std::string::npos);
    const std::string bom = billOfMaterials(*parts, FilterType::Bpf, 24, 6, built);
    const char* how = r1->build == PartBuild::Series ? "in series" : "in parallel";
    EXPECT_NE(bom.find(std::string("(part 1 of 2 ") + how + ")\n"), std::string::npos) << bom;
    EXPECT_NE(bom.find("\nR1b,"), std::string::npos) << bom;

    // Once the field changes, the description no longer applies: the element is one part again, and
    // without any description both outputs are those of the synthesis's circuits.
    CircuitComponents edited = *parts;
    edited.R[0] *= 1.01;
    EXPECT_EQ(spiceNetlist(edited, FilterType::Bpf, OpAmpNetlistForm::InlineSources, 10, 100e3, {}, built),
              spiceNetlist(edited, FilterType::Bpf, OpAmpNetlistForm::InlineSources));
    EXPECT_EQ(billOfMaterials(edited, FilterType::Bpf, 24, 6, {}), billOfMaterials(edited, FilterType::Bpf, 24, 6));
    // R5 and R6 of a search are series values, which the described parts list says (after a synthesis they
    // are the standard impedance, "-").
    const std::string r5 = bom.substr(bom.find("\nR5,") + 1);
    EXPECT_NE(r5.substr(0, r5.find('\n')).find(",E24,"), std::string::npos) << bom;
}

}  // namespace
}  // namespace torvel::search
