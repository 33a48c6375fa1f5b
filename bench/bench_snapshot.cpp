#include <QDir>
#include <QtTest>

#include "FrameFixture.h"
#include "document/TextBox.h"
#include "document/frmNotePad.h"
#include "frame/SnapshotScheduler.h"

// What the copies of unsaved documents cost, in a 10 MB document: a keystroke (which only marks
// the window as due: no copy is written while the keys come), and the writing of one copy,
// which happens once the typing has rested.
//
//   QT_QPA_PLATFORM=offscreen ./bench_snapshot
class bench_Snapshot : public QObject {
    Q_OBJECT
private:
    static QString tenMegabytes() {
        QString text;
        const QString line = QStringLiteral("Chesta è na riga 'e testo pe' vedé quanto costa.\r\n");
        while (text.size() < 10 * 1000 * 1000) text += line;
        return text;
    }

    static int copies(const FrameFixture& f) {
        return int(QDir(f.settings().state() + QStringLiteral("/Tavulella"))
                       .entryList({QStringLiteral("*.snap")})
                       .size());
    }

private slots:
    void keystrokeInA10MBDocument() {
        FrameFixture f;
        frmNotePad* w = f.active();
        w->Text1->setChars(tenMegabytes());
        w->Text1->setFocus();
        // Timed by hand: QBENCHMARK would run the whole function, with its waiting, again.
        const int keys = 200;
        qint64 slowest = 0;
        QElapsedTimer all;
        all.start();
        for (int i = 0; i < keys; ++i) {
            QElapsedTimer timer;
            timer.start();
            QTest::keyClick(w->Text1, Qt::Key_A);
            slowest = qMax(slowest, timer.nsecsElapsed());
        }
        qInfo("a keystroke: %.2f ms on average, %.2f ms at most (%d keys)",
              all.nsecsElapsed() / 1e6 / keys, slowest / 1e6, keys);
        qInfo("copies written while typing: %d", copies(f));
        QTest::qWait(SnapshotScheduler::DelayMs + 500);
        qInfo("copies written once the typing rested: %d", copies(f));
    }

    void oneCopyOfA10MBDocument() {
        FrameFixture f;
        frmNotePad* w = f.active();
        w->Text1->setChars(tenMegabytes());
        // The edit that makes the copy due is left out of the timing.
        const int rounds = 10;
        qint64 total = 0;
        qint64 slowest = 0;
        for (int i = 0; i < rounds; ++i) {
            w->Text1->setSelChars(QStringLiteral("a"));
            QElapsedTimer timer;
            timer.start();
            f.frame().snapshots().flush();
            const qint64 ns = timer.nsecsElapsed();
            total += ns;
            slowest = qMax(slowest, ns);
        }
        qInfo("one copy of a 10 MB document: %.1f ms on average, %.1f ms at most (%d rounds)",
              total / 1e6 / rounds, slowest / 1e6, rounds);
        QCOMPARE(copies(f), 1);
    }
};

QTEST_MAIN(bench_Snapshot)
#include "bench_snapshot.moc"
