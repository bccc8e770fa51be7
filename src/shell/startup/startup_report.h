// Start-up timing for the benchmark script: with TORVEL_REPORT_STARTUP=1 in the environment the
// program writes, when the window is first painted, the wall-clock time in nanoseconds since the epoch
// and the milliseconds since main() began to stderr, then quits without touching the settings file.
// Without the variable nothing of this runs.
#pragma once

#include <QElapsedTimer>

class QWidget;

namespace torvel {

/// Arms the report on `window` when the environment asks for it.
void armStartupReport(QWidget& window, const QElapsedTimer& sinceMain);

}  // namespace torvel
