#include "design/reading.h"

#include "values/e_series.h"
#include "values/engineering_notation.h"

#include <limits>

namespace torvel {

std::optional<Real> ReadField(DesignPanel& panel, Field field)
{
    if (!panel.fieldVisible(field))
        return Real(std::numeric_limits<double>::quiet_NaN());
    const double value = ParseEngineering(panel.fieldText(field));
    if (std::isnan(value)) {
        panel.CenteredMessage("\r\n" + panel.fieldCaption(field) + ": 数値入力エラー", MessageKind::Warning,
                              MessageButtons::Ok);
        return std::nullopt;
    }
    return Real(value);
}

Reading ReadParameters(DesignPanel& panel, DesignRecord& record)
{
    // A field that fails leaves NaN in the record, as the hidden fields do.
    const auto read = [&](Field field, Real& into) {
        const std::optional<Real> value = ReadField(panel, field);
        into = value.value_or(std::numeric_limits<double>::quiet_NaN());
        return value.has_value();
    };
    if (!read(Field::H, record.H) || !read(Field::Fo, record.fo) || !read(Field::Q, record.Q))
        return Reading::StoppedAtField;
    const bool fnRead = read(Field::Fn, record.fn);
    if (panel.radioChecked(FilterType::Notch))
        record.fn = record.fo;
    return fnRead ? Reading::Complete : Reading::StoppedAtField;
}

std::pair<int, int> ReadSeriesSizes(const DesignPanel& panel)
{
    return {SeriesSizeFromText(panel.comboText(Combo::EvalE1)), SeriesSizeFromText(panel.comboText(Combo::EvalE2))};
}

std::optional<CircuitComponents> ReadCircuitComponents(DesignPanel& panel)
{
    CircuitComponents parts;
    const auto read = [&](Field field, double& into) {
        const std::optional<Real> value = ReadField(panel, field);
        if (value)
            into = value->value();
        return value.has_value();
    };
    if (!read(Field::C1, parts.C1) || !read(Field::C2, parts.C2))
        return std::nullopt;
    for (int n = 1; n <= 10; ++n)
        if (!read(componentField(n), parts.R[static_cast<std::size_t>(n - 1)]))
            return std::nullopt;
    return parts;
}

}  // namespace torvel
