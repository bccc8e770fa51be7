// Start-up: the toolkit, the one main window, the event loop.
#include "shell/window/Main.h"
#include "shell/startup/guarded_application.h"
#include "shell/startup/japanese_translations.h"
#include "shell/startup/startup_report.h"

#include <QElapsedTimer>
#include <QScreen>

namespace {

// The window opens centred on the screen; the window manager may still place it after that.
void centreOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window.move(area.left() + (area.width() - window.width()) / 2, area.top() + (area.height() - window.height()) / 2);
}

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    torvel::GuardedApplication application(argc, argv);
    // The name titles the fault box and names the user's configuration folder of an installed program.
    QCoreApplication::setApplicationName(QStringLiteral("Torvel"));
    torvel::installQtJapanese(application);

    torvel::TFormMain form;
    centreOnScreen(form);
    torvel::armStartupReport(form, sinceMain);
    form.show();
    application.exec();
    return 0;
}
