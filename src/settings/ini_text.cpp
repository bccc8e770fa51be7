#include "settings/ini_text.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>
#include <vector>

namespace torvel {
namespace {

const QByteArray kBomUtf16LE("\xFF\xFE", 2);
const QByteArray kBomUtf16BE("\xFE\xFF", 2);
const QByteArray kBomUtf8("\xEF\xBB\xBF", 3);

QString decodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes, bool* failed = nullptr)
{
    // The file's own byte-order mark has been taken off already; another one after it is a character of
    // the text (U+FEFF) and must stay one, or every save would drop one more of them.
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (failed)
        *failed = decoder.hasError();
    return text;
}

QByteArray encodeWith(QStringConverter::Encoding encoding, const QString& text)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

bool fitsLatin1(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

// One line of the text with its own line break ("\r\n", "\n" or none on the last line), so that the
// text is rebuilt byte for byte around the one line that changes.
struct Line {
    QStringView content;
    QStringView lineBreak;
};

std::vector<Line> splitLines(QStringView text)
{
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype newline = text.indexOf(u'\n', start);
        if (newline < 0) {
            lines.push_back({text.mid(start), {}});
            break;
        }
        qsizetype end = newline;
        if (end > start && text[end - 1] == u'\r')
            --end;
        lines.push_back({text.mid(start, end - start), text.mid(end, newline + 1 - end)});
        start = newline + 1;
    }
    return lines;
}

QString lineBreakOf(const std::vector<Line>& lines)
{
    for (const Line& line : lines) {
        if (!line.lineBreak.isEmpty())
            return line.lineBreak.toString();
    }
    return QStringLiteral("\r\n");  // what a new file gets, as the profile routines this format comes from write it
}

std::optional<QStringView> sectionName(QStringView line)
{
    const QStringView trimmed = line.trimmed();
    if (!trimmed.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return trimmed.mid(1, close - 1).trimmed();
}

struct KeyValue {
    QStringView key;
    QStringView value;
};

std::optional<KeyValue> keyValue(QStringView line)
{
    const QStringView trimmed = line.trimmed();
    if (trimmed.startsWith(u';'))
        return std::nullopt;
    const qsizetype equals = trimmed.indexOf(u'=');
    if (equals < 0)
        return std::nullopt;
    return KeyValue{trimmed.left(equals).trimmed(), trimmed.mid(equals + 1).trimmed()};
}

bool sameName(QStringView a, QStringView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Where a key lives: the first line of the wanted section, the key's own line, and the last line of the
// section that holds anything (a new key goes after it, before the blank lines that separate sections).
struct Location {
    std::optional<std::size_t> header;
    std::optional<std::size_t> keyLine;
    std::size_t lastFilledLine = 0;
};

Location locate(const std::vector<Line>& lines, QStringView section, QStringView key)
{
    Location where;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i].content)) {
            if (inSection)
                break;  // only the first section of that name counts
            inSection = sameName(*name, section);
            if (inSection) {
                where.header = i;
                where.lastFilledLine = i;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!lines[i].content.trimmed().isEmpty())
            where.lastFilledLine = i;
        if (const auto entry = keyValue(lines[i].content); entry && !where.keyLine && sameName(entry->key, key))
            where.keyLine = i;
    }
    return where;
}

}  // namespace

DecodedText decodeIniBytes(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return {QString(), TextEncoding::Utf16LE};
    // A file cut off inside a UTF-16 code unit ends with half a character: that byte is no text.
    const auto wholeUnits = [&] {
        const QByteArrayView units = QByteArrayView(bytes).sliced(2);
        return units.size() % 2 ? units.chopped(1) : units;
    };
    if (bytes.startsWith(kBomUtf16LE))
        return {decodeWith(QStringConverter::Utf16LE, wholeUnits()), TextEncoding::Utf16LE};
    if (bytes.startsWith(kBomUtf16BE))
        return {decodeWith(QStringConverter::Utf16BE, wholeUnits()), TextEncoding::Utf16BE};
    if (bytes.startsWith(kBomUtf8))
        return {decodeWith(QStringConverter::Utf8, QByteArrayView(bytes).sliced(3)), TextEncoding::Utf8WithBom};
    bool failed = false;
    QString text = decodeWith(QStringConverter::Utf8, bytes, &failed);
    if (!failed)
        return {text, TextEncoding::Utf8};
    return {QString::fromLatin1(bytes), TextEncoding::Latin1};
}

QByteArray encodeIniText(const QString& text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return kBomUtf16LE + encodeWith(QStringConverter::Utf16LE, text);
    case TextEncoding::Utf16BE:
        return kBomUtf16BE + encodeWith(QStringConverter::Utf16BE, text);
    case TextEncoding::Utf8WithBom:
        return kBomUtf8 + text.toUtf8();
    case TextEncoding::Latin1:
        if (fitsLatin1(text)) {
            // Latin-1 is only recognised as what is not UTF-8. Once the write has replaced the value that
            // made the file invalid UTF-8, the rest ("Ã©") could read back as UTF-8 ("é") and change
            // other keys; UTF-8 then keeps their meaning.
            QByteArray bytes = text.toLatin1();
            if (decodeIniBytes(bytes).text == text)
                return bytes;
        }
        break;
    case TextEncoding::Utf8:
        break;
    }
    return text.toUtf8();
}

QString readIniValue(QStringView text, QStringView section, QStringView key, const QString& fallback)
{
    const std::vector<Line> lines = splitLines(text);
    const Location where = locate(lines, section, key);
    if (!where.keyLine)
        return fallback;
    return keyValue(lines[*where.keyLine].content)->value.toString();
}

QString writeIniValue(QStringView text, QStringView section, QStringView key, QStringView value)
{
    const std::vector<Line> lines = splitLines(text);
    const QString lineBreak = lineBreakOf(lines);
    const Location where = locate(lines, section, key);

    QString result;
    result.reserve(text.size() + key.size() + value.size() + section.size() + 8);
    auto appendLine = [&](const Line& line) { result += line.content; result += line.lineBreak; };
    auto appendEntry = [&](QStringView entryKey) { result += entryKey; result += u'='; result += value; };

    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (where.keyLine && i == *where.keyLine) {
            // Keep the key as the file spells it; only the value changes.
            appendEntry(keyValue(lines[i].content)->key);
            result += lines[i].lineBreak;
            continue;
        }
        appendLine(lines[i]);
        if (where.header && !where.keyLine && i == where.lastFilledLine) {
            if (lines[i].lineBreak.isEmpty())
                result += lineBreak;
            appendEntry(key);
            result += lineBreak;
        }
    }
    if (!where.header) {
        if (!result.isEmpty() && !result.endsWith(u'\n'))
            result += lineBreak;
        result += u'[';
        result += section;
        result += u']';
        result += lineBreak;
        appendEntry(key);
        result += lineBreak;
    }
    return result;
}

}  // namespace torvel
