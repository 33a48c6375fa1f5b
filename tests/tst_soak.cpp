#include <cstdio>

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include "FrameFixture.h"
#include "SoakRound.h"

// A long run of random user actions on the real program (offscreen): typing, Enter, Backspace,
// Delete, caret keys, selections, the edit commands, Find and Find Next, opening files through
// the dialog and the recent-files list, saving, switching, arranging and minimising windows,
// the save question answered at random, in a folder of files of its own. After
// every action the program must agree with a plain account of what the user did:
//  - every open window has a slot that is not free, and every free slot no window;
//  - each window's caption is what opening and saving made it, and its slot's Changed is true
//    exactly when its text changed since it was last read or written;
//  - each text box's widget shows exactly its text, with the selection at the same place;
//  - every file equals the last text saved to it plus CR LF (or what it held at the start);
//  - a search selects what the reference search finds, or says that it found nothing;
//  - exactly the dialogs the account expects come up: no more, no fewer.
//
// The run is seeded. Each round starts a fresh frame from seed + round number; a failure names
// the round's seed, the action and the steps before it. Replay one round with
//     TAVULELLA_SOAK_SEED=<seed> TAVULELLA_SOAK_ROUNDS=1 tst_soak
// TAVULELLA_SOAK_SECONDS bounds the run (default 20), TAVULELLA_SOAK_ACTIONS sets the length
// of a round (default 300).
namespace {

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

}  // namespace

class tst_Soak : public QObject {
    Q_OBJECT
private slots:
    void randomUserActions()
    {
        const int seconds = envInt("TAVULELLA_SOAK_SECONDS", 20);
        const int actionsPerRound = envInt("TAVULELLA_SOAK_ACTIONS", 300);
        const int maxRounds = envInt("TAVULELLA_SOAK_ROUNDS", 0);
        bool seeded = false;
        quint64 seed = qEnvironmentVariable("TAVULELLA_SOAK_SEED").toULongLong(&seeded);
        if (!seeded) seed = QRandomGenerator::global()->bounded(1u << 30);
        // Printed past the test framework, which stops passing messages on after a number of
        // the platform's harmless warnings.
        std::printf("soak: first seed %llu, %d s, %d actions a round\n", seed, seconds,
                    actionsPerRound);
        std::fflush(stdout);

        QElapsedTimer clock;
        clock.start();
        qint64 actions = 0;
        int rounds = 0;
        while ((maxRounds == 0 && clock.elapsed() < seconds * 1000LL) ||
               (maxRounds > 0 && rounds < maxRounds)) {
            const quint64 roundSeed = seed + quint64(rounds);
            FrameFixture f;
            SoakRound round(roundSeed, f);
            QVERIFY2(round.setUp(), "the round's files could not be made");
            for (int i = 0; i < actionsPerRound && !round.frameClosed(); ++i) {
                if (maxRounds == 0 && clock.elapsed() >= seconds * 1000LL) break;
                const QString problem = round.step();
                ++actions;
                if (!problem.isEmpty()) {
                    const QStringList steps = round.log().mid(qMax(0, int(round.log().size()) - 15));
                    QFAIL(qPrintable(QStringLiteral(
                                         "seed %1, action %2: %3\nlast actions:\n  %4\nreplay with "
                                         "TAVULELLA_SOAK_SEED=%1 TAVULELLA_SOAK_ROUNDS=1")
                                         .arg(roundSeed)
                                         .arg(i + 1)
                                         .arg(problem, steps.join(QStringLiteral("\n  ")))));
                }
            }
            ++rounds;
        }
        std::printf("soak: %lld actions in %d rounds (seeds %llu to %llu), all invariants held\n",
                    actions, rounds, seed, seed + quint64(rounds) - 1);
        std::fflush(stdout);
        QVERIFY(actions > 0);
    }
};

QTEST_MAIN(tst_Soak)
#include "tst_soak.moc"
