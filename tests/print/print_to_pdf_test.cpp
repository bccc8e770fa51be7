// The print command end to end: the real capture, clipboard and QPainter path into a PDF file, turned into
// a picture with pdftoppm and measured.
#include "shell/window/Main.h"
#include "shell/printing/print_placement.h"
#include "shell/printing/printer_memory.h"
#include "shell/printing/window_capture.h"
#include "shell/printing/window_printer.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

namespace {

using namespace torvel;

// A window whose picture is a black rectangle, easy to find on a white page.
class BlackWindow : public QWidget {
public:
    BlackWindow() { setFixedSize(200, 120); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::black); }
};

constexpr int kRenderDpi = 254;  // 10 rendered pixels per millimetre
constexpr double kRenderPixelsPerMm = kRenderDpi / 25.4;

struct InkBox {
    int left = -1, top = -1, right = -1, bottom = -1;
};

// The box around every pixel darker than `threshold`: 128 finds the black test window, 250 anything
// that is not paper white (the main window's face is a light grey).
InkBox findInk(const QImage& page, int threshold = 128)
{
    InkBox box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < threshold) {
                if (box.left < 0 || x < box.left) box.left = x;
                if (box.top < 0 || y < box.top) box.top = y;
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}

// cups-pdf writes each job as a PDF named after the job into its output folder.
QString waitForCupsOutput(const QString& folder, const QDateTime& since)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000) {
        const QFileInfoList files = QDir(folder).entryInfoList({"NMEA_Image*.pdf"}, QDir::Files, QDir::Time);
        if (!files.isEmpty() && files.first().lastModified() >= since && files.first().size() > 0) {
            QTest::qWait(500);  // let the backend finish writing
            return files.first().absoluteFilePath();
        }
        QTest::qWait(200);
    }
    return {};
}

QImage renderFirstPage(const QString& pdf, const QString& dir, double dpi = kRenderDpi)
{
    const QString prefix = dir + "/page";
    const int status = QProcess::execute("pdftoppm", {"-r", QString::number(dpi, 'f', 6), "-png", "-singlefile", pdf, prefix});
    if (status != 0)
        return {};
    return QImage(prefix + ".png");
}

}  // namespace

class PrintToPdfTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    BlackWindow m_window;
    QStringList m_errors;
    int m_captures = 0;
    QList<Qt::CursorShape> m_cursorsAtCapture;
    std::optional<Qt::CursorShape> m_cursorInDialog;  // none: no cursor set by the program

    PrintEnvironment environment(bool confirm, bool emptyClipboardAfterDialog = false, bool captureWorks = true)
    {
        PrintEnvironment env;
        env.choosePrinter = [=, this](QPrinter&) {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            m_cursorInDialog = cursor ? std::optional(cursor->shape()) : std::nullopt;
            if (emptyClipboardAfterDialog)
                QGuiApplication::clipboard()->clear();
            return confirm;
        };
        env.showError = [this](const QString& text) { m_errors << text; };
        env.capture = [this, captureWorks](QWidget& w) {
            ++m_captures;
            const QCursor* cursor = QGuiApplication::overrideCursor();
            m_cursorsAtCapture << (cursor ? cursor->shape() : Qt::ArrowCursor);
            if (captureWorks)
                CaptureActiveWindow(w);
        };
        return env;
    }

    QString pdfPath(const char* name) const { return m_dir.filePath(QString::fromLatin1(name) + ".pdf"); }

    void configure(QPrinter& printer, const QString& path)
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::A4));
    }

private slots:
    void init()
    {
        m_errors.clear();
        m_captures = 0;
        m_cursorsAtCapture.clear();
        m_cursorInDialog.reset();
        QGuiApplication::clipboard()->clear();
        m_window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_window));
    }

    void picturePlacedByMarginsAtFixedScale_data()
    {
        QTest::addColumn<QString>("leftText");
        QTest::addColumn<QString>("topText");
        QTest::addColumn<double>("leftMm");
        QTest::addColumn<double>("topMm");
        QTest::newRow("default margins 15 mm") << "15" << "15" << 15.0 << 15.0;
        QTest::newRow("unreadable margins print at 20 mm") << "abc" << "abc" << 20.0 << 20.0;
        QTest::newRow("unequal margins") << "30" << "12.5" << 30.0 << 12.5;
    }

    void picturePlacedByMarginsAtFixedScale()
    {
        QFETCH(QString, leftText);
        QFETCH(QString, topText);
        QFETCH(double, leftMm);
        QFETCH(double, topMm);
        QPrinter printer(QPrinter::HighResolution);
        const QString path = pdfPath("placed");
        configure(printer, path);

        PrintWindowImage(m_window, printMarginFromText(leftText.toStdString()), printMarginFromText(topText.toStdString()),
                         printer, environment(true));
        QVERIFY(m_errors.isEmpty());

        const QImage page = renderFirstPage(path, m_dir.path());
        QVERIFY2(!page.isNull(), "pdftoppm could not render the printed PDF");
        const InkBox ink = findInk(page);
        const QImage picture = QGuiApplication::clipboard()->image();
        // One rendered pixel is 0.1 mm, coarser than a printer pixel at 1200 dpi (0.021 mm): the corner
        // and the size may each be off by one rendered pixel.
        const double tolerance = 1.0;
        QVERIFY(std::abs(ink.left - leftMm * kRenderPixelsPerMm) <= tolerance + 0.5);
        QVERIFY(std::abs(ink.top - topMm * kRenderPixelsPerMm) <= tolerance + 0.5);
        const double width = picture.width() * kMillimetresPerCapturedPixel * kRenderPixelsPerMm;
        const double height = picture.height() * kMillimetresPerCapturedPixel * kRenderPixelsPerMm;
        QVERIFY2(std::abs((ink.right - ink.left) - width) <= 2 * tolerance,
                 qPrintable(QString("width %1, expected %2").arg(ink.right - ink.left).arg(width)));
        QVERIFY(std::abs((ink.bottom - ink.top) - height) <= 2 * tolerance);
    }

    // Through a real print queue: set TORVEL_CUPS_PRINTER to a cups-pdf queue and TORVEL_CUPS_OUTPUT to
    // its output folder (tests/print/cups_print_test.sh starts a private CUPS and does so).
    void printsThroughARealCupsQueue()
    {
        const QString queue = qEnvironmentVariable("TORVEL_CUPS_PRINTER");
        const QString output = qEnvironmentVariable("TORVEL_CUPS_OUTPUT");
        if (queue.isEmpty())
            QSKIP("no CUPS queue given (TORVEL_CUPS_PRINTER)");
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(queue);
        QVERIFY2(printer.isValid(), qPrintable("CUPS queue not usable: " + queue));
        const QDateTime start = QDateTime::currentDateTime().addSecs(-1);

        PrintWindowImage(m_window, 15, 15, printer, environment(true));
        QVERIFY(m_errors.isEmpty());

        const QString pdf = waitForCupsOutput(output, start);
        QVERIFY2(!pdf.isEmpty(), "the queue produced no PDF");
        const QImage page = renderFirstPage(pdf, m_dir.path());
        QVERIFY(!page.isNull());
        const InkBox ink = findInk(page);
        // Margins count from the paper's edges whatever printable area the queue reports.
        QVERIFY2(std::abs(ink.left - 15 * kRenderPixelsPerMm) <= 2 && std::abs(ink.top - 15 * kRenderPixelsPerMm) <= 2,
                 qPrintable(QString("picture at %1, %2 rendered pixels").arg(ink.left).arg(ink.top)));
        const double width = QGuiApplication::clipboard()->image().width() * kMillimetresPerCapturedPixel * kRenderPixelsPerMm;
        QVERIFY(std::abs((ink.right - ink.left) - width) <= 3);
    }

    // The print button of the real window: margins from the settings file, read again at the print, an
    // unreadable one at 20 mm with its text kept.
    void printButtonUsesTheSettingsMargins()
    {
        const QString settings = m_dir.filePath("Torvel.ini");
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Printer]\r\nLeft=25\r\nTop=abc\r\n");
        file.close();
        TFormMain window(settings);
        QStringList messages;
        window.setMessageHandlers({[&](const QString& text, MessageKind) { messages << text; },
                                   [&](const QString& text) { messages << text; }});
        const QString path = pdfPath("window");
        window.setPrinterChooser([&](QPrinter& printer) {
            configure(printer, path);
            return true;
        });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        window.ButtonPrintClick();

        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('|')));
        QCOMPARE(window.printMargins().TopMarginText, QStringLiteral("abc"));
        const QImage page = renderFirstPage(path, m_dir.path());
        QVERIFY(!page.isNull());
        const InkBox ink = findInk(page, 250);
        QVERIFY2(std::abs(ink.left - 25 * kRenderPixelsPerMm) <= 1.5 && std::abs(ink.top - 20 * kRenderPixelsPerMm) <= 1.5,
                 qPrintable(QString("picture at %1, %2 rendered pixels").arg(ink.left).arg(ink.top)));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void cancelPrintsNothingAndKeepsTheCapture()
    {
        QPrinter printer(QPrinter::HighResolution);
        const QString path = pdfPath("cancelled");
        configure(printer, path);
        PrintWindowImage(m_window, 15, 15, printer, environment(false));
        QVERIFY(!QFile::exists(path));
        QVERIFY(m_errors.isEmpty());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(!QGuiApplication::clipboard()->image().isNull());
    }

    void clipboardEmptiedDuringDialogIsCapturedAgain()
    {
        QPrinter printer(QPrinter::HighResolution);
        const QString path = pdfPath("second_capture");
        configure(printer, path);
        PrintWindowImage(m_window, 15, 15, printer, environment(true, true));
        QCOMPARE(m_captures, 2);
        QVERIFY(m_errors.isEmpty());
        QVERIFY(QFile::exists(path));
    }

    void noPictureAtAllShowsTheCaptureError()
    {
        QPrinter printer(QPrinter::HighResolution);
        const QString path = pdfPath("no_picture");
        configure(printer, path);
        PrintWindowImage(m_window, 15, 15, printer, environment(true, true, false));
        QCOMPARE(m_captures, 2);
        QCOMPARE(m_errors, QStringList{kCaptureErrorText});
        QVERIFY(!QFile::exists(path));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }
    // The dialog waits for the user under the ordinary pointer; the capture before it and the one after
    // it run under the busy cursor, and nothing is left set afterwards.
    void busyCursorLeavesThePrintDialogAlone()
    {
        QPrinter printer(QPrinter::HighResolution);
        configure(printer, pdfPath("cursor"));
        PrintWindowImage(m_window, 15, 15, printer, environment(true, true));
        QCOMPARE(m_cursorInDialog, std::nullopt);
        QCOMPARE(m_cursorsAtCapture, (QList<Qt::CursorShape>{Qt::WaitCursor, Qt::WaitCursor}));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    // The picture goes into the PDF without loss: no JPEG (DCT) image in the file, the embedded image is
    // the capture pixel for pixel, and the rendered page shows the capture's pixels.
    void printedPageIsLosslessAndHoldsTheCapture()
    {
        TFormMain window(m_dir.filePath("lossless.ini"));
        window.setMessageHandlers({[](const QString&, MessageKind) {}, [](const QString&) {}});
        // A synthesis fills the boxes and the peak strip with text, the finest detail of the picture.
        window.setFieldText(Field::H, "1");
        window.setFieldText(Field::Fo, "1k");
        window.setFieldText(Field::Q, "2");
        window.ButtonCirClick();
        const QString path = pdfPath("lossless");
        window.setPrinterChooser([&](QPrinter& printer) {
            configure(printer, path);
            return true;
        });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.ButtonPrintClick();
        const QImage capture = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
        QVERIFY(!capture.isNull());

        QFile pdf(path);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY2(!pdf.readAll().contains("/DCTDecode"), "the page holds a JPEG image");
        QProcess list;
        list.start("pdfimages", {"-list", path});
        QVERIFY(list.waitForFinished(30000));
        // page num type width height color comp bpc enc ...: one image, the capture's size, not JPEG.
        const QStringList rows = QString::fromLocal8Bit(list.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).mid(2);
        QCOMPARE(rows.size(), 1);
        const QStringList columns = rows[0].simplified().split(' ');
        QCOMPARE(columns.value(3).toInt(), capture.width());
        QCOMPARE(columns.value(4).toInt(), capture.height());
        QVERIFY2(columns.value(8) != QLatin1String("jpeg"), qPrintable(rows[0]));

        const QString prefix = m_dir.filePath("embedded");
        QCOMPARE(QProcess::execute("pdfimages", {"-png", path, prefix}), 0);
        const QImage embedded = QImage(prefix + "-000.png").convertToFormat(QImage::Format_RGB32);
        QVERIFY(embedded == capture);

        // Rendered at four page pixels per captured pixel, the middle of each cell is that pixel's colour.
        constexpr int kCell = 4;
        const double dpi = kCell * kMillimetresPerInch / kMillimetresPerCapturedPixel;
        const QImage page = renderFirstPage(path, m_dir.path(), dpi).convertToFormat(QImage::Format_RGB32);
        QVERIFY(!page.isNull());
        const InkBox ink = findInk(page, 250);
        int differing = 0;
        for (int y = 0; y < capture.height(); ++y)
            for (int x = 0; x < capture.width(); ++x)
                if (page.pixel(ink.left + kCell * x + kCell / 2, ink.top + kCell * y + kCell / 2) != capture.pixel(x, y))
                    ++differing;
        QVERIFY2(differing == 0, qPrintable(QString("%1 of %2 pixels differ").arg(differing).arg(capture.width() * capture.height())));
    }

    // The real print dialog: the PDF file chosen first is offered again, also after a cancelled dialog.
    void printDialogOffersTheLastChoice()
    {
        PrinterMemory memory;
        QPrinter printer(QPrinter::HighResolution);
        const QString chosen = pdfPath("chosen");
        QString offeredDestination, pdfEntry, offeredFile;
        bool accept = true;
        auto answer = [&](QPrintDialog& dialog) {
            auto* destinations = dialog.findChild<QComboBox*>("printers");
            auto* file = dialog.findChild<QLineEdit*>("filename");
            QVERIFY(destinations && file);
            offeredDestination = destinations->currentText();
            pdfEntry = destinations->itemText(destinations->count() - 1);  // the PDF entry comes last
            offeredFile = file->text();
            if (accept) {
                destinations->setCurrentIndex(destinations->count() - 1);
                file->setText(chosen);
                dialog.accept();
            } else {
                dialog.reject();
            }
        };
        auto ask = [&] {
            QObject inspection;
            auto* poll = new QTimer(&inspection);
            QObject::connect(poll, &QTimer::timeout, &inspection, [&, poll] {
                auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
                if (!dialog || !dialog->isVisible())
                    return;
                poll->stop();
                answer(*dialog);
            });
            poll->start(100);
            return memory.askForPrinter(printer, nullptr);
        };

        QVERIFY(ask());
        QCOMPARE(memory.lastChoice(), (PrinterChoice{true, {}, chosen}));
        printer.setOutputFormat(QPrinter::NativeFormat);  // as a cancelled dialog on a system with queues leaves it
        accept = false;
        QVERIFY(!ask());
        QCOMPARE(offeredDestination, pdfEntry);
        QCOMPARE(offeredFile, chosen);
        QVERIFY(!ask());  // cancelling forgot nothing
        QCOMPARE(offeredDestination, pdfEntry);
        QCOMPARE(offeredFile, chosen);
    }
};

QTEST_MAIN(PrintToPdfTest)
#include "print_to_pdf_test.moc"
