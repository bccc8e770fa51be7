// The picture of the main window as displayed, placed on the clipboard.
#pragma once

class QImage;
class QWidget;

namespace torvel {

/// The window with its frame and title bar where the window system can give them (on X11, the screen
/// area of the frame rectangle), otherwise the window's own contents; one image pixel per screen pixel.
QImage grabWindowAsDisplayed(QWidget& window);

/// Replaces the clipboard's content by the window's picture, so that it stays there after the print,
/// then lets pending events run.
void CaptureActiveWindow(QWidget& window);

}  // namespace torvel
