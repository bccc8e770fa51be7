// Whatever lies in the settings file, the program starts and never loses a setting: each hostile file
// loads its usable values (or the defaults), and a save either writes a file that reads back to what was
// saved and keeps everything else it held, or leaves the old file exactly as it was.
#include "settings/Option.h"
#include "settings/ini_text.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace torvel;

namespace {

const SettingsTexts kForm{QStringLiteral("24"), QStringLiteral("6"), QStringLiteral("4.7K"), QString(), QString()};
const SettingsTexts kChosen{QStringLiteral("∞"), QStringLiteral("12"), QStringLiteral("10K"), QStringLiteral("25"),
                            QStringLiteral("5")};

QByteArray utf16(const QString& text, bool bigEndian = false)
{
    QByteArray out(bigEndian ? "\xFE\xFF" : "\xFF\xFE", 2);
    for (QChar c : text) {
        const char hi = static_cast<char>(c.unicode() >> 8), lo = static_cast<char>(c.unicode() & 0xFF);
        out.append(bigEndian ? hi : lo);
        out.append(bigEndian ? lo : hi);
    }
    return out;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

const QByteArray kOldFile = utf16(QStringLiteral("[Torvel]\r\nE1=48\r\n; keep\r\n"));

// What stands at a path without following it: "fifo", "link to <target>", "file of <n> bytes", ...
QString whatIsAt(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("nothing");
    if (S_ISFIFO(info.st_mode))
        return QStringLiteral("fifo");
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("link to ") + QFileInfo(path).symLinkTarget();
    if (S_ISREG(info.st_mode))
        return QStringLiteral("file of %1 bytes").arg(info.st_size);
    return QStringLiteral("other");
}

QStringList asList(const SettingsTexts& t) { return {t.resistorSeries, t.capacitorSeries, t.impedance, t.leftMargin, t.topMargin}; }

}  // namespace

class HostileSettingsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("torvel.ini")); }

private slots:
    void cleanup() { QFile::remove(path()); }

    void hostileFileLoadsAndSavesSafely_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("loadedE1");  // what E1 reads as
        QTest::addColumn<QString>("kept");      // a text the save must keep, empty when none

        const QString usual = QStringLiteral("; my comment\r\n[Other]\r\nkey=value\r\n[Torvel]\r\nE1=48\r\n");
        QTest::newRow("empty") << QByteArray() << "24" << "";
        QTest::newRow("byte-order mark only") << QByteArray("\xFF\xFE", 2) << "24" << "";
        QTest::newRow("UTF-16LE text") << utf16(usual) << "48" << "key=value";
        QTest::newRow("UTF-16BE text") << utf16(usual, true) << "48" << "key=value";
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + usual.toUtf8() << "48" << "; my comment";
        QTest::newRow("UTF-8 without BOM") << usual.toUtf8() << "48" << "[Other]";
        QTest::newRow("LF line breaks") << QString(usual).replace("\r\n", "\n").toUtf8() << "48" << "key=value";
        QTest::newRow("truncated inside a UTF-16 character") << utf16(usual).chopped(1) << "48" << "key=value";
        QTest::newRow("binary garbage") << QByteArray("\x00\x01\xFF\x80[\x00=\xFE\x12\x9C", 10) << "24" << "";
        QTest::newRow("missing sections") << QByteArray("E1=96\r\nZ=1K\r\n") << "24" << "E1=96";
        QTest::newRow("duplicate keys and sections: the first wins")
            << QByteArray("[Torvel]\r\nE1=96\r\nE1=6\r\n[Torvel]\r\nE1=12\r\n") << "96" << "E1=12";
        QTest::newRow("equals sign inside a value: the first one ends the key")
            << QByteArray("[Torvel]\r\nE1=a=b\r\n[Printer]\r\nx==\r\n") << "a=b" << "x==";
        QByteArray huge = QByteArray("[Torvel]\r\nE1=192\r\n[Big]\r\n");
        while (huge.size() < 10 * 1024 * 1024)
            huge += "filler=0123456789012345678901234567890123456789012345678901234567890123456789\r\n";
        QTest::newRow("10 MB") << huge << "192" << "filler=0123";
    }

    void hostileFileLoadsAndSavesSafely()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, loadedE1);
        QFETCH(QString, kept);
        writeAll(path(), file);

        SettingsTexts texts = kForm;
        QVERIFY(LoadSettings(path(), texts));
        QCOMPARE(texts.resistorSeries, loadedE1);

        const bool saved = SaveSettings(path(), kChosen);
        const QByteArray after = readAll(path());
        if (!saved) {
            QCOMPARE(after, file);  // nothing changed
            return;
        }
        SettingsTexts reread = kForm;
        QVERIFY(LoadSettings(path(), reread));
        QCOMPARE(asList(reread), asList(kChosen));
        if (!kept.isEmpty())
            QVERIFY2(decodeIniBytes(after).text.contains(kept), qPrintable(kept));
    }

    void failedWriteLeavesTheOldFile_data()
    {
        QTest::addColumn<qint64>("limit");  // bytes a file may grow to before writes fail, as on a full disk
        // Every point at which the new file can be cut: from no byte at all to all but the last one.
        const qint64 size = encodeIniText(writeSettingsTexts(decodeIniBytes(kOldFile).text, kChosen), TextEncoding::Utf16LE).size();
        for (qint64 limit = 0; limit < size; ++limit)
            QTest::addRow("cut after %lld of %lld bytes", limit, size) << limit;
    }

    void failedWriteLeavesTheOldFile()
    {
        QFETCH(qint64, limit);
        writeAll(path(), kOldFile);

        // A file-size limit makes every write past it fail (EFBIG) like a full disk; the signal it would
        // raise is ignored so that the failure comes back as an error.
        struct rlimit previous {};
        getrlimit(RLIMIT_FSIZE, &previous);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = previous;
        small.rlim_cur = static_cast<rlim_t>(limit);
        setrlimit(RLIMIT_FSIZE, &small);
        const bool saved = SaveSettings(path(), kChosen);
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(!saved);
        QCOMPARE(readAll(path()), kOldFile);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("torvel.ini")});  // no leftovers
    }

    void danglingLinkIsFollowedOrLeftAlone_data()
    {
        QTest::addColumn<QString>("targetFolder");
        QTest::addColumn<bool>("folderExists");
        QTest::newRow("target's folder exists: the file is made there, through the link") << "dotfiles" << true;
        QTest::newRow("target's folder is missing: nothing is made and the link stays") << "unmounted" << false;
    }

    void danglingLinkIsFollowedOrLeftAlone()
    {
        // A link kept in place by the user (settings in a dotfiles folder or on another drive) must stay a
        // link: a save that replaced it with a file of its own would part the two copies for good.
        QFETCH(QString, targetFolder);
        QFETCH(bool, folderExists);
        const QString target = m_dir.filePath(targetFolder + QStringLiteral("/torvel.ini"));
        if (folderExists)
            QVERIFY(QDir(m_dir.path()).mkdir(targetFolder));
        QVERIFY(QFile::link(target, path()));

        SettingsTexts texts = kForm;
        QCOMPARE(LoadSettings(path(), texts), folderExists);
        const SettingsTexts expected{kForm.resistorSeries, kForm.capacitorSeries, kForm.impedance,
                                     folderExists ? QStringLiteral("15") : QString(), folderExists ? QStringLiteral("15") : QString()};
        QCOMPARE(asList(texts), asList(expected));
        QCOMPARE(SaveSettings(path(), kChosen), folderExists);

        QVERIFY(QFileInfo(path()).isSymLink());
        QCOMPARE(QFileInfo(path()).symLinkTarget(), target);
        QCOMPARE(QFileInfo::exists(QFileInfo(target).absolutePath()), folderExists);
        if (folderExists) {
            SettingsTexts reread = kForm;
            QVERIFY(LoadSettings(target, reread));
            QCOMPARE(asList(reread), asList(kChosen));
        }
    }

    void whatIsNoRegularFileReadsAsUnreadableAndIsLeftAsItIs_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("loads");  // false where not even an empty file could be created
        QTest::newRow("FIFO: neither the start nor the close waits for a writer") << "fifo" << true;
        QTest::newRow("link to an endless device") << "/dev/zero" << true;
        QTest::newRow("link to a random device") << "/dev/urandom" << true;
        QTest::newRow("loop of links") << "loop" << false;
        QTest::newRow("file past the size bound, its first key readable") << "huge" << true;
    }

    void whatIsNoRegularFileReadsAsUnreadableAndIsLeftAsItIs()
    {
        QFETCH(QString, kind);
        QFETCH(bool, loads);
        if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
        } else if (kind == QLatin1String("loop")) {
            QVERIFY(QFile::link(path() + QStringLiteral(".other"), path()));
            QVERIFY(QFile::link(path(), path() + QStringLiteral(".other")));
        } else if (kind == QLatin1String("huge")) {
            QByteArray huge = QByteArray("[Torvel]\r\nE1=192\r\n[Big]\r\n");
            huge += QByteArray(static_cast<qsizetype>(kSettingsFileMaxBytes), ';');
            writeAll(path(), huge);
        } else {
            QVERIFY(QFile::link(kind, path()));
        }
        const QString before = whatIsAt(path());

        ::alarm(20);  // a read that waited on the FIFO would end the test program rather than hang it
        SettingsTexts texts = kForm;
        QCOMPARE(LoadSettings(path(), texts), loads);
        const bool saved = SaveSettings(path(), kChosen);
        ::alarm(0);
        QCOMPARE(texts.resistorSeries, kForm.resistorSeries);
        QVERIFY(!saved);
        QCOMPARE(whatIsAt(path()), before);
        QFile::remove(path() + QStringLiteral(".other"));
    }

    void fileReplacedByAFolderChangesNothing()
    {
        QVERIFY(QDir().mkpath(path()));
        SettingsTexts texts = kForm;
        LoadSettings(path(), texts);
        QCOMPARE(asList(texts).mid(0, 3), asList(kForm).mid(0, 3));
        QVERIFY(!SaveSettings(path(), kChosen));
        QVERIFY(QFileInfo(path()).isDir());
        QDir(path()).removeRecursively();
    }
};

QTEST_MAIN(HostileSettingsTest)
#include "hostile_settings_test.moc"
