// The INI text of the settings file, on bytes and strings only.
#include "settings/ini_text.h"

#include <QTest>

using namespace torvel;

Q_DECLARE_METATYPE(torvel::TextEncoding)

class IniTextTest : public QObject {
    Q_OBJECT
private slots:
    void encodingIsRecognised_data();
    void encodingIsRecognised();
    void encodingIsKeptOnWrite_data();
    void encodingIsKeptOnWrite();
    void valueIsRead_data();
    void valueIsRead();
    void valueIsWrittenInPlace_data();
    void valueIsWrittenInPlace();
    void longValueIsKeptWhole();
};

void IniTextTest::encodingIsRecognised_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QString>("text");
    QTest::newRow("UTF-16LE with its mark") << QByteArray("\xFF\xFE[\0a\0]\0", 8) << TextEncoding::Utf16LE << "[a]";
    QTest::newRow("mark alone, as a new file holds it") << QByteArray("\xFF\xFE", 2) << TextEncoding::Utf16LE << "";
    QTest::newRow("UTF-16BE with its mark") << QByteArray("\xFE\xFF\0[\0a\0]", 8) << TextEncoding::Utf16BE << "[a]";
    QTest::newRow("UTF-8 with its mark") << QByteArray("\xEF\xBB\xBF\xE2\x88\x9E") << TextEncoding::Utf8WithBom << "∞";
    QTest::newRow("UTF-8 without a mark") << QByteArray("E1=\xE2\x88\x9E") << TextEncoding::Utf8 << "E1=∞";
    QTest::newRow("invalid UTF-8 is Latin-1") << QByteArray("Z=4.7K\xB5") << TextEncoding::Latin1 << "Z=4.7Kµ";
    QTest::newRow("empty file is the program's own format") << QByteArray() << TextEncoding::Utf16LE << "";
    // Only the first mark says how the file is encoded; a mark after it is a character of the text, and a
    // save must write it back rather than drop one more each time.
    QTest::newRow("UTF-16BE mark repeated") << QByteArray("\xFE\xFF\xFE\xFF\xFE\xFF", 6) << TextEncoding::Utf16BE
                                            << QString(QChar(0xFEFF)) + QChar(0xFEFF);
    QTest::newRow("UTF-16LE mark repeated") << QByteArray("\xFF\xFE\xFF\xFE[\0a\0]\0", 10) << TextEncoding::Utf16LE
                                            << QString(QChar(0xFEFF)) + "[a]";
    QTest::newRow("UTF-8 mark repeated") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF") << TextEncoding::Utf8WithBom
                                         << QString(QChar(0xFEFF));
}

void IniTextTest::encodingIsRecognised()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, encoding);
    QFETCH(QString, text);
    const DecodedText decoded = decodeIniBytes(bytes);
    QCOMPARE(decoded.encoding, encoding);
    QCOMPARE(decoded.text, text);
}

void IniTextTest::encodingIsKeptOnWrite_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("value");  // written to [Torvel] E1
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("UTF-16LE") << QByteArray("\xFF\xFE", 2) << "∞"
                              << QByteArray("\xFF\xFE[\0T\0o\0r\0v\0e\0l\0]\0\r\0\n\0E\0" "1\0=\0\x1E\x22\r\0\n\0", 34);
    QTest::newRow("UTF-16BE") << QByteArray("\xFE\xFF\0[\0T\0o\0r\0v\0e\0l\0]\0\n", 20) << "∞"
                              << QByteArray("\xFE\xFF\0[\0T\0o\0r\0v\0e\0l\0]\0\n\0E\0" "1\0=\x22\x1E\0\n", 30);
    QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF[Torvel]\n") << "∞"
                                     << QByteArray("\xEF\xBB\xBF[Torvel]\nE1=\xE2\x88\x9E\n");
    QTest::newRow("UTF-8") << QByteArray("[Torvel]\n") << "∞" << QByteArray("[Torvel]\nE1=\xE2\x88\x9E\n");
    // Latin-1 cannot hold "∞"; the file becomes UTF-8 rather than lose the choice, and "µ" moves along.
    QTest::newRow("Latin-1 that must take ∞") << QByteArray("; \xB5\n[Torvel]\n") << "∞"
                                              << QByteArray("; \xC2\xB5\n[Torvel]\nE1=\xE2\x88\x9E\n");
    QTest::newRow("Latin-1 that stays Latin-1") << QByteArray("; \xB5\n[Torvel]\n") << "24"
                                                << QByteArray("; \xB5\n[Torvel]\nE1=24\n");
    // The only byte that was not UTF-8 is overwritten; written as Latin-1, "Ã©" would read back as "é".
    QTest::newRow("Latin-1 that would read back as UTF-8") << QByteArray("[Torvel]\nE1=\xFF\nx=\xC3\xA9\n") << "24"
                                                           << QByteArray("[Torvel]\nE1=24\nx=\xC3\x83\xC2\xA9\n");
}

void IniTextTest::encodingIsKeptOnWrite()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    const DecodedText decoded = decodeIniBytes(before);
    QCOMPARE(encodeIniText(writeIniValue(decoded.text, u"Torvel", u"E1", value), decoded.encoding), after);
}

void IniTextTest::valueIsRead_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");  // of [Torvel] E1, fallback "fb"
    QTest::newRow("plain") << "[Torvel]\r\nE1=48\r\n" << "48";
    QTest::newRow("missing file text") << "" << "fb";
    QTest::newRow("missing key") << "[Torvel]\r\nE2=6\r\n" << "fb";
    QTest::newRow("key in another section only") << "[Printer]\r\nE1=12\r\n" << "fb";
    QTest::newRow("empty value is empty, not the fallback") << "[Torvel]\r\nE1=\r\n" << "";
    QTest::newRow("names ignore letter case") << "[TORVEL]\r\ne1=96\r\n" << "96";
    QTest::newRow("blanks around name and value") << "[ Torvel ]\r\n  E1 =  192  \r\n" << "192";
    QTest::newRow("first of duplicate keys") << "[Torvel]\nE1=6\nE1=12\n" << "6";
    QTest::newRow("first of duplicate sections") << "[Torvel]\nE1=6\n[Torvel]\nE1=12\n" << "6";
    QTest::newRow("commented-out key") << "[Torvel]\n;E1=6\nE1=12\n" << "12";
    QTest::newRow("key before any section") << "E1=6\n[Torvel]\n" << "fb";
    QTest::newRow("equals sign inside the value") << "[Torvel]\nE1=a=b\n" << "a=b";
    QTest::newRow("no line break at the end") << "[Torvel]\nE1=24" << "24";
}

void IniTextTest::valueIsRead()
{
    QFETCH(QString, text);
    QFETCH(QString, value);
    QCOMPARE(readIniValue(text, u"Torvel", u"E1", QStringLiteral("fb")), value);
}

void IniTextTest::valueIsWrittenInPlace_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");  // with [Torvel] E1 set to 12
    QTest::newRow("new file") << "" << "[Torvel]\r\nE1=12\r\n";
    QTest::newRow("replaced in place, rest kept")
        << "; mine\r\n[Torvel]\r\nE2=6\r\nE1=24\r\nZ=4.7K\r\n\r\n[Other]\r\nx=1\r\n"
        << "; mine\r\n[Torvel]\r\nE2=6\r\nE1=12\r\nZ=4.7K\r\n\r\n[Other]\r\nx=1\r\n";
    QTest::newRow("key spelled as the file spells it") << "[torvel]\r\n e1 = 24 \r\n" << "[torvel]\r\ne1=12\r\n";
    QTest::newRow("missing key after the section's last entry, before the blank line")
        << "[Torvel]\r\nE2=6\r\n\r\n[Printer]\r\nLeft=15\r\n" << "[Torvel]\r\nE2=6\r\nE1=12\r\n\r\n[Printer]\r\nLeft=15\r\n";
    QTest::newRow("missing section at the end") << "[Printer]\r\nLeft=15\r\n" << "[Printer]\r\nLeft=15\r\n[Torvel]\r\nE1=12\r\n";
    QTest::newRow("line break added to a last line without one")
        << "[Printer]\r\nLeft=15" << "[Printer]\r\nLeft=15\r\n[Torvel]\r\nE1=12\r\n";
    QTest::newRow("section header as the last line") << "[Torvel]" << "[Torvel]\r\nE1=12\r\n";
    QTest::newRow("Unix line breaks stay Unix") << "[Torvel]\nE2=6\n" << "[Torvel]\nE2=6\nE1=12\n";
    QTest::newRow("only the first duplicate changes") << "[Torvel]\nE1=6\nE1=24\n" << "[Torvel]\nE1=12\nE1=24\n";
    QTest::newRow("comment that looks like the key stays") << "[Torvel]\n;E1=6\n" << "[Torvel]\n;E1=6\nE1=12\n";
}

void IniTextTest::valueIsWrittenInPlace()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QCOMPARE(writeIniValue(before, u"Torvel", u"E1", u"12"), after);
}

void IniTextTest::longValueIsKeptWhole()
{
    // The profile routines this format comes from cut values at 2047 characters; nothing here does.
    const QString value(5000, u'7');
    const QString text = writeIniValue(QString(), u"Torvel", u"Z", value);
    const DecodedText back = decodeIniBytes(encodeIniText(text, TextEncoding::Utf16LE));
    QCOMPARE(readIniValue(back.text, u"Torvel", u"Z", QString()), value);
}

QTEST_GUILESS_MAIN(IniTextTest)
#include "ini_text_test.moc"
