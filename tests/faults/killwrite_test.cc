// The file layer killed at random moments: a child process replaces or
// appends to a file with large texts in a loop and is ended without a
// chance to clean up (SIGKILL on POSIX systems, TerminateProcess on
// Windows), round after round. A replaced file must hold its old contents
// or one new text whole, never a mix or a cut; an appended file its old
// contents intact, whole texts, then at most part of one more.
//
// The child is this program started again with --writer. It names each
// text on its standard output before it writes it; the test picks a text
// and a byte count at random, and kills the writer once that many bytes of
// the text are on the disk (or once the writer names the next text): no
// sleep times anything.

#include <cstdio>
#include <cstring>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "core/files/wholefile.h"
#include "tests/support/wine.h"

using namespace yomika;

namespace {

// Text `n`, 0.5 to 1.5 MB in UTF-8: its first line names it, and its
// length differs from its neighbours', so a cut or a mix shows.
QString text(int n)
{
    return QStringLiteral("版 %1\r\n").arg(n) + QStringLiteral("版%1の行：日本語とASCII, ｶﾀｶﾅ。\r\n").arg(n).repeated(9000 * (1 + n % 3) + n % 97);
}

// The child: replaces or appends to `path` with text 0, 1, 2 ... until it is
// killed, naming each on its standard output first and writing it once a
// byte comes on its standard input.
int runWriter(const QString& path, bool append)
{
    for (int n = 0;; ++n) {
        std::printf("%d\n", n);
        std::fflush(stdout);
        if (std::getchar() == EOF)
            return 2;
        if (!(append ? appendWholeFile(path, text(n)) : writeWholeFile(path, text(n))))
            return 1;
    }
}

// The bytes of the text being written so far: the largest file beside the
// target while it is replaced, or what the target has gained past `base`
// while it is appended to.
qint64 bytesWritten(const QDir& dir, const QString& target, bool append, qint64 base)
{
    if (append)
        return QFileInfo(dir.filePath(target)).size() - base;
    qint64 largest = 0;
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (file.fileName() != target)
            largest = qMax(largest, file.size());
    }
    return largest;
}

} // namespace

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
        int goneUnderWine = 0;
        for (int round = 0; round < 60; ++round) {
            QTemporaryDir dir; // a new one each round: a killed writer may leave a side file
            const QString name = QStringLiteral("結果 file.txt"), path = dir.filePath(name);
            QVERIFY(writeWholeFile(path, oldText));
            // The kill falls inside text `victim` once `at` of its bytes are
            // written; `at` past its size falls after it, before the next one.
            const int victim = int(random.bounded(3u));
            const qint64 size = text(victim).toUtf8().size();
            const qint64 at = random.bounded(6u) == 0 ? 0 : qint64(random.bounded(quint32(size + size / 5)));
            qint64 base = oldText.toUtf8().size();
            for (int n = 0; append && n < victim; ++n)
                base += text(n).toUtf8().size();
            QVERIFY(killAt(dir.path(), name, append, victim, at, base));

            const Result<QByteArray> read = readWholeBytes(path);
            const QByteArray bytes = read.valueOr(QByteArray());
            const QByteArray old = oldText.toUtf8();
            const QByteArray where = QString("round %1: text %2 at byte %3: error %4, %5 bytes; %6").arg(round).arg(victim).arg(at)
                .arg(number(errorOf(read))).arg(bytes.size()).arg(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).join(", ")).toUtf8();
            // Wine's ReplaceFileW moves the old file aside and deletes it
            // before it moves the new one in: a kill between the two moves
            // leaves no file. Windows' own replaces in one step.
            if (!append && testsupport::underWine() && errorOf(read) == ErrorNumber::FileNotFound) {
                ++goneUnderWine;
                continue;
            }
            QVERIFY2(append ? bytes.startsWith(old) : !bytes.isEmpty(), where);
            qsizetype end = append ? old.size() : bytes == old ? bytes.size() : 0; // then texts whole, one cut at most
            for (int n = append ? 0 : QString::fromUtf8(bytes.left(bytes.indexOf('\r'))).section(' ', 1).toInt(); end < bytes.size(); ++n) {
                const QByteArray expected = text(n).toUtf8();
                const QByteArrayView rest = QByteArrayView(bytes).sliced(end);
                QVERIFY2(append ? rest.startsWith(expected) || QByteArrayView(expected).startsWith(rest) : rest == expected, where);
                end += expected.size();
            }
            ++(end > bytes.size() ? cut : bytes == old ? kept : whole);
        }
        qInfo("%d rounds kept the old contents, %d ended on a whole text, %d on part of one", kept, whole, cut);
        if (goneUnderWine > 0)
            qInfo("%d rounds found no file: killed inside Wine's ReplaceFileW", goneUnderWine);
        QVERIFY2(kept > 0 && whole > 0 && (!append || cut > 0), "the kills did not fall both inside and after writes");
    }

private:
    // Starts the writer on `name` in `folder` and kills it once `at` bytes of
    // text `victim` are written (`base`: the target's size before that text,
    // for an append), or once it names the text after it. At 0 bytes it dies
    // before it is let write the text.
    static bool killAt(const QString& folder, const QString& name, bool append, int victim, qint64 at, qint64 base)
    {
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--writer"), QDir(folder).filePath(name), append ? QStringLiteral("append") : QStringLiteral("replace")});
        if (!writer.waitForStarted(60000))
            return false;
        const QDir dir(folder);
        int named = -1;
        while (named <= victim && (named < victim || bytesWritten(dir, name, append, base) < at)) {
            if (writer.state() == QProcess::NotRunning)
                return false; // the writer failed on its own
            writer.waitForReadyRead(0);
            while (writer.canReadLine()) {
                named = writer.readLine().trimmed().toInt();
                if (named == victim && at == 0)
                    break;
                writer.write("w"); // go on: write text `named`
                writer.waitForBytesWritten(60000);
            }
            if (named == victim && at == 0)
                break;
        }
        writer.kill();
        return writer.waitForFinished(60000) && writer.exitStatus() == QProcess::CrashExit;
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--writer") == 0) {
        QCoreApplication app(argc, argv);
        const QStringList arguments = QCoreApplication::arguments();
        return runWriter(arguments.at(2), arguments.at(3) == QStringLiteral("append"));
    }
    QCoreApplication app(argc, argv);
    KillWriteTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "killwrite_test.moc"
