// What the window tests share: a window on a settings file of the test's own, its message boxes
// recorded instead of shown, and a guard that closes any modal box that still appears (and reports it)
// so that no test can hang waiting for a click.
#pragma once

#include "shell/window/Main.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QMessageBox;

#include <functional>
#include <memory>
#include <vector>

namespace torvel::test {

struct RecordedMessage {
    QString text;
    MessageKind kind;
};

struct Recorder {
    std::vector<RecordedMessage> messages;
    QStringList faults;
};

/// A window reading `settingsFile`, its boxes going to `recorder`.
std::unique_ptr<TFormMain> openWindow(const QString& settingsFile, Recorder& recorder);

/// Types `text` into the focused widget as key events with text, which also carries characters
/// beyond Latin-1 (QTest::keyClicks aborts on those).
void typeText(QWidget* widget, const QString& text);

/// Waits (inside whatever loop runs next) for a message box to come up, lets `inspect` look at it while
/// it is shown, then closes it. The wait ends with `context` at the latest.
void inspectNextMessageBox(QObject* context, std::function<void(QMessageBox&)> inspect);

class ModalGuard : public QObject {
    Q_OBJECT
public:
    ModalGuard();
    /// Texts of the modal boxes closed since the last call.
    QStringList takeClosed();

private:
    void closeModal();
    QTimer m_timer;
    QPointer<QWidget> m_seen;  // the modal widget seen at the last tick
    QStringList m_closed;
};

}  // namespace torvel::test
