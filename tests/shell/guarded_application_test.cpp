// The application object's last line of defence: no exception that escapes a handler reaches the event
// loop. An unforeseen error is shown in a stop box and the program goes on; running out of memory ends
// the event loop with status 1, after a line on stderr and a stop box.
#include "shell/startup/guarded_application.h"
#include "window_fixture.h"

#include <QMessageBox>
#include <QTemporaryFile>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <new>
#include <stdexcept>
#include <unistd.h>

using namespace torvel;
using namespace torvel::test;

namespace {

// Throws from its event handler whatever the test gives it.
class Thrower : public QObject {
public:
    explicit Thrower(std::function<void()> throwing) : m_throwing(std::move(throwing)) {}

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            m_throwing();
        return QObject::event(event);
    }

private:
    std::function<void()> m_throwing;
};

void deliver(Thrower& thrower)
{
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &event);
}

// Stderr into a file while it lives, for the line the program writes there.
class StderrCapture {
public:
    StderrCapture()
    {
        QVERIFY(m_file.open());
        std::fflush(stderr);
        m_saved = ::dup(2);
        ::dup2(m_file.handle(), 2);
    }
    QByteArray end()
    {
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
};

}  // namespace

class GuardedApplicationTest : public QObject {
    Q_OBJECT
private slots:
    void unforeseenErrorIsShownAndTheProgramGoesOn()
    {
        Thrower thrower([] { throw std::runtime_error("Unforeseen"); });
        QStringList shown;
        inspectNextMessageBox(this, [&shown](QMessageBox& box) { shown << box.text(); });
        deliver(thrower);
        QCOMPARE(shown, QStringList{QStringLiteral("Unforeseen.")});
    }

    void outOfMemoryEndsTheEventLoopWithStatusOne()
    {
        Thrower thrower([] { throw std::bad_alloc(); });
        QStringList shown;
        inspectNextMessageBox(this, [&shown](QMessageBox& box) { shown << box.text(); });
        QTimer::singleShot(0, &thrower, [&thrower] { deliver(thrower); });
        QTimer hangGuard;
        hangGuard.setSingleShot(true);
        connect(&hangGuard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        hangGuard.start(20000);

        StderrCapture stderrText;
        const int status = QCoreApplication::exec();
        QCOMPARE(stderrText.end(), QByteArray("torvel: out of memory\n"));
        QCOMPARE(status, kExitUnrecoverable);
        QCOMPARE(shown, QStringList{QStringLiteral("Out of memory.")});
    }
};

// The test runs inside the program's own application object rather than QTest's plain one.
int main(int argc, char** argv)
{
    GuardedApplication application(argc, argv);
    GuardedApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "guarded_application_test.moc"
