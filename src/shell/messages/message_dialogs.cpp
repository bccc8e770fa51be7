#include "shell/messages/message_dialogs.h"

#include "shell/messages/window_frame.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>
#include <QElapsedTimer>
#include <QTimer>

#include <vector>

namespace torvel {
namespace {

ScreenRect toScreenRect(const QRect& r) { return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }

QWidget* mainWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("FormMain"))
            return widget;
    }
    return nullptr;
}

QMessageBox::Icon iconFor(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Error: return QMessageBox::Critical;
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Confirmation: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsFor(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok: return QMessageBox::Ok;
    }
    return QMessageBox::Ok;
}

// The box knows its final size only once it lays itself out for showing; it is placed at that moment,
// before it reaches the screen, so it never appears elsewhere first. What is centred and clamped is its
// outer rectangle, title bar and border included; the window system is then given the client area
// inside that frame. Until the window manager has framed the box its frame is unknown, so it is taken to
// be the owner's (one window manager decorates both alike); should the frame it gets differ, the box
// moves once more as soon as that frame is known.
class CentredMessageBox : public QMessageBox {
public:
    CentredMessageBox(MessageKind kind, const QString& text, MessageButtons buttons, QWidget* owner)
        : QMessageBox(iconFor(kind), messageTitle(kind), text, buttonsFor(buttons), owner), m_owner(owner)
    {
        m_frameWatch.setInterval(kFrameWatchMs);
        connect(&m_frameWatch, &QTimer::timeout, this, &CentredMessageBox::checkFrame);
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        m_assumedFrame = frameMargins(*m_owner);
        placeWithin(m_assumedFrame);
        m_watching.start();
        m_frameWatch.start();
    }

private:
    // A window manager frames a new window within a few of its round trips, but a busy desktop may take
    // seconds; one that has not framed it after five draws no frame at all.
    static constexpr int kFrameWatchMs = 10;
    static constexpr qint64 kFrameWatchLimitMs = 5000;

    void placeWithin(const QMargins& frame)
    {
        const QRect ownerOuter = m_owner->geometry().marginsAdded(frameMargins(*m_owner));
        const QSize outer = size().grownBy(frame);
        const ScreenPoint at = centredMessagePosition(toScreenRect(ownerOuter), outer.width(), outer.height(),
                                                      MonitorWorkArea(m_owner));
        setGeometry(QRect(QPoint(at.x + frame.left(), at.y + frame.top()), size()));
    }

    void checkFrame()
    {
        const std::optional<QMargins> frame = windowManagerFrame(*this);
        if (!frame && m_watching.elapsed() < kFrameWatchLimitMs)
            return;
        m_frameWatch.stop();
        if (frame && *frame != m_assumedFrame)
            placeWithin(*frame);
    }

    QWidget* m_owner;
    QMargins m_assumedFrame;
    QTimer m_frameWatch;
    QElapsedTimer m_watching;
};

}  // namespace

QString messageTitle(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Warning: return QStringLiteral("Warning");
    case MessageKind::Error: return QStringLiteral("Error");
    case MessageKind::Information: return QStringLiteral("Information");
    case MessageKind::Confirmation: return QStringLiteral("Confirm");
    }
    return {};
}

int CenteredMessage(const QString& text, MessageKind kind, MessageButtons buttons, int /*helpContext*/, QWidget* owner)
{
    owner = owner ? owner->window() : mainWindow();
    if (!owner) {
        QMessageBox plain(iconFor(kind), messageTitle(kind), text, buttonsFor(buttons));
        return plain.exec();
    }
    CentredMessageBox box(kind, text, buttons, owner);
    return box.exec();
}

ScreenRect MonitorWorkArea(QWidget* window)
{
    if (!window)
        window = mainWindow();
    const QList<QScreen*> screens = QGuiApplication::screens();
    std::vector<ScreenRect> monitors;
    monitors.reserve(static_cast<std::size_t>(screens.size()));
    for (const QScreen* screen : screens)
        monitors.push_back(toScreenRect(screen->geometry()));
    const ScreenRect frame = window ? toScreenRect(window->geometry().marginsAdded(frameMargins(*window))) : ScreenRect{};
    const auto index = monitorHolding(frame, monitors);
    if (!index)
        return frame;
    return toScreenRect(screens[static_cast<qsizetype>(*index)]->availableGeometry());
}

QString withFullStop(const QString& text)
{
    if (!text.isEmpty() && text.back() > u'.')
        return text + u'.';
    return text;
}

void showFaultBox(const QString& text, QWidget* owner)
{
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), withFullStop(text), QMessageBox::Ok,
                    owner ? owner : mainWindow());
    box.exec();
}

}  // namespace torvel
