#include "shell/startup/startup_report.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>

namespace torvel {
namespace {

class FirstPaint : public QObject {
public:
    FirstPaint(QWidget& window, const QElapsedTimer& sinceMain) : QObject(&window), m_sinceMain(sinceMain) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || m_reported)
            return false;
        m_reported = true;
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::fprintf(stderr, "torvel-startup shown-at-ns=%lld since-main-ms=%lld\n",
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()),
                     static_cast<long long>(m_sinceMain.elapsed()));
        std::fflush(stderr);
        // Leave the loop without closing the window (quit() would close it): a measurement must not
        // write the settings file.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        return false;
    }

private:
    QElapsedTimer m_sinceMain;
    bool m_reported = false;
};

}  // namespace

void armStartupReport(QWidget& window, const QElapsedTimer& sinceMain)
{
    if (qEnvironmentVariable("TORVEL_REPORT_STARTUP") != QLatin1String("1"))
        return;
    window.installEventFilter(new FirstPaint(window, sinceMain));
}

}  // namespace torvel
