#include "shell/printing/printer_memory.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace torvel {

PrinterChoice choiceOf(const QPrinter& printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return {true, {}, printer.outputFileName()};
    return {false, printer.printerName(), {}};
}

void offerChoice(QPrintDialog& dialog, const PrinterChoice& choice)
{
    // The dialog's own controls, named in its form: the destination list (the queues, then after a
    // separator the entry for a PDF file) and the file name. Another dialog has neither, and is left alone.
    auto* destinations = dialog.findChild<QComboBox*>(QStringLiteral("printers"));
    auto* fileName = dialog.findChild<QLineEdit*>(QStringLiteral("filename"));
    if (!destinations)
        return;
    int index = -1;
    if (choice.toPdfFile) {
        const int last = destinations->count() - 1;
        if (last >= 0 && !QPrinterInfo::availablePrinterNames().contains(destinations->itemText(last)))
            index = last;
    } else {
        index = destinations->findText(choice.printerName);
    }
    if (index < 0)
        return;
    destinations->setCurrentIndex(index);
    if (choice.toPdfFile && fileName)
        fileName->setText(choice.fileName);
}

bool PrinterMemory::askForPrinter(QPrinter& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    if (m_last) {
        // The dialog picks its destination while it is being shown; the choice goes in after that.
        const PrinterChoice last = *m_last;
        QMetaObject::invokeMethod(&dialog, [&dialog, last] { offerChoice(dialog, last); }, Qt::QueuedConnection);
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    m_last = choiceOf(printer);
    return true;
}

}  // namespace torvel
