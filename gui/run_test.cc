// The analyzer run as the window drives it: the temporary files, the option
// history, the failure messages, the busy pointer, and what happens to a run
// that is cancelled, or whose window is closed or destroyed while it waits.
// The fake analyzer stands in for kotoka; the last test uses kotoka itself.

#include <QCheckBox>
#include <QDirIterator>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>

#include "core/errornumber.h"
#include "core/wholefile.h"
#include "gui/windowtestbench.h"

using namespace yomika;
using namespace yomika::testbench;

namespace {

const QString failurePrefix = QStringLiteral("解析中にエラーが発生しました ");

// A prompter that hands its record to the test when the window that owns it
// is destroyed.
class OutlivedPrompter : public ScriptedPrompter {
public:
    explicit OutlivedPrompter(QList<Call>* record) : m_record(record) {}
    ~OutlivedPrompter() override { *m_record = calls; }

private:
    QList<Call>* m_record;
};

// Waits long enough that an analyzer told to sleep `ms` would have written
// its output had it not been stopped.
void waitPast(int ms)
{
    QTest::qWait(ms + 700);
}

} // namespace

class RunTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ProgramDir> m_dir;
    std::unique_ptr<Bench> m_bench;

    void makeBench(const QString& dirTemplate = QString())
    {
        m_bench.reset();
        m_dir = std::make_unique<ProgramDir>(dirTemplate);
        QVERIFY(m_dir->isValid());
        QVERIFY(m_dir->installFakeAnalyzer());
        m_bench = std::make_unique<Bench>(m_dir->path());
    }

private slots:
    void init() { makeBench(); }
    void cleanup()
    {
        testing::failWritesAfter(-1);
        m_bench.reset();
        m_dir.reset();
        QVERIFY(pointerIsDefault());
    }

    void runHandsBackTheOutputAndKeepsBothFiles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("sentence with CR LF, no final line end")
            << QStringLiteral("東京に行きます。\r\n今日は晴れ");
        QTest::newRow("blanks only") << QStringLiteral("   ");
        QTest::newRow("line ends only") << QStringLiteral("\r\n\r\n");
        QTest::newRow("longer than a pane")
            << QString(40000, u'あ') + QStringLiteral("\r\n") + QString(3000, u'z');
    }
    void runHandsBackTheOutputAndKeepsBothFiles()
    {
        QFETCH(QString, text);
        const QString output = m_bench->window->runAnalyzer(text);
        QCOMPARE(output, fakeEcho(*m_dir, text));
        // input.tmp holds the text in the code page, nothing added.
        QCOMPARE(m_dir->bytes(QStringLiteral("input.tmp")), codepage::encode(text));
        // output.tmp stays, with what was returned.
        QCOMPARE(codepage::decode(m_dir->bytes(QStringLiteral("output.tmp"))), output);
        QVERIFY(m_bench->prompter->calls.isEmpty());
        QVERIFY(pointerIsDefault());
        QVERIFY(!m_bench->window->isRunning());
    }

    void inputFileHoldsShiftJisBytes()
    {
        m_bench->window->runAnalyzer(QStringLiteral("東京\r\nに"));
        QCOMPARE(m_dir->bytes(QStringLiteral("input.tmp")),
                 QByteArray("\x93\x8c\x8b\x9e\r\n\x82\xc9"));
    }

    void optionStringReachesTheAnalyzer_data()
    {
        QTest::addColumn<QString>("dirTemplate");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("empty") << QString() << QString() << QStringList();
        QTest::newRow("two fields with escapes")
            << QString() << QStringLiteral("-F \"%m\\t%y1\\n\"")
            << QStringList{QStringLiteral("-F"), QStringLiteral("%m\\t%y1\\n")};
        QTest::newRow("quoted blank") << QString() << QStringLiteral("-F \"%m %M\\n\"")
                                      << QStringList{QStringLiteral("-F"), QStringLiteral("%m %M\\n")};
        QTest::newRow("program folder with blanks")
            << QStringLiteral("yomika with blanks XXXXXX") << QStringLiteral("-F \"%m\"")
            << QStringList{QStringLiteral("-F"), QStringLiteral("%m")};
    }
    void optionStringReachesTheAnalyzer()
    {
        QFETCH(QString, dirTemplate);
        QFETCH(QString, options);
        QFETCH(QStringList, arguments);
        if (!dirTemplate.isEmpty())
            makeBench(dirTemplate);
        m_bench->optionList()->setText(options);
        const QString output = m_bench->window->runAnalyzer(QStringLiteral("文"));
        QCOMPARE(output, QStringLiteral("文") + fakeArguments(*m_dir, arguments));
    }

    void emptyTextPushesASnapshotAndTouchesNothing()
    {
        QVERIFY(m_dir->write(QStringLiteral("input.tmp"), "old input"));
        QVERIFY(m_dir->write(QStringLiteral("output.tmp"), "old output"));
        m_bench->setPanes(QStringLiteral("文"), QStringLiteral("結果"));
        QCOMPARE(m_bench->window->runAnalyzer(QString()), QString());
        QCOMPARE(m_bench->window->undoRing().index(), 1);
        QCOMPARE(m_bench->window->undoRing().slot(1), (PanePair{QStringLiteral("文"), QStringLiteral("結果")}));
        QCOMPARE(m_dir->bytes(QStringLiteral("input.tmp")), QByteArray("old input"));
        QCOMPARE(m_dir->bytes(QStringLiteral("output.tmp")), QByteArray("old output"));
        QVERIFY(m_bench->optionHistory().isEmpty()); // nothing recorded: no run
        QVERIFY(m_bench->prompter->calls.isEmpty());
        QVERIFY(pointerIsDefault());
    }

    void failureShowsItsNumber_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("inputWritten");
        QTest::addColumn<bool>("outputLeft");
        QTest::newRow("analyzer missing") << "missing" << "文" << int(AnalyzerMissing) << true << false;
        QTest::newRow("analyzer not executable")
            << "not executable" << "文" << int(AnalyzerNotStartable) << true << false;
        QTest::newRow("analyzer is a folder")
            << "folder" << "文" << int(AnalyzerNotStartable) << true << false;
        QTest::newRow("analyzer crashes") << "" << "@crash 文" << int(AnalyzerCrashed) << true << true;
        QTest::newRow("ends without output, status 7")
            << "" << "@nooutput @exit=7" << int(AnalyzerNoOutputBase + 7) << true << false;
        QTest::newRow("ends without output, status 0")
            << "" << "@nooutput" << int(AnalyzerNoOutputBase) << true << false;
        QTest::newRow("input.tmp cannot be written: disk full")
            << "disk full" << "文" << int(DiskFull) << false << false;
        QTest::newRow("input.tmp cannot be written: a folder in its place")
            << "input folder" << "文" << int(IsDirectory) << false << false;
    }
    void failureShowsItsNumber()
    {
        QFETCH(QString, cause);
        QFETCH(QString, text);
        QFETCH(int, error);
        QFETCH(bool, inputWritten);
        QFETCH(bool, outputLeft);
        const QString analyzer = m_dir->analyzer();
        if (cause == u"missing") {
            QVERIFY(QFile::remove(analyzer));
        } else if (cause == u"not executable") {
            QVERIFY(QFile::setPermissions(analyzer, QFile::ReadOwner | QFile::WriteOwner));
        } else if (cause == u"folder") {
            QVERIFY(QFile::remove(analyzer));
            QVERIFY(QDir().mkdir(analyzer));
        } else if (cause == u"disk full") {
            testing::failWritesAfter(0);
        } else if (cause == u"input folder") {
            QVERIFY(QDir().mkdir(m_dir->file(QStringLiteral("input.tmp"))));
        }
        QVERIFY(m_dir->write(QStringLiteral("output.tmp"), "an earlier run's output"));
        m_bench->setPanes(text, QStringLiteral("前の結果"));
        m_bench->optionList()->setText(QStringLiteral("-F \"%M\\n\""));

        QTest::mouseClick(m_bench->window->findChild<QWidget*>(QStringLiteral("AnalyzeAll")),
                          Qt::LeftButton);
        testing::failWritesAfter(-1);

        QCOMPARE(m_bench->prompter->texts(Kind::Inform), QStringList{failurePrefix + QString::number(error)});
        QCOMPARE(m_bench->prompter->calls.size(), 1);
        QVERIFY(pointerIsDefault());
        QVERIFY(!m_bench->window->isRunning());
        QCOMPARE(m_bench->result()->text(), QString());
        QCOMPARE(m_bench->sentence()->text(), text);
        // The history entry and the snapshot stay.
        QCOMPARE(m_bench->optionHistory().value(0), QStringLiteral("-F \"%M\\n\""));
        m_bench->window->undo();
        QCOMPARE(m_bench->panes(), (PanePair{text, QStringLiteral("前の結果")}));
        // The earlier output was deleted before the start.
        const QByteArray output = m_dir->bytes(QStringLiteral("output.tmp"));
        QCOMPARE(!output.isNull(), outputLeft);
        QVERIFY(output != "an earlier run's output");
        if (inputWritten)
            QCOMPARE(m_dir->bytes(QStringLiteral("input.tmp")), codepage::encode(text));
        else
            QVERIFY(m_dir->bytes(QStringLiteral("input.tmp")).isNull());
    }

    void optionStringTopsTheHistory_data()
    {
        QTest::addColumn<bool>("analyzerPresent");
        QTest::newRow("run succeeds") << true;
        QTest::newRow("run fails") << false;
    }
    void optionStringTopsTheHistory()
    {
        QFETCH(bool, analyzerPresent);
        if (!analyzerPresent)
            QVERIFY(QFile::remove(m_dir->analyzer()));
        LineComboBox* options = m_bench->optionList();
        options->addItems({QStringLiteral("-F \"%M\""), QStringLiteral("-F \"%y1\"")});
        options->setText(QStringLiteral("-F \"%y1\""));
        m_bench->window->runAnalyzer(QStringLiteral("文"));
        QCOMPARE(m_bench->optionHistory(), (QStringList{QStringLiteral("-F \"%y1\""), QStringLiteral("-F \"%M\"")}));
        options->setText(QStringLiteral("-F \"%m\\t%M\""));
        m_bench->window->runAnalyzer(QStringLiteral("文"));
        QCOMPARE(m_bench->optionHistory(),
                 (QStringList{QStringLiteral("-F \"%m\\t%M\""), QStringLiteral("-F \"%y1\""),
                              QStringLiteral("-F \"%M\"")}));
        QCOMPARE(options->text(), QStringLiteral("-F \"%m\\t%M\""));
        QCOMPARE(m_bench->prompter->calls.size(), analyzerPresent ? 0 : 2);
    }

    void windowStaysResponsiveDuringARun()
    {
        auto* reading = m_bench->window->findChild<QCheckBox*>(QStringLiteral("Reading"));
        int firedWhileRunning = 0;
        bool busyWhileRunning = false;
        QTimer timer;
        timer.setInterval(50);
        connect(&timer, &QTimer::timeout, this, [&] {
            if (!m_bench->window->isRunning())
                return;
            if (++firedWhileRunning == 2)
                QTest::mouseClick(reading, Qt::LeftButton);
            busyWhileRunning = QApplication::overrideCursor() &&
                               QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        });
        timer.start();
        const QString text = QStringLiteral("@slow=700 文");
        m_bench->sentence()->setText(text);
        m_bench->window->analyzeAll();
        timer.stop();
        QVERIFY(firedWhileRunning >= 2);
        QVERIFY(busyWhileRunning);
        QVERIFY(reading->isChecked()); // the click was taken during the run
        // The option string the analyzer got was the one of the start.
        QCOMPARE(m_bench->result()->text(), fakeEcho(*m_dir, text));
        QCOMPARE(m_bench->optionList()->text(), QStringLiteral("-F \"%m\\t%y1\\n\""));
        QVERIFY(pointerIsDefault());
    }

    void commandsDuringARunAreRefused()
    {
        const QString text = QStringLiteral("@slow=600 文");
        m_bench->setPanes(text, QStringLiteral("前"));
        m_bench->sentence()->setSelection(0, 4);
        QVERIFY(m_dir->write(QStringLiteral("append.txt"), "kept"));
        int tries = 0;
        QTimer::singleShot(150, this, [&] {
            MainWindow* w = m_bench->window.get();
            if (!w->isRunning())
                return;
            const PanePair before = m_bench->panes();
            const int index = w->undoRing().index();
            w->analyzeAll();
            w->analyzePartial();
            w->clearPanes();
            w->undo();
            w->redo();
            w->saveResult();
            w->appendResult();
            w->loadSentenceText(QStringLiteral("読み込み"));
            QCOMPARE(w->runAnalyzer(QStringLiteral("二つ目")), QString());
            // Choosing the append file leaves the panes alone and may go on.
            m_bench->prompter->files = {m_dir->file(QStringLiteral("append.txt"))};
            w->chooseAppendFile();
            QVERIFY(w->isRunning());
            QCOMPARE(m_bench->panes(), before);
            QCOMPARE(w->undoRing().index(), index);
            ++tries;
        });
        m_bench->window->analyzeAll();
        QCOMPARE(tries, 1);
        QCOMPARE(m_bench->prompter->texts(Kind::Save), QStringList{QStringLiteral("追加ファイルの指定")});
        QCOMPARE(m_bench->prompter->calls.size(), 1);
        QCOMPARE(m_bench->window->appendFileName(), m_dir->file(QStringLiteral("append.txt")));
        QCOMPARE(m_bench->result()->text(), fakeEcho(*m_dir, text));
        QCOMPARE(m_dir->bytes(QStringLiteral("input.tmp")), codepage::encode(text));
        QCOMPARE(m_dir->bytes(QStringLiteral("append.txt")), QByteArray("kept"));
        QCOMPARE(m_bench->window->undoRing().index(), 1);
    }

    void escapeCancelsTheRun()
    {
        const QString text = QStringLiteral("@slow=1500 文");
        m_bench->setPanes(text, QStringLiteral("前の結果"));
        m_bench->sentence()->setFocus();
        bool wasRunning = false;
        QTimer::singleShot(200, this, [&] {
            wasRunning = m_bench->window->isRunning();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        m_bench->window->analyzeAll();
        QVERIFY(wasRunning);
        QVERIFY(!m_bench->window->isRunning());
        QVERIFY(pointerIsDefault());
        QVERIFY(m_bench->prompter->calls.isEmpty());
        QCOMPARE(m_bench->result()->text(), QString());
        QCOMPARE(m_bench->sentence()->text(), text);
        // The analyzer was stopped before it could write anything.
        waitPast(1500);
        QVERIFY(!m_dir->exists(QStringLiteral("output.tmp")));
        // The snapshot of the run's start brings the result back.
        QTest::keyClick(m_bench->sentence(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(m_bench->panes(), (PanePair{text, QStringLiteral("前の結果")}));
        // And the next run works as usual.
        m_bench->sentence()->setText(QStringLiteral("次"));
        m_bench->window->analyzeAll();
        QCOMPARE(m_bench->result()->text(), fakeEcho(*m_dir, QStringLiteral("次")));
    }

    void escapeWithoutARunDoesNothing()
    {
        m_bench->setPanes(QStringLiteral("文"), QStringLiteral("結果"));
        QTest::keyClick(m_bench->sentence(), Qt::Key_Escape);
        QCOMPARE(m_bench->panes(), (PanePair{QStringLiteral("文"), QStringLiteral("結果")}));
        QVERIFY(m_bench->prompter->calls.isEmpty());
    }

    void closingTheWindowStopsTheRun()
    {
        const QString text = QStringLiteral("@slow=1500 文");
        m_bench->sentence()->setText(text);
        QTimer::singleShot(200, this, [&] { m_bench->window->close(); });
        m_bench->window->analyzeAll();
        QVERIFY(!m_bench->window->isVisible());
        QVERIFY(!m_bench->window->isRunning());
        QVERIFY(pointerIsDefault());
        QVERIFY(m_bench->prompter->calls.isEmpty());
        waitPast(1500);
        QVERIFY(!m_dir->exists(QStringLiteral("output.tmp")));
    }

    void destroyingTheWindowDuringARun_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("analyze all") << "all";
        QTest::newRow("analyze selection") << "selection";
        QTest::newRow("load of a long text") << "load";
        QTest::newRow("run alone") << "run";
    }
    void destroyingTheWindowDuringARun()
    {
        QFETCH(QString, entry);
        m_bench.reset();
        QList<ScriptedPrompter::Call> calls;
        auto prompter = std::make_unique<OutlivedPrompter>(&calls);
        prompter->answers = {true};
        auto* window = new MainWindow(m_dir->path(), std::move(prompter));
        window->show();
        const QString text = QStringLiteral("@slow=1500 文");
        window->findChild<ExactTextEdit*>(QStringLiteral("Sentence"))->setText(text);
        window->findChild<ExactTextEdit*>(QStringLiteral("Sentence"))->setSelection(0, text.size());
        const QPointer<MainWindow> watch(window);
        QTimer::singleShot(200, this, [window] {
            window->close();
            delete window;
        });
        if (entry == u"all")
            window->analyzeAll();
        else if (entry == u"selection")
            window->analyzePartial();
        else if (entry == u"load")
            window->loadSentenceText(text + QString(40000, u'x'));
        else
            QCOMPARE(window->runAnalyzer(text), QString());
        QVERIFY(!watch);
        QVERIFY(pointerIsDefault());
        // The only question is the one of the long load; no message.
        QCOMPARE(calls.size(), entry == u"load" ? 1 : 0);
        waitPast(1500);
        QVERIFY(!m_dir->exists(QStringLiteral("output.tmp")));
    }

    void kotokaAnalyzesASentence()
    {
        const QString dist = QStringLiteral(YOMIKA_DIST_DIR_PATH);
        const QString kotoka = platform::joinPath(dist, platform::analyzerFileName());
        const QString distDic = dist + QStringLiteral("/dic");
        if (!QFileInfo(kotoka).isExecutable() || !QFile::exists(distDic + QStringLiteral("/kotokarc")))
            QSKIP("kotoka is not built into the program directory");

        // A program directory of kotoka with its dic folder: the dictionary
        // files are linked (or copied where links are not possible), the
        // resource file gets its placeholder filled as start-up does.
        QVERIFY(QFile::remove(m_dir->analyzer()));
        QVERIFY(QFile::copy(kotoka, m_dir->analyzer()));
        const QString dic = m_dir->file(QStringLiteral("dic"));
        QVERIFY(QDir().mkpath(dic));
        QDirIterator files(distDic, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        while (files.hasNext()) {
            const QFileInfo entry(files.next());
            const QString target = dic + u'/' + entry.fileName();
            if (entry.fileName() == u"kotokarc")
                continue;
            if (!QFile::link(entry.absoluteFilePath(), target)) {
                QVERIFY(QDir().mkpath(target));
                const QDir from(entry.absoluteFilePath());
                for (const QString& name : from.entryList(QDir::Files))
                    QVERIFY(QFile::copy(from.filePath(name), target + u'/' + name));
            }
        }
        // The resource file as shipped: the build's own may have been filled
        // in by a start of the program already.
        QByteArray resource = ProgramDir::bytesAt(QStringLiteral(YOMIKA_SOURCE_DIR "/kotoka/kotokarc"));
        QVERIFY(!resource.isNull());
        resource.replace("%KOTDIC%", codepage::encode(QDir(dic).absolutePath()));
        QVERIFY(m_dir->write(QStringLiteral("dic\\kotokarc"), resource));

        // One morpheme a line: the option string the field choices give.
        m_bench->window->buildOptionString();
        m_bench->sentence()->setText(QStringLiteral("東京に行きます"));
        m_bench->window->findChild<QAction*>(QStringLiteral("全文解析"))->trigger();
        QVERIFY2(m_bench->prompter->calls.isEmpty(),
                 qPrintable(m_bench->prompter->texts(Kind::Inform).join(u'|')));
        QVERIFY(pointerIsDefault());
        const QString result = m_bench->result()->text();
        QVERIFY2(result.split(QRegularExpression(QStringLiteral("\r?\n"))).contains(QStringLiteral("東京")),
                 qPrintable(result));
        QVERIFY(result.contains(QStringLiteral("行き")));
    }
};

QTEST_MAIN(RunTest)
#include "run_test.moc"
