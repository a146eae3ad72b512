// The file layer killed at random moments: a writer process (killwriter)
// replaces or appends to a file with large texts in a loop and is ended with
// SIGKILL after a random delay, a few hundred times. A replaced file must
// hold its old or one new text completely, never a mix or a cut; an appended
// file its old contents intact, whole pieces, then at most part of one more.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "core/codepage.h"
#include "tests/faults/killtexts.h"

using namespace yomika;

namespace {

constexpr int rounds = 300;
constexpr int longestDelayMs = 150;

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The old contents every round starts from: not one of the writer's texts.
QByteArray oldContents()
{
    QString text;
    for (int i = 0; i < 2000; ++i)
        text += QStringLiteral("以前からあった内容の%1行目。\r\n").arg(i);
    return codepage::encode(text);
}

quint32 seed()
{
    const QByteArray given = qgetenv("YOMIKA_KILL_SEED");
    return given.isEmpty() ? QRandomGenerator::global()->generate() : given.toUInt();
}

} // namespace

class KillWriteTest : public QObject {
    Q_OBJECT

private slots:
    void killedWriter_data();
    void killedWriter();

private:
    QList<QByteArray> m_pieces; // appendPiece(i) in the code page, made as needed
    const QByteArray& piece(int index);
};

const QByteArray& KillWriteTest::piece(int index)
{
    while (m_pieces.size() <= index)
        m_pieces.append(codepage::encode(killtest::appendPiece(int(m_pieces.size()))));
    return m_pieces[index];
}

void KillWriteTest::killedWriter_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("replace") << QStringLiteral("write");
    QTest::newRow("append") << QStringLiteral("append");
}

void KillWriteTest::killedWriter()
{
    QFETCH(QString, mode);
    const bool append = mode == u"append";
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("結果 file.txt"));
    const QByteArray old = oldContents();
    const quint32 roundSeed = seed();
    QRandomGenerator random(roundSeed);
    qInfo("%s: %d rounds, seed %u (YOMIKA_KILL_SEED repeats them)", qPrintable(mode), rounds, roundSeed);

    int keptOld = 0;
    int complete = 0;       // replace: a new text whole; append: only whole pieces after the old
    int partial = 0;        // append: part of a piece at the end
    int newest = -1;        // the furthest text or piece seen
    int strays = 0;
    QString firstStray;
    for (int round = 0; round < rounds; ++round) {
        writeBytes(path, old);
        QProcess writer;
        writer.start(QStringLiteral(KILLWRITER_PATH), {mode, path});
        QVERIFY2(writer.waitForStarted(10000), qPrintable(writer.errorString()));
        QVERIFY(writer.waitForReadyRead(10000));
        QTest::qSleep(int(random.bounded(longestDelayMs + 1)));
        writer.kill();
        QVERIFY(writer.waitForFinished(10000));
        QVERIFY2(writer.exitStatus() == QProcess::CrashExit,
                 qPrintable(QStringLiteral("round %1: the writer ended by itself: %2")
                                .arg(round).arg(QString::fromLocal8Bit(writer.readAllStandardError()))));

        const QByteArray bytes = killtest::readBytes(path);
        if (!append) {
            if (bytes == old) {
                ++keptOld;
            } else {
                // The first line names the version; the rest must be that version whole.
                const QString firstLine = codepage::decode(bytes.left(bytes.indexOf("\r\n")));
                bool ok = false;
                const int version = firstLine.section(u' ', 1).toInt(&ok);
                QVERIFY2(ok && firstLine.startsWith(u"版 "),
                         qPrintable(QStringLiteral("round %1: neither old nor new, %2 bytes starting %3")
                                        .arg(round).arg(bytes.size()).arg(firstLine.left(40))));
                const QByteArray expected = codepage::encode(killtest::wholeText(version));
                QVERIFY2(bytes == expected,
                         qPrintable(QStringLiteral("round %1: version %2 is not whole: %3 bytes of %4")
                                        .arg(round).arg(version).arg(bytes.size()).arg(expected.size())));
                ++complete;
                newest = qMax(newest, version);
            }
        } else {
            QVERIFY2(bytes.startsWith(old),
                     qPrintable(QStringLiteral("round %1: the old contents are damaged").arg(round)));
            qsizetype at = old.size();
            int index = 0;
            while (at < bytes.size()) {
                const QByteArray& next = piece(index);
                const QByteArrayView rest = QByteArrayView(bytes).sliced(at);
                if (rest.startsWith(next)) {
                    at += next.size();
                    ++index;
                    continue;
                }
                QVERIFY2(QByteArrayView(next).startsWith(rest),
                         qPrintable(QStringLiteral("round %1: after %2 whole pieces comes something else")
                                        .arg(round).arg(index)));
                ++partial;
                at = bytes.size();
                index = -index - 1; // marks the partial ending
            }
            if (index >= 0) {
                index == 0 ? ++keptOld : ++complete;
                newest = qMax(newest, index - 1);
            } else {
                newest = qMax(newest, -index - 1);
            }
        }

        // Whatever a killed writer left beside the file is counted and cleared.
        const QStringList entries = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& entry : entries) {
            if (dir.filePath(entry) != path) {
                if (strays++ == 0)
                    firstStray = entry;
                QFile::remove(dir.filePath(entry));
            }
        }
    }
    qInfo("%s: %d rounds kept the old contents, %d ended on a whole %s, %d on part of a piece; "
          "up to #%d reached; %d files left beside the target (such as \"%s\")",
          qPrintable(mode), keptOld, complete, append ? "piece" : "new text", partial, newest, strays,
          qPrintable(firstStray));
    // The delays must reach into the writes, or the rounds prove nothing.
    QVERIFY2(complete + partial > 0, "no round was killed after a write had finished");
    QVERIFY2(append ? partial > 0 : keptOld > 0, "no round was killed in the middle of a write");
}

QTEST_GUILESS_MAIN(KillWriteTest)
#include "killwrite_test.moc"
