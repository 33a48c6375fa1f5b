#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "FrameFixture.h"
#include "core/files/SnapshotStore.h"
#include "gui/document/frmNotePad.h"
#include "gui/files/FileCommands.h"
#include "gui/frame/SnapshotScheduler.h"
#include "gui/textbox/TextBox.h"

// What the copies of unsaved documents cost, in a 10 MB document: a keystroke (which marks the
// window as due and writes the edit to its journal: no copy is written while the keys come),
// and the writing of one copy, which happens once the typing has rested. Then the journal alone,
// in a 10 MB line and in a 60 KB document: its start from the whole text (as a file is read into
// its window, and at the first key after a save), one key's record, and making a second's keys
// durable.
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
        const QString path = f.path(QStringLiteral("ten.txt"));
        QFile file(path);
        const QByteArray bytes = DocumentFormat().encode(tenMegabytes());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        frmNotePad* w = f.frame().files().LoadFileIntoWindow(path);
        QVERIFY(w);
        w->Text1->setFocus();
        // Timed by hand: QBENCHMARK would run the whole function, with its waiting, again.
        const int keys = 200;
        qint64 slowest = 0;
        qint64 first = 0;
        QElapsedTimer all;
        all.start();
        for (int i = 0; i < keys; ++i) {
            QElapsedTimer timer;
            timer.start();
            QTest::keyClick(w->Text1, Qt::Key_A);
            slowest = qMax(slowest, timer.nsecsElapsed());
            if (i == 0) first = timer.nsecsElapsed();
        }
        qInfo("a keystroke: %.2f ms on average, %.2f ms at most, the first %.2f ms (%d keys)",
              all.nsecsElapsed() / 1e6 / keys, slowest / 1e6, first / 1e6, keys);
        qInfo("copies written while typing: %d", copies(f));
        QTest::qWait(SnapshotScheduler::DelayMs + 500);
        qInfo("copies written once the typing rested: %d", copies(f));
    }

    void journalPerKey_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("10 MB line") << QString(10 * 1000 * 1000, QLatin1Char('x'));
        QString doc;
        const QString line = QStringLiteral("Chesta è na riga 'e testo pe' vedé quanto costa.\r\n");
        while (doc.size() < 60 * 1000) doc += line;
        QTest::newRow("60 KB document") << doc;
    }

    void journalPerKey() {
        QFETCH(QString, text);
        const QTemporaryDir dir;
        SnapshotStore store(dir.path());
        const SnapshotStore::Snapshot whole{QStringLiteral("Senza nomme"), QString(),
                                            DocumentFormat(), text};
        QElapsedTimer timer;
        timer.start();
        QVERIFY(store.startJournal(1, &whole).isEmpty());
        const double firstStartMs = timer.nsecsElapsed() / 1e6;
        // Another window's: the folder and the lock are there already.
        timer.start();
        QVERIFY(store.startJournal(1, &whole).isEmpty());
        const double startMs = timer.nsecsElapsed() / 1e6;
        const int keys = 2000;
        qint64 slowest = 0;
        timer.start();
        for (int i = 0; i < keys; ++i) {
            QElapsedTimer one;
            one.start();
            QVERIFY(store.appendEdit(1, text.size() / 2 + i, 0, QStringLiteral("a")).isEmpty());
            slowest = qMax(slowest, one.nsecsElapsed());
        }
        const double perKeyUs = timer.nsecsElapsed() / 1e3 / keys;
        timer.start();
        store.syncJournals();
        const double syncMs = timer.nsecsElapsed() / 1e6;
        qInfo(
            "%s: journal start %.2f ms (%.2f ms with the folder and the lock); a key %.2f us on "
            "average, %.1f us at most (%d keys); fdatasync %.2f ms",
            QTest::currentDataTag(), startMs, firstStartMs, perKeyUs, slowest / 1e3, keys, syncMs);
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
