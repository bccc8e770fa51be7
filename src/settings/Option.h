// The settings file: the two E-series choices, the standard impedance and the two print margins, kept
// between runs in an INI file named after the program file.
//
// It is read once while the window is created and written once when it closes; nothing else touches it.
// Every failure is silent: the program starts with what it could read and goes on. The file lives beside
// the program, so that a program carried on a stick takes its settings along; an installed program,
// whose folder the user cannot write, keeps them in the user's configuration folder instead. A write goes
// to a new file that replaces the old one in one step, so a crash or a full disk never leaves half a file.
#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>

namespace torvel {

/// The five texts the file keeps, exactly as they stand in their controls (nothing is checked or
/// normalised: a typed "10", an unreadable impedance or an empty text are kept as they are).
struct SettingsTexts {
    QString resistorSeries;   // [Torvel] E1, the text of ComboBoxEvalE1
    QString capacitorSeries;  // [Torvel] E2, the text of ComboBoxEvalE2
    QString impedance;        // [Torvel] Z, the text of LabeledEditZval
    QString leftMargin;       // [Printer] Left, millimetres
    QString topMargin;        // [Printer] Top, millimetres
};

/// A settings file holds a few short lines. One larger than this, far beyond any real one, is taken as
/// unreadable (all texts take their defaults) and a save leaves it as it is.
inline constexpr std::size_t kSettingsFileMaxBytes = 16 * 1024 * 1024;

/// What a margin missing from the file reads as.
inline constexpr QStringView kDefaultMarginText = u"15";

/// The program file's path with its extension replaced by ".ini" (the part from the last "." of the
/// file name; a name without one gets ".ini" appended).
QString settingsPathBeside(const QString& programFile);

/// The file beside the program when it is there already or can be created there, otherwise the same
/// file name in the user's configuration folder.
QString chooseSettingsFile(const QString& besideProgram, const QString& userConfigFolder, bool existsBesideProgram,
                           bool programFolderWritable);

/// The settings file of the running program.
QString SettingsFilePath();

/// The texts the file holds, each key missing from it replaced by the matching text of `form` (the
/// controls' texts) or, for a margin, by "15".
SettingsTexts readSettingsTexts(QStringView iniText, const SettingsTexts& form);

/// The INI text with the five keys set, everything else kept.
QString writeSettingsTexts(QStringView iniText, const SettingsTexts& texts);

/// Reads the file into `texts`; anything but a regular file of at most kSettingsFileMaxBytes reads as a
/// file without keys. A missing file is first created holding only the UTF-16 little-endian
/// byte-order mark, so that later writes store UTF-16 text. When the file can be neither found nor
/// created, `texts` stays as it was and the result is false.
bool LoadSettings(const QString& path, SettingsTexts& texts);

/// Writes the five keys into the file, keeping its encoding and all else it holds. False on failure,
/// with the file as it was; false without touching anything when the path holds no regular file (a
/// folder, a FIFO, a device, a loop of links) or one larger than kSettingsFileMaxBytes.
bool SaveSettings(const QString& path, const SettingsTexts& texts);

}  // namespace torvel
