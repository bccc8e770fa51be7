#include "shell/messages/message_dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>

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
// before it reaches the screen, so it never appears elsewhere first.
class CentredMessageBox : public QMessageBox {
public:
    CentredMessageBox(MessageKind kind, const QString& text, MessageButtons buttons, QWidget* owner)
        : QMessageBox(iconFor(kind), messageTitle(kind), text, buttonsFor(buttons), owner), m_owner(owner)
    {
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        const QRect ownerFrame = m_owner->frameGeometry();
        // The box gets the same decorations as its owner; before it is mapped only its inner size is known.
        const QSize decorations = ownerFrame.size() - m_owner->geometry().size();
        const QSize outer = size() + decorations;
        const ScreenPoint at = centredMessagePosition(toScreenRect(ownerFrame), outer.width(), outer.height(),
                                                      MonitorWorkArea(m_owner));
        move(at.x, at.y);
    }

private:
    QWidget* m_owner;
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
    if (!owner)
        owner = mainWindow();
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
    const ScreenRect frame = window ? toScreenRect(window->frameGeometry()) : ScreenRect{};
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
