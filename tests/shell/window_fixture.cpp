#include "window_fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>

namespace torvel::test {

std::unique_ptr<TFormMain> openWindow(const QString& settingsFile, Recorder& recorder)
{
    auto form = std::make_unique<TFormMain>(settingsFile);
    form->setMessageHandlers({
        [&recorder](const QString& text, MessageKind kind) { recorder.messages.push_back({text, kind}); },
        [&recorder](const QString& text) { recorder.faults << text; },
    });
    return form;
}

void typeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

void inspectNextMessageBox(QObject* context, std::function<void(QMessageBox&)> inspect)
{
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, inspect = std::move(inspect)] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        inspect(*box);
        box->close();
    });
    poll->start(10);
}

ModalGuard::ModalGuard()
{
    connect(&m_timer, &QTimer::timeout, this, &ModalGuard::closeModal);
    m_timer.start(200);
}

QStringList ModalGuard::takeClosed()
{
    QStringList closed;
    closed.swap(m_closed);
    return closed;
}

void ModalGuard::closeModal()
{
    QWidget* modal = QApplication::activeModalWidget();
    // A box stays up for one period first, so that a test inspecting it (every few milliseconds) gets
    // to it before the guard does, however slow the build.
    if (!modal || modal != m_seen) {
        m_seen = modal;
        return;
    }
    m_seen = nullptr;
    if (auto* box = qobject_cast<QMessageBox*>(modal))
        m_closed << box->text();
    else
        m_closed << modal->objectName();
    modal->close();
}

}  // namespace torvel::test
