// The real program killed while it shuts down: started with a settings file
// holding a long option history, asked to end with SIGTERM (which closes the
// window the ordinary way, so shut-down writes yomika.ini), and ended with
// SIGKILL after a random delay. yomika.ini must hold the old file or the new
// one, whole, every time.

#include <csignal>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "core/codepage.h"
#include "tests/faults/killtexts.h"

using namespace yomika;

namespace {

constexpr int rounds = 60;
constexpr int historyEntries = 60000;

QString historyEntry(int i)
{
    return QStringLiteral("-F \"%m\\t%y1\\n\" --履歴=%1").arg(i, 5, 10, QLatin1Char('0'));
}

// Written as another program might have: numbers without blanks, and the
// first history entry again at the end. Shut-down writes the numbers as
// " 1 " and drops the repeat, so old and new differ.
QByteArray oldSettings()
{
    QString text = QStringLiteral("1\r\n0\r\n0\r\n1\r\n0\r\n0\r\n(タブ)\r\n\r\n");
    for (int i = 0; i < historyEntries; ++i)
        text += historyEntry(i) + QStringLiteral("\r\n");
    text += historyEntry(0) + QStringLiteral("\r\n");
    return codepage::encode(text);
}

QByteArray newSettings()
{
    QString text = QStringLiteral(" 1 \r\n 0 \r\n 0 \r\n 1 \r\n 0 \r\n 0 \r\n(タブ)\r\n\r\n");
    for (int i = 0; i < historyEntries; ++i)
        text += historyEntry(i) + QStringLiteral("\r\n");
    return codepage::encode(text);
}

// The CPU time a process has used, in clock ticks, or -1 when it is gone.
long long cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // Fields after the command name, which is in parentheses and may hold blanks.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return fields[11].toLongLong() + fields[12].toLongLong(); // utime + stime
}

// Waits until the program has finished starting: its CPU time stands still.
bool waitUntilIdle(qint64 pid)
{
    QElapsedTimer timer;
    timer.start();
    long long last = -2;
    int still = 0;
    while (timer.elapsed() < 60000) {
        const long long now = cpuTicks(pid);
        if (now < 0)
            return false;
        still = now == last ? still + 1 : 0;
        if (still >= 4)
            return true;
        last = now;
        QTest::qSleep(50);
    }
    return false;
}

} // namespace

class KillShutDownTest : public QObject {
    Q_OBJECT

private slots:
    void killedDuringShutDown();
};

void KillShutDownTest::killedDuringShutDown()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A program directory of its own: the program finds yomika.ini beside itself.
    const QString program = dir.filePath(QStringLiteral("yomika"));
    QVERIFY(QFile::copy(QStringLiteral(YOMIKA_PROGRAM), program));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString settings = dir.filePath(QStringLiteral("yomika.ini"));
    const QByteArray old = oldSettings();
    const QByteArray expectedNew = newSettings();

    auto startProgram = [&](QProcess& process) {
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(old), old.size());
        file.close();
        process.setWorkingDirectory(QDir::tempPath());
        process.setProgram(program);
        process.start();
        QVERIFY2(process.waitForStarted(10000), qPrintable(process.errorString()));
        QVERIFY2(waitUntilIdle(process.processId()), "the program did not settle after starting");
    };

    // A whole shut-down first: the new file, and how long shut-down takes.
    qint64 shutDownMs = 0;
    {
        QProcess process;
        startProgram(process);
        if (QTest::currentTestFailed())
            return;
        QElapsedTimer timer;
        timer.start();
        process.terminate();
        QVERIFY(process.waitForFinished(60000));
        shutDownMs = timer.elapsed();
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY2(killtest::readBytes(settings) == expectedNew, "a whole shut-down did not write the expected file");
    }

    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qInfo("shut-down of a %lld-byte settings file takes %lld ms; %d rounds, seed %u",
          qlonglong(expectedNew.size()), shutDownMs, rounds, seed);
    int keptOld = 0;
    int wroteNew = 0;
    int strays = 0;
    QString firstStray;
    for (int round = 0; round < rounds; ++round) {
        QProcess process;
        startProgram(process);
        if (QTest::currentTestFailed())
            return;
        process.terminate();
        QTest::qSleep(int(random.bounded(int(shutDownMs * 13 / 10) + 1)));
        ::kill(pid_t(process.processId()), SIGKILL);
        QVERIFY(process.waitForFinished(30000));
        const QByteArray bytes = killtest::readBytes(settings);
        if (bytes == old) {
            ++keptOld;
        } else {
            QVERIFY2(bytes == expectedNew,
                     qPrintable(QStringLiteral("round %1: yomika.ini is neither old nor new (%2 bytes)")
                                    .arg(round).arg(bytes.size())));
            ++wroteNew;
        }
        const QStringList entries = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& entry : entries) {
            if (entry != u"yomika" && entry != u"yomika.ini") {
                if (strays++ == 0)
                    firstStray = entry;
                QFile::remove(dir.filePath(entry));
            }
        }
    }
    qInfo("%d rounds kept the old yomika.ini, %d had the new one; %d files left beside it (such as \"%s\")",
          keptOld, wroteNew, strays, qPrintable(firstStray));
    QVERIFY2(keptOld > 0 && wroteNew > 0, "the kills did not fall on both sides of the write");
}

QTEST_GUILESS_MAIN(KillShutDownTest)
#include "killshutdown_posix_test.moc"
