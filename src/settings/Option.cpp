#include "settings/Option.h"

#include "settings/ini_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace torvel {
namespace {

constexpr QStringView kDesignSection = u"Torvel";
constexpr QStringView kPrinterSection = u"Printer";

bool createEmptySettingsFile(const QString& path)
{
    const QFileInfo info(path);
    // A link whose file is missing is followed, as the save follows it, so that the link stays a link;
    // its file is made only in a folder that already exists where it points.
    if (!info.isSymLink()) {
        // The user's configuration folder may not exist yet; beside the program the folder always does.
        QDir().mkpath(info.absolutePath());
    }
    QFile file(info.isSymLink() ? info.symLinkTarget() : path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return QFileInfo::exists(path);  // another copy of the program may just have created it
    const QByteArray byteOrderMark("\xFF\xFE", 2);
    return file.write(byteOrderMark) == byteOrderMark.size() && file.flush();
}

}  // namespace

QString settingsPathBeside(const QString& programFile)
{
    const qsizetype slash = programFile.lastIndexOf(u'/');
    const qsizetype dot = programFile.lastIndexOf(u'.');
    const QString stem = dot > slash ? programFile.left(dot) : programFile;
    return stem + QStringLiteral(".ini");
}

QString chooseSettingsFile(const QString& besideProgram, const QString& userConfigFolder, bool existsBesideProgram,
                           bool programFolderWritable)
{
    if (existsBesideProgram || programFolderWritable || userConfigFolder.isEmpty())
        return besideProgram;
    return QDir(userConfigFolder).filePath(QFileInfo(besideProgram).fileName());
}

QString SettingsFilePath()
{
    const QString beside = settingsPathBeside(QCoreApplication::applicationFilePath());
    const QFileInfo file(beside);
    return chooseSettingsFile(beside, QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
                              file.exists(), QFileInfo(file.absolutePath()).isWritable());
}

SettingsTexts readSettingsTexts(QStringView iniText, const SettingsTexts& form)
{
    const QString defaultMargin = kDefaultMarginText.toString();
    return {
        readIniValue(iniText, kDesignSection, u"E1", form.resistorSeries),
        readIniValue(iniText, kDesignSection, u"E2", form.capacitorSeries),
        readIniValue(iniText, kDesignSection, u"Z", form.impedance),
        readIniValue(iniText, kPrinterSection, u"Left", defaultMargin),
        readIniValue(iniText, kPrinterSection, u"Top", defaultMargin),
    };
}

QString writeSettingsTexts(QStringView iniText, const SettingsTexts& texts)
{
    QString text = iniText.toString();
    text = writeIniValue(text, kDesignSection, u"E1", texts.resistorSeries);
    text = writeIniValue(text, kDesignSection, u"E2", texts.capacitorSeries);
    text = writeIniValue(text, kDesignSection, u"Z", texts.impedance);
    text = writeIniValue(text, kPrinterSection, u"Left", texts.leftMargin);
    text = writeIniValue(text, kPrinterSection, u"Top", texts.topMargin);
    return text;
}

bool LoadSettings(const QString& path, SettingsTexts& texts)
{
    if (!QFileInfo::exists(path) && !createEmptySettingsFile(path))
        return false;
    // A file that exists but cannot be read reads as one without keys: every text takes its default.
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    texts = readSettingsTexts(decodeIniBytes(bytes).text, texts);
    return true;
}

bool SaveSettings(const QString& path, const SettingsTexts& texts)
{
    DecodedText current = decodeIniBytes({});
    if (QFileInfo::exists(path)) {
        // Writing without having read the file would throw away whatever else it holds.
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return false;
        current = decodeIniBytes(bytes);
    }
    // A link stays a link: the new file replaces the one it points to.
    const QString canonical = QFileInfo(path).canonicalFilePath();
    QSaveFile out(canonical.isEmpty() ? path : canonical);
    // A settings file that the user may write in a folder that the user may not (set up that way on
    // purpose) can only be written in place; keeping the choice is worth more than the atomic replace.
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = encodeIniText(writeSettingsTexts(current.text, texts), current.encoding);
    // Flush before committing: this Qt's commit() can miss a failed flush (a full disk, EFBIG) and
    // would then replace the settings with a truncated file.
    if (out.write(bytes) != bytes.size() || !out.flush() || out.error() != QFileDevice::NoError) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

}  // namespace torvel
