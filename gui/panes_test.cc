// The panes: the 32767-unit limit and its two questions, the analyze and
// clear commands from buttons, menu and keys, the snapshot each path pushes,
// and undo and redo of the pane pair through the window.

#include <QPushButton>
#include <QSignalSpy>

#include "gui/windowtestbench.h"

using namespace yomika;
using namespace yomika::testbench;

namespace {

const QString textTooLarge = QStringLiteral("テキストが大きすぎて全体を表示できません。\r\n"
                                            "今すぐ解析を行いますか？");
const QString resultTooLarge = QStringLiteral("結果が大きすぎて全体を表示できません。\r\n"
                                              "今すぐ結果を保存しますか？");

// The fake analyzer's answer to "@big=N": N bytes of this line over and over.
QString fakeBig(qsizetype n)
{
    const QString line = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n");
    QString out;
    while (out.size() < n)
        out += line;
    return out.left(n);
}

// A text of exactly `length` UTF-16 units that asks the fake analyzer for `big` bytes.
QString bigRequest(qsizetype length, qsizetype big)
{
    const QString head = QStringLiteral("@big=%1 ").arg(big);
    return head + QString(length - head.size(), u'x');
}

const PanePair before{QStringLiteral("元の文"), QStringLiteral("元の結果")};

} // namespace

class PanesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ProgramDir> m_dir;
    std::unique_ptr<Bench> m_bench;

    MainWindow* window() const { return m_bench->window.get(); }
    const UndoRing& ring() const { return window()->undoRing(); }

private slots:
    void init()
    {
        m_dir = std::make_unique<ProgramDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(m_dir->installFakeAnalyzer());
        m_bench = std::make_unique<Bench>(m_dir->path());
    }
    void cleanup()
    {
        QCOMPARE(m_bench->prompter->unexpected, 0);
        m_bench.reset();
        m_dir.reset();
        QVERIFY(pointerIsDefault());
    }

    void loadSentenceText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("answers"); // "y" OK, "n" Cancel, "" no question expected
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QString>("result");
        const QString fits(32767, u'あ');
        const QString over(32768, u'あ');
        QTest::newRow("32767 units fit") << fits << "" << fits << "";
        QTest::newRow("32765 and CR LF fit") << QString(32765, u'あ') + QStringLiteral("\r\n") << ""
                                             << QString(32765, u'あ') + QStringLiteral("\r\n") << "";
        QTest::newRow("empty text fits") << "" << "" << "" << "";
        QTest::newRow("32768 units, Cancel") << over << "n" << fits << "";
        QTest::newRow("32766 and CR LF, Cancel: the CR stays")
            << QString(32766, u'あ') + QStringLiteral("\r\n") << "n"
            << QString(32766, u'あ') + QStringLiteral("\r") << "";
        QTest::newRow("a pair straddling the limit, Cancel: left out whole")
            << QString(32766, u'a') + QStringLiteral("😀") << "n" << QString(32766, u'a') << "";
        QTest::newRow("32768 units, OK: analyzed, sentence kept")
            << bigRequest(32768, 100) << "y" << before.sentence << fakeBig(100);
        QTest::newRow("32768 units, OK, result exactly 32767")
            << bigRequest(32768, 32767) << "y" << before.sentence << fakeBig(32767);
        QTest::newRow("32768 units, OK, result 32768, Cancel")
            << bigRequest(32768, 32768) << "yn" << before.sentence << fakeBig(32767);
    }
    void loadSentenceText()
    {
        QFETCH(QString, text);
        QFETCH(QString, answers);
        QFETCH(QString, sentence);
        QFETCH(QString, result);
        for (QChar a : answers)
            m_bench->prompter->answers.append(a == u'y');
        m_bench->setPanes(before.sentence, before.result);
        window()->loadSentenceText(text);
        QCOMPARE(m_bench->sentence()->textLength(), sentence.size());
        QCOMPARE(m_bench->sentence()->text(), sentence);
        QCOMPARE(m_bench->result()->text(), result);
        QStringList asked;
        if (!answers.isEmpty())
            asked << textTooLarge;
        if (answers.size() > 1)
            asked << resultTooLarge;
        QCOMPARE(m_bench->prompter->texts(Kind::Ask), asked);
        QCOMPARE(m_bench->prompter->calls.size(), asked.size());
        // One snapshot, by the load or by the run, of the pair before.
        QCOMPARE(ring().index(), 1);
        QCOMPARE(ring().slot(1), before);
        QVERIFY(pointerIsDefault());
    }

    void loadingTheSameTextEmptiesTheResult()
    {
        m_bench->setPanes(QStringLiteral("同じ"), QStringLiteral("結果"));
        window()->loadSentenceText(QStringLiteral("同じ"));
        QCOMPARE(m_bench->panes(), (PanePair{QStringLiteral("同じ"), QString()}));
        window()->undo();
        QCOMPARE(m_bench->panes(), (PanePair{QStringLiteral("同じ"), QStringLiteral("結果")}));
    }

    void longLoadWithLongResultIsSavedWhole()
    {
        const QString saved = m_dir->file(QStringLiteral("whole.txt"));
        m_bench->prompter->answers = {true, true};
        m_bench->prompter->files = {saved};
        m_bench->setPanes(before.sentence, before.result);
        window()->loadSentenceText(bigRequest(40000, 50000));
        QCOMPARE(m_bench->prompter->texts(Kind::Ask), (QStringList{textTooLarge, resultTooLarge}));
        QCOMPARE(m_bench->prompter->texts(Kind::Save), QStringList{QStringLiteral("解析結果を名前を付けて保存")});
        QCOMPARE(m_bench->panes(), before);
        QCOMPARE(ProgramDir::bytesAt(saved), codepage::encode(fakeBig(50000)));
        QCOMPARE(window()->appendFileName(), saved);
        QCOMPARE(window()->windowTitle(), QStringLiteral("Yomika - ") + saved);
    }

    void showResultText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("file"); // chosen in the save dialog; "-" none shown
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("saved");
        const QString fits = QString(32765, u'結') + QStringLiteral("\r\n");
        const QString over = QString(32766, u'結') + QStringLiteral("\r\n");
        QTest::newRow("32767 units fit") << fits << "" << "-" << fits << false;
        QTest::newRow("empty") << "" << "" << "-" << "" << false;
        QTest::newRow("32768 units, Cancel") << over << "n" << "-"
                                             << QString(32766, u'結') + QStringLiteral("\r") << false;
        QTest::newRow("32768 units, OK, saved") << over << "y" << "out.txt" << before.result << true;
        QTest::newRow("32768 units, OK, dialog cancelled") << over << "y" << "" << before.result << false;
    }
    void showResultText()
    {
        QFETCH(QString, text);
        QFETCH(QString, answers);
        QFETCH(QString, file);
        QFETCH(QString, result);
        QFETCH(bool, saved);
        for (QChar a : answers)
            m_bench->prompter->answers.append(a == u'y');
        const QString path = file.isEmpty() ? QString() : m_dir->file(file);
        if (file != u"-")
            m_bench->prompter->files = {path};
        m_bench->setPanes(before.sentence, before.result);
        window()->showResultText(text);
        QCOMPARE(m_bench->panes(), (PanePair{before.sentence, result}));
        QCOMPARE(m_bench->prompter->texts(Kind::Ask), answers.isEmpty() ? QStringList() : QStringList{resultTooLarge});
        QCOMPARE(m_bench->prompter->texts(Kind::Save).size(), file == u"-" ? 0 : 1);
        if (saved) {
            QCOMPARE(m_dir->bytes(file), codepage::encode(text));
            QCOMPARE(window()->appendFileName(), path);
        } else {
            QCOMPARE(window()->appendFileName(), QString());
        }
        QCOMPARE(ring().index(), 0); // showing pushes nothing
    }

    void analyzeSelectionTakesTheExactSelection_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("selected");
        QTest::newRow("across a CR LF") << 2 << 5 << QStringLiteral("目\r\n二行");
        QTest::newRow("ending inside the text") << 0 << 3 << QStringLiteral("一行目");
        QTest::newRow("the last line end") << 8 << 2 << QStringLiteral("\r\n");
        QTest::newRow("nothing selected") << 5 << 0 << QString();
    }
    void analyzeSelectionTakesTheExactSelection()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, selected);
        const QString text = QStringLiteral("一行目\r\n二行目\r\n");
        m_bench->setPanes(text, QStringLiteral("前"));
        m_bench->sentence()->setSelection(start, length);
        QCOMPARE(m_bench->sentence()->selectedText(), selected);
        window()->analyzePartial();
        QCOMPARE(m_bench->sentence()->text(), text);
        QCOMPARE(m_bench->sentence()->selectionStart(), start);
        QCOMPARE(m_bench->sentence()->selectionLength(), length);
        if (selected.isEmpty()) {
            QVERIFY(!m_dir->exists(QStringLiteral("input.tmp"))); // nothing started
            QCOMPARE(m_bench->result()->text(), QString());
        } else {
            QCOMPARE(m_dir->bytes(QStringLiteral("input.tmp")), codepage::encode(selected));
            QCOMPARE(m_bench->result()->text(), fakeEcho(*m_dir, selected));
        }
        QCOMPARE(ring().slot(ring().index()), (PanePair{text, QStringLiteral("前")}));
    }

    void analyzeAllAfterStartAnalyzesTheHint()
    {
        const QString hint = m_bench->sentence()->text();
        QVERIFY(hint.startsWith(QStringLiteral("クリアを押してから")));
        window()->analyzeAll();
        QCOMPARE(m_dir->bytes(QStringLiteral("input.tmp")), codepage::encode(hint));
        QCOMPARE(m_bench->result()->text(), fakeEcho(*m_dir, hint));
        QCOMPARE(m_bench->sentence()->text(), hint);
    }

    void analyzeAllOfAnEmptySentence()
    {
        m_bench->setPanes(QString(), QStringLiteral("前"));
        window()->analyzeAll();
        QCOMPARE(m_bench->panes(), PanePair{});
        QVERIFY(!m_dir->exists(QStringLiteral("input.tmp")));
        window()->undo();
        QCOMPARE(m_bench->panes(), (PanePair{QString(), QStringLiteral("前")}));
    }

    void buttonsMenuAndKeysAgree_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("way");
        const char* commands[] = {"all", "partial", "clear"};
        const char* ways[] = {"button", "menu", "key"};
        for (const char* c : commands) {
            for (const char* w : ways)
                QTest::addRow("%s by %s", c, w) << QString::fromLatin1(c) << QString::fromLatin1(w);
        }
    }
    void buttonsMenuAndKeysAgree()
    {
        QFETCH(QString, command);
        QFETCH(QString, way);
        struct Names {
            const char16_t* button;
            const char16_t* action;
            Qt::Key key;
        };
        const Names names = command == u"all"       ? Names{u"AnalyzeAll", u"全文解析", Qt::Key_E}
                            : command == u"partial" ? Names{u"AnalyzePartial", u"部分解析", Qt::Key_P}
                                                    : Names{u"Clear", u"クリア", Qt::Key_L};
        const QString text = QStringLiteral("文全体\r\nです");
        m_bench->setPanes(text, QStringLiteral("前"));
        m_bench->sentence()->setSelection(0, 3);
        m_bench->result()->setFocus();
        if (way == u"button")
            QTest::mouseClick(window()->findChild<QPushButton*>(QString::fromUtf16(names.button)),
                              Qt::LeftButton);
        else if (way == u"menu")
            m_bench->action(QString::fromUtf16(names.action))->trigger();
        else
            QTest::keyClick(QApplication::focusWidget(), names.key, Qt::ControlModifier);

        if (command == u"all") {
            QCOMPARE(m_bench->panes(), (PanePair{text, fakeEcho(*m_dir, text)}));
        } else if (command == u"partial") {
            QCOMPARE(m_bench->panes(), (PanePair{text, fakeEcho(*m_dir, QStringLiteral("文全体"))}));
        } else {
            QCOMPARE(m_bench->panes(), PanePair{});
            QCOMPARE(QApplication::focusWidget(), m_bench->sentence());
            QCOMPARE(window()->windowTitle(), QStringLiteral("Yomika"));
        }
        QCOMPARE(ring().index(), 1);
        QCOMPARE(ring().slot(1), (PanePair{text, QStringLiteral("前")}));
        QVERIFY(m_bench->prompter->calls.isEmpty());
    }

    void clearOfEmptyPanes()
    {
        m_bench->setPanes(QString(), QString());
        window()->clearPanes();
        QCOMPARE(m_bench->panes(), PanePair{});
        QCOMPARE(ring().index(), 0); // a pair of two empty texts is not kept
        QCOMPARE(window()->windowTitle(), QStringLiteral("Yomika"));
        QCOMPARE(QApplication::focusWidget(), m_bench->sentence());
    }

    void clearKeepsTheAppendFileInTheCaption()
    {
        const QString file = m_dir->file(QStringLiteral("collect.txt"));
        m_bench->prompter->files = {file};
        window()->chooseAppendFile();
        window()->clearPanes();
        QCOMPARE(window()->appendFileName(), file);
        QCOMPARE(window()->windowTitle(), QStringLiteral("Yomika - ") + file);
        window()->undo();
        QVERIFY(m_bench->sentence()->text().startsWith(QStringLiteral("クリアを押してから")));
        window()->redo(); // the clear cannot be redone
        QVERIFY(m_bench->sentence()->text().startsWith(QStringLiteral("クリアを押してから")));
    }

    void snapshotOfEachPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<bool>("pushes");
        QTest::newRow("analyze all") << "all" << "" << true;
        QTest::newRow("analyze all, empty sentence") << "all empty" << "" << true;
        QTest::newRow("analyze selection, nothing selected") << "partial" << "" << true;
        QTest::newRow("load that fits") << "load" << "" << true;
        QTest::newRow("long load, Cancel") << "long load" << "n" << true;
        QTest::newRow("long load, OK: only the run pushes") << "long load" << "y" << true;
        QTest::newRow("clear") << "clear" << "" << true;
        QTest::newRow("show a result") << "show" << "" << false;
        QTest::newRow("show a long result, Cancel") << "long show" << "n" << false;
        QTest::newRow("save") << "save" << "" << false;
        QTest::newRow("append") << "append" << "" << false;
        QTest::newRow("typing") << "type" << "" << false;
    }
    void snapshotOfEachPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, answers);
        QFETCH(bool, pushes);
        for (QChar a : answers)
            m_bench->prompter->answers.append(a == u'y');
        // One earlier snapshot, so that a second push would show.
        const PanePair earlier{QStringLiteral("A"), QStringLiteral("B")};
        m_bench->setPanes(earlier.sentence, earlier.result);
        window()->model().runAnalyzer(QString()); // pushes a snapshot
        const PanePair now{path == u"all empty" ? QString() : QStringLiteral("文0"), QStringLiteral("結果0")};
        m_bench->setPanes(now.sentence, now.result);

        if (path.startsWith(u"all"))
            window()->analyzeAll();
        else if (path == u"partial")
            window()->analyzePartial();
        else if (path == u"load")
            window()->loadSentenceText(QStringLiteral("新しい文"));
        else if (path == u"long load")
            window()->loadSentenceText(bigRequest(32768, 10));
        else if (path == u"clear")
            window()->clearPanes();
        else if (path == u"show")
            window()->showResultText(QStringLiteral("結果"));
        else if (path == u"long show")
            window()->showResultText(QString(40000, u'r'));
        else if (path == u"save") {
            m_bench->prompter->files = {m_dir->file(QStringLiteral("s.txt"))};
            window()->saveResult();
        } else if (path == u"append") {
            m_bench->prompter->files = {m_dir->file(QStringLiteral("a.txt"))};
            window()->appendResult();
        } else if (path == u"type") {
            QTest::keyClicks(m_bench->sentence(), QStringLiteral("abc"));
        }

        if (pushes) {
            QCOMPARE(ring().index(), 2); // exactly one push
            QCOMPARE(ring().slot(2), now);
            QCOMPARE(ring().slot(1), earlier);
            QCOMPARE(ring().slot(0), PanePair{});
        } else {
            QCOMPARE(ring().index(), 1);
            QCOMPARE(ring().slot(1), earlier);
            QCOMPARE(ring().slot(2), PanePair{});
        }
    }

    void undoAndRedoKeysWinOverThePane_data()
    {
        QTest::addColumn<QString>("pane");
        QTest::newRow("Sentence") << "Sentence";
        QTest::newRow("Result") << "Result";
    }
    void undoAndRedoKeysWinOverThePane()
    {
        QFETCH(QString, pane);
        auto* focused = window()->findChild<ExactTextEdit*>(pane);
        m_bench->setPanes(QStringLiteral("一"), QStringLiteral("二"));
        window()->clearPanes();
        focused->setFocus();
        QTest::keyClicks(focused, QStringLiteral("abc"));
        const PanePair typed = m_bench->panes();
        QCOMPARE(focused->text(), QStringLiteral("abc"));
        QTest::keyClick(focused, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(m_bench->panes(), (PanePair{QStringLiteral("一"), QStringLiteral("二")}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(m_bench->panes(), (PanePair{QStringLiteral("一"), QStringLiteral("二")}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(m_bench->panes(), typed); // what was on screen, typing included
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(m_bench->panes(), typed);
        QVERIFY(m_bench->prompter->calls.isEmpty());
    }

    void undoRestoresTextsWhole()
    {
        const PanePair big{QString(40000, u'文') + QStringLiteral("\r\n"), QString(50000, u'r')};
        m_bench->setPanes(big.sentence, big.result);
        window()->clearPanes();
        window()->undo();
        QCOMPARE(m_bench->panes(), big);
        window()->redo(); // the clear is not redone
        QCOMPARE(m_bench->panes(), big);
    }

    void hugeTextIsAnalyzedAndSavedWithoutEnteringAPane()
    {
        // About 22 MB in the code page: far more than a pane ever holds.
        const QString line = QStringLiteral("東京に行きます。\r\n");
        QString text;
        text.reserve(line.size() * 1000000 + 16);
        for (int i = 0; i < 1000000; ++i)
            text += line;
        const QString saved = m_dir->file(QStringLiteral("huge.txt"));
        m_bench->prompter->answers = {true, true};
        m_bench->prompter->files = {saved};
        m_bench->setPanes(before.sentence, before.result);
        QSignalSpy sentenceChanged(m_bench->sentence(), &QPlainTextEdit::textChanged);
        QSignalSpy resultChanged(m_bench->result(), &QPlainTextEdit::textChanged);
        window()->loadSentenceText(text);
        QCOMPARE(sentenceChanged.count(), 0);
        QCOMPARE(resultChanged.count(), 0);
        QCOMPARE(m_bench->panes(), before);
        QCOMPARE(m_dir->bytes(QStringLiteral("input.tmp")).size(), qsizetype(line.size() * 2 - 2) * 1000000);
        QVERIFY(ProgramDir::bytesAt(saved) == codepage::encode(fakeEcho(*m_dir, text)));
    }
};

QTEST_MAIN(PanesTest)
#include "panes_test.moc"
