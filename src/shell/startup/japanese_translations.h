// Qt's own texts in Japanese: the print, file and colour dialogs and the standard buttons speak the
// language of the window, whatever the locale the program was started in. The texts come from Debian's
// qt6-translations-l10n, in Qt's translations folder; without them Qt's texts stay English and nothing
// else changes.
#pragma once

class QCoreApplication;

namespace torvel {

/// Installs the Japanese catalogues of the Qt modules the program uses that are present, and makes
/// Japanese the default locale of Qt's dialogs. Returns how many catalogues were installed.
int installQtJapanese(QCoreApplication& application);

}  // namespace torvel
