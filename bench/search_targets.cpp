// How close the synthesis and the search come to the wanted figures, over random designs of every type:
// the table in the README. Each design has fo 30 Hz ... 100 kHz, Q 0.5 ... 10, H 0.5 ... 5 (log-uniform)
// and, for the transmission-zero types, fn 1.26 ... 3.2 times above or below fo.
//
//   torvel-search-targets [designs per type] [seed] [time limit s] [configuration ...]
//
// configurations: synth-e24, search-e24, search-e24-pair (R1 may be two parts), synth-e96, search-e96.
// Prints per configuration the median and 90th percentile of each figure's error, the largest error of
// fn, how long each design took and how many searches ran to their end within the time limit.
//
// floors-e24 and floors-e96 print what no choice of single parts can beat, whatever the objective:
//   - H, where the type's gain is the ratio of two single resistors (R10/R9 behind the summing stage,
//     R1/R4 in the band-pass): the nearest ratio of two series values in range;
//   - fo and Q together: Q = w0 R1 C1, so moving w0 by e^x makes fo err by e^x - 1 and Q by e^(x+y) - 1,
//     y = ln(w R1 C1 / Q) being the offset of the nearest R1 C1 product; the larger of the two is at least
//     |tanh(y/2)|, and it is the best over R1 and C1 that counts. With fo exact, Q errs by |e^y - 1|.
// The H column then holds the H floor of the five types whose gain is such a ratio, the fo column the floor
// of the larger of the fo and Q errors, and the Q column Q's floor where fo is exact.
#include "design/model_session.h"
#include "design/realised_values.h"
#include "search/best_values.h"
#include "values/e_series.h"
#include "values/engineering_notation.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace torvel;

struct Design {
    FilterType type;
    double H, fo, Q, fn;
};

std::vector<Design> randomDesigns(int perType, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    const auto logUniform = [&](double low, double high) { return low * std::pow(high / low, unit(random)); };
    std::vector<Design> designs;
    for (FilterType type : kAllFilterTypes) {
        for (int i = 0; i < perType; ++i) {
            Design d{type, logUniform(0.5, 5), logUniform(30, 100e3), logUniform(0.5, 10), 0};
            const double apart = logUniform(1.26, 3.2);
            d.fn = type == FilterType::TzfLow ? d.fo * apart : (type == FilterType::TzfHigh ? d.fo / apart : d.fo);
            designs.push_back(d);
        }
    }
    return designs;
}

struct Errors {
    std::vector<double> H, fo, Q, fn;  // |error| in %
    std::vector<double> ms;
    int unproven = 0;
    int refused = 0;
};

void add(Errors& e, const RealisedValues& r, double ms)
{
    std::vector<double>* lists[] = {&e.H, &e.fo, &e.Q, &e.fn};
    for (int i = 0; i < r.count; ++i)
        lists[i]->push_back(std::abs(r.values[static_cast<std::size_t>(i)].errorPercent));
    e.ms.push_back(ms);
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    const double rank = std::ceil(p * static_cast<double>(v.size())) - 1;
    return v[std::min(v.size() - 1, static_cast<std::size_t>(std::max(rank, 0.0)))];
}

std::string text(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, value < 10 ? "%.3f" : "%.1f", value);
    return buffer;
}

void synthesise(const std::vector<Design>& designs, const char* e1, const char* e2, Errors& out)
{
    for (const Design& d : designs) {
        ModelSession s;
        s.panel.checkRadio(d.type);
        s.panel.setComboText(Combo::EvalE1, e1);
        s.panel.setComboText(Combo::EvalE2, e2);
        const double figures[] = {d.H, d.fo, d.Q, d.fn};
        const Field fields[] = {Field::H, Field::Fo, Field::Q, Field::Fn};
        for (int i = 0; i < 4; ++i)
            s.panel.setFieldText(fields[i], FormatEngineering(figures[i], 0, 9));
        const auto start = std::chrono::steady_clock::now();
        if (s.designer.synthesize().status != CommandStatus::Completed) {
            ++out.refused;
            continue;
        }
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        add(out, realisedValues(s.designer.record(), checkedFilterType(s.panel)), ms);
    }
}

void searchAll(const std::vector<Design>& designs, int e1, int e2, bool pair, double limit, Errors& out)
{
    for (const Design& d : designs) {
        search::SectionRequest r;
        r.type = d.type;
        r.H = d.H;
        r.fo = d.fo;
        r.Q = d.Q;
        r.fn = d.fn;
        r.resistorSeries = e1;
        r.capacitorSeries = e2;
        r.options.timeLimitSeconds = limit;
        r.options.largestAcceptedError = 1;  // measure every design, however far it misses
        if (pair)
            r.options.pairs = {Field::R1};
        const search::SectionResult result = search::findBestValues(r);
        if (result.status != search::SearchStatus::Found) {
            ++out.refused;
            continue;
        }
        out.unproven += result.proven ? 0 : 1;
        add(out, result.realised, result.milliseconds);
    }
}

// The series' values between low and high.
std::vector<double> seriesValues(int size, double low, double high)
{
    std::vector<double> values;
    for (int decade = static_cast<int>(std::floor(std::log10(low))); std::pow(10.0, decade) <= high; ++decade)
        for (int k = 0; k < size; ++k) {
            const double v = SeriesMember(k, size) * std::pow(10.0, decade);
            if (v >= low * (1 - 1e-12) && v <= high * (1 + 1e-12))
                values.push_back(v);
        }
    return values;
}

// How near a ratio a / b of values from the two lists comes to the target: the smallest |a / (b target) - 1|.
double nearestRatioError(double target, const std::vector<double>& top, const std::vector<double>& bottom)
{
    double best = INFINITY;
    for (double b : bottom) {
        const auto at = std::lower_bound(top.begin(), top.end(), target * b);
        for (auto i : {at - 1, at})
            if (i >= top.begin() && i < top.end())
                best = std::min(best, std::abs(*i / b / target - 1));
    }
    return best;
}

// See the file's head: floors of H and of the fo and Q errors, in %, for single parts of two series.
void floors(const std::vector<Design>& designs, int e1, int e2, Errors& out)
{
    const std::vector<double> resistors = seriesValues(e1, 1e3, 1e6);
    const std::vector<double> capacitors = seriesValues(e2, 100e-12, 10e-6);
    for (const Design& d : designs) {
        const FilterTypeInfo& info = filterTypeInfo(d.type);
        // The gain at high frequency is R10/R9; the band-pass gain at w0 is R1/R4. Elsewhere (the low-pass,
        // TZF (Wo<Wn)) the gain also has loop resistors in it and no floor is claimed: those designs are
        // left out of the H column.
        if ((info.hasA4 && d.type != FilterType::TzfLow) || d.type == FilterType::Bpf)
            out.H.push_back(100 * nearestRatioError(d.H, resistors, resistors));
        // y over every C1 and its nearest R1: the R1 C1 product nearest Q / w.
        const double w = 2 * std::numbers::pi * d.fo;
        double shared = INFINITY, qAlone = INFINITY;
        for (double c1 : capacitors) {
            const double r1 = d.Q / (w * c1);
            const auto at = std::lower_bound(resistors.begin(), resistors.end(), r1);
            for (auto i : {at - 1, at})
                if (i >= resistors.begin() && i < resistors.end()) {
                    const double y = std::log(*i / r1);
                    shared = std::min(shared, std::abs(std::tanh(y / 2)));
                    qAlone = std::min(qAlone, std::abs(std::expm1(y)));
                }
        }
        out.fo.push_back(100 * shared);
        out.Q.push_back(100 * qAlone);
        out.ms.push_back(0);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const int perType = argc > 1 ? std::atoi(argv[1]) : 200;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
    const double limit = argc > 3 ? std::atof(argv[3]) : 0;
    std::vector<std::string> configurations;
    for (int i = 4; i < argc; ++i)
        configurations.emplace_back(argv[i]);
    if (configurations.empty())
        configurations = {"synth-e24", "search-e24", "search-e24-pair", "synth-e96", "search-e96"};

    const std::vector<Design> designs = randomDesigns(perType, seed);
    std::printf("%d designs per type, seed %u, time limit %s s\n", perType, seed, limit > 0 ? text(limit).c_str() : "none");
    std::printf("| configuration | H median / 90th | fo median / 90th | Q median / 90th | fn median / 90th / max "
                "| ms median / 90th / max | stopped by the limit |\n|---|---|---|---|---|---|---|\n");
    for (const std::string& c : configurations) {
        Errors e;
        if (c == "synth-e24")
            synthesise(designs, "24", "6", e);
        else if (c == "synth-e96")
            synthesise(designs, "96", "24", e);
        else if (c == "search-e24")
            searchAll(designs, 24, 6, false, limit, e);
        else if (c == "search-e24-pair")
            searchAll(designs, 24, 6, true, limit, e);
        else if (c == "search-e96")
            searchAll(designs, 96, 24, false, limit, e);
        else if (c == "floors-e24")
            floors(designs, 24, 6, e);
        else if (c == "floors-e96")
            floors(designs, 96, 24, e);
        else
            continue;
        const auto two = [](const std::vector<double>& v) {
            return text(percentile(v, 0.5)) + " / " + text(percentile(v, 0.9)) + " %";
        };
        const std::string fn = text(percentile(e.fn, 0.5)) + " / " + text(percentile(e.fn, 0.9)) + " / "
            + text(percentile(e.fn, 1.0)) + " %";
        const std::string ms = text(percentile(e.ms, 0.5)) + " / " + text(percentile(e.ms, 0.9)) + " / "
            + text(percentile(e.ms, 1.0));
        const std::string unproven = std::to_string(e.unproven) + " of " + std::to_string(e.ms.size())
            + (e.refused ? ", " + std::to_string(e.refused) + " refused" : std::string());
        std::printf("| %s | %s | %s | %s | %s | %s | %s |\n", c.c_str(), two(e.H).c_str(), two(e.fo).c_str(),
                    two(e.Q).c_str(), fn.c_str(), ms.c_str(), unproven.c_str());
        std::fflush(stdout);
    }
}
