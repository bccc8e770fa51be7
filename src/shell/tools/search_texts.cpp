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

}  // namespace torvel
