#include <QTest>

#include "core/state/SlotTables.h"

// The registry's slot rules, on tables whose entries are plain integers.
class tst_SlotTables : public QObject {
    Q_OBJECT
private:
    using Tables = SlotTables<int>;

    static void close(Tables& t, int slot) { t.state(slot).Free = DocumentState::True; }

private slots:
    void startsWithSlotOneInUse() {
        Tables t;
        QCOMPARE(t.upperBound(), 0);
        QVERIFY(!t.HasOpenDocuments());
        t.create();
        QCOMPARE(t.upperBound(), 1);
        QVERIFY(t.HasOpenDocuments());
        QCOMPARE(t.state(1).Free, DocumentState::False);
        QCOMPARE(t.state(1).Changed, DocumentState::False);
    }

    void growsByOneWhenNoSlotIsFree() {
        Tables t;
        t.create();
        t.window(1) = 42;
        QCOMPARE(t.FindFreeSlot(), 2);
        QCOMPARE(t.upperBound(), 2);
        QCOMPARE(t.window(1), 42);  // contents kept while growing
        QCOMPARE(t.window(2), 0);
        QCOMPARE(t.state(2).Free, DocumentState::False);
        QCOMPARE(t.FindFreeSlot(), 3);
        QCOMPARE(t.upperBound(), 3);
    }

    void reusesTheLowestFreeSlot_data() {
        QTest::addColumn<QList<int>>("closed");
        QTest::addColumn<int>("expected");
        QTest::newRow("middle") << QList<int>{2} << 2;
        QTest::newRow("first and last") << QList<int>{1, 3} << 1;
        QTest::newRow("last") << QList<int>{3} << 3;
        QTest::newRow("all") << QList<int>{3, 2, 1} << 1;
    }

    void reusesTheLowestFreeSlot() {
        QFETCH(QList<int>, closed);
        QFETCH(int, expected);
        Tables t;
        t.create();
        t.FindFreeSlot();
        t.FindFreeSlot();
        for (int s : closed) close(t, s);
        t.state(expected).Changed = DocumentState::True;  // left over from the closed window
        QCOMPARE(t.FindFreeSlot(), expected);
        QCOMPARE(t.upperBound(), 3);
        QCOMPARE(t.state(expected).Free, DocumentState::False);
        QCOMPARE(t.state(expected).Changed, DocumentState::False);
    }

    void noOpenDocumentsOnceAllAreClosed() {
        Tables t;
        t.create();
        t.FindFreeSlot();
        close(t, 1);
        QVERIFY(t.HasOpenDocuments());
        close(t, 2);
        QVERIFY(!t.HasOpenDocuments());
        QCOMPARE(t.upperBound(), 2);  // never shrinks
        QCOMPARE(t.FindFreeSlot(), 1);
    }

    void neverHandsOutASlotBeyondTheLimit() {
        Tables t;
        t.create();
        for (int i = 2; i <= Tables::MaxSlot; ++i) QCOMPARE(t.FindFreeSlot(), i);
        QCOMPARE(t.FindFreeSlot(), 0);
        QCOMPARE(t.upperBound(), Tables::MaxSlot);
        close(t, 500);
        QCOMPARE(t.FindFreeSlot(), 500);
        QCOMPARE(t.FindFreeSlot(), 0);
    }
};

QTEST_APPLESS_MAIN(tst_SlotTables)
#include "tst_slottables.moc"
