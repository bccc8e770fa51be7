#include "shell/tools/search_texts.h"

#include "values/engineering_notation.h"

#include <cstdio>
#include <string>

namespace torvel {

QString searchValueText(double value)
{
    std::string text = FormatEngineering(value, 0, kDisplayDecimals);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return QString::fromStdString(text);
}

QString searchErrorText(double percent)
{
    char text[32];
    std::snprintf(text, sizeof text, "%+.3f %%", percent);
    return QString::fromLatin1(text);
}

QString searchFloorsText(const search::ErrorFloors& floors)
{
    if (!floors.foAndQ)
        return {};
    QString text = QStringLiteral("部品が許す下限: fo と Q の大きい方 %1 %").arg(*floors.foAndQ * 100, 0, 'f', 3);
    if (floors.gain)
        text += QStringLiteral(", H %1 %").arg(*floors.gain * 100, 0, 'f', 3);
    return text;
}

}  // namespace torvel
