// The print command: a picture of the main window on one page, 0.235 mm per captured pixel, placed by
// the margins. The picture travels through the clipboard, where it stays afterwards.
#pragma once

#include <QString>

#include <functional>

class QPrinter;
class QWidget;

namespace torvel {

/// What the print command needs from the outside world; tests replace the dialog and the capture.
struct PrintEnvironment {
    /// Shows the print dialog for `printer`; false when the user cancels.
    std::function<bool(QPrinter& printer)> choosePrinter;
    /// Shows an error box (kind error, OK alone) over the window.
    std::function<void(const QString& text)> showError;
    /// Puts the window's picture on the clipboard.
    std::function<void(QWidget& window)> capture;
};

/// The texts shown when the picture or the printer fails.
inline const QString kCaptureErrorText = QStringLiteral("キャプチャ・エラー");

/// Runs the whole command: busy cursor, settle, capture, dialog, second capture if the clipboard lost the
/// picture, print. The cursor is restored on every way out.
void PrintWindowImage(QWidget& window, double leftMarginMm, double topMarginMm, QPrinter& printer,
                      const PrintEnvironment& environment);

}  // namespace torvel
