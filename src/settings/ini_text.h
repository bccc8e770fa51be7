// INI text as the settings file holds it, kept free of any file so that every rule can be tested on bytes.
//
// A write replaces one key's value in place and leaves every other byte of meaning alone: other sections,
// other keys, comments, blank lines, the order of lines and the line-break style. Section and key names
// match without regard to letter case, the first of duplicate keys wins, blanks around names and values
// are not part of them, and lines starting with ";" are comments. Values are read and written whole,
// whatever their length.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace torvel {

enum class TextEncoding { Utf16LE, Utf16BE, Utf8WithBom, Utf8, Latin1 };

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Utf16LE;
};

/// Recognises a UTF-16 (either order) or UTF-8 byte-order mark; without one, valid UTF-8 is UTF-8 and
/// anything else Latin-1. An empty file counts as the program's own format, UTF-16 little-endian, so that
/// "∞" can be stored in it.
DecodedText decodeIniBytes(const QByteArray& bytes);

/// The text in the encoding it was read in, byte-order mark included. A Latin-1 file that has to take a
/// character Latin-1 cannot hold (such as "∞") becomes UTF-8 rather than lose it.
QByteArray encodeIniText(const QString& text, TextEncoding encoding);

/// The value of `key` in `section`, or `fallback` when either is missing. A key present with an empty
/// value gives an empty text, not the fallback.
QString readIniValue(QStringView text, QStringView section, QStringView key, const QString& fallback);

/// The text with `key` in `section` set to `value`: the key's line is rewritten in place, a missing key
/// is added at the end of its section, a missing section at the end of the text.
QString writeIniValue(QStringView text, QStringView section, QStringView key, QStringView value);

}  // namespace torvel
