// The settings file's bytes, whatever they are: reading never crashes, and saving the five texts into
// them gives a file that reads back to exactly those texts, keeps every other line, and does not change
// when the same texts are saved again. The whole input is the file, so a seed is a plain INI file.
#include "settings/Option.h"
#include "fuzz_input.h"
#include "settings/ini_text.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <array>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace torvel;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

SettingsTexts texts(const char16_t* e1, const char16_t* e2, const char16_t* z, const char16_t* left, const char16_t* top)
{
    return {QString::fromUtf16(e1), QString::fromUtf16(e2), QString::fromUtf16(z), QString::fromUtf16(left),
            QString::fromUtf16(top)};
}

// What the controls may hold when the window closes: the form's texts, the series "∞" that only UTF-16
// or UTF-8 can store, empty texts, full-width digits, and texts that look like INI syntax. None has a
// line break or blanks at its ends: a control holds one line, and blanks around a value are not part of
// it in this format.
const std::array<SettingsTexts, 5> kSaved{
    texts(u"24", u"6", u"4.7K", u"15", u"15"),
    texts(u"∞", u"∞", u"10K", u"25", u"5"),
    texts(u"", u"", u"", u"", u""),
    texts(u"a=b", u"[Torvel]", u";Z=1", u"=", u"１５"),
    texts(u"192", u"１２", u"４.７ｋ", u"µ", u"x y"),
};

bool sameTexts(const SettingsTexts& a, const SettingsTexts& b)
{
    return a.resistorSeries == b.resistorSeries && a.capacitorSeries == b.capacitorSeries
        && a.impedance == b.impedance && a.leftMargin == b.leftMargin && a.topMargin == b.topMargin;
}

// Each line of the text, without its line break, counted.
QHash<QString, int> lineCounts(const QString& text)
{
    QHash<QString, int> counts;
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        ++counts[line];
    }
    return counts;
}

// How many lines of `before` are missing from `after`; only the five keys' own lines may go.
int linesLost(const QString& before, const QString& after)
{
    const QHash<QString, int> had = lineCounts(before);
    const QHash<QString, int> has = lineCounts(after);
    int lost = 0;
    for (auto it = had.cbegin(); it != had.cend(); ++it)
        lost += qMax(0, it.value() - has.value(it.key()));
    return lost;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const DecodedText before = decodeIniBytes(file);
    const SettingsTexts form = kSaved[0];
    readSettingsTexts(before.text, form);

    const SettingsTexts& saved = kSaved[size % kSaved.size()];
    const QString written = writeSettingsTexts(before.text, saved);
    const DecodedText after = decodeIniBytes(encodeIniText(written, before.encoding));
    check(after.text == written);
    check(sameTexts(readSettingsTexts(after.text, form), saved));
    check(linesLost(before.text, after.text) <= 5);
    check(writeSettingsTexts(after.text, saved) == after.text);
    return 0;
}
