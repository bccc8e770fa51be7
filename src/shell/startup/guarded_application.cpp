#include "shell/startup/guarded_application.h"

#include "shell/messages/message_dialogs.h"

#include <cstdio>
#include <exception>
#include <new>

namespace torvel {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        endOutOfMemory();
    } catch (const std::exception& error) {
        showUnforeseenError(QString::fromUtf8(error.what()));
    } catch (...) {
        showUnforeseenError(QStringLiteral("Unknown error"));
    }
    return false;
}

void GuardedApplication::showUnforeseenError(const QString& text)
{
    // The box is itself made of allocations; when even it fails, memory has run out after all.
    try {
        showFaultBox(text, nullptr);
    } catch (...) {
        endOutOfMemory();
    }
}

void GuardedApplication::endOutOfMemory()
{
    std::fputs("torvel: out of memory\n", stderr);
    try {
        showFaultBox(QStringLiteral("Out of memory"), nullptr);
    } catch (...) {
        // The line on stderr has said it; the program ends all the same.
    }
    QCoreApplication::exit(kExitUnrecoverable);
}

}  // namespace torvel
