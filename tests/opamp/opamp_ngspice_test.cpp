// The op-amp library against a real circuit simulator, on the netlists torvel exports with the op-amp
// subcircuit: the single-pole model's AC response, the pre-corrected loop's poles (ngspice's pole-zero
// analysis), the output noise (its noise analysis, at its default 27 degrees Celsius) and the swing and
// slew warnings (transient runs with linear and with limited op-amps, just below and just above each
// limit); the same for whole filters on the cascade's netlist.
#include "cascade/cascade_netlist.h"
#include "design/circuit_response.h"
#include "design/model_session.h"
#include "design/spice_netlist.h"
#include "opamp/cascade_checks.h"
#include "opamp/cascade_noise.h"
#include "opamp/noise.h"
#include "opamp/opamp_catalogue.h"
#include "opamp/opamp_netlist.h"
#include "opamp/polynomial.h"
#include "opamp/precorrection.h"
#include "opamp/section_polynomials.h"
#include "opamp/signal_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <regex>
#include <vector>
#include <sstream>
#include <unistd.h>

namespace torvel {
namespace {

namespace fs = std::filesystem;

DesignRecord synthesised(FilterType type, const char* fo, const char* Q, const char* fn, const char* series = "∞")
{
    ModelSession s;
    s.panel.checkRadio(type);
    s.panel.setComboText(Combo::EvalE1, series);
    for (auto [field, text] : {std::pair{Field::H, "1"}, {Field::Fo, fo}, {Field::Q, Q}, {Field::Fn, fn}})
        s.panel.setFieldText(field, text);
    EXPECT_EQ(s.designer.synthesize().status, CommandStatus::Completed);
    return s.designer.record();
}

const char* zeroFor(FilterType type) { return type == FilterType::TzfHigh ? "500" : "2000"; }

struct SimulatorRun {
    std::vector<std::vector<double>> rows;  // the data file, one row of numbers per line
    std::string log;                        // what ngspice printed
};

// Runs ngspice in batch mode on `netlist` cut before its .ac line, with `control` as its control block;
// "@DATA@" in the control block is the data file's path.
SimulatorRun simulate(const std::string& netlist, std::string control)
{
    static int counter = 0;
    const fs::path dir = fs::temp_directory_path() / ("torvel-opamp-ngspice-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::create_directories(dir);
    const std::string data = (dir / "data.txt").string();
    for (std::size_t at = control.find("@DATA@"); at != std::string::npos; at = control.find("@DATA@"))
        control.replace(at, 6, data);
    std::ofstream(dir / "deck.cir") << netlist.substr(0, netlist.find(".ac ")) << ".control\n" << control << "\n.endc\n.end\n";
    const std::string command = "ngspice -b " + (dir / "deck.cir").string() + " > " + (dir / "log.txt").string() + " 2>&1";
    const int status = std::system(command.c_str());
    SimulatorRun run;
    std::ifstream log(dir / "log.txt");
    run.log.assign(std::istreambuf_iterator<char>(log), {});
    std::ifstream in(data);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::vector<double> row;
        for (double v; fields >> v;)
            row.push_back(v);
        if (!row.empty())
            run.rows.push_back(row);
    }
    EXPECT_TRUE(!run.rows.empty() || (control.find("@DATA@") == std::string::npos && !run.log.empty()))
        << "ngspice (status " << status << ") gave nothing; is it installed? (scripts/install-deps.sh)\n" << run.log;
    fs::remove_all(dir);
    return run;
}

std::string withOpAmp(const CircuitComponents& parts, FilterType type, const OpAmpFigures& spec,
                      OpAmpSubcircuitKind kind = OpAmpSubcircuitKind::SmallSignal)
{
    return spiceNetlist(parts, type, OpAmpNetlistForm::Subcircuit, 10, 100e3, opAmpSubcircuit(spec, kind));
}

OpAmpFigures singlePole(double gbwHz)
{
    OpAmpFigures spec;
    spec.gainBandwidthHz = gbwHz;
    return spec;
}

// Least squares by Householder reflections: the x minimising |A x - b|, A with more rows than columns.
std::vector<double> leastSquares(std::vector<std::vector<double>> a, std::vector<double> b)
{
    const std::size_t rows = a.size();
    const std::size_t cols = a[0].size();
    for (std::size_t k = 0; k < cols; ++k) {
        double norm = 0;
        for (std::size_t i = k; i < rows; ++i)
            norm += a[i][k] * a[i][k];
        norm = std::sqrt(norm);
        const double alpha = a[k][k] > 0 ? -norm : norm;
        std::vector<double> v(rows, 0.0);
        v[k] = a[k][k] - alpha;
        for (std::size_t i = k + 1; i < rows; ++i)
            v[i] = a[i][k];
        double vv = 0;
        for (std::size_t i = k; i < rows; ++i)
            vv += v[i] * v[i];
        if (vv == 0)
            continue;
        for (std::size_t j = k; j < cols; ++j) {
            double dot = 0;
            for (std::size_t i = k; i < rows; ++i)
                dot += v[i] * a[i][j];
            for (std::size_t i = k; i < rows; ++i)
                a[i][j] -= 2 * dot / vv * v[i];
        }
        double dot = 0;
        for (std::size_t i = k; i < rows; ++i)
            dot += v[i] * b[i];
        for (std::size_t i = k; i < rows; ++i)
            b[i] -= 2 * dot / vv * v[i];
    }
    std::vector<double> x(cols);
    for (std::size_t k = cols; k-- > 0;) {
        double sum = b[k];
        for (std::size_t j = k + 1; j < cols; ++j)
            sum -= a[k][j] * x[j];
        x[k] = sum / a[k][k];
    }
    return x;
}

// fo and Q of the loop as the simulator builds it. ngspice's own pole-zero analysis gives up on these
// circuits ("iteration limit reached"), so the poles come from its AC analysis instead: every type's A3
// output is V3 = -G2 G4 G5 / P(s) with P the loop's characteristic polynomial, of degree 5 with single-pole
// op-amps, so 1/V3 over frequency, fitted by least squares with a real polynomial of degree 5 in
// z = s / (2 pi fo), gives P up to a factor; its two roots nearest the origin are the loop's pair.
NaturalFrequency simulatedLoop(const CircuitComponents& parts, FilterType type, const OpAmpFigures& spec, double fo)
{
    char control[160];
    std::snprintf(control, sizeof control, "set wr_singlescale\nac dec 50 %g %g\nwrdata @DATA@ v(v3)", fo / 100, fo * 1000);
    const SimulatorRun run = simulate(withOpAmp(parts, type, spec), control);
    constexpr int kDegree = 5;
    std::vector<std::vector<double>> a;
    std::vector<double> b;
    for (const std::vector<double>& row : run.rows) {
        const std::complex<double> y = 1.0 / std::complex<double>(row[1], row[2]);
        const std::complex<double> z(0, row[0] / fo);
        std::vector<double> re, im;
        std::complex<double> power = 1;
        for (int k = 0; k <= kDegree; ++k, power *= z) {
            re.push_back((power / std::abs(y)).real());  // relative weights: every point counts alike
            im.push_back((power / std::abs(y)).imag());
        }
        a.push_back(re);
        a.push_back(im);
        b.push_back((y / std::abs(y)).real());
        b.push_back((y / std::abs(y)).imag());
    }
    if (a.size() < 2 * (kDegree + 1))
        return {};
    // Columns of equal size, so that z^5 (up to 1e15) and 1 weigh alike in the reflections.
    std::vector<double> scale(kDegree + 1, 0.0);
    for (const auto& row : a)
        for (std::size_t k = 0; k < row.size(); ++k)
            scale[k] = std::max(scale[k], std::fabs(row[k]));
    for (auto& row : a)
        for (std::size_t k = 0; k < row.size(); ++k)
            row[k] /= scale[k];
    const std::vector<double> x = leastSquares(a, b);
    Polynomial p;
    for (int k = 0; k <= kDegree; ++k) {
        Polynomial term{x[static_cast<std::size_t>(k)] / scale[static_cast<std::size_t>(k)]};
        for (int i = 0; i < k; ++i)
            term = term * Polynomial{0, 1};
        p = p + term;
    }
    const std::optional<QuadraticFactor> pair = dominantPair(p);
    EXPECT_TRUE(pair);
    if (!pair)
        return {};
    return naturalFrequency(*pair, 2 * std::numbers::pi * fo);
}

TEST(OpAmpNgspice, SinglePoleSubcircuitSimulatesToTheSolver)
{
    // GBW only 100 times fo, so that the op-amps shape the response visibly.
    const OpAmpFigures spec = singlePole(100e3);
    for (FilterType type : kAllFilterTypes) {
        const CircuitComponents parts = componentsOf(synthesised(type, "1000", "3", zeroFor(type), "24"));
        const int outputs = filterTypeInfo(type).hasA4 ? 4 : 3;
        std::string control = "set wr_singlescale\nac dec 20 10 100k\nwrdata @DATA@";
        for (int k = 1; k <= outputs; ++k)
            control += " v(v" + std::to_string(k) + ")";
        const SimulatorRun run = simulate(withOpAmp(parts, type, spec), control);
        ASSERT_EQ(run.rows.size(), 81u) << filterTypeInfo(type).cliName;
        double worstDb = 0;
        for (const std::vector<double>& row : run.rows) {
            const OutputVoltages ours = solveCircuit(parts, type, spec.model(), row[0]);
            for (int k = 0; k < outputs; ++k) {
                const std::complex<double> theirs(row[static_cast<std::size_t>(1 + 2 * k)], row[static_cast<std::size_t>(2 + 2 * k)]);
                if (std::abs(ours[static_cast<std::size_t>(k)]) < 1e-5)
                    continue;  // deep in a notch the level is round-off
                worstDb = std::max(worstDb, std::fabs(20 * std::log10(std::abs(theirs) / std::abs(ours[static_cast<std::size_t>(k)]))));
            }
        }
        EXPECT_LT(worstDb, 0.01) << filterTypeInfo(type).cliName;
    }
}

TEST(OpAmpNgspice, PrecorrectedLoopsHaveTheWantedFoAndQ)
{
    // Unrounded resistors: what is tested is the correction, not the E-series. The simulated poles must
    // give fo within 0.5 % and Q within 1 % wherever 4 Q fo / GBW <= 0.2; the uncorrected synthesis must
    // show the Q the solver predicts for it (0.5 %), well above the wanted one.
    double worstFo = 0, worstQ = 0;
    for (FilterType type : kAllFilterTypes) {
        for (double Q : {0.707, 2.0, 8.0}) {
            for (double load : {0.05, 0.2}) {
                char q[16];
                std::snprintf(q, sizeof q, "%g", Q);
                const DesignRecord record = synthesised(type, "1000", q, zeroFor(type));
                const OpAmpFigures spec = singlePole(4 * Q * 1000 / load);
                const std::string row = std::string(filterTypeInfo(type).cliName) + " Q " + q + " load " + std::to_string(load);
                const Precorrection corrected = precorrect(record, type, spec.model());
                ASSERT_EQ(corrected.status, PrecorrectionStatus::Corrected) << row << ": " << corrected.refusal;
                const NaturalFrequency simulated = simulatedLoop(corrected.parts, type, spec, 1000);
                EXPECT_NEAR(simulated.fo / 1000, 1, 0.005) << row;
                EXPECT_NEAR(simulated.Q / Q, 1, 0.01) << row;
                worstFo = std::max(worstFo, std::fabs(simulated.fo / 1000 - 1));
                worstQ = std::max(worstQ, std::fabs(simulated.Q / Q - 1));

                const CircuitComponents plain = componentsOf(record);
                const NaturalFrequency uncorrected = simulatedLoop(plain, type, spec, 1000);
                const std::optional<NaturalFrequency> predicted = loopNaturalFrequency(plain, spec.model());
                ASSERT_TRUE(predicted) << row;
                EXPECT_NEAR(uncorrected.Q / predicted->Q, 1, 0.005) << row;
                EXPECT_NEAR(uncorrected.fo / predicted->fo, 1, 0.005) << row;
                EXPECT_GT(uncorrected.Q / Q, 1 + load / 4) << row;  // the rise is at least a quarter of first order
            }
        }
    }
    RecordProperty("worst_fo_error", std::to_string(worstFo));
    RecordProperty("worst_q_error", std::to_string(worstQ));
}

struct NoiseRow {
    FilterType type;
    const char* Q;
    const char* opAmp;
};

TEST(OpAmpNgspice, OutputNoiseMatchesTheSimulatorsNoiseAnalysis)
{
    const NoiseRow rows[] = {
        {FilterType::Lpf, "2", "NE5532"},  {FilterType::Hpf, "2", "LM4562"},   {FilterType::Bpf, "5", "TL071"},
        {FilterType::TzfLow, "2", "OP27"}, {FilterType::TzfHigh, "2", "OPA1612"}, {FilterType::Notch, "2", "AD797"},
        {FilterType::Apf, "2", "MCP6002"},
    };
    for (const NoiseRow& row : rows) {
        const std::string name = std::string(filterTypeInfo(row.type).cliName) + " " + row.opAmp;
        const OpAmpFigures spec = *opAmpByName(row.opAmp);
        const NoiseSection section{componentsOf(synthesised(row.type, "1000", row.Q, zeroFor(row.type), "24")), row.type, spec};
        const std::string output = "v(v" + std::to_string(outputIndex(filterTypeInfo(row.type).output) + 1) + ")";
        const std::string netlist = withOpAmp(section.parts, row.type, spec);

        NoiseSettings settings;  // 10 Hz ... 100 kHz; 20 Hz ... 20 kHz for the total
        settings.points = 81;    // the simulator's "dec 20" grid
        const NoiseResult ours = outputNoise(std::span(&section, 1), settings);
        const SimulatorRun density = simulate(netlist, "noise " + output + " VIN dec 20 10 100k\nsetplot noise1\nwrdata @DATA@ onoise_spectrum");
        ASSERT_EQ(density.rows.size(), ours.density.size()) << name << density.log;
        double worstDb = 0;
        for (std::size_t i = 0; i < ours.density.size(); ++i) {
            EXPECT_NEAR(density.rows[i][0] / ours.frequencyHz[i], 1, 1e-6) << name;  // the data file keeps 7 digits
            worstDb = std::max(worstDb, std::fabs(20 * std::log10(density.rows[i][1] / ours.density[i])));
        }
        EXPECT_LT(worstDb, 0.1) << name;

        const SimulatorRun total = simulate(netlist, "noise " + output + " VIN dec 100 20 20k\nsetplot noise2\nprint onoise_total");
        std::smatch match;
        ASSERT_TRUE(std::regex_search(total.log, match, std::regex(R"(onoise_total = ([-+0-9.eE]+))"))) << name << total.log;
        EXPECT_NEAR(20 * std::log10(std::stod(match[1]) / ours.totalVrms), 0, 0.1) << name;
        RecordProperty(name + "_worst_db", std::to_string(worstDb));
    }
}

// The steady state of a sine at the input: the largest |v| and |dv/dt| of one output over the last five
// periods of a run long enough for the loop to settle.
struct Measured {
    double peak = 0;
    double slope = 0;
};

Measured transient(const CircuitComponents& parts, FilterType type, const OpAmpFigures& spec, OpAmpSubcircuitKind kind,
                   double amplitude, double frequency, int output)
{
    std::string netlist = withOpAmp(parts, type, spec, kind);
    char source[96];
    std::snprintf(source, sizeof source, "VIN in 0 DC 0 SIN(0 %.12g %.12g)", amplitude, frequency);
    netlist.replace(netlist.find("VIN in 0 DC 0 AC 1"), 18, source);
    const double period = 1 / frequency;
    char control[256];
    std::snprintf(control, sizeof control, "set wr_singlescale\ntran %.6g %.6g 0 %.6g\nwrdata @DATA@ v(v%d)", period / 2000,
                  40 * period, period / 2000, output + 1);
    const SimulatorRun run = simulate(netlist, control);
    Measured m;
    for (std::size_t i = 1; i < run.rows.size(); ++i) {
        if (run.rows[i][0] < 35 * period)
            continue;
        m.peak = std::max(m.peak, std::fabs(run.rows[i][1]));
        m.slope = std::max(m.slope, std::fabs((run.rows[i][1] - run.rows[i - 1][1]) / (run.rows[i][0] - run.rows[i - 1][0])));
    }
    return m;
}

// The output that reaches a limit first, and the input amplitude at which it does.
struct Binding {
    std::size_t output;
    double amplitude;
    double frequency;
};

TEST(OpAmpNgspice, SwingWarningsAppearExactlyWhenTheOutputReachesTheRail)
{
    OpAmpFigures spec = singlePole(1e6);
    spec.railNegative = -5;
    spec.railPositive = 5;
    const FilterType type = FilterType::Lpf;
    const CircuitComponents parts = componentsOf(synthesised(type, "1000", "2", "", "24"));
    const SignalChecks perVolt = checkSignal(parts, type, spec, 1, 10, 100e3);
    Binding binding{0, INFINITY, 0};
    for (std::size_t k = 0; k < perVolt.outputs.size(); ++k)
        if (5 / perVolt.outputs[k].peakV < binding.amplitude)
            binding = {k, 5 / perVolt.outputs[k].peakV, perVolt.outputs[k].peakHz};
    for (double factor : {0.97, 1.03}) {
        const double amplitude = factor * binding.amplitude;
        const SignalChecks checks = checkSignal(parts, type, spec, amplitude, 10, 100e3);
        const bool warned = checks.outputs[binding.output].clips();
        EXPECT_EQ(warned, factor > 1) << factor;
        EXPECT_EQ(checks.warnings.empty(), !warned) << factor;
        // Linear op-amps: the output goes past the rail exactly when warned, by the predicted amount.
        const Measured linear = transient(parts, type, spec, OpAmpSubcircuitKind::SmallSignal, amplitude, binding.frequency,
                                          static_cast<int>(binding.output));
        EXPECT_NEAR(linear.peak / checks.outputs[binding.output].peakV, 1, 0.003) << factor;
        EXPECT_EQ(linear.peak > 5, warned) << factor << ": " << linear.peak;
        // Clipping op-amps: the output sits on the rail exactly when warned.
        const Measured clipped = transient(parts, type, spec, OpAmpSubcircuitKind::Limited, amplitude, binding.frequency,
                                           static_cast<int>(binding.output));
        EXPECT_EQ(clipped.peak >= 5 * 0.9999, warned) << factor << ": " << clipped.peak;
    }
}

TEST(OpAmpNgspice, SlewWarningsAppearExactlyWhenTheOutputReachesTheSlewRate)
{
    OpAmpFigures spec = singlePole(10e6);
    spec.slewRate = 1e6;  // 1 V/us
    const FilterType type = FilterType::Bpf;
    const CircuitComponents parts = componentsOf(synthesised(type, "10000", "2", "", "24"));
    const SignalChecks perVolt = checkSignal(parts, type, spec, 1, 10, 100e3);
    Binding binding{0, INFINITY, 0};
    for (std::size_t k = 0; k < perVolt.outputs.size(); ++k)
        if (spec.slewRate / perVolt.outputs[k].slewNeeded < binding.amplitude)
            binding = {k, spec.slewRate / perVolt.outputs[k].slewNeeded, perVolt.outputs[k].slewHz};
    for (double factor : {0.97, 1.03}) {
        const double amplitude = factor * binding.amplitude;
        const SignalChecks checks = checkSignal(parts, type, spec, amplitude, 10, 100e3);
        const bool warned = checks.outputs[binding.output].slews();
        EXPECT_EQ(warned, factor > 1) << factor;
        const Measured linear = transient(parts, type, spec, OpAmpSubcircuitKind::SmallSignal, amplitude, binding.frequency,
                                          static_cast<int>(binding.output));
        // 2000 steps a period measure the sine's slope to about 0.2 %.
        EXPECT_NEAR(linear.slope / checks.outputs[binding.output].slewNeeded, 1, 0.003) << factor;
        EXPECT_EQ(linear.slope > spec.slewRate, warned) << factor << ": " << linear.slope;
        const Measured limited = transient(parts, type, spec, OpAmpSubcircuitKind::Limited, amplitude, binding.frequency,
                                           static_cast<int>(binding.output));
        EXPECT_EQ(limited.slope >= spec.slewRate * 0.995, warned) << factor << ": " << limited.slope;
    }
}


// Whole filters: the cascade's netlist with every op-amp the noisy or the limited subcircuit.

cascade::Cascade designedCascade(approx::ResponseKind kind, approx::Approximation approximation, int order, double fc,
                                 double bandwidth = 0)
{
    cascade::CascadeRequest r;
    r.filter.kind = kind;
    r.filter.approximation = approximation;
    r.filter.order = order;
    r.filter.fcHz = fc;
    r.filter.bandwidthHz = bandwidth;
    r.filter.rippleDb = 0.5;
    r.filter.attenuationDb = 50;
    cascade::CascadeResult designed = cascade::designCascade(r);
    EXPECT_TRUE(designed.cascade) << designed.error;
    return std::move(*designed.cascade);
}

std::string cascadeWithOpAmp(const cascade::Cascade& c, const OpAmpFigures& spec,
                             OpAmpSubcircuitKind kind = OpAmpSubcircuitKind::SmallSignal)
{
    return cascade::cascadeNetlist(c, spec.model(), 10, 100e3, opAmpSubcircuit(spec, kind));
}

// The node of an op-amp's output in the cascade's netlist: the last section's output is "out".
std::string outputNode(const cascade::Cascade& c, int section, int amplifier)
{
    const bool last = section + 1 == static_cast<int>(c.sections.size());
    if (last && amplifier == c.sections.back().circuit.outputIndex())
        return "out";
    return "v" + std::to_string(amplifier + 1) + "_" + std::to_string(section + 1);
}

struct CascadeNoiseRow {
    const char* name;
    approx::ResponseKind kind;
    approx::Approximation approximation;
    int order;
    double fc, bandwidth;
    const char* opAmp;
};

TEST(OpAmpNgspice, WholeFilterNoiseMatchesTheSimulatorsNoiseAnalysis)
{
    // Odd orders bring first-order sections (low-pass and high-pass), the elliptic one the transmission-
    // zero types; the band-pass has band-pass sections. Density within 0.1 dB at every point of the
    // simulator's grid, the total over the passband within 0.1 dB.
    const CascadeNoiseRow rows[] = {
        {"elliptic_lp5_ne5532", approx::ResponseKind::LowPass, approx::Approximation::Elliptic, 5, 2e3, 0, "NE5532"},
        {"chebyshev_hp3_op27", approx::ResponseKind::HighPass, approx::Approximation::Chebyshev, 3, 1e3, 0, "OP27"},
        {"butterworth_bp2_tl071", approx::ResponseKind::BandPass, approx::Approximation::Butterworth, 2, 3e3, 1e3, "TL071"},
    };
    for (const CascadeNoiseRow& row : rows) {
        const cascade::Cascade c = designedCascade(row.kind, row.approximation, row.order, row.fc, row.bandwidth);
        const OpAmpFigures spec = *opAmpByName(row.opAmp);
        const std::vector<NoiseSection> sections = cascadeNoiseSections(c, spec);
        const std::string netlist = cascadeWithOpAmp(c, spec);

        NoiseSettings settings;
        settings.fromHz = 10;
        settings.toHz = 100e3;
        settings.points = 81;  // the simulator's "dec 20" grid
        // The simulator's total stops at the last point of its grid at or below the band's top: a band
        // less than a decade wide (the band-pass's) would lose up to a whole step. The passband's top is
        // moved up onto its grid, which the simulator is then asked to pass by a hair.
        NoiseBand band = passbandOf(c);
        band.highHz = band.lowHz * std::pow(10.0, std::ceil(100 * std::log10(band.highHz / band.lowHz)) / 100);
        settings.bandLowHz = band.lowHz;
        settings.bandHighHz = band.highHz;
        const NoiseResult ours = outputNoise(sections, settings);
        const SimulatorRun density = simulate(netlist, "noise v(out) VIN dec 20 10 100k\nsetplot noise1\nwrdata @DATA@ onoise_spectrum");
        ASSERT_EQ(density.rows.size(), ours.density.size()) << row.name << density.log;
        double worstDb = 0;
        for (std::size_t i = 0; i < ours.density.size(); ++i) {
            EXPECT_NEAR(density.rows[i][0] / ours.frequencyHz[i], 1, 1e-6) << row.name;
            const double db = 20 * std::log10(density.rows[i][1] / ours.density[i]);
            EXPECT_LT(std::fabs(db), 0.1) << row.name << " at " << ours.frequencyHz[i] << " Hz";
            worstDb = std::max(worstDb, std::fabs(db));
        }

        char control[160];
        std::snprintf(control, sizeof control, "noise v(out) VIN dec 100 %.12g %.12g\nsetplot noise2\nprint onoise_total",
                      band.lowHz, band.highHz * (1 + 1e-9));
        const SimulatorRun total = simulate(netlist, control);
        std::smatch match;
        ASSERT_TRUE(std::regex_search(total.log, match, std::regex(R"(onoise_total = ([-+0-9.eE]+))"))) << row.name << total.log;
        EXPECT_NEAR(20 * std::log10(std::stod(match[1]) / ours.totalVrms), 0, 0.1) << row.name;
        RecordProperty(std::string(row.name) + "_worst_db", std::to_string(worstDb));
    }
}

// The steady state of a sine at the filter's input at one op-amp output of the cascade.
Measured cascadeTransient(const cascade::Cascade& c, const OpAmpFigures& spec, OpAmpSubcircuitKind kind, double amplitude,
                          double frequency, const std::string& node)
{
    std::string netlist = cascadeWithOpAmp(c, spec, kind);
    char source[96];
    std::snprintf(source, sizeof source, "VIN in 0 DC 0 SIN(0 %.12g %.12g)", amplitude, frequency);
    netlist.replace(netlist.find("VIN in 0 DC 0 AC 1"), 18, source);
    const double period = 1 / frequency;
    char control[256];
    std::snprintf(control, sizeof control, "set wr_singlescale\ntran %.6g %.6g 0 %.6g\nwrdata @DATA@ v(%s)", period / 2000,
                  40 * period, period / 2000, node.c_str());
    const SimulatorRun run = simulate(netlist, control);
    Measured m;
    for (std::size_t i = 1; i < run.rows.size(); ++i) {
        if (run.rows[i][0] < 35 * period)
            continue;
        m.peak = std::max(m.peak, std::fabs(run.rows[i][1]));
        m.slope = std::max(m.slope, std::fabs((run.rows[i][1] - run.rows[i - 1][1]) / (run.rows[i][0] - run.rows[i - 1][0])));
    }
    return m;
}

TEST(OpAmpNgspice, WholeFilterSwingWarningsAppearExactlyWhenAnOutputReachesTheRail)
{
    // A fourth-order Chebyshev low-pass: its second section's peak rides on the first's, so the op-amp
    // that clips first is found only along the cascade.
    const cascade::Cascade c = designedCascade(approx::ResponseKind::LowPass, approx::Approximation::Chebyshev, 4, 1e3);
    OpAmpFigures spec = singlePole(1e6);
    spec.railNegative = -5;
    spec.railPositive = 5;
    const CascadeSignalChecks perVolt = checkCascadeSignal(c, spec, 1, 100, 10e3);
    std::size_t binding = 0;
    for (std::size_t k = 0; k < perVolt.outputs.size(); ++k)
        if (perVolt.outputs[k].check.peakV > perVolt.outputs[binding].check.peakV)
            binding = k;
    const CascadeOutputCheck& worst = perVolt.outputs[binding];
    const std::string node = outputNode(c, worst.section, outputIndex(worst.check.amplifier));
    for (double factor : {0.97, 1.03}) {
        const double amplitude = factor * 5 / worst.check.peakV;
        const CascadeSignalChecks checks = checkCascadeSignal(c, spec, amplitude, 100, 10e3);
        const bool warned = checks.outputs[binding].check.clips();
        EXPECT_EQ(warned, factor > 1) << factor;
        EXPECT_EQ(checks.warnings.empty(), !warned) << factor;
        const Measured linear = cascadeTransient(c, spec, OpAmpSubcircuitKind::SmallSignal, amplitude, worst.check.peakHz, node);
        EXPECT_NEAR(linear.peak / checks.outputs[binding].check.peakV, 1, 0.003) << factor << " " << node;
        EXPECT_EQ(linear.peak > 5, warned) << factor << ": " << linear.peak;
        const Measured clipped = cascadeTransient(c, spec, OpAmpSubcircuitKind::Limited, amplitude, worst.check.peakHz, node);
        EXPECT_EQ(clipped.peak >= 5 * 0.9999, warned) << factor << ": " << clipped.peak;
    }
}

TEST(OpAmpNgspice, WholeFilterSlewWarningsAppearExactlyWhenAnOutputReachesTheSlewRate)
{
    const cascade::Cascade c = designedCascade(approx::ResponseKind::BandPass, approx::Approximation::Butterworth, 2, 10e3, 3e3);
    OpAmpFigures spec = singlePole(10e6);
    spec.slewRate = 1e6;  // 1 V/us
    const CascadeSignalChecks perVolt = checkCascadeSignal(c, spec, 1, 1e3, 100e3);
    std::size_t binding = 0;
    for (std::size_t k = 0; k < perVolt.outputs.size(); ++k)
        if (perVolt.outputs[k].check.slewNeeded > perVolt.outputs[binding].check.slewNeeded)
            binding = k;
    const CascadeOutputCheck& worst = perVolt.outputs[binding];
    const std::string node = outputNode(c, worst.section, outputIndex(worst.check.amplifier));
    for (double factor : {0.97, 1.03}) {
        const double amplitude = factor * spec.slewRate / worst.check.slewNeeded;
        const CascadeSignalChecks checks = checkCascadeSignal(c, spec, amplitude, 1e3, 100e3);
        const bool warned = checks.outputs[binding].check.slews();
        EXPECT_EQ(warned, factor > 1) << factor;
        const Measured linear = cascadeTransient(c, spec, OpAmpSubcircuitKind::SmallSignal, amplitude, worst.check.slewHz, node);
        EXPECT_NEAR(linear.slope / checks.outputs[binding].check.slewNeeded, 1, 0.003) << factor << " " << node;
        EXPECT_EQ(linear.slope > spec.slewRate, warned) << factor << ": " << linear.slope;
        const Measured limited = cascadeTransient(c, spec, OpAmpSubcircuitKind::Limited, amplitude, worst.check.slewHz, node);
        EXPECT_EQ(limited.slope >= spec.slewRate * 0.995, warned) << factor << ": " << limited.slope;
    }
}

}  // namespace
}  // namespace torvel
