#include "shell/startup/guarded_application.h"

#include "shell/messages/message_dialogs.h"

#include <exception>

namespace torvel {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showFaultBox(QString::fromUtf8(error.what()), nullptr);
    } catch (...) {
        showFaultBox(QStringLiteral("Unknown error"), nullptr);
    }
    return false;
}

}  // namespace torvel
