// The file layer killed at random moments: a child process replaces or
// appends to a file with large texts in a loop and is ended with SIGKILL
// after a random delay, round after round. A replaced file must hold its old
// contents or one new text whole, never a mix or a cut; an appended file its
// old contents intact, whole texts, then at most part of one more.

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "core/files/wholefile.h"

using namespace yomika;

// Text `n`, 0.5 to 1.5 MB in UTF-8: its first line names it, and its
// length differs from its neighbours', so a cut or a mix shows.
static QString text(int n)
{
    return QStringLiteral("版 %1\r\n").arg(n) + QStringLiteral("版%1の行：日本語とASCII, ｶﾀｶﾅ。\r\n").arg(n).repeated(9000 * (1 + n % 3) + n % 97);
}

class KillWriteTest : public QObject {
    Q_OBJECT

private slots:
    void killedWriter_data()
    {
        QTest::addColumn<bool>("append");
        QTest::newRow("replace") << false;
        QTest::newRow("append") << true;
    }

    void killedWriter()
    {
        QFETCH(bool, append);
        const QString oldText = QStringLiteral("以前からの内容。\r\n").repeated(2000);
        const quint32 seed = qEnvironmentVariableIsSet("YOMIKA_KILL_SEED") ? qEnvironmentVariableIntValue("YOMIKA_KILL_SEED") : 1;
        QRandomGenerator random(seed);
        qInfo("60 rounds, seed %u (YOMIKA_KILL_SEED=%u repeats them)", seed, seed);
        int kept = 0, whole = 0, cut = 0; // rounds that left the old contents, a whole text, part of one
        for (int round = 0; round < 60; ++round) {
            QTemporaryDir dir; // a new one each round: a killed writer may leave a side file
            const QString path = dir.filePath("結果 file.txt");
            QVERIFY(writeWholeFile(path, oldText));
            const pid_t writer = ::fork();
            if (writer == 0) {
                for (int n = 0;; ++n) { // the writer, until it is killed
                    if (!(append ? appendWholeFile(path, text(n)) : writeWholeFile(path, text(n))))
                        ::_exit(1);
                }
            }
            // Delays spread evenly over every scale, from a quarter
            // millisecond up, fall before, inside and after writes on any machine.
            ::usleep(random.bounded(1u << (8 + random.bounded(11u))));
            int status = 0;
            QVERIFY(writer > 0 && ::kill(writer, SIGKILL) == 0 && ::waitpid(writer, &status, 0) == writer && WIFSIGNALED(status));

            const QByteArray bytes = readWholeBytes(path).valueOr(QByteArray());
            const QByteArray old = oldText.toUtf8(), where = QString("round %1: %2 bytes").arg(round).arg(bytes.size()).toUtf8();
            QVERIFY2(append ? bytes.startsWith(old) : !bytes.isEmpty(), where);
            qsizetype at = append ? old.size() : bytes == old ? bytes.size() : 0; // then texts whole, one cut at most
            for (int n = append ? 0 : QString::fromUtf8(bytes.left(bytes.indexOf('\r'))).section(' ', 1).toInt(); at < bytes.size(); ++n) {
                const QByteArray expected = text(n).toUtf8();
                const QByteArrayView rest = QByteArrayView(bytes).sliced(at);
                QVERIFY2(append ? rest.startsWith(expected) || QByteArrayView(expected).startsWith(rest) : rest == expected, where);
                at += expected.size();
            }
            ++(at > bytes.size() ? cut : bytes == old ? kept : whole);
        }
        qInfo("%d rounds kept the old contents, %d ended on a whole text, %d on part of one", kept, whole, cut);
        QVERIFY2(kept > 0 && whole > 0 && (!append || cut > 0), "the kills did not fall both inside and after writes");
    }
};

QTEST_GUILESS_MAIN(KillWriteTest)
#include "killwrite_test.moc"
