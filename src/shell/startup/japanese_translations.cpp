#include "shell/startup/japanese_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace torvel {

int installQtJapanese(QCoreApplication& application)
{
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    // Dialogs show dates and sizes the Japanese way too; numbers are never formatted through QLocale.
    QLocale::setDefault(japanese);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    int installed = 0;
    // qtbase holds the dialogs and buttons of Widgets and Print Support; the others have few texts and
    // ship no Japanese catalogue in every release, so each is taken only when present.
    for (const char* module : {"qtbase", "qtcharts", "qtsvg"}) {
        auto* translator = new QTranslator(&application);
        if (translator->load(japanese, QString::fromLatin1(module), QStringLiteral("_"), folder)
            && QCoreApplication::installTranslator(translator)) {
            ++installed;
        } else {
            delete translator;
        }
    }
    return installed;
}

}  // namespace torvel
