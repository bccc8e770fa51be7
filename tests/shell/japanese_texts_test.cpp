// Qt's own texts in Japanese, as the program installs them at start: the print, file and colour dialogs
// and the standard buttons, while the titles and the texts the program fixes itself stay as they are.
#include "shell/messages/message_dialogs.h"
#include "shell/startup/japanese_translations.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

using namespace torvel;

namespace {

// Hiragana, katakana or kanji: a text a Japanese catalogue has translated.
bool isJapanese(const QString& text)
{
    static const QRegularExpression japanese(QStringLiteral("[\\x{3040}-\\x{30FF}\\x{4E00}-\\x{9FFF}]"));
    return text.contains(japanese);
}

QStringList buttonTexts(const QWidget& dialog)
{
    QStringList texts;
    for (const QPushButton* button : dialog.findChildren<QPushButton*>())
        if (!button->text().isEmpty())
            texts << button->text();
    return texts;
}

}  // namespace

class JapaneseTextsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(installQtJapanese(*QCoreApplication::instance()) >= 1,
                 "no Japanese catalogue of Qt (qt6-translations-l10n missing?)");
    }

    void dialogsAndStandardButtonsAreJapanese()
    {
        QPrinter printer;
        QPrintDialog print(&printer);
        QVERIFY2(isJapanese(print.windowTitle()), qPrintable(print.windowTitle()));
        QVERIFY2(buttonTexts(print).filter(QRegularExpression(QStringLiteral("[\\x{3040}-\\x{30FF}]"))).size() >= 2,
                 qPrintable(buttonTexts(print).join('|')));

        QFileDialog files(nullptr, QString(), QString(), QStringLiteral("JSON (*.json)"));
        files.setOption(QFileDialog::DontUseNativeDialog);
        QVERIFY2(isJapanese(files.labelText(QFileDialog::Accept)), qPrintable(files.labelText(QFileDialog::Accept)));
        QVERIFY2(isJapanese(files.labelText(QFileDialog::FileType)), qPrintable(files.labelText(QFileDialog::FileType)));

        QColorDialog colours;
        colours.setOption(QColorDialog::DontUseNativeDialog);
        QVERIFY2(isJapanese(colours.windowTitle()), qPrintable(colours.windowTitle()));

        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Save);
        QVERIFY(isJapanese(buttons.button(QDialogButtonBox::Cancel)->text()));
        QVERIFY(isJapanese(buttons.button(QDialogButtonBox::Save)->text()));
    }

    // The titles of the program's boxes and the texts of a floating-point fault stay as they are.
    void fixedTitlesAndFaultTextsStay()
    {
        QCOMPARE(messageTitle(MessageKind::Warning), QStringLiteral("Warning"));
        QCOMPARE(messageTitle(MessageKind::Error), QStringLiteral("Error"));
        QCOMPARE(withFullStop(QStringLiteral("Floating point division by zero")),
                 QStringLiteral("Floating point division by zero."));
        QString title;
        QObject inspection;
        auto* poll = new QTimer(&inspection);
        connect(poll, &QTimer::timeout, &inspection, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                title = box->windowTitle();
                box->close();
            }
        });
        poll->start(20);
        QWidget owner;
        owner.show();
        CenteredMessage(QStringLiteral("R7/R9 の比が不適切です。"), MessageKind::Warning, MessageButtons::Ok, 0, &owner);
        QCOMPARE(title, QStringLiteral("Warning"));
    }
};

QTEST_MAIN(JapaneseTextsTest)
#include "japanese_texts_test.moc"
