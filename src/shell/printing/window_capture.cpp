#include "shell/printing/window_capture.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

namespace torvel {

QImage grabWindowAsDisplayed(QWidget& window)
{
    // Only X11 lets a program read the screen around its own window, which is where the frame and the
    // title bar are; elsewhere (Wayland, offscreen) the window draws its own contents.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (QScreen* screen = window.screen()) {
            const QRect frame = window.frameGeometry();
            const QRect onScreen = frame.translated(-screen->geometry().topLeft());
            const QPixmap shot = screen->grabWindow(0, onScreen.x(), onScreen.y(), frame.width(), frame.height());
            if (!shot.isNull())
                return shot.toImage();
        }
    }
    return window.grab().toImage();
}

void CaptureActiveWindow(QWidget& window)
{
    const QImage picture = grabWindowAsDisplayed(window);
    if (!picture.isNull())
        QGuiApplication::clipboard()->setImage(picture);
    QApplication::processEvents();
}

}  // namespace torvel
