#include <QTest>

#include "files/CodePage.h"

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
#include "tst_codepage.moc"
