#include <QTest>

#include "TextReference.h"
#include "core/text/EditHistory.h"
#include "core/text/TextBuffer.h"

class tst_TextBuffer : public QObject {
    Q_OBJECT
private slots:
    void operations_data();
    void operations();
    void selText_data();
    void selText();
    void viewSelection_data();
    void viewSelection();
    void kinds_data();
    void kinds();
    void textIsNotCopied();
    void randomAgainstReference_data();
    void randomAgainstReference();
    void historyIsBounded();
};

namespace {

TextBuffer bufferWith(const QByteArray& text, qsizetype start, qsizetype length) {
    TextBuffer buf;
    buf.setText(text);
    buf.setSelStart(start);
    buf.setSelLength(length);
    return buf;
}

bool apply(TextBuffer& buf, const QString& op, const QByteArray& arg, int number, bool* changed) {
    if (op == "SelStart") {
        buf.setSelStart(number);
    } else if (op == "SelLength") {
        buf.setSelLength(number);
    } else if (op == "SelText") {
        *changed = buf.setSelText(arg);
    } else if (op == "Text") {
        *changed = buf.setText(arg);
    } else if (op == "type") {
        *changed = buf.type(arg);
    } else if (op == "enter") {
        *changed = buf.enter();
    } else if (op == "backspace") {
        *changed = buf.backspace();
    } else {
        return false;
    }
    return true;
}

DocumentFormat kindNamed(const QString& kind) {
    return DocumentFormat(kind.contains("LF") && !kind.contains("CR LF")
                              ? DocumentFormat::LineBreak::Lf
                              : DocumentFormat::LineBreak::CrLf,
                          kind.contains("UTF-8") ? DocumentFormat::Encoding::Utf8
                                                 : DocumentFormat::Encoding::CodePage);
}

}  // namespace

void tst_TextBuffer::operations_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QByteArray>("arg");
    QTest::addColumn<int>("number");
    QTest::addColumn<QByteArray>("expText");
    QTest::addColumn<int>("expStart");
    QTest::addColumn<int>("expLength");
    QTest::addColumn<bool>("changed");

    const QByteArray none;
    // SelStart and SelLength: clamped, and setting SelStart drops the selection.
    QTest::newRow("SelStart negative") << QByteArray("abc") << 1 << 1 << "SelStart" << none << -5
                                       << QByteArray("abc") << 0 << 0 << false;
    QTest::newRow("SelStart past end") << QByteArray("abc") << 0 << 2 << "SelStart" << none << 9
                                       << QByteArray("abc") << 3 << 0 << false;
    QTest::newRow("SelStart between CR and LF kept")
        << QByteArray("a\r\nb") << 0 << 0 << "SelStart" << none << 2 << QByteArray("a\r\nb") << 2
        << 0 << false;
    QTest::newRow("SelLength negative") << QByteArray("abc") << 1 << 1 << "SelLength" << none << -1
                                        << QByteArray("abc") << 1 << 0 << false;
    QTest::newRow("SelLength stops at the end")
        << QByteArray("abc") << 1 << 0 << "SelLength" << none << 99 << QByteArray("abc") << 1 << 2
        << false;
    QTest::newRow("SelLength at the end") << QByteArray("abc") << 3 << 0 << "SelLength" << none << 1
                                          << QByteArray("abc") << 3 << 0 << false;
    QTest::newRow("SelLength ending between CR and LF")
        << QByteArray("a\r\nb") << 0 << 0 << "SelLength" << none << 2 << QByteArray("a\r\nb") << 0
        << 2 << false;

    // Writing SelText.
    QTest::newRow("SelText replaces the selection")
        << QByteArray("hello world") << 6 << 5 << "SelText" << QByteArray("there") << 0
        << QByteArray("hello there") << 11 << 0 << true;
    QTest::newRow("SelText at the end")
        << QByteArray("abc") << 3 << 0 << "SelText" << QByteArray("de") << 0 << QByteArray("abcde")
        << 5 << 0 << true;
    QTest::newRow("SelText into an empty text")
        << QByteArray() << 0 << 0 << "SelText" << QByteArray("\r\n") << 0 << QByteArray("\r\n") << 2
        << 0 << true;
    QTest::newRow("empty SelText over nothing selected")
        << QByteArray("abc") << 1 << 0 << "SelText" << none << 0 << QByteArray("abc") << 1 << 0
        << false;
    QTest::newRow("SelText the same as the selection")
        << QByteArray("abc") << 1 << 1 << "SelText" << QByteArray("b") << 0 << QByteArray("abc")
        << 2 << 0 << false;
    QTest::newRow("empty SelText removes the selection")
        << QByteArray("abc") << 0 << 2 << "SelText" << none << 0 << QByteArray("c") << 0 << 0
        << true;
    QTest::newRow("SelText between CR and LF splits the line break")
        << QByteArray("a\r\nb") << 2 << 0 << "SelText" << QByteArray("X") << 0
        << QByteArray("a\rX\nb") << 3 << 0 << true;
    QTest::newRow("SelText over the CR alone") << QByteArray("a\r\nb") << 1 << 1 << "SelText"
                                               << none << 0 << QByteArray("a\nb") << 1 << 0 << true;
    QTest::newRow("SelText joins a CR and an LF")
        << QByteArray("a\rx\nb") << 2 << 1 << "SelText" << none << 0 << QByteArray("a\r\nb") << 2
        << 0 << true;
    QTest::newRow("SelText keeps every byte")
        << QByteArray("a") << 1 << 0 << "SelText" << QByteArray("\0\xff\x81\r", 4) << 0
        << QByteArray("a\0\xff\x81\r", 5) << 5 << 0 << true;

    // Text.
    QTest::newRow("Text replaced") << QByteArray("abc") << 2 << 1 << "Text" << QByteArray("xy") << 0
                                   << QByteArray("xy") << 0 << 0 << true;
    QTest::newRow("Text set to itself")
        << QByteArray("abc") << 2 << 1 << "Text" << QByteArray("abc") << 0 << QByteArray("abc") << 0
        << 0 << false;

    // Typing.
    QTest::newRow("type at the caret") << QByteArray("ac") << 1 << 0 << "type" << QByteArray("b")
                                       << 0 << QByteArray("abc") << 2 << 0 << true;
    QTest::newRow("type over a selection")
        << QByteArray("abcd") << 1 << 2 << "type" << QByteArray("X") << 0 << QByteArray("aXd") << 2
        << 0 << true;
    QTest::newRow("type with the caret between CR and LF goes after the line break")
        << QByteArray("a\r\nb") << 2 << 0 << "type" << QByteArray("X") << 0 << QByteArray("a\r\nXb")
        << 4 << 0 << true;
    QTest::newRow("type over a selection starting between CR and LF takes the line break")
        << QByteArray("a\r\nbc") << 2 << 2 << "type" << QByteArray("X") << 0 << QByteArray("aXc")
        << 2 << 0 << true;
    QTest::newRow("type over a selection ending between CR and LF takes the line break")
        << QByteArray("ab\r\nc") << 1 << 2 << "type" << QByteArray("X") << 0 << QByteArray("aXc")
        << 2 << 0 << true;
    QTest::newRow("typed CR before an LF: the caret goes after the line break")
        << QByteArray("a\nb") << 1 << 0 << "type" << QByteArray("\r") << 0 << QByteArray("a\r\nb")
        << 3 << 0 << true;

    // Enter.
    QTest::newRow("Enter") << QByteArray("ab") << 1 << 0 << "enter" << none << 0
                           << QByteArray("a\r\nb") << 3 << 0 << true;
    QTest::newRow("Enter over a selection") << QByteArray("abcd") << 1 << 2 << "enter" << none << 0
                                            << QByteArray("a\r\nd") << 3 << 0 << true;
    QTest::newRow("Enter at the end") << QByteArray("a") << 1 << 0 << "enter" << none << 0
                                      << QByteArray("a\r\n") << 3 << 0 << true;
    QTest::newRow("Enter between CR and LF") << QByteArray("a\r\nb") << 2 << 0 << "enter" << none
                                             << 0 << QByteArray("a\r\n\r\nb") << 5 << 0 << true;

    // Backspace.
    QTest::newRow("Backspace at the start") << QByteArray("ab") << 0 << 0 << "backspace" << none
                                            << 0 << QByteArray("ab") << 0 << 0 << false;
    QTest::newRow("Backspace in an empty text")
        << QByteArray() << 0 << 0 << "backspace" << none << 0 << QByteArray() << 0 << 0 << false;
    QTest::newRow("Backspace one byte") << QByteArray("abc") << 2 << 0 << "backspace" << none << 0
                                        << QByteArray("ac") << 1 << 0 << true;
    QTest::newRow("Backspace after a line break takes CR and LF")
        << QByteArray("ab\r\ncd") << 4 << 0 << "backspace" << none << 0 << QByteArray("abcd") << 2
        << 0 << true;
    QTest::newRow("Backspace after a lone CR") << QByteArray("ab\rcd") << 3 << 0 << "backspace"
                                               << none << 0 << QByteArray("abcd") << 2 << 0 << true;
    QTest::newRow("Backspace after a lone LF") << QByteArray("ab\ncd") << 3 << 0 << "backspace"
                                               << none << 0 << QByteArray("abcd") << 2 << 0 << true;
    QTest::newRow("Backspace after LF CR takes the CR only")
        << QByteArray("a\n\r") << 3 << 0 << "backspace" << none << 0 << QByteArray("a\n") << 2 << 0
        << true;
    QTest::newRow("Backspace after CR CR LF takes one line break")
        << QByteArray("\r\r\n") << 3 << 0 << "backspace" << none << 0 << QByteArray("\r") << 1 << 0
        << true;
    QTest::newRow("Backspace with a selection removes it")
        << QByteArray("a\r\nbc") << 1 << 3 << "backspace" << none << 0 << QByteArray("ac") << 1 << 0
        << true;
    QTest::newRow("Backspace with the caret between CR and LF takes the line break")
        << QByteArray("a\r\nb") << 2 << 0 << "backspace" << none << 0 << QByteArray("ab") << 1 << 0
        << true;
    QTest::newRow("Backspace joining a CR and an LF leaves the caret after them")
        << QByteArray("a\rx\nb") << 3 << 0 << "backspace" << none << 0 << QByteArray("a\r\nb") << 3
        << 0 << true;
}

void tst_TextBuffer::operations() {
    QFETCH(QByteArray, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, op);
    QFETCH(QByteArray, arg);
    QFETCH(int, number);
    QFETCH(QByteArray, expText);
    QFETCH(int, expStart);
    QFETCH(int, expLength);
    QFETCH(bool, changed);

    TextBuffer buf = bufferWith(text, start, length);
    QCOMPARE(buf.selStart(), start);
    QCOMPARE(buf.selLength(), length);
    bool didChange = false;
    QVERIFY2(apply(buf, op, arg, number, &didChange), "unknown operation in the table");
    QCOMPARE(buf.text(), expText);
    QCOMPARE(buf.length(), expText.size());
    QCOMPARE(buf.selStart(), expStart);
    QCOMPARE(buf.selLength(), expLength);
    QCOMPARE(didChange, changed);
}

void tst_TextBuffer::selText_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("selected");
    QTest::newRow("nothing selected") << QByteArray("abc") << 1 << 0 << QByteArray();
    QTest::newRow("middle") << QByteArray("abcd") << 1 << 2 << QByteArray("bc");
    QTest::newRow("the CR of a line break") << QByteArray("a\r\nb") << 1 << 1 << QByteArray("\r");
    QTest::newRow("the LF of a line break") << QByteArray("a\r\nb") << 2 << 1 << QByteArray("\n");
    QTest::newRow("clamped at the end") << QByteArray("abc") << 2 << 5 << QByteArray("c");
    QTest::newRow("NUL and high bytes")
        << QByteArray("\0\xff\x80", 3) << 0 << 3 << QByteArray("\0\xff\x80", 3);
}

void tst_TextBuffer::selText() {
    QFETCH(QByteArray, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QByteArray, selected);
    QCOMPARE(bufferWith(text, start, length).selText(), selected);
}

void tst_TextBuffer::viewSelection_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("viewStart");
    QTest::addColumn<int>("viewEnd");
    QTest::addColumn<bool>("startInside");
    QTest::newRow("plain caret") << QByteArray("a\r\nb") << 1 << 0 << 1 << 1 << false;
    QTest::newRow("plain selection") << QByteArray("a\r\nb") << 0 << 3 << 0 << 3 << false;
    QTest::newRow("caret inside goes after") << QByteArray("a\r\nb") << 2 << 0 << 3 << 3 << true;
    QTest::newRow("the CR alone shows the line break")
        << QByteArray("a\r\nb") << 1 << 1 << 1 << 3 << false;
    QTest::newRow("the LF alone shows the line break")
        << QByteArray("a\r\nb") << 2 << 1 << 1 << 3 << true;
    QTest::newRow("lone CR is no line break") << QByteArray("a\rb") << 2 << 0 << 2 << 2 << false;
    QTest::newRow("LF CR is no line break") << QByteArray("\n\r") << 1 << 0 << 1 << 1 << false;
}

void tst_TextBuffer::viewSelection() {
    QFETCH(QByteArray, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(int, viewStart);
    QFETCH(int, viewEnd);
    QFETCH(bool, startInside);
    const TextBuffer buf = bufferWith(text, start, length);
    QCOMPARE(buf.viewSelStart(), viewStart);
    QCOMPARE(buf.viewSelEnd(), viewEnd);
    QCOMPARE(buf.insideLineBreak(start), startInside);
}

void tst_TextBuffer::kinds_data() {
    // The same operations in documents of the other kinds; text and results are the bytes a save
    // writes, positions count characters.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QByteArray>("arg");
    QTest::addColumn<QByteArray>("expText");
    QTest::addColumn<int>("expStart");
    QTest::addColumn<int>("expLength");
    const QByteArray none;
    QTest::newRow("LF: Enter inserts LF")
        << "LF" << QByteArray("ab") << 1 << 0 << "enter" << none << QByteArray("a\nb") << 2 << 0;
    QTest::newRow("LF: Backspace after a line break takes the LF")
        << "LF" << QByteArray("a\nb") << 2 << 0 << "backspace" << none << QByteArray("ab") << 1
        << 0;
    QTest::newRow("LF: Backspace after CR LF takes the LF only")
        << "LF" << QByteArray("a\r\nb") << 3 << 0 << "backspace" << none << QByteArray("a\rb") << 2
        << 0;
    QTest::newRow("LF: a caret between CR and LF stays")
        << "LF" << QByteArray("a\r\nb") << 2 << 0 << "type" << QByteArray("X")
        << QByteArray("a\rX\nb") << 3 << 0;
    QTest::newRow("UTF-8: positions count characters")
        << "UTF-8 CR LF" << QByteArray("caff\xc3\xa8!") << 5 << 0 << "type"
        << QByteArray("\xe2\x82\xac") << QByteArray("caff\xc3\xa8\xe2\x82\xac!") << 6 << 0;
    QTest::newRow("UTF-8: SelText of one accented letter")
        << "UTF-8 LF" << QByteArray("\xc3\xa8\n\xc3\xa9") << 2 << 1 << "SelText" << QByteArray("e")
        << QByteArray("\xc3\xa8\ne") << 3 << 0;
    QTest::newRow("UTF-8: Backspace after a character beyond U+FFFF takes both halves")
        << "UTF-8 LF"
        << QByteArray(
               "a\xf0\x9f\x98\x80"
               "b")
        << 3 << 0 << "backspace" << none << QByteArray("ab") << 1 << 0;
    QTest::newRow("UTF-8: typing between two halves goes after the pair")
        << "UTF-8 CR LF" << QByteArray("\xf0\x9f\x98\x80") << 1 << 0 << "type" << QByteArray("x")
        << QByteArray("\xf0\x9f\x98\x80x") << 3 << 0;
    QTest::newRow("UTF-8: a lone half left by SelText is saved as U+FFFD")
        << "UTF-8 LF" << QByteArray("\xf0\x9f\x98\x80") << 0 << 1 << "SelText" << none
        << QByteArray("\xef\xbf\xbd") << 0 << 0;
    QTest::newRow("UTF-8: Enter in CR LF inserts CR LF")
        << "UTF-8 CR LF" << QByteArray("\xc3\xa8") << 1 << 0 << "enter" << none
        << QByteArray("\xc3\xa8\r\n") << 3 << 0;
}

void tst_TextBuffer::kinds() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, op);
    QFETCH(QByteArray, arg);
    QFETCH(QByteArray, expText);
    QFETCH(int, expStart);
    QFETCH(int, expLength);
    TextBuffer buf;
    buf.setFormat(kindNamed(kind));
    buf.setText(text);
    buf.setSelStart(start);
    buf.setSelLength(length);
    bool changed = false;
    QVERIFY2(apply(buf, op, arg, 0, &changed), "unknown operation in the table");
    QCOMPARE(buf.text(), expText);
    QCOMPARE(buf.selStart(), expStart);
    QCOMPARE(buf.selLength(), expLength);
    QVERIFY(changed);
}

void tst_TextBuffer::textIsNotCopied() {
    // Once set, the characters stay where they are while the selection moves and is read: none
    // of it may copy the whole text.
    const QByteArray given(1000, 'x');
    TextBuffer buf;
    buf.setText(given);
    const QChar* data = buf.chars().constData();
    buf.setSelStart(10);
    buf.setSelLength(5);
    QCOMPARE(buf.selText(), QByteArray(5, 'x'));
    buf.select(900, 20);
    QVERIFY(!buf.insideLineBreak(20));
    QCOMPARE(buf.chars().constData(), data);
}

namespace {

// Bytes with many CRs and LFs, so that line breaks form, split and join all the time.
QByteArray randomBytes(QRandomGenerator& rng, int maxLength) {
    QByteArray out;
    const int n = int(rng.bounded(maxLength + 1));
    for (int i = 0; i < n; ++i) {
        const quint32 kind = rng.bounded(10);
        if (kind < 3) {
            out.append('\r');
        } else if (kind < 6) {
            out.append('\n');
        } else if (kind < 8) {
            out.append(char('a' + rng.bounded(3)));
        } else {
            out.append(char(rng.bounded(256)));
        }
    }
    return out;
}

// Valid UTF-8 with many CRs and LFs, accented letters, the euro sign and characters beyond
// U+FFFF, whose two halves a position can split.
QByteArray randomUtf8(QRandomGenerator& rng, int maxLength) {
    static const char* const pieces[] = {"\r",   "\n",       "\r",           "\n",
                                         "a",    "\xc3\xa8", "\xe2\x82\xac", "\xf0\x9f\x98\x80",
                                         "\x01", "\xc2\xa0"};
    QByteArray out;
    const int n = int(rng.bounded(maxLength + 1));
    for (int i = 0; i < n; ++i) out += pieces[rng.bounded(int(std::size(pieces)))];
    return out;
}

QByteArray randomText(QRandomGenerator& rng, int maxLength, bool utf8) {
    return utf8 ? randomUtf8(rng, maxLength) : randomBytes(rng, maxLength);
}

QByteArray randomTyping(QRandomGenerator& rng, bool utf8) {
    // What a keyboard types: printable characters, now and then a CR or an LF that a paste
    // brings.
    QByteArray out = randomText(rng, 3, utf8);
    return out.isEmpty() ? QByteArray("x") : out;
}

}  // namespace

void tst_TextBuffer::randomAgainstReference_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("code page, CR LF") << "CR LF";
    QTest::newRow("code page, LF") << "LF";
    QTest::newRow("UTF-8, CR LF") << "UTF-8 CR LF";
    QTest::newRow("UTF-8, LF") << "UTF-8 LF";
}

void tst_TextBuffer::randomAgainstReference() {
    QFETCH(QString, kind);
    quint32 seed = 20261207;
    if (qEnvironmentVariableIsSet("TAVULELLA_SEED")) {
        seed = quint32(qEnvironmentVariableIntValue("TAVULELLA_SEED"));
    }
    qInfo("seed %u (set TAVULELLA_SEED to repeat another run)", seed);
    QRandomGenerator rng(seed);
    TextBuffer buf;
    buf.setFormat(kindNamed(kind));
    TextReference ref;
    ref.lf = buf.format().isLf();
    ref.utf8 = buf.format().isUtf8();
    for (int step = 0; step < 20000; ++step) {
        QString op;
        bool changed = false;
        bool refChanged = false;
        switch (rng.bounded(8)) {
            case 0: {
                // Now and then one long line, line breaks only at its edges.
                QByteArray t = randomText(rng, rng.bounded(3) ? 12 : 3, ref.utf8);
                if (t.size() <= 3 && rng.bounded(2)) {
                    t += QByteArray(2048 + int(rng.bounded(8192)), 'w');
                    t += randomText(rng, 3, ref.utf8);
                }
                op = "Text";
                changed = buf.setText(t);
                refChanged = ref.setText(t);
                break;
            }
            case 1: {
                const int pos = int(rng.bounded(int(buf.length()) + 5)) - 2;
                op = QString("SelStart %1").arg(pos);
                buf.setSelStart(pos);
                ref.setSelStart(pos);
                break;
            }
            case 2: {
                const int len = int(rng.bounded(int(buf.length()) + 4)) - 2;
                op = QString("SelLength %1").arg(len);
                buf.setSelLength(len);
                ref.setSelLength(len);
                break;
            }
            case 3: {
                const QByteArray t = randomText(rng, 4, ref.utf8);
                op = "SelText " + t.toHex();
                changed = buf.setSelText(t);
                refChanged = ref.setSelText(t);
                break;
            }
            case 4: {
                const QByteArray t = randomTyping(rng, ref.utf8);
                op = "type " + t.toHex();
                changed = buf.type(t);
                refChanged = ref.type(t);
                break;
            }
            case 5:
                op = "enter";
                changed = buf.enter();
                refChanged = ref.enter();
                break;
            default:
                op = "backspace";
                changed = buf.backspace();
                refChanged = ref.backspace();
                break;
        }
        const QByteArray where =
            QString("step %1 (%2), seed %3").arg(step).arg(op).arg(seed).toUtf8();
        QVERIFY2(buf.text() == ref.bytes(), where);
        QVERIFY2(buf.selStart() == ref.start, where);
        QVERIFY2(buf.selLength() == ref.length, where);
        QVERIFY2(buf.selText() == ref.selText(), where);
        QVERIFY2(changed == refChanged, where);
        QVERIFY2(buf.viewSelStart() == ref.viewStart() && buf.viewSelEnd() == ref.viewEnd(), where);
        QVERIFY2(buf.length() == long(ref.text.size()), where);
    }
}

void tst_TextBuffer::historyIsBounded() {
    // The oldest steps go once there are too many of them, or too many characters in them.
    EditHistory history;
    const qsizetype steps = EditHistory::MaxSteps + 3;
    for (qsizetype i = 0; i < steps; ++i)
        history.record(i, QString(), "x", {i, 0}, {i + 1, 0}, EditHistory::Input::Other);
    QCOMPARE(history.undoSteps(), EditHistory::MaxSteps);
    const EditHistory::Step* oldest = nullptr;
    while (history.canUndo()) oldest = history.undo();
    QCOMPARE(oldest->pos, qsizetype(3));

    history.clear();
    const QString half(EditHistory::MaxChars / 2, u'a');
    history.record(0, QString(), half, {}, {}, EditHistory::Input::Other);
    history.record(0, half, "b", {}, {}, EditHistory::Input::Other);
    QCOMPARE(history.undoSteps(), 2);
    history.record(0, "b", half, {}, {}, EditHistory::Input::Other);
    QCOMPARE(history.undoSteps(), 2);
    QCOMPARE(history.undo()->removed, QString("b"));
    QCOMPARE(history.undo()->inserted, QString("b"));
    QVERIFY(!history.canUndo());
    // The newest step stays however big it is.
    history.record(0, half + half, "c", {}, {}, EditHistory::Input::Other);
    QCOMPARE(history.undoSteps(), 1);
}

QTEST_APPLESS_MAIN(tst_TextBuffer)
#include "tst_textbuffer.moc"
