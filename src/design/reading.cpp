#include "design/reading.h"

#include "values/e_series.h"
#include "values/engineering_notation.h"

#include <limits>

namespace torvel {

FieldReading ReadField(DesignPanel& panel, Field field)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (!panel.fieldVisible(field))
        return {nan, false};
    const double value = ParseEngineering(panel.fieldText(field));
    if (std::isnan(value)) {
        panel.CenteredMessage("\r\n" + panel.fieldCaption(field) + ": 数値入力エラー", MessageKind::Warning,
                              MessageButtons::Ok);
        return {nan, true};
    }
    return {value, false};
}

bool ReadParameters(DesignPanel& panel, DesignRecord& record)
{
    const auto read = [&](Field field, Real& into) {
        const FieldReading reading = ReadField(panel, field);
        into = reading.value;
        return reading.failed;
    };
    if (read(Field::H, record.H) || read(Field::Fo, record.fo) || read(Field::Q, record.Q))
        return true;
    const bool fnFailed = read(Field::Fn, record.fn);
    if (panel.radioChecked(FilterType::Notch))
        record.fn = record.fo;
    return fnFailed;
}

std::pair<int, int> ReadSeriesSizes(const DesignPanel& panel)
{
    return {SeriesSizeFromText(panel.comboText(Combo::EvalE1)), SeriesSizeFromText(panel.comboText(Combo::EvalE2))};
}

std::optional<CircuitComponents> ReadCircuitComponents(DesignPanel& panel)
{
    CircuitComponents parts;
    const auto read = [&](Field field, double& into) {
        const FieldReading reading = ReadField(panel, field);
        into = reading.value.value();
        return !reading.failed;
    };
    if (!read(Field::C1, parts.C1) || !read(Field::C2, parts.C2))
        return std::nullopt;
    for (int n = 1; n <= 10; ++n)
        if (!read(componentField(n), parts.R[static_cast<std::size_t>(n - 1)]))
            return std::nullopt;
    return parts;
}

}  // namespace torvel
