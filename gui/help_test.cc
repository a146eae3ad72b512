// The read-me, the About box, and leaving the program.

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "tests/support/scriptedprompter.h"
#include "gui/mainwindow.h"

using namespace yomika;
using testsupport::ScriptedPrompter;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Puts PATH back when the test ends, on every path out.
class PathGuard {
public:
    PathGuard() : m_saved(qgetenv("PATH")) {}
    ~PathGuard() { qputenv("PATH", m_saved); }
    PathGuard(const PathGuard&) = delete;
    PathGuard& operator=(const PathGuard&) = delete;

private:
    QByteArray m_saved;
};

} // namespace

class HelpTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_temp;
    QString m_programDir;
    std::unique_ptr<MainWindow> m_window;
    ScriptedPrompter* m_prompter = nullptr;

    void trigger(const char16_t* action)
    {
        m_window->findChild<QAction*>(QString::fromUtf16(action))->trigger();
    }

private slots:
    void init()
    {
        // Blanks and Japanese in the program directory's path.
        m_programDir = m_temp.filePath(QStringLiteral("プログラム フォルダ"));
        QVERIFY(QDir().mkpath(m_programDir));
        auto prompter = std::make_unique<ScriptedPrompter>();
        m_prompter = prompter.get();
        m_window = std::make_unique<MainWindow>(m_programDir, std::move(prompter));
        m_window->startUp();
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void cleanup()
    {
        QVERIFY(!QApplication::overrideCursor());
        m_window.reset();
        QDir(m_programDir).removeRecursively();
    }

    void aboutBoxShowsTheProductLineAndTheCredits()
    {
        trigger(u"バージョン");
        QCOMPARE(m_prompter->calls.size(), 1);
        QCOMPARE(m_prompter->calls[0].kind, ScriptedPrompter::Kind::Inform);
        const QString text = m_prompter->calls[0].text;
        QVERIFY(text.startsWith(QStringLiteral("           Yomika 2000 (1999.12.15)\r\n\r\n")));
        QVERIFY(!text.endsWith(u'\n') && !text.endsWith(u'\r'));
        // Every line break is a CR LF.
        QCOMPARE(text.count(u'\n'), text.count(QStringLiteral("\r\n")));
        QCOMPARE(text.count(u'\r'), text.count(QStringLiteral("\r\n")));
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        QVERIFY(lines.size() >= 3);
        for (qsizetype i = 2; i < lines.size(); ++i)
            QVERIFY2(!lines[i].trimmed().isEmpty(), qPrintable(text));
        for (const char* credit : {"Yomika developers", "Qt (LGPL v3)", "MeCab (BSD/LGPL/GPL)",
                                   "IPADIC (BSD-3-Clause-with-ICOT-term)"})
            QVERIFY2(text.contains(QLatin1String(credit)), credit);
    }

    void readmeOpensInTheViewerEveryTime()
    {
        // A stand-in viewer that notes each file it was asked to show.
        QTemporaryDir bin;
        const QString record = bin.filePath(QStringLiteral("record"));
        const QString viewer = bin.filePath(QStringLiteral("xdg-open"));
        QFile script(viewer);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" >> '" + QFile::encodeName(record) + "'\n");
        script.close();
        QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ExeOwner));
        const PathGuard guard;
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + qgetenv("PATH"));

        QTest::keyClick(m_window.get(), Qt::Key_F1);
        trigger(u"Readme");
        const QByteArray line = "1|" + QFile::encodeName(m_programDir) + "/README.TXT\n";
        QTRY_COMPARE_WITH_TIMEOUT(readAll(record), line + line, 10000);
        QVERIFY(m_prompter->calls.isEmpty());
    }

    void readmeWithoutAViewerDisturbsNothing()
    {
        QTemporaryDir empty;
        const PathGuard guard;
        qputenv("PATH", QFile::encodeName(empty.path()));
        trigger(u"Readme");
        QVERIFY(m_prompter->calls.isEmpty());
        QVERIFY(m_window->isVisible());
    }

    void exitClosesTheWindowLikeTheCloseBox()
    {
        // Two windows in two program directories, changed alike; one is
        // closed with its close box, the other with 終了.
        auto settingsAfter = [](bool byExit) {
            QTemporaryDir dir;
            MainWindow window(dir.path(), std::make_unique<ScriptedPrompter>());
            window.startUp();
            window.show();
            if (!QTest::qWaitForWindowExposed(&window))
                return QByteArray("not shown");
            QTest::mouseClick(window.findChild<QWidget*>(QStringLiteral("Reading")), Qt::LeftButton);
            if (byExit) {
                window.findChild<QAction*>(QStringLiteral("終了"))->trigger();
            } else {
                // The close box reaches the window as a close event of its
                // native window.
                QCloseEvent closeBox;
                QApplication::sendEvent(window.windowHandle(), &closeBox);
            }
            if (window.isVisible())
                return QByteArray("still open");
            return readAll(QDir(dir.path()).filePath(QStringLiteral("yomika.ini")));
        };
        const QByteArray byCloseBox = settingsAfter(false);
        const QByteArray byExit = settingsAfter(true);
        QVERIFY(!byCloseBox.isEmpty());
        QCOMPARE(byExit, byCloseBox);
    }

    void readmeListsEveryErrorNumber()
    {
        const QByteArray readme = readAll(QStringLiteral(YOMIKA_SOURCE_DIR "/ship/README.TXT"));
        QVERIFY(!readme.isEmpty());
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(readme);
        QVERIFY(!utf8.hasError());
        // The program directory of the build holds the same file.
        QCOMPARE(readAll(QStringLiteral(YOMIKA_BINARY_DIR "/dist/README.TXT")), readme);

        const QString numbers =
            QString::fromUtf8(readAll(QStringLiteral(YOMIKA_SOURCE_DIR "/core/errornumber.h")));
        static const QRegularExpression entry(QStringLiteral("^\\s*(\\w+) = (\\d+),"),
                                              QRegularExpression::MultilineOption);
        int seen = 0;
        for (const QRegularExpressionMatch& m : entry.globalMatch(numbers)) {
            const QString name = m.captured(1);
            const QString number = m.captured(2);
            if (name == u"NoError")
                continue;
            ++seen;
            const QString pattern = name == u"AnalyzerNoOutputBase" ? QStringLiteral("11xx") : number;
            const QRegularExpression listed(QStringLiteral("^\\s*%1\\s").arg(pattern),
                                            QRegularExpression::MultilineOption);
            QVERIFY2(listed.match(text).hasMatch(), qPrintable(name + u' ' + number));
        }
        QVERIFY(seen > 10);

        // kotoka's exit statuses, as the window shows them: 1100 + status.
        const QString statuses =
            QString::fromUtf8(readAll(QStringLiteral(YOMIKA_SOURCE_DIR "/kotoka/exitstatus.h")));
        seen = 0;
        for (const QRegularExpressionMatch& m : entry.globalMatch(statuses)) {
            const int status = m.captured(2).toInt();
            if (status == 0)
                continue;
            ++seen;
            const QRegularExpression listed(QStringLiteral("^\\s*%1\\s").arg(1100 + status),
                                            QRegularExpression::MultilineOption);
            QVERIFY2(listed.match(text).hasMatch(), qPrintable(m.captured(1)));
        }
        QVERIFY(seen >= 8);
    }
};

QTEST_MAIN(HelpTest)
#include "help_test.moc"
