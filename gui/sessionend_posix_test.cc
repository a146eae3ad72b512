// Termination signals close the window the ordinary way, so the settings are
// written: in this process, and in the real program started in a copy of a
// program directory.

#include <csignal>
#include <sys/types.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "tests/support/scriptedprompter.h"
#include "gui/mainwindow.h"
#include "gui/sessionend.h"

using namespace yomika;

namespace {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

class SessionEndPosixTest : public QObject {
    Q_OBJECT

private slots:
    void signalClosesTheWindowInProcess_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
        QTest::newRow("SIGINT") << SIGINT;
    }
    void signalClosesTheWindowInProcess()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        auto window = std::make_unique<MainWindow>(dir.path(), std::make_unique<testsupport::ScriptedPrompter>());
        auto* sessionEnd = new SessionEnd(window.get());
        QVERIFY(sessionEnd->signalsWatched());
        window->startUp();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->findChild<QCheckBox*>(QStringLiteral("PartOfSpeech"))->setCheckState(Qt::PartiallyChecked);
        QCOMPARE(::raise(signal), 0);
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("yomika.ini"))),
                 QByteArray(" 1 \r\n 0 \r\n 0 \r\n 0 \r\n 2 \r\n 0 \r\n(\x83\x5e\x83\x75)\r\n\r\n"
                            "-F \"%m\\t%U(%P-)\\n\"\r\n"));
        // Gone with the window: the signals end the process again by default.
        window.reset();
        struct sigaction current {};
        QCOMPARE(::sigaction(signal, nullptr, &current), 0);
        QVERIFY(current.sa_handler == SIG_DFL);
    }

    void signalEndsTheRealProgram_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void signalEndsTheRealProgram()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString program = dir.filePath(QStringLiteral("yomika"));
        QVERIFY(QFile::copy(QStringLiteral(YOMIKA_PROGRAM), program));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("dic")));
        const QString resource = dir.filePath(QStringLiteral("dic/kotokarc"));
        QVERIFY(writeBytes(resource, "dicdir = %KOTDIC%\r\n"));
        const QString settings = dir.filePath(QStringLiteral("yomika.ini"));
        // Greyed and typed choices, a Japanese append file, a history whose
        // first entry also stands third.
        QVERIFY(writeBytes(settings, " 2 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n\x81\x5e\r\nC:\\\x8f\x6f\x97\xcd\\a.txt\r\n"
                                     "-F \"%y1\\n\"\r\n-F \"%m\\n\"\r\n-F \"%y1\\n\"\r\n"));

        QProcess process;
        process.setProgram(program);
        process.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.start();
        QVERIFY(process.waitForStarted(10000));
        // The placeholder is filled once the program watches the signals.
        const QByteArray filled = "dicdir = " + dir.filePath(QStringLiteral("dic")).toUtf8() + "\r\n";
        QTRY_COMPARE_WITH_TIMEOUT(readBytes(resource), filled, 20000);
        QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(readBytes(settings),
                 QByteArray(" 2 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n\x81\x5e\r\nC:\\\x8f\x6f\x97\xcd\\a.txt\r\n"
                            "-F \"%y1\\n\"\r\n-F \"%m\\n\"\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{QStringLiteral("yomika"), QStringLiteral("yomika.ini")}));
    }
};

QTEST_MAIN(SessionEndPosixTest)
#include "sessionend_posix_test.moc"
