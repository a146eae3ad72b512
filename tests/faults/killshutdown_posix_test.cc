// The real program killed while it shuts down: started with a settings file
// holding a long option history, asked to end with SIGTERM (which closes the
// window the ordinary way, so shut-down writes yomika.ini), and ended with
// SIGKILL after a random delay. yomika.ini must hold the old file or the new
// one, whole, every time.

#include <algorithm>
#include <bit>
#include <csignal>

#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "core/files/wholefile.h"

using namespace yomika;

// Settings written as another program might have: numbers without blanks,
// and the first history entry again at the end. Shut-down writes the numbers
// as " 1 " and drops the repeat, so old and new differ.
static QString settings(bool old)
{
    QString text = old ? "1\r\n0\r\n0\r\n1\r\n0\r\n0\r\n(タブ)\r\n\r\n" : " 1 \r\n 0 \r\n 0 \r\n 1 \r\n 0 \r\n 0 \r\n(タブ)\r\n\r\n";
    for (int i = 0; i < 60000 + int(old); ++i)
        text += QString("-F \"%m\\t%y1\\n\" --履歴=%1\r\n").arg(i % 60000, 5, 10, QChar('0'));
    return text;
}

// Waits until the program has settled after starting: its CPU time (utime
// and stime in /proc/PID/stat) stays the same over four looks.
static bool settles(qint64 pid)
{
    QByteArray last, ticks;
    for (int still = 0; still < 4; still = ticks == last ? still + 1 : 0, last = ticks) {
        QTest::qSleep(50);
        QFile stat(QString("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return false; // it ended
        ticks = stat.readAll().split(')').last().split(' ').mid(12, 2).join(' ');
    }
    return true;
}

class KillShutDownTest : public QObject {
    Q_OBJECT

private slots:
    void killedDuringShutDown()
    {
        QTemporaryDir dir; // a program directory of its own: the program keeps yomika.ini beside itself
        const QString program = dir.filePath("yomika"), ini = dir.filePath("yomika.ini");
        QVERIFY(QFile::copy(YOMIKA_PROGRAM, program) && QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
        const QByteArray old = settings(true).toUtf8(), written = settings(false).toUtf8();
        const quint32 seed = qEnvironmentVariableIsSet("YOMIKA_KILL_SEED") ? qEnvironmentVariableIntValue("YOMIKA_KILL_SEED") : 1;
        QRandomGenerator random(seed);
        qInfo("60 rounds, seed %u (YOMIKA_KILL_SEED=%u repeats them)", seed, seed);
        // One shut-down left to finish: it writes the new file, and its
        // length sets how far the kills reach, so that a slow machine (or a
        // sanitizer build) still sees kills after the write.
        QVERIFY(writeWholeFile(ini, settings(true)));
        QProcess whole;
        whole.start(program, {});
        QVERIFY2(whole.waitForStarted(10000) && settles(whole.processId()), "the program did not settle after starting");
        QElapsedTimer shutDown;
        shutDown.start();
        whole.terminate();
        QVERIFY(whole.waitForFinished(60000));
        const qint64 reach = 2 * shutDown.nsecsElapsed() / 1000 + 1; // microseconds
        QCOMPARE(readWholeBytes(ini).valueOr(QByteArray()), written);
        const quint32 scales = std::max(1, int(std::bit_width(quint64(reach))) - 9);
        qInfo("a whole shut-down took %lld us", reach / 2);
        int kept = 0, replaced = 0;
        for (int round = 0; round < 60; ++round) {
            QVERIFY(writeWholeFile(ini, settings(true)));
            QProcess process;
            process.start(program, {});
            QVERIFY2(process.waitForStarted(10000) && settles(process.processId()), "the program did not settle after starting");
            process.terminate();
            // Every other delay spread evenly over every scale, from a
            // quarter millisecond up to the whole shut-down, falls mostly
            // before and inside the write; the others, evenly up to twice
            // the whole shut-down, half of them after it.
            ::usleep(round % 2 ? random.bounded(1u << (8 + random.bounded(scales))) : random.bounded(quint32(reach)));
            ::kill(pid_t(process.processId()), SIGKILL);
            QVERIFY(process.waitForFinished(60000));
            const QByteArray bytes = readWholeBytes(ini).valueOr(QByteArray());
            QVERIFY2(bytes == old || bytes == written, qPrintable(QString("round %1: %2 bytes").arg(round).arg(bytes.size())));
            ++(bytes == old ? kept : replaced);
        }
        qInfo("%d rounds kept the old yomika.ini, %d had the new one", kept, replaced);
        QVERIFY2(kept > 0 && replaced > 0, "the kills did not fall on both sides of the write");
    }
};

QTEST_GUILESS_MAIN(KillShutDownTest)
#include "killshutdown_posix_test.moc"
