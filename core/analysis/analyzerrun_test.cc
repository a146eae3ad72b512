// Runs of a real analyzer process without the window: the fake analyzer
// (tests/fakeanalyzer) copied into a temporary program directory under the
// analyzer's name, picking its behaviour from words in the text. The checks
// that no analyzer is left behind look at process ids, as each system keeps
// them.

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#endif

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/analysis/analyzerrun.h"
#include "core/analysis/commandline.h"

using namespace yomika;

namespace {

// Windows runs a file by its name, not by permission bits; it refuses a
// file that is no program inside the call that starts it, where POSIX
// systems refuse it in the child, after the start; and it has no progress
// channel.
#ifdef _WIN32
constexpr bool windows = true;
#else
constexpr bool windows = false;
#endif

bool processGone(qint64 pid)
{
#ifdef _WIN32
    // Ended: a process no handle names any more is gone; one still named
    // has ended when its handle is signalled.
    if (pid <= 0)
        return false;
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
#else
    // Killed and reaped: a zombie would still answer.
    return pid > 0 && ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
#endif
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("none");
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The program directory with an earlier run's output.tmp and the analyzer of
// `kind` (see run_data).
bool prepare(const ProgramFolders& folders, const QString& kind, const QString& text)
{
    const QString analyzer = folders.analyzer();
    if (!QDir().mkpath(folders.file(u"dic")) || !writeBytes(folders.file(programfile::outputFile), "earlier"))
        return false;
    if (kind == u"blocked" && !QDir().mkdir(folders.file(programfile::inputFile)))
        return false;
    if (kind == u"script" ? !writeBytes(analyzer, text.toUtf8())
        : kind == u"folder" ? !QDir().mkdir(analyzer)
        : kind != u"none" && !QFile::copy(QStringLiteral(FAKE_ANALYZER_PATH), analyzer))
        return false;
    return kind == u"none" || kind == u"folder"
        || QFile::setPermissions(analyzer, kind == u"644" ? QFile::ReadOwner : QFile::ReadOwner | QFile::ExeOwner);
}

} // namespace

class AnalyzerRunTest : public QObject {
    Q_OBJECT
private slots:
    void run_data()
    {
        // The analyzer: "fake", "none", "644" (not executable), "folder", "script"
        // (the text as a file without a #! line, executable), "blocked" (the
        // fake, and input.tmp a folder).
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("text");
        // Once the analyzer holds output.tmp: "cancel", "delete" the run, "quit" the application.
        QTest::addColumn<QString>("stop");
        QTest::addColumn<int>("error"); // -1: cancelled
        QTest::addColumn<bool>("atOnce"); // finished() before start() returns
        QTest::newRow("format") << "fake" << "-F \"%m\\t%y1\\n\"" << u"吾輩は猫である。\r\n😀"_qs << "" << 0 << false;
        QTest::newRow("shell words") << "fake" << "; touch \"$MARK\" $(touch \"$MARK\") `touch \"$MARK\"`" << "x" << "" << 0 << false;
        QTest::newRow("chatty, status passed over") << "fake" << "" << "@flood @exit=3 text" << "" << 0 << false;
        QTest::newRow("output held, then written") << "fake" << "" << "@hold=50 text" << "" << 0 << false;
        QTest::newRow("progress reported") << "fake" << "" << u"@progress 進み具合"_qs << "" << 0 << false;
        QTest::newRow("missing") << "none" << "" << "x" << "" << int(ErrorNumber::AnalyzerMissing) << true;
        QTest::newRow("a folder") << "folder" << "" << "x" << "" << int(ErrorNumber::AnalyzerNotStartable) << true;
        if (!windows)
            QTest::newRow("not executable") << "644" << "" << "x" << "" << int(ErrorNumber::AnalyzerNotStartable) << false;
        QTest::newRow("no program") << "script" << "" << "touch \"$MARK\"\n" << "" << int(ErrorNumber::AnalyzerNotStartable) << windows;
        QTest::newRow("crash") << "fake" << "" << "@crash text to cut" << "" << int(ErrorNumber::AnalyzerCrashed) << false;
        QTest::newRow("no output") << "fake" << "" << "@nooutput @exit=255" << "" << number(ErrorNumber::AnalyzerNoOutputBase) + 255 << false;
        // kotoka's status 9, a broken list of user words, is shown as 1109.
        QTest::newRow("broken user words") << "fake" << "" << "@nooutput @exit=9" << "" << 1109 << false;
        QTest::newRow("input.tmp a folder") << "blocked" << "" << "x" << "" << int(ErrorNumber::IsDirectory) << true;
        QTest::newRow("cancelled") << "fake" << "" << "@hold=600000" << "cancel" << -1 << false;
        QTest::newRow("deleted") << "fake" << "" << "@hold=600000" << "delete" << -1 << false;
        QTest::newRow("application quits") << "fake" << "" << "@hold=600000" << "quit" << -1 << false;
    }

    void run()
    {
        QFETCH(QString, kind);
        QFETCH(QString, options);
        QFETCH(QString, text);
        QFETCH(QString, stop);
        QFETCH(int, error);
        QFETCH(bool, atOnce);
        // Qt warns when it has to kill a process itself ("destroyed while still
        // running"): every run must have stopped its analyzer on its own.
        QTest::failOnWarning(QRegularExpression(u"."_qs));
        QTemporaryDir base;
        // What a shell would mangle; on Windows what cmd.exe would (a Windows name holds no " | * ?).
        const QString dir = base.path() + (windows ? u"/読み 取り 'a' %PATH% $HOME ;&^!(x)"_qs
                                                   : u"/読み 取り \"q\" 'a' $HOME `id` ;&|*?"_qs);
        const ProgramFolders folders = ProgramFolders::portable(dir);
        const QString output = folders.file(programfile::outputFile);
        qputenv("MARK", QFile::encodeName(base.filePath(u"MARK"_qs))); // what a shell would touch
        QVERIFY(prepare(folders, kind, text));
        // What the run tells, in order: w+ w- (writing input.tmp), wait, the end;
        // the figures in thousandths apart, as figures read together come as one.
        const QPointer<AnalyzerRun> run = new AnalyzerRun(folders);
        QStringList told;
        QList<int> figures;
        connect(run, &AnalyzerRun::writingInput, this, [&](bool on) { told << (on ? u"w+"_qs : u"w-"_qs); });
        connect(run, &AnalyzerRun::waitBegan, this, [&] { told << u"wait"_qs; });
        connect(run, &AnalyzerRun::progressed, this, [&](int permille) { figures << permille; });
        AnalyzerRun::Outcome outcome{ErrorNumber::NoError, false, false};
        connect(run, &AnalyzerRun::finished, this, [&](const AnalyzerRun::Outcome& o) {
            outcome = o;
            told << (o.cancelled ? u"cancelled"_qs : u"end %1"_qs.arg(int(o.error)));
        });
        QVERIFY(run->start({TextPiece{text, {}, {}}}, options));
        QCOMPARE(told.last().startsWith(u"end"_qs), atOnce);
        if (!stop.isEmpty()) {
            QVERIFY(QTest::qWaitFor([&] { return QFile::exists(output); }, 60000));
            const qint64 pid = run->analyzerProcessId();
            QVERIFY(!run->start({TextPiece{u"second"_qs, {}, {}}}, options)); // one run at a time
            if (stop == u"quit") {
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
                QCoreApplication::exec();
            }
            stop == u"cancel" ? run->cancel() : stop == u"delete" ? delete run.data() : void();
            QVERIFY(processGone(pid));
            // The end is told from the event loop, not inside cancel(); never after deletion.
            QCOMPARE(told.last(), stop == u"quit" ? u"cancelled"_qs : u"wait"_qs);
        }
        QVERIFY(QTest::qWaitFor([&] { return !run || !run->isRunning(); }, 60000));
        QCoreApplication::processEvents();
        QCOMPARE(outcome.cancelled ? -1 : int(outcome.error), stop == u"delete" ? 0 : error);

        const QByteArray input = text.toUtf8();
        QStringList expected{u"w+"_qs, u"w-"_qs};
        if (error != number(ErrorNumber::IsDirectory))
            expected << u"wait"_qs;
        if (stop != u"delete")
            expected << (error < 0 ? u"cancelled"_qs : u"end %1"_qs.arg(error));
        QCOMPARE(told, expected);
        // The fake reports half of input.tmp, then all: rising, ending at 1000.
        const QList<int> half{int(input.size() / 2 * 1000 / input.size()), 1000};
        const bool reports = !windows && text.startsWith(u"@progress"_qs);
        QVERIFY2(reports ? figures == half || figures == QList<int>{1000} : figures.isEmpty(),
                 qPrintable(QString::number(figures.size())));
        QCOMPARE(outcome.waited, error != number(ErrorNumber::IsDirectory) && stop != u"delete");
        QVERIFY(!QFile::exists(base.filePath(u"MARK"_qs)));
        delete run.data();
        QCOMPARE(bytesOf(folders.file(programfile::inputFile)), error == number(ErrorNumber::IsDirectory) ? "none" : input);
        // The fake analyzer's answer: the input, then its arguments as they arrived;
        // an analyzer that never wrote leaves no output.tmp, the earlier one gone.
        const QByteArray echo = input + '[' + analyzerInvocation(folders, options).arguments.join(u"]["_qs).toUtf8() + "]\n";
        if (error == number(ErrorNumber::NoError))
            QCOMPARE(bytesOf(output), echo);
        else if (kind != u"fake" || text.contains(u"@nooutput"_qs))
            QCOMPARE(bytesOf(output), "none");
    }
};

QTEST_GUILESS_MAIN(AnalyzerRunTest)
#include "analyzerrun_test.moc"
