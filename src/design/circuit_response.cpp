#include "design/circuit_response.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace torvel {
namespace {

using Complex = std::complex<double>;

// Unknowns: the inverting input and the output of each op-amp. Rows N1 ... N4 hold the current balance
// at each inverting input, rows V1 ... V4 the op-amp equations.
enum Unknown { N1, V1, N2, V2, N3, V3, N4, V4, kUnknowns };
constexpr std::array<int, 4> kInputUnknowns = {N1, N2, N3, N4};
constexpr std::array<int, 4> kOutputUnknowns = {V1, V2, V3, V4};

// The node equations A(w) x = b and the derivative A'(w), which gives the group delay from the same
// factorisation: A x' = -A' x.
struct Equations {
    std::array<std::array<Complex, kUnknowns>, kUnknowns> a{};
    std::array<std::array<Complex, kUnknowns>, kUnknowns> da{};
    std::array<Complex, kUnknowns> b{};
};

// An element between a node and another unknown: current into the node = y (other - node).
void admittance(Equations& e, int node, int other, Complex y, Complex dy = 0)
{
    e.a[node][node] -= y;
    e.a[node][other] += y;
    e.da[node][node] -= dy;
    e.da[node][other] += dy;
}

// An element from the input, whose voltage is 1.
void fromInput(Equations& e, int node, Complex y)
{
    e.a[node][node] -= y;
    e.b[node] -= y;
}

// The op-amp with grounded + input: ideal forces its - input to 0, a real one outputs -A(s) times it.
void opAmp(Equations& e, int row, int inverting, int output, const OpAmpModel& model, double omega)
{
    if (model.ideal()) {
        e.a[row][inverting] = 1;
        return;
    }
    const double wt = 2 * std::numbers::pi * model.gainBandwidthHz;
    const Complex pole = 1.0 + Complex(0, omega) * model.dcGain / wt;
    e.a[row][output] = 1;
    e.a[row][inverting] = model.dcGain / pole;
    e.da[row][inverting] = -model.dcGain * Complex(0, model.dcGain / wt) / (pole * pole);
}

Equations assemble(const CircuitComponents& p, FilterType type, const OpAmpModel& model, double omega)
{
    const Complex s(0, omega);
    const Complex ds(0, 1);
    Equations e;
    fromInput(e, N1, 1 / p.r(4));
    admittance(e, N1, V1, 1 / p.r(1) + s * p.C1, ds * p.C1);
    admittance(e, N1, V3, 1 / p.r(3));
    opAmp(e, V1, N1, V1, model, omega);

    admittance(e, N2, V1, 1 / p.r(2));
    admittance(e, N2, V2, s * p.C2, ds * p.C2);
    opAmp(e, V2, N2, V2, model, omega);

    admittance(e, N3, V2, 1 / p.r(5));
    admittance(e, N3, V3, 1 / p.r(6));
    opAmp(e, V3, N3, V3, model, omega);

    const FilterTypeInfo& info = filterTypeInfo(type);
    if (info.hasA4) {
        admittance(e, N4, V1, 1 / p.r(7));
        fromInput(e, N4, 1 / p.r(9));
        admittance(e, N4, V4, 1 / p.r(10));
        if (info.r8From)
            admittance(e, N4, kOutputUnknowns[static_cast<std::size_t>(outputIndex(*info.r8From))], 1 / p.r(8));
        opAmp(e, V4, N4, V4, model, omega);
    } else {
        e.a[N4][V4] = 1;  // V4 = 0
        e.a[V4][N4] = 1;  // N4 = 0
    }
    return e;
}

// LU factorisation with partial pivoting of an n x n system, solved for several right-hand sides.
template <int n>
class Factorised {
public:
    using Matrix = std::array<std::array<Complex, n>, n>;
    using Vector = std::array<Complex, n>;

    explicit Factorised(Matrix a) : m_lu(a)
    {
        for (int i = 0; i < n; ++i)
            m_order[static_cast<std::size_t>(i)] = i;
        for (int col = 0; col < n; ++col) {
            int pivot = col;
            for (int row = col + 1; row < n; ++row)
                if (std::abs(m_lu[row][col]) > std::abs(m_lu[pivot][col]))
                    pivot = row;
            if (!(std::abs(m_lu[pivot][col]) > 0)) {
                m_singular = true;
                return;
            }
            std::swap(m_lu[col], m_lu[pivot]);
            std::swap(m_order[col], m_order[pivot]);
            for (int row = col + 1; row < n; ++row) {
                const Complex factor = m_lu[row][col] / m_lu[col][col];
                m_lu[row][col] = factor;
                if (factor == Complex(0))
                    continue;
                for (int k = col + 1; k < n; ++k)
                    m_lu[row][k] -= factor * m_lu[col][k];
            }
        }
    }

    Vector solve(const Vector& b) const
    {
        Vector x{};
        if (m_singular) {
            constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
            x.fill(Complex(kNaN, kNaN));
            return x;
        }
        for (int row = 0; row < n; ++row) {
            Complex sum = b[static_cast<std::size_t>(m_order[row])];
            for (int k = 0; k < row; ++k)
                sum -= m_lu[row][k] * x[k];
            x[row] = sum;
        }
        for (int row = n - 1; row >= 0; --row) {
            Complex sum = x[row];
            for (int k = row + 1; k < n; ++k)
                sum -= m_lu[row][k] * x[k];
            x[row] = sum / m_lu[row][row];
        }
        return x;
    }

    /// Solves a^T x = b with the same factors: PA = LU gives A^T = U^T L^T P.
    Vector solveTransposed(const Vector& b) const
    {
        Vector x{};
        if (m_singular) {
            constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
            x.fill(Complex(kNaN, kNaN));
            return x;
        }
        Vector w{};
        for (int row = 0; row < n; ++row) {  // U^T w = b
            Complex sum = b[row];
            for (int k = 0; k < row; ++k)
                sum -= m_lu[k][row] * w[k];
            w[row] = sum / m_lu[row][row];
        }
        for (int row = n - 1; row >= 0; --row) {  // L^T t = w, L with a unit diagonal
            Complex sum = w[row];
            for (int k = row + 1; k < n; ++k)
                sum -= m_lu[k][row] * w[k];
            w[row] = sum;
        }
        for (int row = 0; row < n; ++row)  // P x = t
            x[static_cast<std::size_t>(m_order[row])] = w[row];
        return x;
    }

private:
    Matrix m_lu;
    std::array<int, n> m_order{};
    bool m_singular = false;
};

struct Solution {
    OutputVoltages v;   // V1 ... V4
    OutputVoltages dv;  // their derivatives with respect to the angular frequency
};

Solution solveWithDerivative(const CircuitComponents& p, FilterType type, const OpAmpModel& model, double omega)
{
    const Equations e = assemble(p, type, model, omega);
    Solution out;
    if (model.ideal()) {
        // Ideal op-amps hold every inverting input at 0: only the current balances remain, in V1 ... V4.
        Factorised<4>::Matrix a{};
        Factorised<4>::Vector b{};
        for (std::size_t r = 0; r < 4; ++r) {
            for (std::size_t c = 0; c < 4; ++c)
                a[r][c] = e.a[kInputUnknowns[r]][kOutputUnknowns[c]];
            b[r] = e.b[kInputUnknowns[r]];
        }
        const Factorised<4> lu(a);
        out.v = lu.solve(b);
        Factorised<4>::Vector rhs{};
        for (std::size_t r = 0; r < 4; ++r)
            for (std::size_t c = 0; c < 4; ++c)
                rhs[r] -= e.da[kInputUnknowns[r]][kOutputUnknowns[c]] * out.v[c];
        out.dv = lu.solve(rhs);
        return out;
    }
    const Factorised<kUnknowns> lu(e.a);
    const auto x = lu.solve(e.b);
    Factorised<kUnknowns>::Vector rhs{};
    for (std::size_t r = 0; r < kUnknowns; ++r)
        for (std::size_t c = 0; c < kUnknowns; ++c)
            rhs[r] -= e.da[r][c] * x[c];
    const auto dx = lu.solve(rhs);
    for (std::size_t k = 0; k < 4; ++k) {
        out.v[k] = x[static_cast<std::size_t>(kOutputUnknowns[k])];
        out.dv[k] = dx[static_cast<std::size_t>(kOutputUnknowns[k])];
    }
    return out;
}

}  // namespace

SourceTransfers sourceTransfers(const CircuitComponents& p, FilterType type, const OpAmpModel& model, double frequencyHz)
{
    const Equations e = assemble(p, type, model, 2 * std::numbers::pi * frequencyHz);
    // Every op-amp row ties its inverting input to its output and its non-inverting input:
    // Vn = Vp - eps V with eps = 1/A(s) (0 when ideal). Put into the current balances, that leaves four
    // equations in V1 ... V4, whose right-hand side takes the injected currents and the voltages Vp.
    Factorised<4>::Matrix a{};
    std::array<Complex, 4> nodeSelf{};  // each inverting node's own coefficient, minus its total admittance
    for (std::size_t r = 0; r < 4; ++r) {
        const std::size_t node = static_cast<std::size_t>(kInputUnknowns[r]);
        const std::size_t row = static_cast<std::size_t>(kOutputUnknowns[r]);
        nodeSelf[r] = e.a[node][node];
        const Complex eps = e.a[row][row] / e.a[row][node];
        for (std::size_t c = 0; c < 4; ++c)
            a[r][c] = e.a[node][static_cast<std::size_t>(kOutputUnknowns[c])];
        a[r][r] -= nodeSelf[r] * eps;
    }
    // The output's row of the inverse: y with a^T y = e_out, so that V_out = y . rhs for any rhs.
    Factorised<4>::Vector unit{};
    const std::size_t out = static_cast<std::size_t>(outputIndex(filterTypeInfo(type).output));
    unit[out] = 1;
    const Factorised<4>::Vector y = Factorised<4>(a).solveTransposed(unit);
    SourceTransfers t;
    for (std::size_t r = 0; r < 4; ++r) {
        t.fromInput += y[r] * e.b[static_cast<std::size_t>(kInputUnknowns[r])];
        // A current I into the node adds I to its balance: rhs - I. A voltage Vp adds nodeSelf Vp to the
        // balance: rhs - nodeSelf Vp.
        t.fromInvertingCurrent[r] = -y[r];
        t.fromNonInvertingVoltage[r] = -y[r] * nodeSelf[r];
    }
    if (!filterTypeInfo(type).hasA4) {
        t.fromInvertingCurrent[3] = 0;
        t.fromNonInvertingVoltage[3] = 0;
    }
    return t;
}

CircuitComponents componentsOf(const DesignRecord& record)
{
    CircuitComponents parts;
    parts.C1 = record.C1.value();
    parts.C2 = record.C2.value();
    for (int n = 1; n <= 10; ++n)
        parts.R[static_cast<std::size_t>(n - 1)] = record.r(n).value();
    return parts;
}

OutputVoltages solveCircuit(const CircuitComponents& p, FilterType type, const OpAmpModel& model, double frequencyHz)
{
    OutputVoltages v = solveWithDerivative(p, type, model, 2 * std::numbers::pi * frequencyHz).v;
    if (!filterTypeInfo(type).hasA4)
        v[3] = 0;
    return v;
}

ResponseCurves frequencyResponse(const CircuitComponents& parts, FilterType type, const OpAmpModel& model,
                                 double startHz, double stopHz, int points)
{
    ResponseCurves curves;
    curves.outputIndex = outputIndex(filterTypeInfo(type).output);
    curves.hasA4 = filterTypeInfo(type).hasA4;
    const int n = std::max(points, 2);
    const double logStart = std::log10(startHz);
    const double step = (std::log10(stopHz) - logStart) / (n - 1);
    // Group delay -d(phase)/d(omega) = -Im(H'/H), with H' from the same factorisation as H.
    curves.frequencyHz.reserve(static_cast<std::size_t>(n));
    curves.outputGroupDelay.reserve(static_cast<std::size_t>(n));
    for (std::size_t k = 0; k < 4; ++k) {
        curves.levelDb[k].reserve(static_cast<std::size_t>(n));
        curves.phaseDeg[k].reserve(static_cast<std::size_t>(n));
    }
    for (int i = 0; i < n; ++i) {
        const double f = std::pow(10.0, logStart + step * i);
        const Solution solution = solveWithDerivative(parts, type, model, 2 * std::numbers::pi * f);
        curves.frequencyHz.push_back(f);
        for (std::size_t k = 0; k < 4; ++k) {
            const std::complex<double> v = k == 3 && !curves.hasA4 ? std::complex<double>(0) : solution.v[k];
            curves.levelDb[k].push_back(10 * std::log10(std::norm(v)));
            curves.phaseDeg[k].push_back(std::arg(v) * (180 / std::numbers::pi));
        }
        const std::size_t out = static_cast<std::size_t>(curves.outputIndex);
        curves.outputGroupDelay.push_back(-(solution.dv[out] / solution.v[out]).imag());
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
