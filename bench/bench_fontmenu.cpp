#include <QFontDatabase>
#include <QMenu>
#include <QtTest>

#include "FrameFixture.h"
#include "gui/document/frmNotePad.h"

// What the font menu costs: opening a new document window (which must not pay for the fonts),
// and the first opening of its font menu, which lists every font. Install many fonts (for
// example the fonts-noto packages) to see the cost with hundreds of families.
//
//   QT_QPA_PLATFORM=offscreen ./bench_fontmenu
class bench_FontMenu : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        qInfo("%lld font families", qlonglong(QFontDatabase::families().size()));
    }

    void newDocumentWindow() {
        FrameFixture f;
        QBENCHMARK { f.frame().NewDocumentWindow(); }
    }

    void firstOpeningOfTheFontMenu() {
        // QBENCHMARK cannot leave the making of a fresh window out of its rounds: time the
        // openings alone, one fresh window each.
        FrameFixture f;
        const int rounds = 20;
        qint64 total = 0;
        qint64 slowest = 0;
        frmNotePad* w = nullptr;
        for (int i = 0; i < rounds; ++i) {
            f.frame().NewDocumentWindow();
            w = f.active();
            QElapsedTimer timer;
            timer.start();
            // Reached through the Options menu, which makes its submenus when it first opens.
            emit w->mnuOptions->aboutToShow();
            w->mnuFont->popup(QPoint(0, 0));
            QCoreApplication::processEvents();
            w->mnuFont->hide();
            const qint64 ns = timer.nsecsElapsed();
            total += ns;
            slowest = qMax(slowest, ns);
        }
        qInfo("first opening of the font menu: %.2f ms on average, %.2f ms at most (%d windows)",
              total / 1e6 / rounds, slowest / 1e6, rounds);
        QVERIFY(w);
        QCOMPARE(w->mnuFontName.size(), std::size_t(QFontDatabase::families().size()));
    }

    void openingTheFilledFontMenuAgain() {
        FrameFixture f;
        frmNotePad* w = f.active();
        emit w->mnuOptions->aboutToShow();
        w->mnuFont->popup(QPoint(0, 0));
        w->mnuFont->hide();
        QBENCHMARK {
            w->mnuFont->popup(QPoint(0, 0));
            QCoreApplication::processEvents();
            w->mnuFont->hide();
        }
    }
};

QTEST_MAIN(bench_FontMenu)
#include "bench_fontmenu.moc"
