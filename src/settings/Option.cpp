#include "settings/Option.h"

#include "files/atomic_write.h"
#include "files/bounded_read.h"
#include "settings/ini_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <optional>
#include <string>

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

std::string systemPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// Only a regular file is read, and only up to the bound: a FIFO in the file's place would hang the start,
// a link to /dev/zero would read until memory runs out.
std::optional<QByteArray> readSettingsBytes(const std::string& path)
{
    const FileReadOutcome file = readRegularFile(path, kSettingsFileMaxBytes);
    if (!file.done())
        return std::nullopt;
    return QByteArray::fromStdString(file.bytes);
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
    // A file that exists but cannot be read reads as one without keys: every text takes its default. So
    // does anything that is not a regular file, and a file larger than the bound.
    const std::optional<QByteArray> bytes = readSettingsBytes(systemPath(path));
    texts = readSettingsTexts(decodeIniBytes(bytes.value_or(QByteArray())).text, texts);
    return true;
}

bool SaveSettings(const QString& path, const SettingsTexts& texts)
{
    // A link stays a link: the new file replaces the one it points to. Whatever else stands in the file's
    // place (a folder, a FIFO, a device, a loop of links) is left exactly as it is, and so is a file too
    // large to read: the settings are not worth replacing something the user put there.
    const WriteTargetOutcome resolved = resolveWriteTarget(systemPath(path));
    if (!resolved.target)
        return false;
    DecodedText current = decodeIniBytes({});
    if (resolved.target->exists) {
        // Writing without having read the file would throw away whatever else it holds.
        const std::optional<QByteArray> bytes = readSettingsBytes(resolved.target->path);
        if (!bytes)
            return false;
        current = decodeIniBytes(*bytes);
    }
    QSaveFile out(QFile::decodeName(QByteArray::fromStdString(resolved.target->path)));
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
