// The print dialog offers what the user confirmed last: the same printer queue, or printing to the same
// PDF file, for as long as the program runs.
//
// Qt's print dialog on Linux does not do this by itself: it always opens on the system's default queue,
// and even a cancelled dialog leaves that queue in the printer object it was given. So the choice is kept
// here, apart from the printer, and put back into the dialog once it is on screen.
#pragma once

#include <QString>

#include <optional>

class QPrintDialog;
class QPrinter;
class QWidget;

namespace torvel {

/// A confirmed choice of the print dialog.
struct PrinterChoice {
    bool toPdfFile = false;
    QString printerName;  // the queue, when not to a file
    QString fileName;     // the PDF file, when to a file
    friend bool operator==(const PrinterChoice&, const PrinterChoice&) = default;
};

class PrinterMemory {
public:
    /// Shows the print dialog for `printer` over `parent`, offering the last confirmed choice; false when
    /// the user cancels (the choice remembered stays).
    bool askForPrinter(QPrinter& printer, QWidget* parent);

    const std::optional<PrinterChoice>& lastChoice() const { return m_last; }

private:
    std::optional<PrinterChoice> m_last;
};

/// Where `printer` prints now.
PrinterChoice choiceOf(const QPrinter& printer);

/// Selects `choice` in a shown print dialog: the queue of that name, or the PDF entry with the file name.
/// A choice the dialog does not offer (a queue that is gone) leaves the dialog as it is.
void offerChoice(QPrintDialog& dialog, const PrinterChoice& choice);

}  // namespace torvel
