// Start-up: the toolkit, the one main window, the event loop.
#include "shell/window/Main.h"
#include "shell/startup/guarded_application.h"
#include "shell/startup/japanese_translations.h"
#include "shell/startup/startup_report.h"

#include <QElapsedTimer>
#include <QScreen>

#include <csignal>
#include <cstdio>
#include <exception>
#include <new>

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
    // Past a file size limit (ulimit -f) the system would end the program in the middle of a save; with
    // the signal ignored the write fails instead, and the save reports it and leaves the old file.
    std::signal(SIGXFSZ, SIG_IGN);
    // The event loop has its own guard; this one covers building the window and leaving the loop. The
    // messages are written without allocating, since memory may be what ran out.
    try {
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
        return application.exec();
    } catch (const std::bad_alloc&) {
        std::fputs("torvel: out of memory\n", stderr);
    } catch (const std::exception& error) {
        std::fputs("torvel: ", stderr);
        std::fputs(error.what(), stderr);
        std::fputs("\n", stderr);
    } catch (...) {
        std::fputs("torvel: unknown error\n", stderr);
    }
    return torvel::kExitUnrecoverable;
}
