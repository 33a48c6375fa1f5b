#include <QRandomGenerator>
#include <QTest>

#include "SearchReference.h"
#include "core/files/CodePage.h"
#include "core/search/TextSearch.h"

namespace {

// The characters a document in the code page holds for text.
QString cp(const QString& text) { return CodePage::decode(CodePage::encode(text)); }

}  // namespace

// The search over a document's characters: where repeated searches land, the letter case, the state
// it leaves for the next search, long texts, and a comparison with the rules on random input.
class tst_TextSearch : public QObject {
    Q_OBJECT
private slots:
    void repeatedSearches_data();
    void repeatedSearches();
    void caretMovedBackCountsAsNotMoved();
    void letterCaseIsFoldedCharacterByCharacter_data();
    void letterCaseIsFoldedCharacterByCharacter();
    void positionsBeyond32767();
    void directFinders_data();
    void directFinders();
    void matchesTheRulesOnRandomInput_data();
    void matchesTheRulesOnRandomInput();
};

// Each row: a text, the caret, the settings, and where each search in a row lands (-1: not
// found). The first search comes right after the Find command; each later one starts from the
// caret the previous one left.
void tst_TextSearch::repeatedSearches_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("direction");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QList<int>>("results");

    QTest::newRow("down moves on to the next occurrence")
        << "abcabc" << 0 << 1 << false << "bc" << QList<int>{1, 4, -1, -1};
    QTest::newRow("down finds overlapping occurrences")
        << "aaaa" << 0 << 1 << false << "aa" << QList<int>{0, 1, 2, -1};
    QTest::newRow("a fresh search finds the occurrence at the caret")
        << "xxabcabc" << 2 << 1 << false << "abc" << QList<int>{2, 5, -1};
    QTest::newRow("down from the end of the text")
        << "abc" << 3 << 1 << false << "c" << QList<int>{-1, -1};
    QTest::newRow("down: the occurrence must fit in the text")
        << "abcab" << 3 << 1 << false << "abc" << QList<int>{-1};
    QTest::newRow("up: a fresh search finds the occurrence just before the caret")
        << "ab" << 2 << 0 << false << "b" << QList<int>{1, -1, -1};
    QTest::newRow("up: each occurrence in turn, the nearest first")
        << "abab" << 4 << 0 << false << "b" << QList<int>{3, 1, -1};
    QTest::newRow("up moves back one occurrence at a time")
        << "abcabcabc" << 9 << 0 << false << "abc" << QList<int>{6, 3, 0, -1};
    QTest::newRow("up from the caret at 0") << "abc" << 0 << 0 << false << "a" << QList<int>{-1};
    QTest::newRow("up from the caret at 1, fresh")
        << "abc" << 1 << 0 << false << "a" << QList<int>{0, -1};
    QTest::newRow("up: an occurrence may reach past the caret")
        << "xabcd" << 3 << 0 << false << "abcd" << QList<int>{1, -1};
    QTest::newRow("up finds overlapping occurrences")
        << "aaaa" << 4 << 0 << false << "aa" << QList<int>{2, 1, 0, -1};
    QTest::newRow("any direction other than 1 is up")
        << "abab" << 4 << 7 << false << "ab" << QList<int>{2, 0, -1};
    QTest::newRow("case ignored") << "xaBCx Abc" << 0 << 1 << false << "Abc"
                                  << QList<int>{1, 6, -1};
    QTest::newRow("case must match") << "xaBCx Abc" << 0 << 1 << true << "Abc" << QList<int>{6, -1};
    QTest::newRow("a line break is two characters")
        << "a\r\nb\r\nb" << 0 << 1 << false << "b" << QList<int>{3, 6, -1};
    QTest::newRow("searching for a line break") << "a\r\nb\r\n"
                                                << 0 << 1 << false << "\r\n"
                                                << QList<int>{1, 4, -1};
    QTest::newRow("lone CR and LF are characters of their own") << "a\rb\nc\r\n"
                                                                << 0 << 1 << false << "\n"
                                                                << QList<int>{3, 6, -1};
    QTest::newRow("a character the text cannot hold is never found")
        << "a?b" << 0 << 1 << true << QString(QChar(0x4E2D)) << QList<int>{-1};
    QTest::newRow("no occurrence at all")
        << "abcdef" << 0 << 1 << false << "xyz" << QList<int>{-1, -1};
    QTest::newRow("a partial match does not hide the next one")
        << "aabaaab" << 0 << 1 << true << "aab" << QList<int>{0, 4, -1};
    QTest::newRow("a partial match does not hide the next one, up")
        << "baabaaab" << 8 << 0 << true << "baa" << QList<int>{3, 0, -1};
}

void tst_TextSearch::repeatedSearches() {
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(int, direction);
    QFETCH(bool, matchCase);
    QFETCH(QString, pattern);
    QFETCH(QList<int>, results);

    const QString chars = cp(text);
    SearchSettings st;
    st.SearchText = pattern;
    st.SearchDirection = qint16(direction);
    st.SearchMatchCase = matchCase ? 1 : 0;
    // The caret stands where a last search left it: only the Find command makes the first search
    // fresh.
    st.SearchLastStart = caret;
    st.SearchIsNew = true;
    qsizetype s = caret;
    QList<int> got;
    for (int i = 0; i < results.size(); ++i) {
        const auto found = TextSearch::searchChars(chars, s, st);
        got << (found ? int(*found) : -1);
        if (found) s = *found;
        QCOMPARE(st.SearchLastStart, s);
        QVERIFY(!st.SearchIsNew);
    }
    QCOMPARE(got, results);
}

void tst_TextSearch::caretMovedBackCountsAsNotMoved() {
    // Only where the caret stands counts: moving it away and back, or searching another text
    // whose caret stands at the same place, skips one position.
    SearchSettings st;
    st.SearchText = QStringLiteral("ab");
    st.SearchDirection = 1;
    st.SearchIsNew = true;
    QCOMPARE(TextSearch::searchChars(QStringLiteral("xabab"), 1, st), std::optional<qsizetype>(1));
    QCOMPARE(TextSearch::searchChars(QStringLiteral("xabab"), 1, st), std::optional<qsizetype>(3));
    QCOMPARE(TextSearch::searchChars(QStringLiteral("ababab"), 3, st), std::optional<qsizetype>(4));
    QCOMPARE(TextSearch::searchChars(QStringLiteral("ababab"), 0, st), std::optional<qsizetype>(0));
}

void tst_TextSearch::letterCaseIsFoldedCharacterByCharacter_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");

    // Upper-casing the whole text would turn the sharp s into "SS" and shift what follows.
    QTest::newRow("sharp s keeps its one position") << QStringLiteral("ßab") << "AB" << 1 << 1;
    QTest::newRow("sharp s is not SS") << QStringLiteral("ss ß") << QStringLiteral("ß") << 3 << 3;
    QTest::newRow("accented letters")
        << QStringLiteral("caffè CAFFÈ") << QStringLiteral("CAFFÈ") << 0 << 6;
    QTest::newRow("letters of the high half")
        << QStringLiteral("xšŠšx") << QStringLiteral("ŠŠ") << 1 << 2;
    QTest::newRow("y with diaeresis") << QStringLiteral("ÿ") << QStringLiteral("Ÿ") << 0 << 0;
    // The micro sign's upper-case form is the Greek capital mu, which the code page lacks.
    QTest::newRow("micro sign") << QStringLiteral("aµ") << QString(QChar(0x039C)) << 1 << 1;
    QTest::newRow("digits and signs are their own") << QStringLiteral("1+1+") << "+1" << 1 << 1;
}

void tst_TextSearch::letterCaseIsFoldedCharacterByCharacter() {
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(int, first);
    QFETCH(int, last);
    const QString chars = cp(text);
    QCOMPARE(chars, text);
    QCOMPARE(TextSearch::findDownChars(chars, pattern, 0, false), std::optional<qsizetype>(first));
    QCOMPARE(TextSearch::findUpChars(chars, pattern, chars.size(), false),
             std::optional<qsizetype>(last));
    // With the case to match, the pattern as typed is found only where it stands as typed.
    const auto exact = TextSearch::findDownChars(chars, pattern, 0, true);
    QCOMPARE(exact.has_value(), text.contains(pattern));
}

void tst_TextSearch::positionsBeyond32767() {
    // Occurrences at 40000 and 70000 of a 100000-byte text. The caret at 70000 and a caret at
    // 70000 - 65536 are told apart: a 16-bit memory of the last start would take one for the
    // other.
    QString text(100000, u'x');
    text.replace(40000, 3, QStringLiteral("abc"));
    text.replace(70000, 3, QStringLiteral("abc"));
    SearchSettings st;
    st.SearchText = QStringLiteral("ABC");
    st.SearchDirection = 1;
    st.SearchIsNew = true;
    QCOMPARE(TextSearch::searchChars(text, 50000, st), std::optional<qsizetype>(70000));
    QCOMPARE(st.SearchLastStart, qsizetype(70000));
    QCOMPARE(TextSearch::searchChars(text, 70000, st), std::nullopt);

    st.SearchLastStart = 70000;
    QCOMPARE(TextSearch::searchChars(text, 70000 - 65536, st), std::optional<qsizetype>(40000));

    st.SearchDirection = 0;
    st.SearchLastStart = 70000;
    QCOMPARE(TextSearch::searchChars(text, 70000, st), std::optional<qsizetype>(40000));
    QCOMPARE(TextSearch::searchChars(text, 40000, st), std::nullopt);
    QCOMPARE(st.SearchLastStart, qsizetype(40000));
}

void tst_TextSearch::directFinders_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("down");
    QTest::addColumn<int>("expected");

    QTest::newRow("empty text") << QByteArray() << "a" << 0 << true << -1;
    QTest::newRow("empty text, up") << QByteArray() << "a" << 0 << false << -1;
    QTest::newRow("pattern longer than the text") << QByteArray("ab") << "abc" << 0 << true << -1;
    QTest::newRow("start past the end") << QByteArray("ab") << "a" << 5 << true << -1;
    QTest::newRow("up: last past the end") << QByteArray("ab") << "a" << 9 << false << 0;
    QTest::newRow("up: last at the end, long pattern")
        << QByteArray("abab") << "ab" << 4 << false << 2;
    QTest::newRow("up: negative last") << QByteArray("ab") << "a" << -1 << false << -1;
    QTest::newRow("whole text") << QByteArray("abc") << "ABC" << 0 << true << 0;
    QTest::newRow("last byte") << QByteArray("abc") << "C" << 0 << true << 2;
    QTest::newRow("NUL bytes") << QByteArray("a\0b\0c", 5) << QString(QChar(0)) + "C" << 0 << true
                               << 3;
    QTest::newRow("high bytes") << QByteArray("\x80\x80\xff") << QStringLiteral("€ÿ") << 0 << true
                                << 1;
}

void tst_TextSearch::directFinders() {
    QFETCH(QByteArray, text);
    QFETCH(QString, pattern);
    QFETCH(int, from);
    QFETCH(bool, down);
    QFETCH(int, expected);
    const QString chars = CodePage::decode(text);
    const auto found = down ? TextSearch::findDownChars(chars, pattern, from, false)
                            : TextSearch::findUpChars(chars, pattern, from, false);
    QCOMPARE(found ? int(*found) : -1, expected);
}

void tst_TextSearch::matchesTheRulesOnRandomInput_data() {
    // The characters of documents in the code page, and of UTF-8 documents, which the code page
    // cannot hold, halves of surrogate pairs among them.
    QTest::addColumn<QString>("extraText");
    QTest::newRow("code page characters") << QString();
    QTest::newRow("UTF-8 characters") << QStringLiteral("\u0142\u0141\u03a9\u03c9\u01c5\U0001F600");
}

void tst_TextSearch::matchesTheRulesOnRandomInput() {
    QFETCH(QString, extraText);
    // Small alphabets make many occurrences, overlaps and near misses; the letters come in both
    // cases, accented, and with case forms the code page cannot hold.
    const QString textAlphabet = QStringLiteral("aAbBàÀšŠÿŸßµ\r\n") + extraText;
    const QString patternExtras = QStringLiteral("SΜſ") + QChar(0x4E2D);
    QRandomGenerator rng(20240611);
    const auto pick = [&](const QString& from) {
        return from.at(int(rng.bounded(quint32(from.size()))));
    };

    int found = 0;
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = int(rng.bounded(40u));
        for (int i = 0; i < length; ++i) text += pick(textAlphabet);

        SearchSettings real;
        real.SearchIsNew = rng.bounded(2u) == 0;
        real.SearchLastStart = rng.bounded(length + 2);
        SearchSettings ref = real;
        qsizetype caret = rng.bounded(length + 1);

        for (int step = 0; step < 12; ++step) {
            // Now and then the user changes the settings, moves the caret or chooses Find again.
            if (step == 0 || rng.bounded(4u) == 0) {
                QString pattern;
                if (length > 0 && rng.bounded(2u) == 0) {
                    const int at = int(rng.bounded(quint32(length)));
                    pattern = text.mid(at, 1 + int(rng.bounded(3u)));
                    if (rng.bounded(2u) == 0) pattern = pattern.toUpper();
                } else {
                    const int n = 1 + int(rng.bounded(3u));
                    for (int i = 0; i < n; ++i) {
                        pattern += rng.bounded(8u) == 0 ? pick(patternExtras) : pick(textAlphabet);
                    }
                }
                ref.SearchText = real.SearchText = pattern;
                ref.SearchMatchCase = real.SearchMatchCase = qint16(rng.bounded(2u));
                ref.SearchDirection = real.SearchDirection = qint16(rng.bounded(2u));
            }
            if (rng.bounded(5u) == 0) caret = rng.bounded(length + 1);
            if (rng.bounded(6u) == 0) ref.SearchIsNew = real.SearchIsNew = true;

            const auto expected = SearchReference::searchChars(text, caret, ref);
            const auto got = TextSearch::searchChars(text, caret, real);
            if (got != expected || real.SearchLastStart != ref.SearchLastStart ||
                real.SearchIsNew != ref.SearchIsNew) {
                QFAIL(qPrintable(
                    QStringLiteral("round %1 step %2: text %3, caret %4, pattern %5, case %6, "
                                   "direction %7: expected %8, got %9")
                        .arg(round)
                        .arg(step)
                        .arg(text)
                        .arg(caret)
                        .arg(real.SearchText)
                        .arg(real.SearchMatchCase)
                        .arg(real.SearchDirection)
                        .arg(expected ? *expected : -1)
                        .arg(got ? *got : -1)));
            }
            if (got) {
                caret = *got;
                ++found;
            }
        }
    }
    // The input must exercise both outcomes.
    QVERIFY(found > 3000);
}

QTEST_GUILESS_MAIN(tst_TextSearch)
#include "tst_textsearch.moc"
