// The undo ring on its own: three slots of pane pairs, two steps back.

#include <QTest>

#include "core/undoring.h"

using namespace yomika;

namespace {

// Four pairs that can all be told apart; P1 has an empty sentence and P2 an
// empty result, which still makes them used slots.
const PanePair P0{QStringLiteral("文0"), QStringLiteral("結果0\r\n")};
const PanePair P1{QString(), QStringLiteral("結果1")};
const PanePair P2{QStringLiteral("文2\r\n"), QString()};
const PanePair P3{QStringLiteral("文3"), QStringLiteral("結果3")};
const PanePair Empty{};

enum class Op { Push, Undo, Redo };

struct Step {
    Op op;
    PanePair shownAfterPush; // what the caller puts on screen after a push
};

// The worked sequence of the history: three pushes, then three undos (the
// third finds nothing), then three redos (the third finds nothing).
const Step sequence[] = {
    {Op::Push, P1}, {Op::Push, P2}, {Op::Push, P3},
    {Op::Undo, {}}, {Op::Undo, {}}, {Op::Undo, {}},
    {Op::Redo, {}}, {Op::Redo, {}}, {Op::Redo, {}},
};

// Replays `steps` from a fresh ring with P0 on screen.
bool replay(UndoRing& ring, PanePair& panes, qsizetype steps)
{
    panes = P0;
    bool last = true;
    for (qsizetype i = 0; i < steps; ++i) {
        const Step& s = sequence[i];
        switch (s.op) {
        case Op::Push:
            ring.push(panes);
            panes = s.shownAfterPush;
            last = true;
            break;
        case Op::Undo: last = ring.undo(panes); break;
        case Op::Redo: last = ring.redo(panes); break;
        }
    }
    return last;
}

QString name(const PanePair& p)
{
    const PanePair all[] = {P0, P1, P2, P3};
    for (int i = 0; i < 4; ++i) {
        if (all[i] == p)
            return QStringLiteral("P%1").arg(i);
    }
    return p.isEmpty() ? QStringLiteral("-") : QStringLiteral("?");
}

} // namespace

Q_DECLARE_METATYPE(PanePair)

class UndoRingTest : public QObject {
    Q_OBJECT

private slots:
    void workedSequence_data()
    {
        QTest::addColumn<int>("steps");
        QTest::addColumn<bool>("acted");
        QTest::addColumn<PanePair>("panes");
        QTest::addColumn<int>("index");
        QTest::addColumn<PanePair>("slot0");
        QTest::addColumn<PanePair>("slot1");
        QTest::addColumn<PanePair>("slot2");
        QTest::newRow("start") << 0 << true << P0 << 0 << Empty << Empty << Empty;
        QTest::newRow("push, P1") << 1 << true << P1 << 1 << Empty << P0 << Empty;
        QTest::newRow("push, P2") << 2 << true << P2 << 2 << Empty << P0 << P1;
        QTest::newRow("push, P3 (P0 lost)") << 3 << true << P3 << 0 << P2 << Empty << P1;
        QTest::newRow("undo") << 4 << true << P2 << 2 << P3 << Empty << P1;
        QTest::newRow("undo again") << 5 << true << P1 << 1 << P3 << Empty << P2;
        QTest::newRow("undo, slot 1 empty") << 6 << false << P1 << 1 << P3 << Empty << P2;
        QTest::newRow("redo") << 7 << true << P2 << 2 << P3 << Empty << P1;
        QTest::newRow("redo again") << 8 << true << P3 << 0 << P2 << Empty << P1;
        QTest::newRow("redo, slot 1 empty") << 9 << false << P3 << 0 << P2 << Empty << P1;
    }
    void workedSequence()
    {
        QFETCH(int, steps);
        QFETCH(bool, acted);
        QFETCH(PanePair, panes);
        QFETCH(int, index);
        QFETCH(PanePair, slot0);
        QFETCH(PanePair, slot1);
        QFETCH(PanePair, slot2);
        UndoRing ring;
        PanePair shown;
        QCOMPARE(replay(ring, shown, steps), acted);
        QCOMPARE(name(shown), name(panes));
        QCOMPARE(shown, panes);
        QCOMPARE(ring.index(), index);
        QCOMPARE(name(ring.slot(0)), name(slot0));
        QCOMPARE(name(ring.slot(1)), name(slot1));
        QCOMPARE(name(ring.slot(2)), name(slot2));
        QCOMPARE(ring.slot(0), slot0);
        QCOMPARE(ring.slot(1), slot1);
        QCOMPARE(ring.slot(2), slot2);
    }

    void freshRingHasNothingToUndoOrRedo()
    {
        UndoRing ring;
        PanePair panes = P3;
        QVERIFY(!ring.undo(panes));
        QVERIFY(!ring.redo(panes));
        QCOMPARE(panes, P3);
        QCOMPARE(ring.index(), 0);
    }

    void pushOfTwoEmptyTextsChangesNothing()
    {
        UndoRing ring;
        ring.push(P0);
        ring.push(Empty);
        QCOMPARE(ring.index(), 1);
        QCOMPARE(ring.slot(1), P0);
        QCOMPARE(ring.slot(2), Empty);
    }

    void stepsAvailableAfterPushes_data()
    {
        QTest::addColumn<int>("pushes");
        QTest::addColumn<int>("undoSteps");
        QTest::newRow("one push") << 1 << 1;
        QTest::newRow("two pushes") << 2 << 2;
        QTest::newRow("three pushes") << 3 << 2;
        QTest::newRow("seven pushes") << 7 << 2;
    }
    void stepsAvailableAfterPushes()
    {
        QFETCH(int, pushes);
        QFETCH(int, undoSteps);
        UndoRing ring;
        PanePair panes{QStringLiteral("s0"), QStringLiteral("r0")};
        for (int i = 1; i <= pushes; ++i) {
            ring.push(panes);
            panes = {QStringLiteral("s%1").arg(i), QStringLiteral("r%1").arg(i)};
        }
        const PanePair top = panes;
        int undone = 0;
        while (ring.undo(panes))
            ++undone;
        QCOMPARE(undone, undoSteps);
        QCOMPARE(panes.sentence, QStringLiteral("s%1").arg(pushes - undoSteps));
        int redone = 0;
        while (ring.redo(panes))
            ++redone;
        QCOMPARE(redone, undoSteps);
        QCOMPARE(panes, top);
    }

    void pushAfterUndoDiscardsTheRedo()
    {
        UndoRing ring;
        PanePair panes = P0;
        ring.push(panes);
        panes = P1;
        ring.push(panes);
        panes = P2;
        QVERIFY(ring.undo(panes)); // P1 on screen, P2 kept for redo in slot 2
        QCOMPARE(panes, P1);
        ring.push(panes);          // saves P1 where P2 waited
        panes = P3;
        QCOMPARE(ring.index(), 2);
        QCOMPARE(ring.slot(2), P1);
        QCOMPARE(ring.slot(0), Empty);
        QVERIFY(!ring.redo(panes));
        QCOMPARE(panes, P3);
    }

    void clearCannotBeRedone()
    {
        // Clear pushes the pair, then empties both panes; undo brings the
        // texts back and files the two empty texts, which redo ignores.
        UndoRing ring;
        PanePair panes = P3;
        ring.push(panes);
        panes = Empty;
        QVERIFY(ring.undo(panes));
        QCOMPARE(panes, P3);
        QCOMPARE(ring.slot(1), Empty);
        QVERIFY(!ring.redo(panes));
        QCOMPARE(panes, P3);
    }

    void undoThenRedoKeepsEditsMadeAfterThePush()
    {
        UndoRing ring;
        PanePair panes = P0;
        ring.push(panes);
        panes = {QStringLiteral("typed after the push"), QStringLiteral("r")};
        const PanePair typed = panes;
        QVERIFY(ring.undo(panes));
        QCOMPARE(panes, P0);
        QVERIFY(ring.redo(panes));
        QCOMPARE(panes, typed);
    }

    void undoOfAnUnchangedPairStillStepsBack()
    {
        UndoRing ring;
        PanePair panes = P0;
        ring.push(P2);
        ring.push(panes); // the operation after it left the panes as they were
        QCOMPARE(ring.index(), 2);
        QVERIFY(ring.undo(panes));
        QCOMPARE(panes, P0);
        QCOMPARE(ring.index(), 1);
        QVERIFY(ring.undo(panes));
        QCOMPARE(panes, P2);
    }

    void textsComeBackWhole()
    {
        // No limit: a text far longer than a pane shows is kept as it was.
        UndoRing ring;
        const PanePair big{QString(100000, u'あ') + QStringLiteral("\r\n"), QString(70000, u'x')};
        PanePair panes = big;
        ring.push(panes);
        panes = P1;
        QVERIFY(ring.undo(panes));
        QCOMPARE(panes, big);
    }
};

QTEST_APPLESS_MAIN(UndoRingTest)
#include "undoring_test.moc"
