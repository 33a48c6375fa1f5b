#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTest>

#include "core/files/CodePage.h"
#include "core/files/NativePath.h"

class tst_CodePage : public QObject {
    Q_OBJECT
private slots:
    void everyByteRoundTrips();
    void knownCharacters_data();
    void knownCharacters();
    void unrepresentable_data();
    void unrepresentable();
    void encodeReplacesWhatItCannotHold_data();
    void encodeReplacesWhatItCannotHold();
    void upperIsOneToOne();
    void upper_data();
    void upper();
    void fileNames_data();
    void fileNames();
    void fileNamesRoundTrip();
};

void tst_CodePage::everyByteRoundTrips() {
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(char(b));
    const QString text = CodePage::decode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(CodePage::encode(text), all);
    QSet<char16_t> seen;
    for (int b = 0; b < 256; ++b) {
        const QChar c = CodePage::toUnicode(uchar(b));
        QCOMPARE(text.at(b), c);
        QCOMPARE(CodePage::fromUnicode(c), b);
        seen.insert(c.unicode());
    }
    QCOMPARE(seen.size(), 256);  // no two bytes share a character
}

void tst_CodePage::knownCharacters_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unicode");
    QTest::newRow("NUL") << 0x00 << 0x0000;
    QTest::newRow("CR") << 0x0D << 0x000D;
    QTest::newRow("A") << 0x41 << 0x0041;
    QTest::newRow("DEL") << 0x7F << 0x007F;
    QTest::newRow("euro") << 0x80 << 0x20AC;
    QTest::newRow("unassigned 81") << 0x81 << 0x0081;
    QTest::newRow("low quote") << 0x82 << 0x201A;
    QTest::newRow("unassigned 8D") << 0x8D << 0x008D;
    QTest::newRow("Z caron") << 0x8E << 0x017D;
    QTest::newRow("unassigned 8F") << 0x8F << 0x008F;
    QTest::newRow("unassigned 90") << 0x90 << 0x0090;
    QTest::newRow("trade mark") << 0x99 << 0x2122;
    QTest::newRow("unassigned 9D") << 0x9D << 0x009D;
    QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
    QTest::newRow("no-break space") << 0xA0 << 0x00A0;
    QTest::newRow("e acute") << 0xE9 << 0x00E9;
    QTest::newRow("y diaeresis") << 0xFF << 0x00FF;
}

void tst_CodePage::knownCharacters() {
    QFETCH(int, byte);
    QFETCH(int, unicode);
    QCOMPARE(int(CodePage::toUnicode(uchar(byte)).unicode()), unicode);
    QCOMPARE(CodePage::fromUnicode(QChar(char16_t(unicode))), byte);
}

void tst_CodePage::unrepresentable_data() {
    QTest::addColumn<int>("unicode");
    // The C1 controls whose bytes hold printable characters in this code page.
    QTest::newRow("U+0080") << 0x0080;
    QTest::newRow("U+009F") << 0x009F;
    QTest::newRow("L stroke") << 0x0141;
    QTest::newRow("Greek capital mu") << 0x039C;
    QTest::newRow("line separator") << 0x2028;
    QTest::newRow("paragraph separator") << 0x2029;
    QTest::newRow("picture of NUL") << 0x2400;
    QTest::newRow("picture of CR") << 0x240D;
    QTest::newRow("picture of DEL") << 0x2421;
    QTest::newRow("replacement character") << 0xFFFD;
    QTest::newRow("high surrogate") << 0xD83D;
}

void tst_CodePage::unrepresentable() {
    QFETCH(int, unicode);
    QCOMPARE(CodePage::fromUnicode(QChar(char16_t(unicode))), -1);
}

void tst_CodePage::encodeReplacesWhatItCannotHold_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("plain") << QStringLiteral("a\r\nb") << QByteArray("a\r\nb");
    QTest::newRow("one stranger") << QStringLiteral("a\u0141b") << QByteArray("a?b");
    QTest::newRow("pictures") << QStringLiteral("\u240D\u240A\u2400") << QByteArray("???");
    QTest::newRow("euro kept") << QStringLiteral("\u20AC") << QByteArray("\x80");
    QTest::newRow("C1 of a printable byte") << QStringLiteral("\u0080") << QByteArray("?");
    QTest::newRow("C1 of an unassigned byte") << QStringLiteral("\u0081") << QByteArray("\x81");
    QTest::newRow("NUL kept") << QString(QChar(0)) << QByteArray(1, '\0');
    QTest::newRow("surrogate pair is one character")
        << QStringLiteral("a\U0001F600b") << QByteArray("a?b");
    QTest::newRow("lone high surrogate") << QString(QChar(0xD83D)) + u'b' << QByteArray("?b");
    QTest::newRow("lone low surrogate") << QString(QChar(0xDE00)) << QByteArray("?");
}

void tst_CodePage::encodeReplacesWhatItCannotHold() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(CodePage::encode(text), bytes);
}

void tst_CodePage::upperIsOneToOne() {
    for (int b = 0; b < 256; ++b) {
        const QChar c = CodePage::toUnicode(uchar(b));
        // Never the full mapping, which may lengthen a character (sharp s gives "SS").
        QCOMPARE(CodePage::upper(uchar(b)), c.toUpper().unicode());
        QCOMPARE(QString(QChar(CodePage::upper(uchar(b)))).size(), 1);
        // Upper case of upper case changes nothing.
        QCOMPARE(QChar(CodePage::upper(uchar(b))).toUpper().unicode(), CodePage::upper(uchar(b)));
    }
}

void tst_CodePage::upper_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("upper");
    QTest::newRow("a") << int('a') << int('A');
    QTest::newRow("A") << int('A') << int('A');
    QTest::newRow("digit") << int('7') << int('7');
    QTest::newRow("y diaeresis to the byte 9F's character") << 0xFF << 0x0178;
    QTest::newRow("s caron") << 0x9A << 0x0160;
    QTest::newRow("oe") << 0x9C << 0x0152;
    QTest::newRow("z caron") << 0x9E << 0x017D;
    QTest::newRow("e acute") << 0xE9 << 0x00C9;
    QTest::newRow("sharp s stays") << 0xDF << 0x00DF;
    QTest::newRow("micro sign leaves the code page") << 0xB5 << 0x039C;
    QTest::newRow("division sign") << 0xF7 << 0x00F7;
    QTest::newRow("unassigned byte") << 0x81 << 0x0081;
}

void tst_CodePage::upper() {
    QFETCH(int, byte);
    QFETCH(int, upper);
    QCOMPARE(int(CodePage::upper(uchar(byte))), upper);
}

QTEST_APPLESS_MAIN(tst_CodePage)
// File names: bytes that are not part of valid UTF-8 become U+DC00 + byte, shown as U+FFFD.
void tst_CodePage::fileNames_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ASCII") << QByteArray("/tmp/a b.txt") << u"/tmp/a b.txt"_qs
                           << u"/tmp/a b.txt"_qs;
    QTest::newRow("a Latin-1 byte")
        << QByteArray("caff\xe8") << u"caff\xdce8"_qs << u"caff\xfffd"_qs;
    QTest::newRow("UTF-8 of two, three and four bytes")
        << QByteArray("\xc3\xa8\xe6\x97\xa5\xf0\x9f\x98\x80") << u"\u00e8\u65e5\U0001F600"_qs
        << u"\u00e8\u65e5\U0001F600"_qs;
    QTest::newRow("overlong, surrogate, past U+10FFFF")
        << QByteArray("\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80")
        << u"\xdcc0\xdcaf\xdced\xdca0\xdc80\xdcf4\xdc90\xdc80\xdc80"_qs
        << QString(9, QChar(0xfffd));
    QTest::newRow("a sequence cut short, then ASCII")
        << QByteArray("\xe6\x97x") << u"\xdce6\xdc97x"_qs << u"\xfffd\xfffdx"_qs;
}

void tst_CodePage::fileNames() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, path);
    QFETCH(QString, shown);
    QCOMPARE(NativePath::decode(bytes), path);
    QCOMPARE(NativePath::encode(path), bytes);
    QCOMPARE(NativePath::readable(path), shown);
    QCOMPARE(NativePath::isPlain(path), path == shown);
    QCOMPARE(NativePath::fromEncodedPath(NativePath::toUri(path).mid(7)), path);
}

// Any bytes come back from their path exactly; valid UTF-8 is decoded as Qt decodes file names.
void tst_CodePage::fileNamesRoundTrip() {
    QRandomGenerator random(34);
    const char32_t starts[] = {0x20, 0x80, 0x800, 0xE000, 0xFFFE, 0x10000, 0x10FFF0};
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        const int pieces = random.bounded(1, 10);
        for (int i = 0; i < pieces; ++i) {
            if (random.bounded(2)) {
                bytes += char(random.bounded(256));
            } else {
                const char32_t c = starts[random.bounded(7)] + char32_t(random.bounded(16));
                bytes += QString::fromUcs4(&c, 1).toUtf8();
            }
        }
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom |
                                                      QStringDecoder::Flag::Stateless);
        const QString strict = utf8(bytes);
        const QString path = NativePath::decode(bytes);
        QCOMPARE(NativePath::encode(path), bytes);
        QVERIFY2(NativePath::isPlain(path) == !utf8.hasError(), bytes.toHex(' ').constData());
        if (!utf8.hasError()) QCOMPARE(path, QFile::decodeName(bytes));
    }
}

#include "tst_codepage.moc"
