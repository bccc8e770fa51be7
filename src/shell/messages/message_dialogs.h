// The program's message boxes: the platform's standard box of each kind, centred on the main window and
// kept on the monitor that holds it (the arithmetic is in message_placement.h).
#pragma once

#include "design/design_panel.h"
#include "shell/messages/message_placement.h"

#include <QString>

class QWidget;

namespace torvel {

/// "Warning", "Error", "Information", "Confirm".
QString messageTitle(MessageKind kind);

/// Shows a modal box of the kind's icon and title with `text`, centred on `owner` (the main window when
/// null) and clamped to the work area of its monitor. Returns the code of the button that closed it.
/// The help context is accepted for callers that pass one; the box has no help.
int CenteredMessage(const QString& text, MessageKind kind, MessageButtons buttons, int helpContext, QWidget* owner);

/// The work area (the monitor less its panels and docks) of the monitor holding `window`: the largest
/// overlap, else the nearest. A null window stands for the main window.
ScreenRect MonitorWorkArea(QWidget* window);

/// The text of an error that ended a command, as the fault box shows it: a full stop is added when the
/// last character comes after "." in character order ("Floating point division by zero" gets one, a
/// text ending in "." or ")" does not).
QString withFullStop(const QString& text);

/// The box for an error that ended a command: stop icon, the program's name as title, OK alone.
void showFaultBox(const QString& text, QWidget* owner);

}  // namespace torvel
