// The 編集 menu's clipboard and selection commands, run from the menu and
// from the keys, on the exact text of the panes and of the combo boxes.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/optionstring.h"
#include "core/platform.h"
#include "tests/support/scriptedprompter.h"
#include "gui/viewadapters.h"
#include "gui/exacttextedit.h"
#include "gui/mainwindow.h"
#include "gui/widgets.h"

using namespace yomika;
using testsupport::ScriptedPrompter;

namespace {

// How a command is started: its menu item, its menu key, or the other usual
// editing key of text controls.
enum class Trigger { Menu, Key, OtherKey };

struct CommandKeys {
    const char16_t* action;
    QKeyCombination key;
    QKeyCombination otherKey;
};

CommandKeys keysOf(const QString& command)
{
    if (command == u"cut")
        return {u"切り取り", Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete};
    if (command == u"copy")
        return {u"コピー", Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert};
    if (command == u"paste")
        return {u"貼り付け", Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert};
    return {u"すべて選択", Qt::CTRL | Qt::Key_A, Qt::CTRL | Qt::Key_A};
}

QString clipboardText()
{
    return QGuiApplication::clipboard()->text();
}

// A clipboard that holds something, but no text.
void putImageOnTheClipboard()
{
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), QByteArray("\x89PNG\r\n"));
    QGuiApplication::clipboard()->setMimeData(data);
}

} // namespace

Q_DECLARE_METATYPE(Trigger)

class ClipboardTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_programDir;
    std::unique_ptr<MainWindow> m_window;
    ScriptedPrompter* m_prompter = nullptr;

    template <typename T = QWidget>
    T* child(const QString& name) const
    {
        return m_window->findChild<T*>(name);
    }
    ExactTextEdit* sentence() const { return child<ExactTextEdit>(QStringLiteral("Sentence")); }
    ExactTextEdit* result() const { return child<ExactTextEdit>(QStringLiteral("Result")); }

    void run(const QString& command, Trigger how)
    {
        const CommandKeys keys = keysOf(command);
        QWidget* focus = QApplication::focusWidget();
        switch (how) {
        case Trigger::Menu:
            m_window->findChild<QAction*>(QString::fromUtf16(keys.action))->trigger();
            break;
        case Trigger::Key:
            QTest::keyClick(focus, keys.key.key(), keys.key.keyboardModifiers());
            break;
        case Trigger::OtherKey:
            QTest::keyClick(focus, keys.otherKey.key(), keys.otherKey.keyboardModifiers());
            break;
        }
    }

    // Text, selection start and length of a pane or combo box.
    struct State {
        QString text;
        qsizetype start;
        qsizetype length;
    };
    State stateOf(QWidget* control) const
    {
        if (auto* pane = qobject_cast<ExactTextEdit*>(control))
            return {pane->text(), pane->selectionStart(), pane->selectionLength()};
        auto* combo = qobject_cast<QComboBox*>(control);
        const QLineEdit* edit = combo->lineEdit();
        return {combo->currentText(),
                edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition(),
                edit->selectionLength()};
    }
    void setState(QWidget* control, const QString& text, qsizetype start, qsizetype length)
    {
        if (auto* pane = qobject_cast<ExactTextEdit*>(control)) {
            pane->setText(text);
            pane->setSelection(start, length);
        } else {
            auto* combo = qobject_cast<LineComboBox*>(control);
            combo->setText(text);
            combo->lineEdit()->setSelection(int(start), int(length));
        }
    }

private slots:
    void init()
    {
        testing::failClipboard(false, false);
        auto prompter = std::make_unique<ScriptedPrompter>();
        m_prompter = prompter.get();
        m_window = std::make_unique<MainWindow>(m_programDir.path(), std::move(prompter));
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void cleanup()
    {
        testing::failClipboard(false, false);
        QVERIFY(!QApplication::overrideCursor());
        m_window.reset();
    }

    void editingCommandsSpliceTheExactText_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("clipboard");   // before the command
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("caret");           // selection start afterwards
        QTest::addColumn<int>("selected");        // selection length afterwards
        QTest::addColumn<QString>("clipboardAfter");

        // Positions in "ab\r\ncd": a 0, b 1, CR 2, LF 3, c 4, d 5.
        const QString crlf = QStringLiteral("ab\r\ncd");
        for (const QString& pane : {QStringLiteral("Sentence"), QStringLiteral("Result")}) {
            auto row = [&](const char* name) -> QTestData& {
                return QTest::addRow("%s: %s", qPrintable(pane), name) << pane;
            };
            row("cut, nothing selected") << "cut" << crlf << 2 << 0 << "old" << crlf << 2 << 0 << "old";
            row("cut across the line end") << "cut" << crlf << 1 << 4 << "old" << "ad" << 1 << 0 << "b\r\nc";
            row("cut the line end") << "cut" << crlf << 2 << 2 << "old" << "abcd" << 2 << 0 << "\r\n";
            row("cut before the line end") << "cut" << crlf << 0 << 2 << "old" << "\r\ncd" << 0 << 0 << "ab";
            row("cut after the line end") << "cut" << crlf << 4 << 2 << "old" << "ab\r\n" << 4 << 0 << "cd";
            row("copy, nothing selected") << "copy" << crlf << 4 << 0 << "old" << crlf << 4 << 0 << "old";
            row("copy the line end") << "copy" << crlf << 1 << 3 << "old" << crlf << 1 << 3 << "b\r\n";
            row("paste before the line end") << "paste" << crlf << 2 << 0 << "X" << "abX\r\ncd" << 3 << 0 << "X";
            // A caret inside a CR LF stands before it: the pair is never split.
            row("paste inside the line end") << "paste" << crlf << 3 << 0 << "X" << "abX\r\ncd" << 3 << 0 << "X";
            row("paste after the line end") << "paste" << crlf << 4 << 0 << "X" << "ab\r\nXcd" << 5 << 0 << "X";
            row("paste at the start") << "paste" << crlf << 0 << 0 << "X\r\n" << "X\r\nab\r\ncd" << 3 << 0 << "X\r\n";
            row("paste at the end") << "paste" << crlf << 6 << 0 << "\r\nX" << "ab\r\ncd\r\nX" << 9 << 0 << "\r\nX";
            row("paste over the line end") << "paste" << crlf << 1 << 4 << "Y\r\nZ" << "aY\r\nZd" << 5 << 0 << "Y\r\nZ";
            row("paste with no text") << "paste" << crlf << 1 << 4 << "" << crlf << 1 << 4 << "";
            row("select all") << "selectAll" << crlf << 2 << 0 << "old" << crlf << 0 << 6 << "old";
            row("select all, empty") << "selectAll" << "" << 0 << 0 << "old" << "" << 0 << 0 << "old";
        }
        for (const QString& combo : {QStringLiteral("OptionList"), QStringLiteral("Delimiter")}) {
            auto row = [&](const char* name) -> QTestData& {
                return QTest::addRow("%s: %s", qPrintable(combo), name) << combo;
            };
            row("cut") << "cut" << "-F \"%m\"" << 1 << 2 << "old" << "-\"%m\"" << 1 << 0 << "F ";
            row("cut, nothing selected") << "cut" << "abc" << 1 << 0 << "old" << "abc" << 1 << 0 << "old";
            row("copy") << "copy" << "abc" << 0 << 2 << "old" << "abc" << 0 << 2 << "ab";
            row("paste at the caret") << "paste" << "abc" << 1 << 0 << "XY" << "aXYbc" << 3 << 0 << "XY";
            row("paste over a selection") << "paste" << "abc" << 0 << 2 << "Z" << "Zc" << 1 << 0 << "Z";
            row("paste a line break") << "paste" << "ac" << 1 << 0 << "\r\n" << "a  c" << 3 << 0 << "\r\n";
            row("select all") << "selectAll" << "abc" << 1 << 0 << "old" << "abc" << 0 << 3 << "old";
        }
    }
    void editingCommandsSpliceTheExactText()
    {
        QFETCH(QString, control);
        QFETCH(QString, command);
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, clipboard);
        QFETCH(QString, expected);
        QFETCH(int, caret);
        QFETCH(int, selected);
        QFETCH(QString, clipboardAfter);

        QWidget* w = child(control);
        QVERIFY(w);
        for (Trigger how : {Trigger::Menu, Trigger::Key, Trigger::OtherKey}) {
            w->setFocus();
            setState(w, text, start, length);
            if (clipboard.isEmpty())
                putImageOnTheClipboard();
            else
                QGuiApplication::clipboard()->setText(clipboard);
            run(command, how);
            const State after = stateOf(w);
            QCOMPARE(after.text, expected);
            QCOMPARE(after.start, caret);
            QCOMPARE(after.length, selected);
            QCOMPARE(clipboardText(), clipboardAfter);
            QVERIFY(m_prompter->calls.isEmpty());
        }
    }

    void commandsNeedAFocusedTextControl_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("command");
        for (const char* focus : {"Surface", "AnalyzeAll", "Clear"}) {
            for (const char* command : {"cut", "copy", "paste", "selectAll"})
                QTest::addRow("%s %s", focus, command) << focus << command;
        }
    }
    void commandsNeedAFocusedTextControl()
    {
        QFETCH(QString, focus);
        QFETCH(QString, command);
        sentence()->setText(QStringLiteral("ab\r\ncd"));
        sentence()->setSelection(1, 3);
        result()->setText(QStringLiteral("結果"));
        result()->setSelection(0, 1);
        child(focus)->setFocus();
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        for (Trigger how : {Trigger::Menu, Trigger::Key})
            run(command, how);
        QCOMPARE(sentence()->text(), QStringLiteral("ab\r\ncd"));
        QCOMPARE(sentence()->selectionStart(), 1);
        QCOMPARE(sentence()->selectionLength(), 3);
        QCOMPARE(result()->text(), QStringLiteral("結果"));
        QCOMPARE(result()->selectionLength(), 1);
        QCOMPARE(child<QComboBox>(QStringLiteral("OptionList"))->currentText(), QStringLiteral("-F \"%m\""));
        QCOMPARE(clipboardText(), QStringLiteral("old"));
        QCOMPARE(QApplication::focusWidget(), child(focus));
    }

    void pasteOverTheLimitWarnsOnceAndKeepsItAll()
    {
        const QString before(32760, u'あ');
        const QString pasted = QStringLiteral("0123456789");
        sentence()->setFocus();
        sentence()->setText(before);
        sentence()->setSelection(100, 0);
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keyClick(sentence(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(m_prompter->texts(ScriptedPrompter::Kind::Inform),
                 QStringList{QStringLiteral("テキストが大きすぎて全体を表示できません。")});
        QCOMPARE(m_prompter->calls.size(), 1);
        QCOMPARE(sentence()->text(), before.left(100) + pasted + before.mid(100));
        QCOMPARE(sentence()->selectionStart(), 110);
        QCOMPARE(sentence()->selectionLength(), 0);
        // Exactly at the limit there is no warning.
        sentence()->setText(QString(32767 - 10, u'い'));
        sentence()->setSelection(0, 0);
        QTest::keyClick(sentence(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(sentence()->textLength(), 32767);
        QCOMPARE(m_prompter->calls.size(), 1);
    }

    void cutAndPasteBeyondTheLimitSpliceCorrectly()
    {
        QString text;
        for (int i = 0; text.size() < 40000; ++i)
            text += QString::number(i) + QStringLiteral("番\r\n");
        sentence()->setFocus();
        sentence()->setText(text);
        sentence()->setSelection(35000, 20);
        const QString selected = text.mid(35000, 20);
        QCOMPARE(sentence()->selectedText(), selected);
        QTest::keyClick(sentence(), Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(clipboardText(), selected);
        QString expected = text;
        expected.remove(35000, 20);
        QCOMPARE(sentence()->text(), expected);
        QCOMPARE(sentence()->selectionStart(), 35000);

        const qsizetype at = sentence()->textLength();
        sentence()->setSelection(at, 0);
        QTest::keyClick(sentence(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(sentence()->text(), expected + selected);
        QCOMPARE(sentence()->selectionStart(), at + selected.size());
        QCOMPARE(m_prompter->texts(ScriptedPrompter::Kind::Inform).size(), 1);
    }

    void pasteIntoTheDelimiterRebuildsTheOptionString()
    {
        QTest::mouseClick(child<QCheckBox>(QStringLiteral("Reading")), Qt::LeftButton);
        auto* delimiter = child<LineComboBox>(QStringLiteral("Delimiter"));
        delimiter->setFocus();
        delimiter->lineEdit()->selectAll();
        QGuiApplication::clipboard()->setText(QStringLiteral("／"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(delimiter->currentText(), QStringLiteral("／"));
        const FieldSet fields{true, false, true, false, false, false};
        QCOMPARE(child<QComboBox>(QStringLiteral("OptionList"))->currentText(),
                 buildOptionString(fields, QStringLiteral("／")));
        // Cutting it back out rebuilds it again.
        delimiter->lineEdit()->selectAll();
        m_window->findChild<QAction*>(QStringLiteral("切り取り"))->trigger();
        QCOMPARE(child<QComboBox>(QStringLiteral("OptionList"))->currentText(),
                 buildOptionString(fields, QString()));
    }

    void copyResultSelectsAndFocusesTheResult()
    {
        QAction* copyResult = m_window->findChild<QAction*>(QStringLiteral("解析結果をコピー"));
        child(QStringLiteral("Surface"))->setFocus();
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        copyResult->trigger(); // an empty result: nothing happens
        QCOMPARE(clipboardText(), QStringLiteral("old"));
        QCOMPARE(QApplication::focusWidget(), child(QStringLiteral("Surface")));

        const QString text = QStringLiteral("猫\t名詞\r\nが\t助詞\r\n");
        result()->setText(text);
        result()->setSelection(2, 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(clipboardText(), text);
        QCOMPARE(result()->selectionStart(), 0);
        QCOMPARE(result()->selectionLength(), text.size());
        QCOMPARE(QApplication::focusWidget(), result());
    }

    void pasteAsSentenceLoadsTheClipboard()
    {
        sentence()->setText(QStringLiteral("文"));
        result()->setText(QStringLiteral("結果"));
        QGuiApplication::clipboard()->setText(QStringLiteral("新しい\r\n文"));
        child(QStringLiteral("Result"))->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_J, Qt::ControlModifier);
        QCOMPARE(sentence()->text(), QStringLiteral("新しい\r\n文"));
        QCOMPARE(result()->text(), QString());

        // No text on the clipboard loads the empty text.
        putImageOnTheClipboard();
        m_window->findChild<QAction*>(QStringLiteral("文を貼り付け"))->trigger();
        QCOMPARE(sentence()->text(), QString());
        QCOMPARE(result()->text(), QString());
        m_window->undo();
        QCOMPARE(sentence()->text(), QStringLiteral("新しい\r\n文"));
    }

    void aClipboardThatFailsChangesNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<bool>("writes");
        QTest::newRow("cut") << "cut" << false << true;
        QTest::newRow("copy") << "copy" << false << true;
        QTest::newRow("paste") << "paste" << true << false;
        QTest::newRow("copy result") << "copyResult" << false << true;
        QTest::newRow("paste as sentence") << "pasteAsSentence" << true << false;
    }
    void aClipboardThatFailsChangesNothing()
    {
        QFETCH(QString, command);
        QFETCH(bool, reads);
        QFETCH(bool, writes);
        sentence()->setText(QStringLiteral("ab\r\ncd"));
        result()->setText(QStringLiteral("結果"));
        sentence()->setFocus();
        sentence()->setSelection(1, 3);
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        const UndoRing before = m_window->undoRing();
        testing::failClipboard(reads, writes);
        const QHash<QString, void (WindowModel::*)()> commands{
            {QStringLiteral("cut"), &WindowModel::cut},
            {QStringLiteral("copy"), &WindowModel::copy},
            {QStringLiteral("paste"), &WindowModel::paste},
            {QStringLiteral("copyResult"), &WindowModel::copyResult},
            {QStringLiteral("pasteAsSentence"), &WindowModel::pasteAsSentence},
        };
        (m_window->model().*commands.value(command))();
        testing::failClipboard(false, false);
        QCOMPARE(sentence()->text(), QStringLiteral("ab\r\ncd"));
        QCOMPARE(sentence()->selectionStart(), 1);
        QCOMPARE(sentence()->selectionLength(), 3);
        QCOMPARE(result()->text(), QStringLiteral("結果"));
        QCOMPARE(result()->selectionLength(), 0);
        QCOMPARE(QApplication::focusWidget(), sentence());
        QCOMPARE(clipboardText(), QStringLiteral("old"));
        QCOMPARE(m_window->undoRing().index(), before.index());
        QVERIFY(m_prompter->calls.isEmpty());
    }

    void paneChangesWaitForTheRun()
    {
        const QString analyzer = platform::joinPath(m_programDir.path(), platform::analyzerFileName());
        QVERIFY(QFile::copy(QStringLiteral(YOMIKA_FAKE_ANALYZER), analyzer));
        const QString text = QStringLiteral("@slow=800 文");
        sentence()->setText(text);
        sentence()->setFocus();
        sentence()->setSelection(0, 5);
        int tries = 0;
        QTimer::singleShot(150, this, [&] {
            if (!m_window->isRunning())
                return;
            ++tries;
            QGuiApplication::clipboard()->setText(QStringLiteral("貼る"));
            const UndoRing before = m_window->undoRing();
            QWidget* focus = QApplication::focusWidget();
            QCOMPARE(focus, sentence());
            QTest::keyClick(focus, Qt::Key_X, Qt::ControlModifier);
            QTest::keyClick(focus, Qt::Key_V, Qt::ControlModifier);
            QTest::keyClick(focus, Qt::Key_J, Qt::ControlModifier);
            QCOMPARE(sentence()->text(), text);
            QCOMPARE(clipboardText(), QStringLiteral("貼る"));
            QCOMPARE(m_window->undoRing().index(), before.index());
            // What leaves the panes as they are still works.
            QTest::keyClick(focus, Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(clipboardText(), QStringLiteral("@slow"));
            QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
            QCOMPARE(sentence()->selectionLength(), text.size());
            // The option box is not a pane: typing there works during a run, so pasting does too.
            auto* options = child<LineComboBox>(QStringLiteral("OptionList"));
            options->setFocus();
            options->lineEdit()->selectAll();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(options->currentText(), QStringLiteral("@slow"));
            QVERIFY(m_window->isRunning());
        });
        m_window->findChild<QAction*>(QStringLiteral("全文解析"))->trigger();
        QCOMPARE(tries, 1);
        QCOMPARE(sentence()->text(), text);
        QVERIFY(result()->text().startsWith(text));
        QVERIFY(m_prompter->calls.isEmpty());
    }
};

QTEST_MAIN(ClipboardTest)
#include "clipboard_test.moc"
