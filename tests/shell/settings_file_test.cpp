// The settings file through the real window: created on first run, read at creation, written once at
// closing, every failure silent.
#include "settings/Option.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

using namespace torvel;
using namespace torvel::test;

namespace {

QByteArray utf16File(const QString& text)
{
    QStringEncoder encoder(QStringConverter::Utf16LE);
    return QByteArray("\xFF\xFE", 2) + QByteArray(encoder.encode(text));
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

ino_t inodeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

const QString kDefaultsAsWritten = QStringLiteral("[Torvel]\r\nE1=24\r\nE2=6\r\nZ=4.7K\r\n[Printer]\r\nLeft=15\r\nTop=15\r\n");

}  // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void pathBesideProgram_data();
    void pathBesideProgram();
    void installedProgramUsesUserFolder_data();
    void installedProgramUsesUserFolder();

    void firstRunCreatesByteOrderMarkOnly();
    void closingWritesEveryKeyAsUtf16Text();
    void infinitySurvivesRestart();
    void fileValuesLoad_data();
    void fileValuesLoad();
    void otherContentOfTheFileIsKept();
    void longValueKeptWhole();
    void writeReplacesTheFileInOneStep();
    void linkStaysALink();

    void folderThatCannotHoldTheFile();
    void pathThatIsAFolder();
    void fifoInTheFilesPlace();
    void readOnlyFileAndFolder_data();
    void readOnlyFileAndFolder();

private:
    QString settingsPath() const { return m_dir->filePath(QStringLiteral("torvel.ini")); }
    std::unique_ptr<TFormMain> open(const QString& path) { return openWindow(path, m_recorder); }
    void closeAndExpectSilence(TFormMain& form);

    std::unique_ptr<QTemporaryDir> m_dir;
    Recorder m_recorder;
    ModalGuard m_guard;
};

void SettingsFileTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_recorder = {};
}

void SettingsFileTest::cleanup()
{
    QCOMPARE(m_guard.takeClosed(), QStringList());
    m_dir.reset();
}

void SettingsFileTest::closeAndExpectSilence(TFormMain& form)
{
    QSignalSpy saved(&form, &TFormMain::settingsSaved);
    form.close();
    QCOMPARE(saved.count(), 1);
    QVERIFY(m_recorder.messages.empty());
    QVERIFY(m_recorder.faults.isEmpty());
}

void SettingsFileTest::pathBesideProgram_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("settings");
    QTest::newRow("no extension") << "/usr/bin/torvel" << "/usr/bin/torvel.ini";
    QTest::newRow("extension replaced") << "/opt/torvel/Torvel.exe" << "/opt/torvel/Torvel.ini";
    QTest::newRow("only the last extension") << "/opt/torvel.v2.bin" << "/opt/torvel.v2.ini";
    QTest::newRow("a dot in a folder name is not an extension") << "/home/a.b/torvel" << "/home/a.b/torvel.ini";
}

void SettingsFileTest::pathBesideProgram()
{
    QFETCH(QString, program);
    QFETCH(QString, settings);
    QCOMPARE(settingsPathBeside(program), settings);
}

void SettingsFileTest::installedProgramUsesUserFolder_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("expected");
    QTest::newRow("portable program, folder writable") << false << true << "/opt/torvel/torvel.ini";
    QTest::newRow("file already beside the program") << true << false << "/opt/torvel/torvel.ini";
    QTest::newRow("installed program") << false << false << "/home/u/.config/Torvel/torvel.ini";
}

void SettingsFileTest::installedProgramUsesUserFolder()
{
    QFETCH(bool, exists);
    QFETCH(bool, writable);
    QFETCH(QString, expected);
    QCOMPARE(chooseSettingsFile(QStringLiteral("/opt/torvel/torvel.ini"), QStringLiteral("/home/u/.config/Torvel"),
                                exists, writable),
             expected);
}

void SettingsFileTest::firstRunCreatesByteOrderMarkOnly()
{
    auto form = open(settingsPath());
    QCOMPARE(readAll(settingsPath()), QByteArray("\xFF\xFE", 2));
    const FormControls& c = form->controls();
    QCOMPARE(c.ComboBoxEvalE1->currentText(), QStringLiteral("24"));
    QCOMPARE(c.ComboBoxEvalE2->currentText(), QStringLiteral("6"));
    QCOMPARE(form->fieldText(Field::Zval), std::string("4.7K"));
    QCOMPARE(form->printMargins().LeftMarginText, QStringLiteral("15"));
    QCOMPARE(form->printMargins().TopMarginText, QStringLiteral("15"));
    QCOMPARE(form->printMargins().LeftMargin, 15.0);
    QCOMPARE(form->printMargins().TopMargin, 15.0);
}

void SettingsFileTest::closingWritesEveryKeyAsUtf16Text()
{
    auto form = open(settingsPath());
    closeAndExpectSilence(*form);
    QCOMPARE(readAll(settingsPath()), utf16File(kDefaultsAsWritten));
}

void SettingsFileTest::infinitySurvivesRestart()
{
    {
        auto form = open(settingsPath());
        QComboBox* series = form->controls().ComboBoxEvalE1;
        series->lineEdit()->selectAll();
        typeText(series, QStringLiteral("∞"));
        QCOMPARE(series->currentText(), QStringLiteral("∞"));
        form->setFieldText(Field::Zval, "10K");
        closeAndExpectSilence(*form);
    }
    auto again = open(settingsPath());
    QCOMPARE(again->controls().ComboBoxEvalE1->currentText(), QStringLiteral("∞"));
    QCOMPARE(again->fieldText(Field::Zval), std::string("10K"));
}

void SettingsFileTest::fileValuesLoad_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("texts");  // E1, E2, Z, Left, Top
    QTest::addColumn<double>("left");        // NaN: unreadable
    QTest::newRow("every key") << utf16File("[Torvel]\r\nE1=96\r\nE2=12\r\nZ=10K\r\n[Printer]\r\nLeft=25\r\nTop=5\r\n")
                               << QStringList{"96", "12", "10K", "25", "5"} << 25.0;
    QTest::newRow("unreadable margin loads as NaN") << utf16File("[Printer]\r\nLeft=abc\r\n")
                                                    << QStringList{"24", "6", "4.7K", "abc", "15"} << double(NAN);
    QTest::newRow("empty values are empty texts, not defaults")
        << utf16File("[Torvel]\r\nE1=\r\nE2=\r\nZ=\r\n[Printer]\r\nLeft=\r\nTop=\r\n")
        << QStringList{"", "", "", "", ""} << double(NAN);
    QTest::newRow("values stored as they stand") << utf16File("[Torvel]\r\nE1=10\r\nZ=xyz\r\n")
                                                 << QStringList{"10", "6", "xyz", "15", "15"} << 15.0;
    QTest::newRow("UTF-8 file written by hand") << QByteArray("[torvel]\nE1 = \xE2\x88\x9E\n")
                                                << QStringList{"∞", "6", "4.7K", "15", "15"} << 15.0;
}

void SettingsFileTest::fileValuesLoad()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, texts);
    QFETCH(double, left);
    writeAll(settingsPath(), file);
    auto form = open(settingsPath());
    const FormControls& c = form->controls();
    const QStringList loaded{c.ComboBoxEvalE1->currentText(), c.ComboBoxEvalE2->currentText(),
                             QString::fromStdString(form->fieldText(Field::Zval)), form->printMargins().LeftMarginText,
                             form->printMargins().TopMarginText};
    QCOMPARE(loaded, texts);
    if (std::isnan(left))
        QVERIFY(std::isnan(form->printMargins().LeftMargin));
    else
        QCOMPARE(form->printMargins().LeftMargin, left);
}

void SettingsFileTest::otherContentOfTheFileIsKept()
{
    const QString before = QStringLiteral("; written by hand\r\n[Window]\r\nx=1\r\n\r\n[Torvel]\r\nE1=48\r\nExtra=yes\r\n");
    writeAll(settingsPath(), utf16File(before));
    auto form = open(settingsPath());
    form->setComboText(Combo::EvalE1, "192");
    closeAndExpectSilence(*form);
    QCOMPARE(readAll(settingsPath()),
             utf16File("; written by hand\r\n[Window]\r\nx=1\r\n\r\n[Torvel]\r\nE1=192\r\nExtra=yes\r\nE2=6\r\nZ=4.7K\r\n"
                       "[Printer]\r\nLeft=15\r\nTop=15\r\n"));
}

void SettingsFileTest::longValueKeptWhole()
{
    const QString impedance(3000, u'1');
    writeAll(settingsPath(), utf16File("[Torvel]\r\nZ=" + impedance + "\r\n"));
    auto form = open(settingsPath());
    QCOMPARE(QString::fromStdString(form->fieldText(Field::Zval)), impedance);
    closeAndExpectSilence(*form);
    SettingsTexts texts;
    QVERIFY(LoadSettings(settingsPath(), texts));
    QCOMPARE(texts.impedance, impedance);
}

void SettingsFileTest::writeReplacesTheFileInOneStep()
{
    // A write that truncated the file and then filled it could leave it empty; a new file renamed over
    // the old one cannot. The new inode shows which of the two happened.
    writeAll(settingsPath(), utf16File(kDefaultsAsWritten));
    const ino_t before = inodeOf(settingsPath());
    auto form = open(settingsPath());
    closeAndExpectSilence(*form);
    QVERIFY(inodeOf(settingsPath()) != before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"torvel.ini"});
}

void SettingsFileTest::linkStaysALink()
{
    QDir(m_dir->path()).mkdir(QStringLiteral("dotfiles"));
    const QString target = m_dir->filePath(QStringLiteral("dotfiles/torvel.ini"));
    writeAll(target, utf16File("[Torvel]\r\nE1=12\r\n"));
    QVERIFY(QFile::link(target, settingsPath()));
    auto form = open(settingsPath());
    QCOMPARE(form->controls().ComboBoxEvalE1->currentText(), QStringLiteral("12"));
    form->setComboText(Combo::EvalE1, "48");
    closeAndExpectSilence(*form);
    QVERIFY(QFileInfo(settingsPath()).isSymLink());
    QVERIFY(readAll(target).contains(QByteArray("4\0008\0", 4)));
}

void SettingsFileTest::folderThatCannotHoldTheFile()
{
    // A folder path running through a file: no file can be created there, not even by root.
    writeAll(m_dir->filePath(QStringLiteral("plain")), "x");
    const QString path = m_dir->filePath(QStringLiteral("plain/torvel.ini"));
    auto form = open(path);
    QCOMPARE(form->controls().ComboBoxEvalE1->currentText(), QStringLiteral("24"));
    QCOMPARE(form->fieldText(Field::Zval), std::string("4.7K"));
    // Nothing was read: the margin texts stay empty and the numbers 0.
    QCOMPARE(form->printMargins().LeftMarginText, QString());
    QCOMPARE(form->printMargins().LeftMargin, 0.0);
    closeAndExpectSilence(*form);
    QVERIFY(!QFileInfo::exists(path));
}

void SettingsFileTest::pathThatIsAFolder()
{
    // Exists but cannot be read or replaced: every key takes its default, and closing changes nothing.
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("torvel.ini")));
    auto form = open(settingsPath());
    QCOMPARE(form->printMargins().LeftMarginText, QStringLiteral("15"));
    closeAndExpectSilence(*form);
    QVERIFY(QFileInfo(settingsPath()).isDir());
}

void SettingsFileTest::fifoInTheFilesPlace()
{
    // Opening a FIFO for reading would wait for a writer: the window would never appear.
    QCOMPARE(::mkfifo(QFile::encodeName(settingsPath()).constData(), 0600), 0);
    ::alarm(20);  // a start that hung would end the test program rather than the whole suite
    auto form = open(settingsPath());
    QCOMPARE(form->controls().ComboBoxEvalE1->currentText(), QStringLiteral("24"));
    closeAndExpectSilence(*form);
    ::alarm(0);
    struct stat info {};
    QVERIFY(::lstat(QFile::encodeName(settingsPath()).constData(), &info) == 0 && S_ISFIFO(info.st_mode));
}

void SettingsFileTest::readOnlyFileAndFolder_data()
{
    QTest::addColumn<bool>("fileWritable");
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<QString>("after");  // the file's text after closing with E1 set to 96
    const QString before = QStringLiteral("[Torvel]\r\nE1=12\r\n");
    QTest::newRow("read-only file in a writable folder: nothing changes") << false << true << before;
    QTest::newRow("read-only file and folder: nothing changes") << false << false << before;
    // The user made the file writable on purpose; it can only be written in place.
    QTest::newRow("writable file in a read-only folder: written in place")
        << true << false << "[Torvel]\r\nE1=96\r\nE2=6\r\nZ=4.7K\r\n[Printer]\r\nLeft=15\r\nTop=15\r\n";
}

void SettingsFileTest::readOnlyFileAndFolder()
{
    QFETCH(bool, fileWritable);
    QFETCH(bool, folderWritable);
    QFETCH(QString, after);
    if (::geteuid() == 0)
        QSKIP("root writes read-only files; the test runs again as an unprivileged user");
    writeAll(settingsPath(), utf16File("[Torvel]\r\nE1=12\r\n"));
    QFile::setPermissions(settingsPath(), QFile::ReadOwner | (fileWritable ? QFile::WriteOwner : QFile::Permissions()));
    if (!folderWritable)
        QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner);
    auto form = open(settingsPath());
    QCOMPARE(form->controls().ComboBoxEvalE1->currentText(), QStringLiteral("12"));
    form->setComboText(Combo::EvalE1, "96");
    closeAndExpectSilence(*form);
    QCOMPARE(readAll(settingsPath()), utf16File(after));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"torvel.ini"});
    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QTEST_MAIN(SettingsFileTest)
#include "settings_file_test.moc"
