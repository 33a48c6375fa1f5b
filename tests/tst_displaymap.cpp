#include <QRandomGenerator>
#include <QTest>
#include <vector>

#include "core/text/DisplayMap.h"
#include "core/text/DisplayText.h"

class tst_DisplayMap : public QObject {
    Q_OBJECT
private slots:
    void randomAgainstReference_data();
    void randomAgainstReference();
};

namespace {

constexpr QChar kSep = DisplayText::kLineBreak;

// The view and the text as read, built character by character from the text and the soft
// breaks, with where each position of one stands in the others.
struct Reference {
    QString view, read;
    std::vector<qsizetype> viewOf, readOf, textOfView, textOfRead;
    std::vector<bool> softAtView;

    Reference(const QString& t, bool lf, const std::vector<qsizetype>& soft)
        : viewOf(t.size() + 1), readOf(t.size() + 1) {
        std::size_t k = 0;
        for (qsizetype p = 0;; ++p) {
            for (; k < soft.size() && soft[k] == p; ++k) put(p, true, kSep, false);
            viewOf[p] = view.size();
            readOf[p] = read.size();
            if (p == t.size()) break;
            const bool crlf = !lf && t[p] == u'\r' && p + 1 < t.size() && t[p + 1] == u'\n';
            const bool lineBreak = crlf || (lf && t[p] == u'\n');
            put(p, false, lineBreak ? kSep : DisplayText::shownFor(t[p]), true);
            read += lineBreak ? QChar(u'\n') : DisplayText::shownFor(t[p]);
            if (crlf) {
                viewOf[++p] = view.size();
                readOf[p] = read.size();
            }
        }
        put(t.size(), false, QChar(), true);
    }
    void put(qsizetype p, bool soft, QChar shown, bool readToo) {
        if (!shown.isNull()) view += shown;
        textOfView.push_back(p);
        softAtView.push_back(soft);
        if (readToo) textOfRead.push_back(p);
    }
};

QString randomChars(QRandomGenerator& rng, int max) {
    // Lone halves of a pair too, which an edit can bring together around a soft break.
    static const char16_t* const pieces[] = {u"\r", u"\n",   u"\r\n",       u"a",      u"b",
                                             u" ",  u"\x01", u"\U0001F600", u"\xD83D", u"\xDE00"};
    QString out;
    for (int n = int(rng.bounded(max + 1)); n > 0; --n)
        out += QString::fromUtf16(pieces[rng.bounded(int(std::size(pieces)))]);
    return out;
}

}  // namespace

void tst_DisplayMap::randomAgainstReference_data() {
    QTest::addColumn<bool>("lf");
    QTest::newRow("CR LF") << false;
    QTest::newRow("LF") << true;
}

void tst_DisplayMap::randomAgainstReference() {
    // Small pieces, so that soft breaks meet line breaks, surrogate pairs and each other often.
    QFETCH(bool, lf);
    const quint32 seed = qEnvironmentVariableIsSet("TAVULELLA_SEED")
                             ? quint32(qEnvironmentVariableIntValue("TAVULELLA_SEED"))
                             : 20261209;
    QRandomGenerator rng(seed);
    const DocumentFormat format(
        lf ? DocumentFormat::LineBreak::Lf : DocumentFormat::LineBreak::CrLf,
        DocumentFormat::Encoding::Utf8);
    TextBuffer buf;
    buf.setFormat(format);
    DisplayMap map(buf, 8, 4);
    QString view, read;
    const auto apply = [&view](const DisplayMap::ViewEdit& e) {
        view = e.whole ? e.text : view.replace(e.pos, e.removed, e.text);
    };
    for (int step = 0; step < 4000; ++step) {
        const QString& t = buf.chars();
        const quint32 what = step == 0 ? 0 : rng.bounded(10);
        QString did;
        if (what == 0) {
            buf.setChars(randomChars(rng, 40));
            apply(map.reset());
            read = map.read(0, buf.length());
            did = "reset";
        } else if (what < 8) {
            const qsizetype pos = rng.bounded(int(t.size()) + 1);
            const qsizetype len = rng.bounded(int(std::min<qsizetype>(6, t.size() - pos)) + 1);
            if (!buf.replace(pos, len, randomChars(rng, what < 4 ? 2 : 20))) continue;
            for (const DisplayMap::ViewEdit& e : map.changed(buf.lastChange())) apply(e);
            const DisplayMap::ReadEdit r = map.readChange(buf.lastChange());
            QCOMPARE(read.mid(r.offset, r.removed.size()), r.removed);
            read.replace(r.offset, r.removed.size(), r.inserted);
            did = QString("replace %1 %2").arg(pos).arg(len);
        } else if (map.softBreakCount() > 0) {
            // As the layout moves them: within the line, between its neighbours, never inside a
            // surrogate pair; or taken out.
            const int i = int(rng.bounded(map.softBreakCount()));
            const qsizetype at = map.softBreakAt(i);
            const qsizetype to = at + qsizetype(rng.bounded(7)) - 3;
            const bool fits =
                to > (i > 0 ? map.softBreakAt(i - 1) : 0) &&
                to < (i + 1 < map.softBreakCount() ? map.softBreakAt(i + 1) : t.size()) &&
                !QStringView(t).mid(std::min(at, to) - 1, std::abs(to - at) + 2).contains(u'\n') &&
                !QStringView(t).mid(std::min(at, to) - 1, std::abs(to - at) + 2).contains(u'\r') &&
                !map.insideShownCharacter(to);
            if (what == 8 && fits) {
                for (const DisplayMap::ViewEdit& e : map.moveSoftBreak(i, to - at)) apply(e);
            } else {
                apply(map.removeSoftBreak(i));
            }
            did = QString("soft break %1 to %2").arg(at).arg(what == 8 && fits ? to : -1);
        }
        std::vector<qsizetype> soft;
        for (int i = 0; i < map.softBreakCount(); ++i) soft.push_back(map.softBreakAt(i));
        const Reference ref(t, lf, soft);
        const QByteArray where = QString("step %1 (%2), text %3")
                                     .arg(step)
                                     .arg(did, QString(t.toUtf8().toPercentEncoding()))
                                     .toUtf8();
        QVERIFY2(view == ref.view && read == ref.read, where);
        QVERIFY2(map.viewLength() == ref.view.size() && map.readLength() == ref.read.size(), where);
        for (qsizetype p = 0; p <= t.size(); ++p) {
            QVERIFY2(map.toView(p) == ref.viewOf[p], where + " toView " + QByteArray::number(p));
            QVERIFY2(map.readOffset(p) == ref.readOf[p], where + " readOffset");
        }
        for (qsizetype v = 0; v <= ref.view.size(); ++v) {
            QVERIFY2(map.toText(v) == ref.textOfView[v],
                     where + " toText " + QByteArray::number(v));
            QVERIFY2((map.softBreakAtView(v) >= 0) == ref.softAtView[v],
                     where + " softBreakAtView");
        }
        for (qsizetype o = 0; o <= ref.read.size(); ++o)
            QVERIFY2(map.readPosition(o) == ref.textOfRead[o], where + " readPosition");
        // A soft break stands inside a line, in order, never inside a shown character; a whole
        // new text has no piece longer than the map splits.
        for (std::size_t i = 0; i < soft.size(); ++i) {
            const qsizetype q = soft[i];
            QVERIFY2(q > 0 && q < t.size() && (i == 0 || soft[i - 1] < q), where);
            QVERIFY2(ref.view[ref.viewOf[q] - 2] != kSep && ref.view[ref.viewOf[q]] != kSep, where);
            QVERIFY2(!map.insideShownCharacter(q), where);
        }
        if (did == "reset")
            for (const QString& line : ref.view.split(kSep)) QVERIFY2(line.size() <= 9, where);
    }
}

QTEST_APPLESS_MAIN(tst_DisplayMap)
#include "tst_displaymap.moc"
