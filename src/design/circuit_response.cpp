#include "design/circuit_response.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace torvel {
namespace {

using Complex = std::complex<double>;

// Unknowns: the inverting input and the output of each op-amp.
enum Unknown { N1, V1, N2, V2, N3, V3, N4, V4, kUnknowns };

struct Equations {
    std::array<std::array<Complex, kUnknowns>, kUnknowns> a{};
    std::array<Complex, kUnknowns> b{};
};

// Gaussian elimination with partial pivoting; NaNs for a singular system.
std::array<Complex, kUnknowns> solve(Equations e)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    for (int col = 0; col < kUnknowns; ++col) {
        int pivot = col;
        for (int row = col + 1; row < kUnknowns; ++row)
            if (std::abs(e.a[row][col]) > std::abs(e.a[pivot][col]))
                pivot = row;
        if (!(std::abs(e.a[pivot][col]) > 0)) {
            std::array<Complex, kUnknowns> nan;
            nan.fill(Complex(kNaN, kNaN));
            return nan;
        }
        std::swap(e.a[col], e.a[pivot]);
        std::swap(e.b[col], e.b[pivot]);
        for (int row = col + 1; row < kUnknowns; ++row) {
            const Complex factor = e.a[row][col] / e.a[col][col];
            if (factor == Complex(0))
                continue;
            for (int k = col; k < kUnknowns; ++k)
                e.a[row][k] -= factor * e.a[col][k];
            e.b[row] -= factor * e.b[col];
        }
    }
    std::array<Complex, kUnknowns> x{};
    for (int row = kUnknowns - 1; row >= 0; --row) {
        Complex sum = e.b[row];
        for (int k = row + 1; k < kUnknowns; ++k)
            sum -= e.a[row][k] * x[k];
        x[row] = sum / e.a[row][row];
    }
    return x;
}

// A conductance between two unknowns (or an unknown and the input, whose voltage is 1) in the current
// balance of `node`: current into the node = y (other - node).
void admittance(Equations& e, int node, int other, Complex y)
{
    e.a[node][node] -= y;
    e.a[node][other] += y;
}
void fromInput(Equations& e, int node, Complex y)
{
    e.a[node][node] -= y;
    e.b[node] -= y;  // y * (Vin - node) with Vin = 1
}

// The op-amp with grounded + input: ideal forces its - input to 0, a real one outputs -A(s) times it.
void opAmp(Equations& e, int row, int inverting, int output, const OpAmpModel& model, Complex s)
{
    if (model.ideal()) {
        e.a[row][inverting] = 1;
        return;
    }
    const double wt = 2 * std::numbers::pi * model.gainBandwidthHz;
    const Complex gain = model.dcGain / (1.0 + s * model.dcGain / wt);
    e.a[row][output] = 1;
    e.a[row][inverting] = gain;
}

}  // namespace

bool hasSummingAmplifier(FilterType type) { return type != FilterType::Lpf && type != FilterType::Bpf; }

int filterOutputIndex(FilterType type)
{
    if (type == FilterType::Lpf)
        return 2;
    if (type == FilterType::Bpf)
        return 0;
    return 3;
}

OutputVoltages solveCircuit(const CircuitComponents& p, FilterType type, const OpAmpModel& model, double frequencyHz)
{
    const Complex s(0, 2 * std::numbers::pi * frequencyHz);
    Equations e;
    // Rows N1, N2, N3, N4 hold the current balance at each inverting input; rows V1 ... V4 the op-amps.
    fromInput(e, N1, 1 / p.r(4));
    admittance(e, N1, V1, 1 / p.r(1) + s * p.C1);
    admittance(e, N1, V3, 1 / p.r(3));
    opAmp(e, V1, N1, V1, model, s);

    admittance(e, N2, V1, 1 / p.r(2));
    admittance(e, N2, V2, s * p.C2);
    opAmp(e, V2, N2, V2, model, s);

    admittance(e, N3, V2, 1 / p.r(5));
    admittance(e, N3, V3, 1 / p.r(6));
    opAmp(e, V3, N3, V3, model, s);

    if (hasSummingAmplifier(type)) {
        admittance(e, N4, V1, 1 / p.r(7));
        fromInput(e, N4, 1 / p.r(9));
        admittance(e, N4, V4, 1 / p.r(10));
        // R8 from A2 where the zero lies above fo, from A3 (R8') for HPF and the zero below fo.
        if (type == FilterType::TzfLow)
            admittance(e, N4, V2, 1 / p.r(8));
        else if (type == FilterType::Hpf || type == FilterType::TzfHigh)
            admittance(e, N4, V3, 1 / p.r(8));
        opAmp(e, V4, N4, V4, model, s);
    } else {
        e.a[N4][N4] = 1;
        e.a[V4][V4] = 1;
    }
    const auto x = solve(e);
    return {x[V1], x[V2], x[V3], hasSummingAmplifier(type) ? x[V4] : Complex(0)};
}

ResponseCurves frequencyResponse(const CircuitComponents& parts, FilterType type, const OpAmpModel& model,
                                 double startHz, double stopHz, int points)
{
    ResponseCurves curves;
    curves.outputIndex = filterOutputIndex(type);
    curves.hasA4 = hasSummingAmplifier(type);
    const int n = std::max(points, 2);
    const double logStart = std::log10(startHz);
    const double step = (std::log10(stopHz) - logStart) / (n - 1);
    // Group delay -d(phase)/d(omega) from the phase change across +-0.01 % of each frequency; the ratio
    // of the two responses keeps the phase difference free of wrapping.
    constexpr double kRelativeStep = 1e-4;
    for (int i = 0; i < n; ++i) {
        const double f = std::pow(10.0, logStart + step * i);
        const OutputVoltages v = solveCircuit(parts, type, model, f);
        curves.frequencyHz.push_back(f);
        for (std::size_t k = 0; k < 4; ++k) {
            curves.levelDb[k].push_back(20 * std::log10(std::abs(v[k])));
            curves.phaseDeg[k].push_back(std::arg(v[k]) * 180 / std::numbers::pi);
        }
        const std::size_t out = static_cast<std::size_t>(curves.outputIndex);
        const Complex above = solveCircuit(parts, type, model, f * (1 + kRelativeStep))[out];
        const Complex below = solveCircuit(parts, type, model, f * (1 - kRelativeStep))[out];
        const double dOmega = 2 * std::numbers::pi * f * 2 * kRelativeStep;
        curves.outputGroupDelay.push_back(-std::arg(above / below) / dOmega);
    }
    return curves;
}

ResponsePeak findPeak(const CircuitComponents& parts, FilterType type, const OpAmpModel& model, int output,
                      double startHz, double stopHz)
{
    const auto level = [&](double logF) {
        return 20 * std::log10(std::abs(solveCircuit(parts, type, model, std::pow(10.0, logF))[static_cast<std::size_t>(output)]));
    };
    constexpr int kGrid = 2000;
    const double lo = std::log10(startHz);
    const double step = (std::log10(stopHz) - lo) / (kGrid - 1);
    int best = 0;
    double bestLevel = -INFINITY;
    for (int i = 0; i < kGrid; ++i) {
        const double l = level(lo + step * i);
        if (l > bestLevel) {
            bestLevel = l;
            best = i;
        }
    }
    double a = lo + step * std::max(best - 1, 0);
    double b = lo + step * std::min(best + 1, kGrid - 1);
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    for (int i = 0; i < 100 && b - a > 1e-12; ++i) {
        const double c = b - ratio * (b - a);
        const double d = a + ratio * (b - a);
        if (level(c) > level(d))
            b = d;
        else
            a = c;
    }
    const double logPeak = (a + b) / 2;
    const double refined = level(logPeak);
    if (refined >= bestLevel)
        return {std::pow(10.0, logPeak), refined};
    return {std::pow(10.0, lo + step * best), bestLevel};
}

}  // namespace torvel
