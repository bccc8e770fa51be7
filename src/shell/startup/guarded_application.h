// The application object, with the last line of defence of the event loop: an exception that escapes
// an event handler is shown in a stop box and the program goes on. Every handler of the window already
// catches what its command throws; this only keeps an unforeseen one from ending the program.
#pragma once

#include <QApplication>

namespace torvel {

class GuardedApplication : public QApplication {
    Q_OBJECT
public:
    GuardedApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace torvel
