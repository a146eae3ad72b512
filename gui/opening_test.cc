// Text from files: the Open command, and drops onto the window, its
// thirteen drop-target controls and its two labels. Drags are sent to the
// window's native window as the platform sends them (enter, move, drop), so
// Qt's own choice of the receiving widget and its propagation run.

#include <QAction>
#include <QComboBox>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "core/codepage.h"
#include "core/errornumber.h"
#include "core/platform.h"
#include "core/textfile.h"
#include "tests/support/scriptedprompter.h"
#include "gui/exacttextedit.h"
#include "gui/mainwindow.h"

using namespace yomika;
using testsupport::ScriptedPrompter;

namespace {

const QString hint = QStringLiteral("クリアを押してから文を入力してください。\r\n"
                                    "ドラッグ＆ドロップでファイルからテキストをコピーできます。\r\n");

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct DragOutcome {
    bool accepted = false;          // the last move before the drop
    Qt::DropAction action = Qt::IgnoreAction;
    bool dropAccepted = false;
    Qt::DropAction dropAction = Qt::IgnoreAction;
};

// Drags `data` to each point of `path` (window coordinates) and drops it on
// the last, the way the platform integration drives a drag: an enter when
// the drag reaches the window, then a move for every position, then the drop.
DragOutcome dragAndDrop(QWidget* window, const QList<QPoint>& path, const QMimeData* data,
                        Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction)
{
    QWindow* handle = window->windowHandle();
    DragOutcome outcome;
    Qt::DropAction last = Qt::IgnoreAction;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QPoint at = path[i];
        if (i == 0) {
            QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(handle, &enter);
            if (enter.isAccepted() && enter.dropAction() != Qt::IgnoreAction)
                last = enter.dropAction();
        }
        QDragMoveEvent move(at, actions, data, Qt::LeftButton, Qt::NoModifier);
        if (last != Qt::IgnoreAction && (actions & last)) {
            move.setDropAction(last);
            move.accept();
        }
        QApplication::sendEvent(handle, &move);
        last = move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
        outcome.accepted = move.isAccepted() && last != Qt::IgnoreAction;
        outcome.action = last;
    }
    QDropEvent drop(QPointF(path.last()), actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &drop);
    outcome.dropAccepted = drop.isAccepted();
    outcome.dropAction = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    return outcome;
}

QByteArray uriList(const QStringList& paths)
{
    QByteArray list;
    for (const QString& path : paths)
        list += QUrl::fromLocalFile(path).toEncoded() + "\r\n";
    return list;
}

} // namespace

class OpeningTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_programDir;
    QTemporaryDir m_files;
    std::unique_ptr<MainWindow> m_window;
    ScriptedPrompter* m_prompter = nullptr;

    ExactTextEdit* sentence() const { return m_window->findChild<ExactTextEdit*>(QStringLiteral("Sentence")); }
    ExactTextEdit* result() const { return m_window->findChild<ExactTextEdit*>(QStringLiteral("Result")); }

    void trigger(const char16_t* action)
    {
        m_window->findChild<QAction*>(QString::fromUtf16(action))->trigger();
    }

    QString file(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_files.filePath(name);
        if (!writeBytes(path, bytes))
            qWarning() << "cannot write" << path;
        return path;
    }

    // The centre of a named widget, or of the empty client area below the
    // buttons, in window coordinates.
    QPoint pointOn(const QString& target) const
    {
        if (target == u"window") {
            const QWidget* clear = m_window->findChild<QWidget*>(QStringLiteral("Clear"));
            return clear->mapTo(m_window.get(), QPoint(clear->width() / 2, clear->height() + 15));
        }
        const QWidget* w = m_window->findChild<QWidget*>(target);
        Q_ASSERT(w);
        return w->mapTo(m_window.get(), w->rect().center());
    }

    void setPanes(const QString& s, const QString& r)
    {
        sentence()->setText(s);
        result()->setText(r);
    }

private slots:
    void init()
    {
        auto prompter = std::make_unique<ScriptedPrompter>();
        m_prompter = prompter.get();
        m_window = std::make_unique<MainWindow>(m_programDir.path(), std::move(prompter));
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void cleanup()
    {
        QVERIFY(!QApplication::overrideCursor());
        m_window.reset();
    }

    void openThenReopenStartsAtTheLastFile()
    {
        const QString a = file(QStringLiteral("最初の ファイル.txt"), QStringLiteral("一つ目\r\n").toUtf8());
        const QString b = file(QStringLiteral("b.txt"), codepage::encode(u"二つ目の文。"));
        result()->setText(QStringLiteral("前の結果"));
        m_prompter->files = {a, b};
        trigger(u"開く");
        QCOMPARE(sentence()->text(), QStringLiteral("一つ目\r\n"));
        QCOMPARE(result()->text(), QString());
        QCOMPARE(m_window->openFileName(), a);
        trigger(u"開く");
        QCOMPARE(sentence()->text(), QStringLiteral("二つ目の文。"));
        QCOMPARE(m_window->openFileName(), b);

        QCOMPARE(m_prompter->calls.size(), 2);
        for (const auto& call : m_prompter->calls) {
            QCOMPARE(call.kind, ScriptedPrompter::Kind::Open);
            QCOMPARE(call.text, QStringLiteral("テキストファイルを開く"));
        }
        QCOMPARE(m_prompter->calls[0].initialName, QString());
        QCOMPARE(m_prompter->calls[1].initialName, a);

        // The name lives as long as the window: a new one starts empty.
        auto prompter = std::make_unique<ScriptedPrompter>();
        ScriptedPrompter* fresh = prompter.get();
        fresh->files = {QString()};
        MainWindow again(m_programDir.path(), std::move(prompter));
        QCOMPARE(again.openFileName(), QString());
        again.openTextFile();
        QCOMPARE(fresh->calls.size(), 1);
        QCOMPARE(fresh->calls[0].initialName, QString());
    }

    void openingAnEmptyFileEmptiesBothPanes()
    {
        const QString empty = file(QStringLiteral("empty.txt"), QByteArray());
        setPanes(QStringLiteral("文"), QStringLiteral("結果"));
        m_prompter->files = {empty};
        trigger(u"開く");
        QCOMPARE(sentence()->text(), QString());
        QCOMPARE(result()->text(), QString());
        QCOMPARE(m_window->openFileName(), empty);
        // One step back brings the pair as it was.
        m_window->undo();
        QCOMPARE(sentence()->text(), QStringLiteral("文"));
        QCOMPARE(result()->text(), QStringLiteral("結果"));
        QVERIFY(m_prompter->texts(ScriptedPrompter::Kind::Inform).isEmpty());
    }

    void failedReadChangesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("error");
        QTest::newRow("missing file") << "missing.txt" << int(FileNotFound);
        QTest::newRow("missing folder") << "nowhere/a.txt" << int(FolderNotFound);
        QTest::newRow("a folder") << "folder" << int(IsDirectory);
    }
    void failedReadChangesNothing()
    {
        QFETCH(QString, name);
        QFETCH(int, error);
        QVERIFY(QDir(m_files.path()).mkpath(QStringLiteral("folder")));
        const QString good = file(QStringLiteral("good.txt"), QByteArray("good"));
        m_prompter->files = {good, m_files.filePath(name)};
        trigger(u"開く");
        setPanes(QStringLiteral("文\r\n"), QStringLiteral("結果"));
        const UndoRing before = m_window->undoRing();
        trigger(u"開く");
        QCOMPARE(m_prompter->texts(ScriptedPrompter::Kind::Inform),
                 QStringList{QStringLiteral("データを読み込めません ") + QString::number(error)});
        QCOMPARE(m_window->openFileName(), good);
        QCOMPARE(sentence()->text(), QStringLiteral("文\r\n"));
        QCOMPARE(result()->text(), QStringLiteral("結果"));
        QCOMPARE(m_window->undoRing().index(), before.index());
        for (int k = 0; k < 3; ++k)
            QCOMPARE(m_window->undoRing().slot(k), before.slot(k));
    }

    void cancelledOpenChangesNothing()
    {
        m_prompter->files = {QString()};
        trigger(u"開く");
        QCOMPARE(sentence()->text(), hint);
        QCOMPARE(m_window->openFileName(), QString());
        QCOMPARE(m_prompter->calls.size(), 1);
    }

    void longFileIsRememberedWhateverTheAnswer_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void longFileIsRememberedWhateverTheAnswer()
    {
        QFETCH(bool, answer);
        const QString text = QString(32767, u'あ') + u'い';
        const QString longFile = file(QStringLiteral("long.txt"), text.toUtf8());
        m_prompter->files = {longFile};
        m_prompter->answers = {answer};
        trigger(u"開く");
        QCOMPARE(m_prompter->texts(ScriptedPrompter::Kind::Ask).size(), 1);
        QCOMPARE(m_window->openFileName(), longFile);
        QCOMPARE(sentence()->text(), answer ? hint : text.left(32767));
    }

    void dropOfTwoFilesAddsBothInOrder_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("withPlainNames");
        const QString targets[] = {"Sentence", "Result", "OptionList", "Delimiter", "Surface",
                                   "BaseForm", "Reading", "Pronounciation", "PartOfSpeech",
                                   "Inflection", "AnalyzeAll", "AnalyzePartial", "Clear", "window"};
        for (const QString& t : targets) {
            QTest::addRow("%s, file list", qPrintable(t)) << t << false;
            QTest::addRow("%s, file list and names", qPrintable(t)) << t << true;
        }
    }
    void dropOfTwoFilesAddsBothInOrder()
    {
        QFETCH(QString, target);
        QFETCH(bool, withPlainNames);
        // a has no line break at its end: b's first line continues its last.
        const QString a = file(QStringLiteral("a 空白と日本語.txt"), QStringLiteral("あの行").toUtf8());
        const QString b = file(QStringLiteral("b.txt"), codepage::encode(u"びの行\r\n次\r\n"));
        result()->setText(QStringLiteral("前の結果"));
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"), uriList({a, b}));
        if (withPlainNames) // as file managers on Linux desktops add them
            data.setData(QStringLiteral("text/plain"), (a + u'\n' + b + u'\n').toUtf8());
        const DragOutcome outcome = dragAndDrop(m_window.get(), {pointOn(target)}, &data);
        QVERIFY(outcome.accepted);
        QCOMPARE(outcome.action, Qt::CopyAction);
        QVERIFY(outcome.dropAccepted);
        QCOMPARE(outcome.dropAction, Qt::CopyAction);
        QCOMPARE(sentence()->text(), hint + QStringLiteral("あの行びの行\r\n次\r\n"));
        QCOMPARE(result()->text(), QString());
        QVERIFY(m_prompter->calls.isEmpty());
        // The controls took nothing themselves.
        QCOMPARE(m_window->findChild<QComboBox*>(QStringLiteral("OptionList"))->currentText(),
                 QStringLiteral("-F \"%m\""));
        QCOMPARE(m_window->findChild<QComboBox*>(QStringLiteral("Delimiter"))->currentText(),
                 QStringLiteral("(タブ)"));
    }

    void droppedTextIsAddedAtTheEnd_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("format");
        QTest::newRow("middle of Sentence") << "Sentence" << "text/plain";
        QTest::newRow("Result") << "Result" << "text/plain";
        QTest::newRow("Delimiter") << "Delimiter" << "text/plain";
        QTest::newRow("Clear, with charset") << "Clear" << "text/plain;charset=utf-8";
        QTest::newRow("window") << "window" << "text/plain";
    }
    void droppedTextIsAddedAtTheEnd()
    {
        QFETCH(QString, target);
        QFETCH(QString, format);
        setPanes(QStringLiteral("一行目\r\n二行目\r\n三行目"), QStringLiteral("結果"));
        sentence()->setSelection(2, 4);
        QMimeData data;
        data.setData(format, QStringLiteral("足す\r\n文").toUtf8());
        // A URL beside the text changes nothing: text comes first.
        data.setData(QStringLiteral("text/uri-list"), QByteArray("https://example.org/\r\n"));
        const DragOutcome outcome = dragAndDrop(m_window.get(), {pointOn(target)}, &data);
        QVERIFY(outcome.dropAccepted);
        QCOMPARE(outcome.dropAction, Qt::CopyAction);
        QCOMPARE(sentence()->text(), QStringLiteral("一行目\r\n二行目\r\n三行目足す\r\n文"));
        QCOMPARE(result()->text(), QString());
        m_window->undo();
        QCOMPARE(sentence()->text(), QStringLiteral("一行目\r\n二行目\r\n三行目"));
        QCOMPARE(result()->text(), QStringLiteral("結果"));
    }

    void textDraggedWithinTheSentenceIsCopied()
    {
        // A move would let the source cut the dragged text.
        sentence()->setText(QStringLiteral("あいう"));
        QMimeData data;
        data.setText(QStringLiteral("い"));
        const DragOutcome outcome = dragAndDrop(m_window.get(), {pointOn(QStringLiteral("Sentence"))},
                                                &data, Qt::CopyAction | Qt::MoveAction);
        QCOMPARE(outcome.dropAction, Qt::CopyAction);
        QCOMPARE(sentence()->text(), QStringLiteral("あいうい"));
    }

    void dragOfferingOnlyAMoveIsRefused()
    {
        const QString a = file(QStringLiteral("a.txt"), QByteArray("a"));
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"), uriList({a}));
        const DragOutcome outcome =
            dragAndDrop(m_window.get(), {pointOn(QStringLiteral("Sentence"))}, &data, Qt::MoveAction);
        QVERIFY(!outcome.accepted);
        QVERIFY(!outcome.dropAccepted);
        QCOMPARE(sentence()->text(), hint);
        QVERIFY(QFile::exists(a));
    }

    void dropOfNeitherTextNorFilesDoesNothing()
    {
        result()->setText(QStringLiteral("結果"));
        QMimeData data;
        data.setData(QStringLiteral("image/png"), QByteArray("\x89PNG\r\n"));
        const DragOutcome outcome = dragAndDrop(m_window.get(), {pointOn(QStringLiteral("Sentence"))}, &data);
        QVERIFY(!outcome.accepted);
        QCOMPARE(sentence()->text(), hint);
        QCOMPARE(result()->text(), QStringLiteral("結果"));
    }

    void foldersAreNamedAndSkipped()
    {
        QDir files(m_files.path());
        QVERIFY(files.mkpath(QStringLiteral("フォルダ 一")));
        QVERIFY(files.mkpath(QStringLiteral("folder2")));
        const QString dir1 = m_files.filePath(QStringLiteral("フォルダ 一"));
        const QString dir2 = m_files.filePath(QStringLiteral("folder2"));
        const QString a = file(QStringLiteral("a.txt"), QByteArray("A"));
        const QString missing = m_files.filePath(QStringLiteral("gone.txt"));
        setPanes(QStringLiteral("S"), QStringLiteral("R"));
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"), uriList({dir1, missing, a, dir2}));
        dragAndDrop(m_window.get(), {pointOn(QStringLiteral("Result"))}, &data);
        QCOMPARE(m_prompter->texts(ScriptedPrompter::Kind::Inform),
                 (QStringList{dir1 + QStringLiteral("\r\nはディレクトリです"),
                              dir2 + QStringLiteral("\r\nはディレクトリです")}));
        QCOMPARE(sentence()->text(), QStringLiteral("SA"));
        QCOMPARE(result()->text(), QString());
    }

    void onlyAFolderStillReloadsTheSentence()
    {
        QVERIFY(QDir(m_files.path()).mkpath(QStringLiteral("d")));
        setPanes(QStringLiteral("S"), QStringLiteral("R"));
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"), uriList({m_files.filePath(QStringLiteral("d"))}));
        dragAndDrop(m_window.get(), {pointOn(QStringLiteral("AnalyzeAll"))}, &data);
        QCOMPARE(m_prompter->texts(ScriptedPrompter::Kind::Inform).size(), 1);
        QCOMPARE(sentence()->text(), QStringLiteral("S"));
        QCOMPARE(result()->text(), QString());
        m_window->undo();
        QCOMPARE(result()->text(), QStringLiteral("R"));
    }

    void dropOnALabelDoesNothing_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("files");
        QTest::newRow("Label1, text") << "Label1" << false;
        QTest::newRow("Label1, files") << "Label1" << true;
        QTest::newRow("区切り, text") << "区切り" << false;
        QTest::newRow("区切り, files") << "区切り" << true;
    }
    void dropOnALabelDoesNothing()
    {
        QFETCH(QString, label);
        QFETCH(bool, files);
        setPanes(QStringLiteral("S"), QStringLiteral("R"));
        const UndoRing before = m_window->undoRing();
        QMimeData data;
        if (files)
            data.setData(QStringLiteral("text/uri-list"), uriList({file(QStringLiteral("a.txt"), "A")}));
        else
            data.setData(QStringLiteral("text/plain"), QByteArray("T"));
        // From another control onto the label, and straight onto it.
        DragOutcome outcome = dragAndDrop(m_window.get(), {pointOn(QStringLiteral("Sentence")), pointOn(label)}, &data);
        QVERIFY(!outcome.accepted);
        QVERIFY(!outcome.dropAccepted);
        outcome = dragAndDrop(m_window.get(), {pointOn(label)}, &data);
        QVERIFY(!outcome.accepted);
        QVERIFY(!outcome.dropAccepted);
        QCOMPARE(sentence()->text(), QStringLiteral("S"));
        QCOMPARE(result()->text(), QStringLiteral("R"));
        QVERIFY(m_prompter->calls.isEmpty());
        // Nothing was pushed.
        QCOMPARE(m_window->undoRing().index(), before.index());
        for (int k = 0; k < 3; ++k)
            QCOMPARE(m_window->undoRing().slot(k), before.slot(k));

        // Leaving the label for the window's own area drops there as usual.
        outcome = dragAndDrop(m_window.get(), {pointOn(label), pointOn(QStringLiteral("window"))}, &data);
        QVERIFY(outcome.dropAccepted);
        QCOMPARE(sentence()->text(), QString::fromLatin1(files ? "SA" : "ST"));
    }

    void openAndDropWaitForTheRun()
    {
        const QString analyzer = platform::joinPath(m_programDir.path(), platform::analyzerFileName());
        QVERIFY(QFile::copy(QStringLiteral(YOMIKA_FAKE_ANALYZER), analyzer));
        const QString a = file(QStringLiteral("a.txt"), QByteArray("A"));
        const QString text = QStringLiteral("@slow=800 文");
        setPanes(text, QStringLiteral("前"));
        int tries = 0;
        QTimer::singleShot(150, this, [&] {
            if (!m_window->isRunning())
                return;
            ++tries;
            const UndoRing before = m_window->undoRing();
            m_prompter->files = {a};
            trigger(u"開く");
            QMimeData files;
            files.setData(QStringLiteral("text/uri-list"), uriList({a}));
            QMimeData words;
            words.setText(QStringLiteral("語"));
            const DragOutcome byFiles = dragAndDrop(m_window.get(), {pointOn(QStringLiteral("Sentence"))}, &files);
            const DragOutcome byText = dragAndDrop(m_window.get(), {pointOn(QStringLiteral("window"))}, &words);
            m_window->handleDrop(&words);
            QVERIFY(m_window->isRunning());
            QVERIFY(!byFiles.accepted && !byFiles.dropAccepted);
            QVERIFY(!byText.accepted && !byText.dropAccepted);
            QVERIFY(m_prompter->calls.isEmpty()); // no Open dialog
            QCOMPARE(m_prompter->files.size(), 1);
            QCOMPARE(sentence()->text(), text);
            QCOMPARE(m_window->openFileName(), QString());
            QCOMPARE(m_window->undoRing().index(), before.index());
        });
        trigger(u"全文解析");
        QCOMPARE(tries, 1);
        QCOMPARE(sentence()->text(), text);
        QVERIFY(result()->text().startsWith(text));
    }
};

QTEST_MAIN(OpeningTest)
#include "opening_test.moc"
