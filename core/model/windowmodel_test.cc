// The window's behaviour, on the model without a window: runs of the analyzer,
// the pane limit and its questions, undo, saving and appending, opening and
// dropping, the edit commands, start-up and shut-down.

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include "core/files/textcodec.h"
#include "core/model/drops.h"
#include "tests/support/modelbench.h"

using namespace yomika;
using namespace yomika::testsupport;
using Kind = ScriptedPrompter::Kind;

class WindowModelTest : public QObject {
    Q_OBJECT
    std::unique_ptr<ModelBench> b;
    WindowModel& model() { return *b->model; }

private slots:
    void init() { b = std::make_unique<ModelBench>(); }

    // What holds after every command: the pointer is back to its default,
    // and no question came that the test did not script.
    void cleanup()
    {
        QVERIFY(!b->busy.shown);
        QCOMPARE(b->prompter.unexpected, 0);
    }

    // What the model makes of a run's outcome: the answer in the result
    // pane, or the message and an empty pane; the option string recorded
    // once a text is run. The run's own cases are analyzerrun_test's.
    void run_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message"); // empty: the run succeeds
        // The hourglass's showings: writing input.tmp, the wait, reading output.tmp.
        QTest::addColumn<int>("busy");
        QTest::newRow("echo") << "東京に行きます\r\n改行\r" << "" << 3;
        QTest::newRow("empty text") << "" << "" << 0;
        QTest::newRow("crash") << "文 @crash" << "1004" << 2;
        QTest::newRow("input.tmp a folder") << "文" << "267" << 1;
    }
    void run()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(int, busy);
        if (message == u"267")
            QVERIFY(QDir(b->dir.path()).mkdir(QStringLiteral("input.tmp")));
        b->sentence.value = text;
        b->result.value = QStringLiteral("前の結果");
        QSignalSpy running(&model(), &WindowModel::runningChanged);
        model().analyzeAll();
        QVERIFY(b->settled());
        const bool ran = !text.isEmpty();
        QCOMPARE(b->result.value, message.isEmpty() && ran ? b->echo(text) : QString());
        QCOMPARE(b->prompter.texts(Kind::Inform),
                 message.isEmpty() ? QStringList()
                                   : QStringList{QStringLiteral("解析中にエラーが発生しました ") + message});
        QCOMPARE(model().optionHistory(), ran ? QStringList{QStringLiteral("-F \"%m\"")} : QStringList());
        // Only a run that got as far as its analyzer shows that it waits.
        QCOMPARE(running.size(), ran && message != u"267" ? 2 : 0);
        QCOMPARE(b->busy.shows, busy);
        model().undo();
        QCOMPARE(b->result.value, QStringLiteral("前の結果"));
    }

    void analyzePartialTakesTheSelection()
    {
        b->sentence.value = QStringLiteral("今日は良い天気");
        b->sentence.setSelection(3, 2);
        model().analyzePartial();
        QVERIFY(b->settled());
        QCOMPARE(b->result.value, b->echo(QStringLiteral("良い")));
    }

    // Every command that would change a pane waits for the run, until its
    // end is taken; Esc stops it without a message. The window closed then:
    // shut-down writes the settings while the pointer still shows the run,
    // whose end is taken after, without a message; undo brings the panes of
    // before back.
    void commandsWaitWhileARunWaits()
    {
        b->sentence.value = QStringLiteral("文 @hold=600000");
        b->result.value = QStringLiteral("前の結果");
        b->clipboard.content = QStringLiteral("貼");
        b->focus = &b->sentence;
        model().analyzeAll();
        for (bool cancelled : {false, true}) {
            QVERIFY(model().isRunning());
            for (auto command : {&WindowModel::analyzeAll, &WindowModel::analyzePartial,
                                 &WindowModel::clearPanes, &WindowModel::undo, &WindowModel::redo,
                                 &WindowModel::cut, &WindowModel::paste, &WindowModel::pasteAsSentence,
                                 &WindowModel::openTextFile, &WindowModel::saveResult,
                                 &WindowModel::appendResult})
                (model().*command)();
            model().drop({DroppedData::Kind::Text, QStringLiteral("落"), {}});
            model().loadSentenceText(QStringLiteral("読"));
            QCOMPARE(b->sentence.value, QStringLiteral("文 @hold=600000"));
            QCOMPARE(b->result.value, QStringLiteral("前の結果"));
            if (!cancelled)
                model().cancelRun();
        }
        model().shutDown();
        QVERIFY(b->busy.shown && model().isRunning());
        QVERIFY(b->bytes(programfile::settingsFile).endsWith("-F \"%m\"\r\n"));
        QVERIFY(b->settled());
        QCOMPARE(b->busy.shows, 2); // writing input.tmp, then the run
        QCOMPARE(b->result.value, QString());
        QVERIFY(b->prompter.calls.isEmpty());
        model().undo();
        QCOMPARE(b->result.value, QStringLiteral("前の結果"));
    }

    // The model and its view parts destroyed while a run's end is pending:
    // nothing of them is touched afterwards (the sanitizers' build tells),
    // and the analyzer is stopped before its process goes (Qt warns else).
    void destroyedDuringARun()
    {
        QTest::failOnWarning(QRegularExpression(u"."_qs));
        b->sentence.value = QStringLiteral("文 @hold=600000");
        model().analyzeAll();
        model().cancelRun();
        b.reset();
        QCoreApplication::processEvents();
        b = std::make_unique<ModelBench>(); // for cleanup()
    }

    // A text too large to show, loaded or read from a file, goes into
    // input.tmp in UTF-8 without ever entering a pane, whatever the file's
    // encoding and size; cancelled, its head shows, never half a pair.
    void loadBeyondTheLimit_data()
    {
        QTest::addColumn<QString>("from"); // "text", or the encoding of a file
        QTest::addColumn<int>("length"); // negative: a pair straddles the cut
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("shown"); // the length of the sentence pane's text afterwards
        QTest::newRow("fits") << "text" << 32767 << false << 32767;
        QTest::newRow("too large, cancel") << "text" << 32768 << false << 32767;
        QTest::newRow("too large, analyze") << "text" << 32768 << true << 0;
        QTest::newRow("pair straddles the cut") << "text" << -32768 << false << 32766;
        for (const char* encoding : {"UTF-8", "Windows-932", "UTF-16LE"}) {
            QTest::addRow("%s, read whole", encoding) << encoding << 40000 << true << 0;
            QTest::addRow("%s, read in pieces", encoding) << encoding << 3000000 << true << 0;
        }
        QTest::newRow("a file, cancelled") << "Windows-932" << 3000000 << false << 32767;
    }
    void loadBeyondTheLimit()
    {
        QFETCH(QString, from);
        QFETCH(int, length);
        QFETCH(bool, ok);
        QFETCH(int, shown);
        QString text(std::abs(length), u'あ');
        if (length < 0)
            text.replace(32766, 2, QStringLiteral("😀"));
        if (from != u"text") {
            text.clear();
            for (int i = 0; text.size() < length; ++i)
                text += QStringLiteral("吾輩は猫である%1。\r\n").arg(i);
            QByteArray bytes = from == u"UTF-8" ? text.toUtf8() : codepage::encode(text);
            if (from == u"UTF-16LE")
                bytes = QByteArray("\xff\xfe") + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
            QVERIFY(b->write(u"large.txt", bytes));
            b->prompter.files = {b->file(u"large.txt")};
        }
        b->sentence.value = QStringLiteral("前");
        b->result.value = QStringLiteral("結果");
        const bool tooLarge = text.size() > paneLimit;
        if (tooLarge)
            b->prompter.answers = {ok, false}; // then the result is too large too: show its head
        from == u"text" ? model().loadSentenceText(text) : model().openTextFile();
        QVERIFY(b->settled());
        QCOMPARE(b->sentence.value, ok ? QStringLiteral("前") : text.left(shown));
        QCOMPARE(b->result.value, ok ? b->echo(text).left(paneLimit) : QString());
        QCOMPARE(b->bytes(programfile::inputFile), ok ? text.toUtf8() : QByteArray());
        QCOMPARE(b->prompter.texts(Kind::Ask).size(), tooLarge + ok);
    }

    // An answer of any size is shown or offered to be saved whole, never
    // lost: a large one is streamed from output.tmp into the chosen file.
    void resultTooLarge_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("stray"); // the last byte is no UTF-8: the file is Windows-932
        QTest::newRow("fits") << 32767 << false << false;
        QTest::newRow("one more, save") << 32768 << true << false;
        QTest::newRow("one more, show the head") << 32768 << false << false;
        QTest::newRow("never read whole, save") << 200000 << true << false;
        QTest::newRow("never read whole, show the head") << 200000 << false << false;
        QTest::newRow("Windows-932 found at its last byte, save") << 3000000 << true << true;
    }
    void resultTooLarge()
    {
        QFETCH(int, bytes);
        QFETCH(bool, ok);
        QFETCH(bool, stray);
        const QString saved = b->file(u"saved.txt");
        b->result.value = QStringLiteral("前");
        b->sentence.value = QStringLiteral("@big=%1").arg(bytes) + (stray ? QStringLiteral(" @stray") : QString());
        const bool asks = bytes > paneLimit;
        b->prompter.answers = {ok};
        b->prompter.files = {saved};
        model().analyzeAll();
        QVERIFY(b->settled());
        const QByteArray output = b->bytes(programfile::outputFile);
        QCOMPARE(output.size(), bytes);
        QCOMPARE(b->result.value, ok ? QStringLiteral("前") : QString::fromLatin1(output.left(paneLimit)));
        QFile file(saved);
        const QByteArray text = stray ? codepage::decode(output).toUtf8() : output;
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("none"), ok ? text : "none");
        QCOMPARE(model().appendFileName(), ok ? saved : QString());
        QCOMPARE(b->prompter.texts(Kind::Ask).size(), int(asks));
    }

    // The undo ring keeps two steps back; a pair of empty panes is no step.
    void undoSteps()
    {
        auto panes = [this] { return b->sentence.value + u'|' + b->result.value; };
        b->sentence.value = QStringLiteral("一");
        model().analyzeAll();
        QVERIFY(b->settled());
        model().loadSentenceText(QStringLiteral("二"));
        model().loadSentenceText(QStringLiteral("三"));
        model().clearPanes();
        QVERIFY(b->sentence.focused);
        model().undo();
        QCOMPARE(panes(), QStringLiteral("三|"));
        model().undo();
        QCOMPARE(panes(), QStringLiteral("二|"));
        model().undo();
        QCOMPARE(panes(), QStringLiteral("二|")); // only two steps back
        model().redo();
        QCOMPARE(panes(), QStringLiteral("三|"));
        model().redo(); // the cleared panes were an empty pair: no step to redo
        QCOMPARE(panes(), QStringLiteral("三|"));
    }

    // Text beyond Windows-932 through a run, a save, appends and opening the
    // file again: the file holds the texts exactly, in UTF-8.
    void analyzeSaveAppendAndOpen()
    {
        const QStringView fileName = u"結果 é 한.txt";
        const QString name = b->file(fileName);
        b->sentence.value = QStringLiteral(u"剝 頰 𠮟 塡 😀 한국어 髙\r\n");
        model().analyzeAll();
        QVERIFY(b->settled());
        const QString result = b->echo(b->sentence.value);
        QCOMPARE(b->result.value, result);
        b->prompter.files = {name, name};
        model().saveResult();
        QCOMPARE(model().caption(), QStringLiteral("Yomika - ") + name);
        QCOMPARE(b->result.value, QString());
        b->result.value = QStringLiteral("続きで改行なし");
        model().appendResult();
        model().appendResult(); // the now empty pane adds nothing
        b->result.value = QStringLiteral("次");
        model().appendResult();
        const QString whole = result + QStringLiteral("続きで改行なし次");
        QCOMPARE(b->bytes(fileName), whole.toUtf8());
        model().openTextFile();
        QCOMPARE(b->sentence.value, whole);
        QCOMPARE(b->prompter.texts(Kind::Save), QStringList{QStringLiteral("解析結果を名前を付けて保存")});
        QVERIFY(b->prompter.texts(Kind::Inform).isEmpty());
    }

    // Nothing is lost to a failed or cancelled save or append.
    void saveAndAppendFailures()
    {
        const QString missing = b->file(u"gone/結果.txt");
        b->prompter.files = {QString(), missing, missing};
        b->result.value = QStringLiteral("結果");
        model().appendResult(); // no append file yet: one is asked for, and the question cancelled
        QCOMPARE(b->result.value, QStringLiteral("結果"));
        QCOMPARE(model().appendFileName(), QString());
        model().chooseAppendFile();
        QCOMPARE(model().caption(), QStringLiteral("Yomika - ") + missing);
        model().appendResult();
        QCOMPARE(b->result.value, QStringLiteral("結果")); // kept after a failed append
        model().saveResult();
        QCOMPARE(b->prompter.texts(Kind::Inform), QStringList(2, QStringLiteral("保存中にエラーが発生しました 3")));
        QCOMPARE(b->prompter.calls.at(3).initialName, missing); // the save proposed the append file
        QCOMPARE(b->result.value, QStringLiteral("結果")); // kept after a failed save too
        b->prompter.files = {QString()};
        model().saveResult();
        QCOMPARE(b->result.value, QString()); // a cancelled save empties it
        // A Windows-932 append file refuses what it cannot hold, whole.
        QVERIFY(b->write(u"古い.txt", "\x8C\xC3\x82\xA2\r\n"));
        b->prompter.files = {b->file(u"古い.txt")};
        model().chooseAppendFile();
        b->result.value = QStringLiteral(u"本と剝");
        model().appendResult();
        QCOMPARE(b->prompter.texts(Kind::Inform).last(), QStringLiteral("保存中にエラーが発生しました 1113"));
        QCOMPARE(b->result.value, QStringLiteral(u"本と剝"));
        QCOMPARE(b->bytes(u"古い.txt"), "\x8C\xC3\x82\xA2\r\n");
    }

    void openAndDrop()
    {
        const QString a = b->file(u"a.txt"), folder = b->file(u"フォルダ");
        QVERIFY(b->write(u"a.txt", "a\r\n") && QDir().mkdir(folder));
        b->prompter.files = {b->file(u"none.txt"), a, QString()};
        model().openTextFile();
        QCOMPARE(b->prompter.texts(Kind::Inform), QStringList{QStringLiteral("データを読み込めません 2")});
        model().openTextFile();
        QCOMPARE(b->sentence.value, QStringLiteral("a\r\n"));
        model().openTextFile(); // cancelled; it started at the file opened before
        QCOMPARE(b->prompter.calls.last().initialName, a);
        model().drop({DroppedData::Kind::Files, {}, {a, folder, b->file(u"gone"), a}});
        QCOMPARE(b->sentence.value, QStringLiteral("a\r\na\r\na\r\n"));
        QCOMPARE(b->prompter.texts(Kind::Inform).last(), directoryMessage(folder));
        model().drop({DroppedData::Kind::Text, QStringLiteral("末"), {}});
        QCOMPARE(b->sentence.value, QStringLiteral("a\r\na\r\na\r\n末"));
    }

    void editCommands_data()
    {
        QTest::addColumn<bool>("pane");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("text");      // afterwards
        QTest::addColumn<QString>("clipboard"); // afterwards
        QTest::newRow("cut from a pane") << true << "cut" << "a\ncd" << "b\r";
        QTest::newRow("cut from a box") << false << "cut" << "a\ncd" << "b\r";
        QTest::newRow("copy") << true << "copy" << "ab\r\ncd" << "b\r";
        QTest::newRow("paste") << false << "paste" << "a貼\ncd" << "貼";
        QTest::newRow("select all") << true << "selectAll" << "ab\r\ncd" << "貼";
    }
    void editCommands()
    {
        QFETCH(bool, pane);
        QFETCH(QString, command);
        QFETCH(QString, text);
        QFETCH(QString, clipboard);
        StringControl& control = pane ? b->sentence : b->combo;
        control.value = QStringLiteral("ab\r\ncd");
        control.setSelection(1, 2);
        b->focus = &control;
        b->clipboard.content = QStringLiteral("貼");
        const QHash<QString, void (WindowModel::*)()> commands{
            {QStringLiteral("cut"), &WindowModel::cut}, {QStringLiteral("copy"), &WindowModel::copy},
            {QStringLiteral("paste"), &WindowModel::paste}, {QStringLiteral("selectAll"), &WindowModel::selectAll}};
        (model().*commands.value(command))();
        QCOMPARE(control.value, text);
        QCOMPARE(*b->clipboard.content, clipboard);
        if (command == u"selectAll")
            QCOMPARE(control.length, 6);
        // With the clipboard held by another program nothing changes.
        b->clipboard.refuses = true;
        control.setSelection(0, 1);
        (model().*commands.value(command == u"copy" ? QStringLiteral("cut") : command))();
        QCOMPARE(control.value, text);
    }

    // Files of an earlier version in Windows-932 load exactly, and are
    // written back in UTF-8: the resource file's placeholder filled with the
    // dictionary folder of a program folder named beyond Windows-932, the
    // settings with an append file named so, read again at the next start.
    void startUpAndShutDown()
    {
        b = std::make_unique<ModelBench>(u"𠮟 プログラム"_qs);
        const QString appendName = b->file(u"é 한/追加.txt"), dic = b->file(u"dic");
        QVERIFY(QDir().mkpath(dic));
        QVERIFY(b->write(programfile::resourceFile, codepage::encode(u"; 辞書\r\ndicdir %KOTDIC%/ipadic\r\n")));
        QVERIFY(b->write(programfile::settingsFile, codepage::encode(
            u" 1 \r\n 2 \r\n 0 \r\n 0 \r\n 1 \r\n 0 \r\n(空白)\r\n/追加.txt\r\n-F \"%m %M\"\r\n-F \"%m\"\r\n")));
        model().startUp();
        QCOMPARE(model().fieldState(1), Qt::PartiallyChecked);
        QCOMPARE(model().delimiter(), QStringLiteral("(空白)"));
        QCOMPARE(model().optionText(), QStringLiteral("-F \"%m %M\""));
        QCOMPARE(model().caption(), QStringLiteral("Yomika - /追加.txt"));
        QCOMPARE(b->bytes(programfile::resourceFile), (u"; 辞書\r\ndicdir "_qs + dic + u"/ipadic\r\n"_qs).toUtf8());
        b->prompter.files = {appendName};
        model().chooseAppendFile();
        model().shutDown();
        QCOMPARE(b->bytes(programfile::settingsFile), (u" 1 \r\n 2 \r\n 0 \r\n 0 \r\n 1 \r\n 0 \r\n(空白)\r\n"_qs + appendName
                                                      + u"\r\n-F \"%m %M\"\r\n-F \"%m\"\r\n"_qs).toUtf8());
        b->restart();
        model().startUp();
        QCOMPARE(model().appendFileName(), appendName);
        model().setFieldState(5, Qt::Checked);
        QCOMPARE(model().optionText(), buildOptionString({true, true, false, false, true, true}, u"(空白)"_qs));
    }

    // A settings file that ends early applies what it had; a settings file
    // that cannot be written is given up without a word.
    void brokenSettings()
    {
        QVERIFY(b->write(programfile::settingsFile, " 0 \r\n 1 \r\n x\r\n"));
        model().startUp();
        QCOMPARE(model().optionText(), buildOptionString({false, true}, QStringLiteral("(タブ)")));
        QCOMPARE(model().caption(), QStringLiteral("Yomika"));
        QVERIFY(QFile::remove(b->file(programfile::settingsFile)));
        QVERIFY(QDir(b->dir.path()).mkdir(QStringLiteral("yomika.ini")));
        model().shutDown();
        QVERIFY(b->prompter.calls.isEmpty());
    }

    // Typing a delimiter builds the option string when the text changes;
    // picking one from the list builds it again even when it stays the same.
    void delimiterTypedOrPicked()
    {
        const QString tab = QStringLiteral("(タブ)");
        model().setDelimiter(tab);
        model().setOptionText(QStringLiteral("-F \"%m\\n\" -a"));
        model().setDelimiter(tab);
        QCOMPARE(model().optionText(), QStringLiteral("-F \"%m\\n\" -a"));
        model().pickDelimiter(tab);
        QCOMPARE(model().optionText(), buildOptionString({true}, tab));
        model().setDelimiter(QStringLiteral("x\ny"));
        QCOMPARE(model().delimiter(), QStringLiteral("x y"));
    }

    void pasteAsSentenceAndCopyResult()
    {
        b->clipboard.content = QString();
        b->sentence.value = QStringLiteral("前");
        model().pasteAsSentence();
        QCOMPARE(b->sentence.value, QString());
        b->result.value = QStringLiteral("結果");
        model().copyResult();
        QCOMPARE(*b->clipboard.content, QStringLiteral("結果"));
        QVERIFY(b->result.focused && b->result.length == 2);
    }
};

QTEST_GUILESS_MAIN(WindowModelTest)
#include "windowmodel_test.moc"
