#include "shell/window/window_font.h"

#include <QStringList>

namespace torvel {

QFont windowFont()
{
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"),
                                   {QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"),
                                    QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("monospace")});
        return true;
    }();
    Q_UNUSED(substituted);
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setPixelSize(12);
    font.setFixedPitch(true);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

}  // namespace torvel
