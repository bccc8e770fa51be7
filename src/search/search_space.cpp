#include "search/search_space.h"

#include "values/e_series.h"
#include "values/engineering_notation.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>

namespace torvel::search {
namespace {

// A value within this relative distance of a range bound counts as inside: "1k" must admit the series
// member 1.0 times 1000 however the product rounds.
constexpr double kRangeSlack = 1e-9;
// An error that cannot be computed, or beyond any step worth counting, is judged as this many steps.
constexpr long long kInvalidStep = 1'000'000'000'000'000;
constexpr double kLargestStep = 1e15;
constexpr int kSmallestSeries = 6;
constexpr int kLargestSeries = 192;

bool inside(double value, const ValueRange& range)
{
    return value >= range.low * (1 - kRangeSlack) && value <= range.high * (1 + kRangeSlack);
}

bool positiveFinite(double value) { return value > 0 && std::isfinite(value); }

std::string fieldText(double value) { return FormatEngineering(value, 9, kDisplayDecimals); }

// The members of a series between the bounds of a range, as their texts read.
std::vector<double> seriesValuesIn(int size, const ValueRange& range)
{
    std::vector<double> values;
    const int firstDecade = static_cast<int>(std::floor(std::log10(range.low))) - 1;
    const int lastDecade = static_cast<int>(std::ceil(std::log10(range.high)));
    for (int decade = firstDecade; decade <= lastDecade; ++decade) {
        const double scale = std::pow(10.0, decade);
        for (int index = 0; index < size; ++index) {
            const double value = ParseEngineering(fieldText(SeriesMember(index, size) * scale));
            if (inside(value, range))
                values.push_back(value);
        }
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

bool validSeries(int size) { return size >= kSmallestSeries && size <= kLargestSeries; }

}  // namespace

std::size_t OptionList::lowerBound(double value) const
{
    return static_cast<std::size_t>(
        std::lower_bound(options.begin(), options.end(), value, [](const PartOption& o, double v) { return o.value < v; })
        - options.begin());
}

std::unique_ptr<SearchSpace> SearchSpace::make(const SectionRequest& request, std::string& reason)
{
    const SearchOptions& o = request.options;
    const FilterTypeInfo& info = filterTypeInfo(request.type);
    if (!positiveFinite(request.H) || !positiveFinite(request.fo) || !positiveFinite(request.Q)
        || (info.hasZero && !positiveFinite(request.fn))) {
        reason = "H, fo, Q and fn must be positive numbers";
        return nullptr;
    }
    if (request.type == FilterType::TzfLow && !(request.fn > request.fo)) {
        reason = "fn must lie above fo for TZF (Wo<Wn)";
        return nullptr;
    }
    if (request.type == FilterType::TzfHigh && !(request.fn < request.fo)) {
        reason = "fn must lie below fo for TZF (Wn<Wo)";
        return nullptr;
    }
    if (!positiveFinite(request.standardImpedance)) {
        reason = "the standard impedance must be a positive number";
        return nullptr;
    }
    if (!validSeries(request.resistorSeries) || !validSeries(request.capacitorSeries)) {
        reason = "the search needs an E-series from E6 to E192 for resistors and for capacitors";
        return nullptr;
    }
    for (const ValueRange* range : {&o.resistors, &o.capacitors}) {
        if (!positiveFinite(range->low) || !positiveFinite(range->high) || range->high < range->low) {
            reason = "a part range must run from a positive value up to a larger one";
            return nullptr;
        }
    }
    if (!positiveFinite(o.errorResolution) || !(o.largestAcceptedError > 0)) {
        reason = "the error resolution and the largest accepted error must be positive";
        return nullptr;
    }

    std::unique_ptr<SearchSpace> space(new SearchSpace(request));
    SearchSpace& s = *space;
    s.m_wantedOmega = 2 * std::numbers::pi * request.fo;
    s.m_idealCapacitor = 1 / (s.m_wantedOmega * request.standardImpedance);

    const std::vector<double> resistors = seriesValuesIn(request.resistorSeries, o.resistors);
    const std::vector<double> capacitors = seriesValuesIn(request.capacitorSeries, o.capacitors);
    if (resistors.empty() || capacitors.empty()) {
        reason = "no E-series value lies in the allowed range of resistors or of capacitors";
        return nullptr;
    }
    s.m_resistorParts = static_cast<int>(resistors.size());
    s.m_partValues = resistors;
    s.m_partValues.insert(s.m_partValues.end(), capacitors.begin(), capacitors.end());
    s.m_partValues.push_back(0);  // the all-pass R7 of exactly R1/2, filled per candidate

    // Roles: the loop always; R4 as the input; R7 ... R10 as the type's summing stage has them.
    const auto setFree = [&](Field field) {
        const bool capacitor = field == Field::C1 || field == Field::C2;
        s.m_slots[slot(field)] = {ElementRole::Free, field, s.optionList(capacitor, o.pairs.contains(field))};
    };
    const auto setSame = [&](Field field, Field source) { s.m_slots[slot(field)] = {ElementRole::SameAs, source, nullptr}; };
    for (Field field : {Field::C1, Field::C2, Field::R1, Field::R2, Field::R3, Field::R4, Field::R5, Field::R6})
        setFree(field);
    if (o.keepEqualC)
        setSame(Field::C2, Field::C1);
    if (o.keepR5R6)
        setSame(Field::R6, Field::R5);
    if (info.hasA4) {
        if (info.exactR7)
            s.m_slots[slot(Field::R7)] = {ElementRole::HalfOfR1, Field::R1, nullptr};
        else
            setSame(Field::R7, Field::R1);
        setSame(Field::R9, Field::R4);
        setFree(Field::R10);
        if (request.type == FilterType::Hpf)
            setSame(Field::R8, Field::R3);
        else if (info.r8From)
            setFree(Field::R8);
    }
    for (const ElementSlot& e : s.m_slots) {
        if (e.role == ElementRole::Free && e.options->options.empty()) {
            reason = "no part combination lies in the allowed range";
            return nullptr;
        }
    }

    if (info.exactR7) {
        // R7 = R1/2 exactly, as the synthesis builds it: two R1 parts in parallel where R7 may be a pair and
        // R1 is one part, otherwise one part of that value, an E-series value only by chance.
        const OptionList& r1 = *s.m_slots[slot(Field::R1)].options;
        for (const PartOption& one : r1.options) {
            PartOption half;
            half.text = fieldText(one.value / 2);
            half.value = ParseEngineering(half.text);
            half.lnValue = std::log(half.value);
            half.spread = std::abs(std::log(half.value / s.idealResistor()));
            half.usable = one.usable && inside(half.value, o.resistors);
            if (o.pairs.contains(Field::R7) && one.build == PartBuild::Single) {
                half.build = PartBuild::Parallel;
                half.partIds = {one.partIds[0], one.partIds[0]};
            } else {
                const auto found = std::find(resistors.begin(), resistors.end(), half.value);
                half.partIds[0] = found != resistors.end() ? static_cast<int>(found - resistors.begin()) : s.unroundedPartId();
            }
            s.m_halves.push_back(std::move(half));
        }
    }

    s.m_errorNames = {"H", "fo", "Q", nullptr, nullptr, nullptr};
    s.m_errorCount = 3;
    if (info.hasZero)
        s.m_errorNames[static_cast<std::size_t>(s.m_errorCount++)] = "fn";
    if (info.hasA4)
        s.m_errorNames[static_cast<std::size_t>(s.m_errorCount++)] = "s-term";
    if (request.type == FilterType::Hpf)
        s.m_errorNames[static_cast<std::size_t>(s.m_errorCount++)] = "zero";
    return space;
}

const OptionList* SearchSpace::optionList(bool capacitor, bool pairs)
{
    const std::size_t kind = (capacitor ? 2u : 0u) + (pairs ? 1u : 0u);
    if (m_listByKind[kind])
        return m_listByKind[kind];
    auto list = std::make_unique<OptionList>();
    list->capacitor = capacitor;
    const int first = capacitor ? m_resistorParts : 0;
    const int last = capacitor ? static_cast<int>(m_partValues.size()) - 1 : m_resistorParts;
    const ValueRange& range = capacitor ? m_request.options.capacitors : m_request.options.resistors;
    const double ideal = capacitor ? m_idealCapacitor : m_request.standardImpedance;
    const auto add = [&](double combined, PartBuild build, int a, int b) {
        PartOption option;
        option.text = fieldText(combined);
        option.value = ParseEngineering(option.text);
        if (!inside(option.value, range))
            return;
        option.lnValue = std::log(option.value);
        option.spread = std::abs(std::log(option.value / ideal));
        option.build = build;
        option.partIds = {a, b};
        list->options.push_back(std::move(option));
    };
    for (int a = first; a < last; ++a) {
        add(m_partValues[static_cast<std::size_t>(a)], PartBuild::Single, a, -1);
        if (!pairs)
            continue;
        for (int b = a; b < last; ++b) {
            const double x = m_partValues[static_cast<std::size_t>(a)];
            const double y = m_partValues[static_cast<std::size_t>(b)];
            // Capacitors add in parallel, resistors in series.
            const double sum = x + y;
            const double product = x * y / (x + y);
            add(capacitor ? product : sum, PartBuild::Series, a, b);
            add(capacitor ? sum : product, PartBuild::Parallel, a, b);
        }
    }
    std::stable_sort(list->options.begin(), list->options.end(),
                     [](const PartOption& x, const PartOption& y) { return x.value < y.value; });
    list->byFirstPart.resize(m_partValues.size());
    for (std::size_t i = 0; i < list->options.size(); ++i)
        list->byFirstPart[static_cast<std::size_t>(list->options[i].partIds[0])].push_back(static_cast<int>(i));
    m_lists.push_back(std::move(list));
    m_listByKind[kind] = m_lists.back().get();
    return m_listByKind[kind];
}

const PartOption& SearchSpace::optionOf(const Candidate& candidate, Field field) const
{
    const ElementSlot& e = m_slots[slot(field)];
    switch (e.role) {
    case ElementRole::SameAs: return optionOf(candidate, e.source);
    case ElementRole::HalfOfR1: return halfOf(candidate[slot(Field::R1)]);
    default: return e.options->options[static_cast<std::size_t>(candidate[slot(field)])];
    }
}

CircuitComponents SearchSpace::components(const Candidate& candidate) const
{
    CircuitComponents parts;
    parts.C1 = optionOf(candidate, Field::C1).value;
    parts.C2 = optionOf(candidate, Field::C2).value;
    for (int n = 1; n <= 10; ++n)
        if (inLayout(componentField(n)))
            parts.R[static_cast<std::size_t>(n - 1)] = optionOf(candidate, componentField(n)).value;
    return parts;
}

std::array<double, Objective::kMaxErrors> SearchSpace::errors(const SectionFigures& f) const
{
    const auto relative = [](double realised, double wanted) { return std::abs(realised / wanted - 1); };
    std::array<double, Objective::kMaxErrors> e{};
    e[0] = relative(f.H, m_request.H);
    e[1] = relative(f.fo, m_request.fo);
    e[2] = relative(f.Q, m_request.Q);
    std::size_t next = 3;
    const FilterTypeInfo& info = filterTypeInfo(m_request.type);
    if (info.hasZero)
        e[next++] = relative(f.fn, m_request.fn);
    if (info.hasA4)
        e[next++] = f.sTermResidual;
    if (m_request.type == FilterType::Hpf)
        e[next++] = f.zeroResidual;
    return e;
}

long long SearchSpace::step(double error) const
{
    const double steps = error / m_request.options.errorResolution;
    if (!(steps >= 0) || !(steps < kLargestStep))
        return std::isnan(steps) ? kInvalidStep : static_cast<long long>(kLargestStep);
    return static_cast<long long>(std::floor(steps + 0.5));
}

Objective SearchSpace::objective(const SectionFigures& figures, int distinctValues, double spread) const
{
    const std::array<double, Objective::kMaxErrors> e = errors(figures);
    Objective o;
    for (std::size_t i = 0; i < static_cast<std::size_t>(m_errorCount); ++i)
        o.steps[i] = step(e[i]);
    std::sort(o.steps.begin(), o.steps.end(), std::greater<>());
    o.distinctValues = distinctValues;
    o.spread = spread;
    return o;
}

double SearchSpace::spread(const Candidate& candidate) const
{
    double sum = 0;
    for (Field field : kAllFields)
        if (static_cast<int>(field) < kElementCount && inLayout(field))
            sum += optionOf(candidate, field).spread;
    return sum;
}

Evaluation SearchSpace::evaluate(const Candidate& candidate) const
{
    Evaluation out;
    for (Field field : kAllFields) {
        if (static_cast<int>(field) < kElementCount && inLayout(field) && !optionOf(candidate, field).usable) {
            out.objective.steps.fill(kInvalidStep);
            return out;
        }
    }
    out.figures = sectionFigures(sectionTransfer(components(candidate), m_request.type), m_request.type);
    out.errors = errors(out.figures);
    std::set<int> ids;
    for (Field field : kAllFields) {
        if (static_cast<int>(field) >= kElementCount || !inLayout(field))
            continue;
        for (int id : optionOf(candidate, field).partIds)
            if (id >= 0)
                ids.insert(id);
    }
    out.objective = objective(out.figures, static_cast<int>(ids.size()), spread(candidate));
    return out;
}

int compareObjectives(const Objective& a, const Objective& b)
{
    for (std::size_t i = 0; i < a.steps.size(); ++i)
        if (a.steps[i] != b.steps[i])
            return a.steps[i] < b.steps[i] ? -1 : 1;
    if (a.distinctValues != b.distinctValues)
        return a.distinctValues < b.distinctValues ? -1 : 1;
    if (a.spread != b.spread)
        return a.spread < b.spread ? -1 : 1;
    return 0;
}

}  // namespace torvel::search
