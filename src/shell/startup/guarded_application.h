// The application object, with the last line of defence of the event loop. Every handler of the window
// already catches what its command throws; this only keeps an unforeseen exception from escaping into
// the event loop, which cannot pass it on.
//
// An unforeseen error is shown in a stop box and the program goes on. Running out of memory ends the
// program instead (the window may be half updated, and the next allocation would likely fail too): a
// line on stderr, written without allocating, a stop box if one can still be made, then the event loop
// ends with kExitUnrecoverable, without writing the settings file.
#pragma once

#include <QApplication>

namespace torvel {

/// The program's exit status when memory ran out, or an error escaped while the window was being built.
inline constexpr int kExitUnrecoverable = 1;

class GuardedApplication : public QApplication {
    Q_OBJECT
public:
    GuardedApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void showUnforeseenError(const QString& text);
    void endOutOfMemory();
};

}  // namespace torvel
