// How close the synthesis and the search come to the wanted figures, over random designs of every type:
// the table in the README. Each design has fo 30 Hz ... 100 kHz, Q 0.5 ... 10, H 0.5 ... 5 (log-uniform)
// and, for the transmission-zero types, fn 1.26 ... 3.2 times above or below fo.
//
//   torvel-search-targets [designs per type] [seed] [time limit s] [configuration ...]
//
// configurations: synth-e24, search-e24, search-e24-pair (R1 may be two parts), synth-e96, search-e96.
// Prints per configuration the median and 90th percentile of each figure's error, the largest error of
// fn, how long each design took and how many searches ran to their end within the time limit.
#include "design/model_session.h"
#include "design/realised_values.h"
#include "search/best_values.h"
#include "values/engineering_notation.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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
