#include "cascade/built_section.h"

#include "design/filter_types.h"
#include "design/model_session.h"
#include "design/reading.h"
#include "design/synthesis.h"
#include "values/e_series.h"
#include "values/engineering_notation.h"

#include <cmath>
#include <cstdio>

namespace torvel::cascade {
namespace {

constexpr int kElementTextWidth = 9;

// A number as a field text that reads back to the same double's first twelve digits: more than any
// series or display needs, fewer than the noise of the last bits.
std::string parameterText(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.12g", value);
    return text;
}

std::string elementText(double value) { return FormatEngineering(value, kElementTextWidth, kDisplayDecimals); }

RealisedValue compare(std::string_view name, double wanted, double realised)
{
    return {name, wanted, realised, wanted != 0 ? (realised / wanted - 1) * 100 : 0};
}

SectionBuild buildSecondOrder(const approx::Section& wanted, double H, FilterType type, const PartSettings& settings)
{
    ModelSession session;
    session.panel.checkRadio(type);
    session.panel.setComboText(Combo::EvalE1, settings.resistorSeries);
    session.panel.setComboText(Combo::EvalE2, settings.capacitorSeries);
    session.panel.setFieldText(Field::Zval, settings.impedance);
    session.panel.setFieldText(Field::H, parameterText(H));
    session.panel.setFieldText(Field::Fo, parameterText(wanted.foHz));
    session.panel.setFieldText(Field::Q, parameterText(wanted.q.value_or(0)));
    if (wanted.fnHz)
        session.panel.setFieldText(Field::Fn, parameterText(*wanted.fnHz));
    const CommandOutcome outcome = session.designer.synthesize();
    const std::string where = std::string(approx::sectionKindName(wanted.kind)) + " section at " + parameterText(wanted.foHz) + " Hz";
    if (outcome.status == CommandStatus::Fault)
        return {std::nullopt, "the synthesis of the " + where + " ended in a fault: " + outcome.faultText, true};
    if (outcome.status != CommandStatus::Completed) {
        // The warning the panel showed names the field; its text starts with a line break.
        std::string warning = session.panel.messages().empty() ? "" : session.panel.messages().back().text;
        warning.erase(0, warning.find_first_not_of("\r\n"));
        return {std::nullopt, "the synthesis of the " + where + " cannot read its values: " + warning};
    }

    BuiltSection built;
    built.wanted = wanted;
    built.H = H;
    const FilterType builtType = checkedFilterType(session.panel);
    built.kind = sectionKindOf(builtType);
    for (Field f : kAllFields)
        built.fields[static_cast<std::size_t>(f)] = {session.panel.fieldText(f), session.panel.fieldVisible(f)};
    // The circuit is what the fields show, read as the analysis reads them.
    const std::optional<CircuitComponents> parts = ReadCircuitComponents(session.panel);
    if (!parts)
        return {std::nullopt, "a synthesised section does not read back"};
    built.circuit = secondOrderCircuit(*parts, builtType);
    built.realised = realisedOf(wanted, H, built.kind, built.circuit);
    return {std::move(built), {}};
}

SectionBuild buildFirstOrder(const approx::Section& wanted, double H, const PartSettings& settings)
{
    const PartValues values = readPartSettings(settings);
    const bool highPass = wanted.kind == approx::SectionKind::FirstOrderHp;
    FirstOrderParts parts = designFirstOrder(highPass, wanted.foHz, H, values.resistorSeries, values.capacitorSeries,
                                             values.standardImpedance);
    BuiltSection built;
    built.wanted = wanted;
    built.H = H;
    built.kind = wanted.kind;
    const auto show = [&](Field f, std::string text) { built.fields[static_cast<std::size_t>(f)] = {std::move(text), true}; };
    show(Field::C1, elementText(parts.C1));
    show(Field::R1, elementText(parts.R1));
    show(Field::R4, elementText(parts.R4));
    show(Field::H, parameterText(H));
    show(Field::Fo, parameterText(wanted.foHz));
    show(Field::Zval, settings.impedance);
    // The parts as their texts read, like a second-order section's.
    parts.C1 = ParseEngineering(built.fields[static_cast<std::size_t>(Field::C1)].text);
    parts.R1 = ParseEngineering(built.fields[static_cast<std::size_t>(Field::R1)].text);
    parts.R4 = ParseEngineering(built.fields[static_cast<std::size_t>(Field::R4)].text);
    if (!(parts.C1 > 0 && parts.R1 > 0 && parts.R4 > 0 && std::isfinite(parts.R4)))
        return {std::nullopt, "the first-order section at " + parameterText(wanted.foHz) + " Hz has no usable parts"};
    built.circuit = firstOrderCircuit(parts);
    built.realised = realisedOf(wanted, H, built.kind, built.circuit);
    return {std::move(built), {}};
}

}  // namespace

std::optional<SectionCircuit> circuitFromFields(const BuiltSection& section)
{
    const auto text = [&](Field f) { return section.fields[static_cast<std::size_t>(f)].text; };
    if (const std::optional<FilterType> type = filterTypeOfSection(section.kind)) {
        PanelModel panel;
        panel.checkRadio(*type);
        ShowTypeLayout(panel, *type);
        for (Field f : kAllFields)
            panel.setFieldText(f, text(f));
        const std::optional<CircuitComponents> parts = ReadCircuitComponents(panel);
        if (!parts)
            return std::nullopt;
        return secondOrderCircuit(*parts, *type);
    }
    FirstOrderParts p;
    p.highPass = section.kind == approx::SectionKind::FirstOrderHp;
    p.C1 = ParseEngineering(text(Field::C1));
    p.R1 = ParseEngineering(text(Field::R1));
    p.R4 = ParseEngineering(text(Field::R4));
    for (double v : {p.C1, p.R1, p.R4})
        if (!(v > 0 && std::isfinite(v)))
            return std::nullopt;
    return firstOrderCircuit(p);
}


RealisedValues realisedOf(const approx::Section& wanted, double H, approx::SectionKind kind, const SectionCircuit& circuit)
{
    const CircuitFigures built = circuitFigures(circuit, kind);
    RealisedValues out;
    out.values[0] = compare("H", H, built.H);
    out.values[1] = compare("fo", wanted.foHz, built.foHz);
    out.count = 2;
    if (wanted.q)
        out.values[out.count++] = compare("Q", *wanted.q, built.Q);
    // A notch's zero is its fo; only the two transmission-zero kinds have one of their own.
    if (wanted.fnHz && !std::isnan(built.fnHz))
        out.values[out.count++] = compare("fn", *wanted.fnHz, built.fnHz);
    return out;
}

std::optional<FilterType> filterTypeOfSection(approx::SectionKind kind)
{
    switch (kind) {
    case approx::SectionKind::Lpf: return FilterType::Lpf;
    case approx::SectionKind::Hpf: return FilterType::Hpf;
    case approx::SectionKind::Bpf: return FilterType::Bpf;
    case approx::SectionKind::TzfLow: return FilterType::TzfLow;
    case approx::SectionKind::TzfHigh: return FilterType::TzfHigh;
    case approx::SectionKind::Notch: return FilterType::Notch;
    case approx::SectionKind::FirstOrderLp:
    case approx::SectionKind::FirstOrderHp: return std::nullopt;
    }
    return std::nullopt;
}

approx::SectionKind sectionKindOf(FilterType type)
{
    switch (type) {
    case FilterType::Lpf: return approx::SectionKind::Lpf;
    case FilterType::Hpf: return approx::SectionKind::Hpf;
    case FilterType::Bpf: return approx::SectionKind::Bpf;
    case FilterType::TzfLow: return approx::SectionKind::TzfLow;
    case FilterType::TzfHigh: return approx::SectionKind::TzfHigh;
    case FilterType::Notch:
    case FilterType::Apf: return approx::SectionKind::Notch;
    }
    return approx::SectionKind::Notch;
}

PartValues readPartSettings(const PartSettings& settings)
{
    const double z = ParseEngineering(settings.impedance);
    return {SeriesSizeFromText(settings.resistorSeries), SeriesSizeFromText(settings.capacitorSeries),
            std::isnan(z) ? kDefaultStandardImpedance : z};
}

SectionBuild buildSection(const approx::Section& wanted, double H, const PartSettings& settings)
{
    if (const std::optional<FilterType> type = filterTypeOfSection(wanted.kind))
        return buildSecondOrder(wanted, H, *type, settings);
    return buildFirstOrder(wanted, H, settings);
}

}  // namespace torvel::cascade
