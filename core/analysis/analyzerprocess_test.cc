// Runs of a real analyzer process: the fake analyzer (tests/fakeanalyzer)
// copied into a temporary program directory under the analyzer's name. It
// picks its behaviour from words in input.tmp. Linux only: the checks that no
// analyzer is left behind look at process ids.

#include <cerrno>
#include <csignal>

#include <QDir>
#include <QFileSystemWatcher>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "core/analysis/analyzerprocess.h"
#include "core/analysis/commandline.h"
#include "core/files/platform.h"

using namespace yomika;

class AnalyzerProcessTest : public QObject {
    Q_OBJECT
private slots:
    void run_data();
    void run();
};

void AnalyzerProcessTest::run_data()
{
    // The analyzer: "fake", "none", "644" (not executable), "folder", "script"
    // (input.tmp, a shell script, made executable).
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QByteArray>("input");
    // Once the analyzer holds output.tmp, the run is stopped: "cancel", "delete".
    QTest::addColumn<QString>("stop");
    QTest::addColumn<int>("error"); // -1: cancelled
    QTest::newRow("format") << "fake" << "-F \"%m\\t%y1\\n\"" << u"吾輩は猫である。\r\n"_qs.toUtf8() << "" << 0;
    QTest::newRow("shell words") << "fake" << "; touch \"$MARK\" $(touch \"$MARK\") `touch \"$MARK\"`" << QByteArray("x") << "" << 0;
    QTest::newRow("chatty, status passed over") << "fake" << "" << QByteArray("@flood @exit=3 text") << "" << 0;
    QTest::newRow("output held, then written") << "fake" << "" << QByteArray("@hold=50 text") << "" << 0;
    QTest::newRow("progress reported") << "fake" << "" << QByteArray("@progress text") << "" << 0;
    QTest::newRow("missing") << "none" << "" << QByteArray() << "" << int(ErrorNumber::AnalyzerMissing);
    QTest::newRow("not executable") << "644" << "" << QByteArray() << "" << int(ErrorNumber::AnalyzerNotStartable);
    QTest::newRow("a folder") << "folder" << "" << QByteArray() << "" << int(ErrorNumber::AnalyzerNotStartable);
    QTest::newRow("no program") << "script" << "" << QByteArray("touch \"$MARK\"\n") << "" << int(ErrorNumber::AnalyzerNotStartable);
    QTest::newRow("crash") << "fake" << "" << QByteArray("@crash text to cut") << "" << int(ErrorNumber::AnalyzerCrashed);
    QTest::newRow("no output") << "fake" << "" << QByteArray("@nooutput @exit=255") << "" << number(ErrorNumber::AnalyzerNoOutputBase) + 255;
    // kotoka's status 9, a broken list of user words, is shown as 1109.
    QTest::newRow("broken user words") << "fake" << "" << QByteArray("@nooutput @exit=9") << "" << 1109;
    QTest::newRow("cancelled") << "fake" << "" << QByteArray("@hold=600000") << "cancel" << -1;
    QTest::newRow("deleted") << "fake" << "" << QByteArray("@hold=600000") << "delete" << -1;
}

void AnalyzerProcessTest::run()
{
    QFETCH(QString, kind);
    QFETCH(QString, options);
    QFETCH(QByteArray, input);
    QFETCH(QString, stop);
    QFETCH(int, error);
    // Qt warns when it has to kill a process itself ("destroyed while still
    // running"): every run must have stopped its analyzer on its own.
    QTest::failOnWarning(QRegularExpression(u"."_qs));
    QTemporaryDir base;
    const QString dir = base.path() + u"/読み 取り \"q\" 'a' $HOME `id` ;&|*?"_qs; // what a shell would mangle
    const QString analyzer = platform::joinPath(dir, platform::analyzerFileName());
    const QString output = platform::joinPath(dir, u"output.tmp"_qs);
    qputenv("MARK", QFile::encodeName(base.filePath(u"MARK"_qs))); // what a shell would touch
    QFile inputFile(platform::joinPath(dir, u"input.tmp"_qs));
    QVERIFY(QDir().mkpath(dir) && inputFile.open(QIODevice::WriteOnly) && inputFile.write(input) == input.size()
            && inputFile.flush());
    const QString source = kind == u"script" ? inputFile.fileName() : QStringLiteral(FAKE_ANALYZER_PATH);
    QVERIFY(kind == u"none" || (kind == u"folder" ? QDir().mkdir(analyzer) : QFile::copy(source, analyzer)));
    QFile::setPermissions(analyzer, kind == u"644" ? QFile::ReadOwner : QFile::ReadOwner | QFile::ExeOwner);

    const QPointer<AnalyzerProcess> process = new AnalyzerProcess;
    bool second = true;
    QFileSystemWatcher watcher({dir}); // the wait goes on handling events: this one stops it
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, [&] {
        if (stop.isEmpty() || !second || !process || !QFile::exists(output))
            return;
        const qint64 pid = process->analyzerProcessId();
        second = process->start(ProgramFolders::portable(dir), options); // refused while one waits
        stop == u"cancel" ? process->cancel() : delete process.data();
        // Killed and reaped at once: a zombie would still answer.
        QVERIFY(pid > 0 && ::kill(pid_t(pid), 0) == -1 && errno == ESRCH);
    });
    QSignalSpy progress(process.data(), &AnalyzerProcess::progressed);
    AnalyzerProcess::Outcome outcome{ErrorNumber::NoError, true};
    connect(process.data(), &AnalyzerProcess::ended, this, [&](AnalyzerProcess::Outcome o) { outcome = o; });
    QVERIFY(process->start(ProgramFolders::portable(dir), options));
    QVERIFY(QTest::qWaitFor([&] { return !process || !process->isRunning(); }, 60000));
    QCOMPARE(outcome.cancelled ? -1 : int(outcome.error), error);
    // Only an analyzer that reports brings figures; the last is all of input.tmp.
    QCOMPARE(progress.isEmpty() ? -1 : progress.last().first().toLongLong(),
             input.contains("@progress") ? input.size() : -1);
    QCOMPARE(second, stop.isEmpty());
    QCOMPARE(process.isNull(), stop == u"delete");
    QVERIFY(!QFile::exists(base.filePath(u"MARK"_qs)));
    delete process.data();
    // The fake analyzer's answer: the input, then its arguments as they arrived.
    const QByteArray echo = input + '[' + analyzerInvocation(ProgramFolders::portable(dir), options).arguments.join(u"]["_qs).toUtf8() + "]\n";
    QFile file(output);
    QVERIFY(error != number(ErrorNumber::NoError) || (file.open(QIODevice::ReadOnly) && file.readAll() == echo));
}

QTEST_GUILESS_MAIN(AnalyzerProcessTest)
#include "analyzerprocess_test.moc"
