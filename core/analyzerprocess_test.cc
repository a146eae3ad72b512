// Runs of a real analyzer process: the fake analyzer (tests/fakeanalyzer)
// copied into a temporary program directory under the analyzer's name. It
// picks its behaviour from words in input.tmp. Linux only: the checks that no
// analyzer is left behind look at process ids.

#include <cerrno>
#include <csignal>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/analyzerprocess.h"
#include "core/commandline.h"
#include "core/errornumber.h"
#include "core/platform.h"

using namespace yomika;

namespace {

// A folder name that a shell would mangle in every way it can.
const QString awkwardFolder = QStringLiteral(u"読み 取り \"q\" 'a' $HOME `id` ;&|*?");

class ProgramDir {
public:
    explicit ProgramDir(const QString& folder = QStringLiteral("program"), bool withAnalyzer = true)
    {
        m_path = m_base.path() + QLatin1Char('/') + folder;
        QDir().mkpath(m_path + QStringLiteral("/dic"));
        QFile rc(m_path + QStringLiteral("/dic/kotokarc"));
        if (rc.open(QIODevice::WriteOnly))
            rc.write("dicdir = " + QFile::encodeName(m_path) + "/dic\n");
        if (withAnalyzer) {
            QFile::copy(QStringLiteral(FAKE_ANALYZER_PATH), analyzer());
            QFile::setPermissions(analyzer(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }
    QString path() const { return m_path; }
    QString analyzer() const { return platform::joinPath(m_path, platform::analyzerFileName()); }
    QString file(const char* name) const { return platform::joinPath(m_path, QString::fromLatin1(name)); }
    bool writeInput(const QByteArray& bytes) const
    {
        QFile input(file("input.tmp"));
        return input.open(QIODevice::WriteOnly) && input.write(bytes) == bytes.size();
    }
    QByteArray output() const
    {
        QFile output(file("output.tmp"));
        return output.open(QIODevice::ReadOnly) ? output.readAll() : QByteArray("<no output.tmp>");
    }
    // What the fake analyzer writes back for input bytes and these options.
    QByteArray echo(const QByteArray& input, const QString& options) const
    {
        QByteArray line;
        for (const QString& argument : analyzerInvocation(m_path, options).arguments)
            line += '[' + QFile::encodeName(argument) + ']';
        return input + line + '\n';
    }

private:
    QTemporaryDir m_base;
    QString m_path;
};

bool processGone(qint64 pid)
{
    // A zombie still answers kill(pid, 0): ESRCH means killed and reaped.
    return pid > 0 && ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
}

// Runs with a watchdog, so that a run that never ends fails the test instead
// of hanging it.
AnalyzerProcess::Outcome runGuarded(AnalyzerProcess& process, const ProgramDir& dir, const QString& options,
                                    bool* watchdogFired = nullptr)
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    bool fired = false;
    QObject::connect(&watchdog, &QTimer::timeout, &process, [&] {
        fired = true;
        process.cancel();
    });
    watchdog.start(30000);
    const AnalyzerProcess::Outcome outcome = process.run(dir.path(), options);
    if (watchdogFired)
        *watchdogFired = fired;
    return outcome;
}

} // namespace

class AnalyzerProcessTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void success_data();
    void success();
    void failure_data();
    void failure();
    void missingAnalyzer();
    void notStartable_data();
    void notStartable();
    void chattyAnalyzerDoesNotBlock();
    void heldOutputIsTakenWhole();
    void cancelStopsTheAnalyzer();
    void destructionDuringTheWait_data();
    void destructionDuringTheWait();
    void eventsRunDuringTheWait();
    void secondRunWhileWaitingIsRefused();
    void applicationQuitEndsTheRun(); // last: it leaves the application quitting
};

void AnalyzerProcessTest::init()
{
    // Qt warns when it has to kill a process itself ("destroyed while still
    // running"): every run must have stopped its analyzer on its own.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
}

void AnalyzerProcessTest::success_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QByteArray>("input");
    const QByteArray prose = QStringLiteral(u"吾輩は猫である。名前はまだ無い。\r\n").toUtf8();
    QTest::newRow("format option") << "program" << QStringLiteral("-F \"%m\\t%y1\\n\"") << prose;
    QTest::newRow("no options") << "program" << QString() << prose;
    QTest::newRow("awkward folder") << awkwardFolder << QStringLiteral("-F \"%m\\n\"") << prose;
    QTest::newRow("command separator") << awkwardFolder << QStringLiteral("; rm -rf ~") << prose;
    QTest::newRow("command substitution") << "program" << QStringLiteral("$(id) > x") << prose;
    QTest::newRow("backquotes") << "program" << QStringLiteral("`id` \"`id`\"") << prose;
    QTest::newRow("blanks only") << "program" << QStringLiteral("line\r\nend") << QByteArray("   \r\n");
    QTest::newRow("exit status ignored with output") << "program" << QString() << QByteArray("@exit=3 text");
    QTest::newRow("big output") << "program" << QString() << QByteArray("@big=3000000");
}

void AnalyzerProcessTest::success()
{
    QFETCH(QString, folder);
    QFETCH(QString, options);
    QFETCH(QByteArray, input);
    const ProgramDir dir(folder);
    QVERIFY(dir.writeInput(input));
    AnalyzerProcess process;
    const AnalyzerProcess::Outcome outcome = runGuarded(process, dir, options);
    QCOMPARE(outcome.error, 0);
    QVERIFY(!outcome.cancelled);
    QVERIFY(!process.isRunning());
    QCOMPARE(process.analyzerProcessId(), 0);
    if (input.startsWith("@big=")) {
        QCOMPARE(dir.output().size(), 3000000);
        QVERIFY(dir.output().startsWith("0123456789abc"));
    } else {
        QCOMPARE(dir.output(), dir.echo(input, options));
    }
    // Nothing of the option string ran as a command.
    QVERIFY(!QFile::exists(QDir::currentPath() + QStringLiteral("/x")));
}

void AnalyzerProcessTest::failure_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("error");
    QTest::newRow("no output, status 0") << QByteArray("@nooutput") << int(AnalyzerNoOutputBase);
    QTest::newRow("no output, status 4") << QByteArray("@nooutput @exit=4") << AnalyzerNoOutputBase + 4;
    QTest::newRow("no output, status 255") << QByteArray("@nooutput @exit=255") << AnalyzerNoOutputBase + 255;
    QTest::newRow("crash after partial output") << QByteArray("@crash some text to cut in half") << int(AnalyzerCrashed);
    QTest::newRow("crash while holding the file") << QByteArray("@hold=100 @crash x") << int(AnalyzerCrashed);
}

void AnalyzerProcessTest::failure()
{
    QFETCH(QByteArray, input);
    QFETCH(int, error);
    const ProgramDir dir;
    QVERIFY(dir.writeInput(input));
    AnalyzerProcess process;
    const AnalyzerProcess::Outcome outcome = runGuarded(process, dir, QString());
    QCOMPARE(outcome.error, error);
    QVERIFY(!outcome.cancelled);
}

void AnalyzerProcessTest::missingAnalyzer()
{
    const ProgramDir dir(QStringLiteral("program"), false);
    QVERIFY(dir.writeInput("text"));
    AnalyzerProcess process;
    QCOMPARE(runGuarded(process, dir, QString()).error, int(AnalyzerMissing));
    QVERIFY(!QFile::exists(dir.file("output.tmp")));

    // A link to nothing is no analyzer either.
    QVERIFY(QFile::link(dir.path() + QStringLiteral("/nowhere"), dir.analyzer()));
    QCOMPARE(runGuarded(process, dir, QString()).error, int(AnalyzerMissing));
}

void AnalyzerProcessTest::notStartable_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("not executable") << "644";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("not a program") << "text";
}

void AnalyzerProcessTest::notStartable()
{
    QFETCH(QString, kind);
    const ProgramDir dir;
    QVERIFY(dir.writeInput("text"));
    const QString marker = dir.path() + QStringLiteral("/ran");
    if (kind == QLatin1String("644")) {
        QVERIFY(QFile::setPermissions(dir.analyzer(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                                          | QFile::ReadOther));
    } else {
        QVERIFY(QFile::remove(dir.analyzer()));
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(dir.analyzer()));
        } else {
            // Executable, but no program: a system that falls back to a shell would run it.
            QFile script(dir.analyzer());
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("touch '" + QFile::encodeName(marker) + "'\n");
            script.close();
            QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }
    }
    AnalyzerProcess process;
    const AnalyzerProcess::Outcome outcome = runGuarded(process, dir, QString());
    QCOMPARE(outcome.error, int(AnalyzerNotStartable));
    QVERIFY(!outcome.cancelled);
    QVERIFY(!QFile::exists(marker));
}

void AnalyzerProcessTest::chattyAnalyzerDoesNotBlock()
{
    const ProgramDir dir;
    const QByteArray input("@flood then the text");
    QVERIFY(dir.writeInput(input));
    AnalyzerProcess process;
    bool watchdogFired = false;
    const AnalyzerProcess::Outcome outcome = runGuarded(process, dir, QString(), &watchdogFired);
    QVERIFY(!watchdogFired);
    QCOMPARE(outcome.error, 0);
    QCOMPARE(dir.output(), dir.echo(input, QString()));
}

void AnalyzerProcessTest::heldOutputIsTakenWhole()
{
    // The analyzer creates output.tmp at once but writes it only later: the
    // file existing is not the end.
    const ProgramDir dir;
    const QByteArray input("@hold=400 held text");
    QVERIFY(dir.writeInput(input));
    AnalyzerProcess process;
    QCOMPARE(runGuarded(process, dir, QString()).error, 0);
    QCOMPARE(dir.output(), dir.echo(input, QString()));
}

void AnalyzerProcessTest::cancelStopsTheAnalyzer()
{
    const ProgramDir dir;
    QVERIFY(dir.writeInput("@slow=20000"));
    AnalyzerProcess process;
    qint64 pid = 0;
    QTimer::singleShot(300, &process, [&] {
        QVERIFY(process.isRunning());
        pid = process.analyzerProcessId();
        process.cancel();
        // Killed and reaped by the time cancel() returns.
        QVERIFY(processGone(pid));
    });
    QElapsedTimer clock;
    clock.start();
    const AnalyzerProcess::Outcome outcome = runGuarded(process, dir, QString());
    QVERIFY(outcome.cancelled);
    QCOMPARE(outcome.error, 0);
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(pid > 0);
    QVERIFY(processGone(pid));
    QVERIFY(!process.isRunning());
    QVERIFY(!QFile::exists(dir.file("output.tmp")));

    // The object runs again after a cancel.
    QVERIFY(dir.writeInput("again"));
    QCOMPARE(runGuarded(process, dir, QString()).error, 0);
    QCOMPARE(dir.output(), dir.echo("again", QString()));
}

void AnalyzerProcessTest::destructionDuringTheWait_data()
{
    QTest::addColumn<bool>("throughParent");
    QTest::newRow("deleted") << false;
    QTest::newRow("parent deleted") << true;
}

void AnalyzerProcessTest::destructionDuringTheWait()
{
    QFETCH(bool, throughParent);
    const ProgramDir dir;
    QVERIFY(dir.writeInput("@slow=20000"));
    auto* parent = new QObject;
    auto* process = new AnalyzerProcess(parent);
    const QPointer<AnalyzerProcess> guard(process);
    qint64 pid = 0;
    QTimer::singleShot(300, [&] {
        pid = process->analyzerProcessId();
        if (throughParent)
            delete parent;
        else
            delete process;
    });
    QElapsedTimer clock;
    clock.start();
    const AnalyzerProcess::Outcome outcome = process->run(dir.path(), QString());
    QVERIFY(guard.isNull());
    QVERIFY(outcome.cancelled);
    QVERIFY(clock.elapsed() < 3000);
    QVERIFY(pid > 0);
    QVERIFY(processGone(pid));
    if (!throughParent)
        delete parent;
}

void AnalyzerProcessTest::eventsRunDuringTheWait()
{
    const ProgramDir dir;
    QVERIFY(dir.writeInput("@slow=600 text"));
    AnalyzerProcess process;
    int ticks = 0;
    bool runningSeen = false;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        ++ticks;
        runningSeen = runningSeen || process.isRunning();
    });
    ticker.start(50);
    QCOMPARE(runGuarded(process, dir, QString()).error, 0);
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    QVERIFY(runningSeen);
}

void AnalyzerProcessTest::secondRunWhileWaitingIsRefused()
{
    const ProgramDir dir;
    const QByteArray input("@slow=500 first");
    QVERIFY(dir.writeInput(input));
    AnalyzerProcess process;
    AnalyzerProcess::Outcome second{-1, false};
    QTimer::singleShot(100, &process, [&] { second = process.run(dir.path(), QStringLiteral("-second")); });
    QCOMPARE(runGuarded(process, dir, QString()).error, 0);
    QVERIFY(second.cancelled);
    QCOMPARE(second.error, 0);
    QCOMPARE(dir.output(), dir.echo(input, QString()));
}

void AnalyzerProcessTest::applicationQuitEndsTheRun()
{
    const ProgramDir dir;
    QVERIFY(dir.writeInput("@slow=20000"));
    AnalyzerProcess process;
    qint64 pid = 0;
    QTimer::singleShot(300, &process, [&] {
        pid = process.analyzerProcessId();
        QCoreApplication::exit(0);
    });
    QElapsedTimer clock;
    clock.start();
    const AnalyzerProcess::Outcome outcome = runGuarded(process, dir, QString());
    QVERIFY(outcome.cancelled);
    QVERIFY(clock.elapsed() < 3000);
    QVERIFY(processGone(pid));
}

QTEST_GUILESS_MAIN(AnalyzerProcessTest)
#include "analyzerprocess_test.moc"
