#include "shell/printing/window_printer.h"

#include "shell/printing/print_placement.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QThread>

namespace torvel {
namespace {

// Lets the window finish repainting (a message box or the button press may still be on screen) before
// the picture is taken.
constexpr int kSettlePasses = 8;
constexpr unsigned long kSettleWaitMs = 50;
constexpr unsigned long kRetryWaitMs = 100;

const QString kPrintErrorText = QStringLiteral("プリンタ・エラー");

// The busy cursor over all of the program's windows while the command works; it can be set aside while
// the command waits for the user.
class BusyCursor {
public:
    BusyCursor() { show(); }
    ~BusyCursor() { setAside(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    void show()
    {
        if (!m_shown)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_shown = true;
    }
    void setAside()
    {
        if (m_shown)
            QGuiApplication::restoreOverrideCursor();
        m_shown = false;
    }

private:
    bool m_shown = false;
};

void waitAndProcessEvents(unsigned long milliseconds)
{
    QThread::msleep(milliseconds);
    QApplication::processEvents();
}

QImage clipboardImage() { return QGuiApplication::clipboard()->image(); }

PrinterGeometry geometryOf(QPrinter& printer)
{
    // The painter's origin is the corner of the printable area; its distance from the paper's corner is
    // the physical offset.
    const QPointF offset = printer.pageRect(QPrinter::DevicePixel).topLeft()
        - printer.paperRect(QPrinter::DevicePixel).topLeft();
    return {static_cast<double>(printer.logicalDpiY()), roundHalfEven(offset.x()), roundHalfEven(offset.y())};
}

bool printImage(const QImage& picture, double leftMm, double topMm, QPrinter& printer)
{
    printer.setDocName(QStringLiteral("NMEA_Image"));
    printer.setFromTo(0, 0);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const PrintRectangle r = printRectangle(leftMm, topMm, picture.width(), picture.height(), geometryOf(printer));
    // Pixels stay sharp squares, as a colour-on-colour stretch draws them, and the picture goes into the
    // page as it is: by default the PDF engine stores it as JPEG, whose specks blur the schematic's text.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.drawImage(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), picture);
    return painter.end();
}

}  // namespace

void PrintWindowImage(QWidget& window, double leftMarginMm, double topMarginMm, QPrinter& printer,
                      const PrintEnvironment& environment)
{
    BusyCursor busy;
    for (int pass = 0; pass < kSettlePasses; ++pass)
        waitAndProcessEvents(kSettleWaitMs);
    environment.capture(window);

    // While the dialog waits for the user the pointer is the ordinary one: a busy cursor over the dialog
    // would make the program look hung.
    busy.setAside();
    const bool confirmed = environment.choosePrinter(printer);
    busy.show();
    if (!confirmed)
        return;

    if (clipboardImage().isNull()) {
        // The dialog has closed and the main window is in front again: one more try.
        environment.capture(window);
        waitAndProcessEvents(kRetryWaitMs);
    }
    const QImage picture = clipboardImage();
    if (picture.isNull()) {
        environment.showError(kCaptureErrorText);
        return;
    }
    if (!printImage(picture, leftMarginMm, topMarginMm, printer))
        environment.showError(kPrintErrorText);
}

}  // namespace torvel
