#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "gui/exacttextedit.h"

using yomika::ExactTextEdit;
using namespace Qt::StringLiterals;

namespace {

// What the document should hold for an exact text: one U+2029 for each line
// end, worked out here independently of the pane.
QString documentForm(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            out += QChar(0x2029);
            ++i;
        } else if (c == u'\r' || c == u'\n' || c == QChar(0x2029) || c == QChar(0xFDD0) || c == QChar(0xFDD1)) {
            out += QChar(0x2029);
        } else {
            out += c;
        }
    }
    return out;
}

// Japanese prose lines from the window's hint, long enough to wrap.
const QString hint1 = QStringLiteral("クリアを押してから文を入力してください。");
const QString hint2 = QStringLiteral("ドラッグ＆ドロップでファイルからテキストをコピーできます。");

// Reaches the pane's paste of mime data, as a drop inside the pane does.
class DropTarget : public ExactTextEdit {
public:
    using ExactTextEdit::insertFromMimeData;
};

} // namespace

class ExactTextEditTest : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void positionMapping_data();
    void positionMapping();
    void selection_data();
    void selection();
    void typedLineBreak_data();
    void typedLineBreak();
    void edits_data();
    void edits();
    void copyAndCutGiveExactText();
    void dropInsertsExactly();
    void moveWithinOneEditBlock();
    void dropIntoLaidOutParagraph_data();
    void dropIntoLaidOutParagraph();
    void removeWithinOneEditBlock();
    void baseClassSetterKeepsTableConsistent();
    void tabMovesFocus();
};

void ExactTextEditTest::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("one line") << QStringLiteral("abc");
    QTest::newRow("CR LF lines") << hint1 + u"\r\n"_s + hint2 + u"\r\n"_s;
    QTest::newRow("LF lines") << QStringLiteral("a\nb\nc");
    QTest::newRow("CR lines") << QStringLiteral("a\rb\rc");
    QTest::newRow("mixed line ends") << QStringLiteral("a\r\nb\nc\rd\u2029e\uFDD0f\uFDD1g");
    QTest::newRow("CR before CR LF") << QStringLiteral("a\r\r\nb");
    QTest::newRow("LF CR is two line ends") << QStringLiteral("a\n\rb");
    QTest::newRow("CR LF CR LF") << QStringLiteral("\r\n\r\n");
    QTest::newRow("only line ends") << QStringLiteral("\r\n\n\r\u2029\uFDD0\uFDD1\r\r\n\n\n\r");
    QTest::newRow("no-break space") << QStringLiteral("a\u00A0b \u00A0");
    QTest::newRow("line separator") << QStringLiteral("a\u2028b\u2028");
    QTest::newRow("paragraph separator") << QStringLiteral("\u2029a\u2029\u2029");
    QTest::newRow("outside the BMP") << QStringLiteral("𠮷野家で😀を\r\n𩸽");
    QTest::newRow("lone surrogates") << (QStringLiteral("a") + QChar(0xD800) + u"\r\n"_s + QChar(0xDC00) + u"b"_s);
    QTest::newRow("tab, NUL, object replacement") << (QStringLiteral("a\tb") + QChar(0) + u"c\uFFFC\r\n"_s);
    QTest::newRow("leading line ends") << QStringLiteral("\n\r\nx");
    const QString ends[] = {QStringLiteral("\r\n"), QStringLiteral("\n"), QStringLiteral("\r"),
                            QStringLiteral("\u2029"), QStringLiteral("\uFDD0"), QStringLiteral("\uFDD1")};
    for (const QString& end : ends) {
        const QByteArray name = "ends in U+" + QByteArray::number(end.back().unicode(), 16)
                                + " (" + QByteArray::number(end.size()) + " units)";
        QTest::newRow(name.constData()) << hint1 + end;
    }
    QString longLines;
    for (int i = 0; i < 300; ++i)
        longLines += hint2;
    QTest::newRow("long lines") << longLines + u"\r\n"_s + longLines + u"\n"_s + longLines;
}

void ExactTextEditTest::roundTrip()
{
    QFETCH(QString, text);
    ExactTextEdit edit;
    edit.setText(QStringLiteral("previous\r\ntext\n"));
    edit.setText(text);
    QCOMPARE(edit.text(), text);
    QCOMPARE(edit.textLength(), text.size());
    QCOMPARE(edit.toPlainText(), text);
    const QString inDocument = documentForm(text);
    QCOMPARE(edit.document()->toRawText(), inDocument);
    QCOMPARE(edit.blockCount(), inDocument.count(QChar(0x2029)) + 1);

    // Every document position maps to an exact one and back, and the mapping
    // keeps the order; the exact text end is the document end.
    qsizetype previous = -1;
    for (int p = 0; p <= inDocument.size(); ++p) {
        const qsizetype e = edit.exactFromDocument(p);
        QVERIFY(e > previous);
        QCOMPARE(edit.documentFromExact(e), p);
        previous = e;
    }
    QCOMPARE(previous, text.size());

    // Set again through the plain-text name of the base class's setter.
    edit.setPlainText(text + u"\r"_s);
    QCOMPARE(edit.text(), text + u"\r"_s);
}

void ExactTextEditTest::positionMapping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("exact");
    QTest::addColumn<int>("document");
    QTest::addColumn<qsizetype>("back");
    // Exact text a b CR LF c d LF e CR CR LF f; document a b ¶ c d ¶ e ¶ ¶ f.
    const QString text = QStringLiteral("ab\r\ncd\ne\r\r\nf");
    QTest::newRow("start") << text << qsizetype(0) << 0 << qsizetype(0);
    QTest::newRow("before CR LF") << text << qsizetype(2) << 2 << qsizetype(2);
    QTest::newRow("inside CR LF") << text << qsizetype(3) << 2 << qsizetype(2);
    QTest::newRow("after CR LF") << text << qsizetype(4) << 3 << qsizetype(4);
    QTest::newRow("before LF") << text << qsizetype(6) << 5 << qsizetype(6);
    QTest::newRow("after LF") << text << qsizetype(7) << 6 << qsizetype(7);
    QTest::newRow("lone CR") << text << qsizetype(8) << 7 << qsizetype(8);
    QTest::newRow("CR LF after CR") << text << qsizetype(9) << 8 << qsizetype(9);
    QTest::newRow("inside second CR LF") << text << qsizetype(10) << 8 << qsizetype(9);
    QTest::newRow("last line") << text << qsizetype(11) << 9 << qsizetype(11);
    QTest::newRow("end") << text << qsizetype(12) << 10 << qsizetype(12);
    QTest::newRow("past the end") << text << qsizetype(40) << 10 << qsizetype(12);
    QTest::newRow("negative") << text << qsizetype(-5) << 0 << qsizetype(0);
    QTest::newRow("surrogate pair") << QStringLiteral("😀\r\n😀") << qsizetype(5) << 4 << qsizetype(5);
}

void ExactTextEditTest::positionMapping()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, exact);
    QFETCH(int, document);
    QFETCH(qsizetype, back);
    ExactTextEdit edit;
    edit.setText(text);
    QCOMPARE(edit.documentFromExact(exact), document);
    QCOMPARE(edit.exactFromDocument(document), back);
}

void ExactTextEditTest::selection_data()
{
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<qsizetype>("expectedStart");
    QTest::addColumn<QString>("expectedText");
    // Text: a b CR LF c d (six units).
    QTest::newRow("before the CR LF") << qsizetype(1) << qsizetype(1) << qsizetype(1) << QStringLiteral("b");
    QTest::newRow("the CR LF") << qsizetype(2) << qsizetype(2) << qsizetype(2) << QStringLiteral("\r\n");
    QTest::newRow("caret inside the CR LF") << qsizetype(3) << qsizetype(0) << qsizetype(2) << QString();
    QTest::newRow("from inside the CR LF") << qsizetype(3) << qsizetype(2) << qsizetype(2) << QStringLiteral("\r\nc");
    QTest::newRow("ending inside the CR LF") << qsizetype(1) << qsizetype(2) << qsizetype(1) << QStringLiteral("b");
    QTest::newRow("after the CR LF") << qsizetype(4) << qsizetype(2) << qsizetype(4) << QStringLiteral("cd");
    QTest::newRow("everything") << qsizetype(0) << qsizetype(6) << qsizetype(0) << QStringLiteral("ab\r\ncd");
    QTest::newRow("length past the end") << qsizetype(1) << qsizetype(1000) << qsizetype(1) << QStringLiteral("b\r\ncd");
    QTest::newRow("start past the end") << qsizetype(9) << qsizetype(3) << qsizetype(6) << QString();
    QTest::newRow("negative start") << qsizetype(-2) << qsizetype(2) << qsizetype(0) << QStringLiteral("ab");
    QTest::newRow("negative length") << qsizetype(2) << qsizetype(-1) << qsizetype(2) << QString();
    QTest::newRow("huge length") << qsizetype(0) << std::numeric_limits<qsizetype>::max() << qsizetype(0)
                                 << QStringLiteral("ab\r\ncd");
}

void ExactTextEditTest::selection()
{
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, length);
    QFETCH(qsizetype, expectedStart);
    QFETCH(QString, expectedText);
    ExactTextEdit edit;
    edit.setText(QStringLiteral("ab\r\ncd"));
    edit.setSelection(start, length);
    QCOMPARE(edit.selectionStart(), expectedStart);
    QCOMPARE(edit.selectionLength(), expectedText.size());
    QCOMPARE(edit.selectedText(), expectedText);
    // The caret stands at the end of the selection.
    QCOMPARE(edit.exactFromDocument(edit.textCursor().position()), expectedStart + expectedText.size());
}

void ExactTextEditTest::typedLineBreak_data()
{
    QTest::addColumn<QString>("initial");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("expected");
    const QString nl = ExactTextEdit::typedLineBreak();
    QTest::newRow("Return in a line") << QStringLiteral("ab\rcd") << qsizetype(1) << qsizetype(0)
                                      << int(Qt::Key_Return) << 0 << u"a"_s + nl + u"b\rcd"_s;
    QTest::newRow("Enter at the end") << QStringLiteral("ab\r\n") << qsizetype(4) << qsizetype(0)
                                      << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << u"ab\r\n"_s + nl;
    QTest::newRow("Shift+Return") << QStringLiteral("ab") << qsizetype(2) << qsizetype(0)
                                  << int(Qt::Key_Return) << int(Qt::ShiftModifier) << u"ab"_s + nl;
    QTest::newRow("Return in an empty pane") << QString() << qsizetype(0) << qsizetype(0)
                                             << int(Qt::Key_Return) << 0 << nl;
    QTest::newRow("Return over a CR") << QStringLiteral("x\ry\r") << qsizetype(1) << qsizetype(1)
                                      << int(Qt::Key_Return) << 0 << u"x"_s + nl + u"y\r"_s;
    QTest::newRow("Return over a CR LF and text") << QStringLiteral("x\r\nyz\n") << qsizetype(1)
                                                  << qsizetype(3) << int(Qt::Key_Return) << 0
                                                  << u"x"_s + nl + u"z\n"_s;
}

void ExactTextEditTest::typedLineBreak()
{
    QFETCH(QString, initial);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, length);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, expected);
    ExactTextEdit edit;
    edit.setText(initial);
    edit.setSelection(start, length);
    QTest::keyClick(&edit, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(edit.text(), expected);
    QCOMPARE(edit.selectionStart(), start + ExactTextEdit::typedLineBreak().size());
    QCOMPARE(edit.selectionLength(), qsizetype(0));
}

void ExactTextEditTest::edits_data()
{
    QTest::addColumn<QString>("initial");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<qsizetype>("caret");
    const QString nl = ExactTextEdit::typedLineBreak();
    const QString mixed = QStringLiteral("a\r\nb\nc\rd\u2029e\r\nf\u00A0\u2028g");

    QTest::newRow("typing over line ends of every kind")
        << mixed << qsizetype(1) << qsizetype(6) << "type" << "Z"
        << QStringLiteral("aZd\u2029e\r\nf\u00A0\u2028g") << qsizetype(2);
    QTest::newRow("typing over the first line end only")
        << mixed << qsizetype(1) << qsizetype(2) << "type" << "xy"
        << QStringLiteral("axyb\nc\rd\u2029e\r\nf\u00A0\u2028g") << qsizetype(3);
    QTest::newRow("backspace merges two lines")
        << QStringLiteral("ab\ncd\r\nef\r") << qsizetype(3) << qsizetype(0) << "backspace" << ""
        << QStringLiteral("abcd\r\nef\r") << qsizetype(2);
    QTest::newRow("backspace deletes a CR LF as a unit")
        << QStringLiteral("ab\r\ncd\ref") << qsizetype(4) << qsizetype(0) << "backspace" << ""
        << QStringLiteral("abcd\ref") << qsizetype(2);
    QTest::newRow("delete deletes a CR LF as a unit")
        << QStringLiteral("\nab\r\ncd\ref") << qsizetype(3) << qsizetype(0) << "delete" << ""
        << QStringLiteral("\nabcd\ref") << qsizetype(3);
    QTest::newRow("delete of the first of two line ends")
        << QStringLiteral("a\r\n\nb") << qsizetype(1) << qsizetype(0) << "delete" << ""
        << QStringLiteral("a\nb") << qsizetype(1);
    QTest::newRow("backspace of the second of two line ends")
        << QStringLiteral("a\r\n\nb") << qsizetype(4) << qsizetype(0) << "backspace" << ""
        << QStringLiteral("a\r\nb") << qsizetype(3);
    QTest::newRow("backspace after a surrogate pair")
        << QStringLiteral("a😀\r\nb") << qsizetype(3) << qsizetype(0) << "backspace" << ""
        << QStringLiteral("a\r\nb") << qsizetype(1);
    QTest::newRow("delete of a selection of several line ends")
        << mixed << qsizetype(4) << qsizetype(6) << "delete" << ""
        << QStringLiteral("a\r\nb\r\nf\u00A0\u2028g") << qsizetype(4);
    QTest::newRow("widget's paste of multi-line text")
        << mixed << qsizetype(3) << qsizetype(3) << "paste" << QStringLiteral("P\rQ\r\nR\nS\u00A0")
        << QStringLiteral("a\r\nP\rQ\r\nR\nS\u00A0\rd\u2029e\r\nf\u00A0\u2028g") << qsizetype(12);
    QTest::newRow("paste of a LF over a selected CR LF")
        << QStringLiteral("x\r\ny\r") << qsizetype(1) << qsizetype(2) << "paste" << QStringLiteral("\n")
        << QStringLiteral("x\ny\r") << qsizetype(2);
    QTest::newRow("paste key") << QStringLiteral("a\rb") << qsizetype(1) << qsizetype(0) << "pasteKey"
                               << QStringLiteral("1\r\n2") << QStringLiteral("a1\r\n2\rb") << qsizetype(5);
    QTest::newRow("input method commit over line ends")
        << mixed << qsizetype(3) << qsizetype(4) << "ime" << QStringLiteral("日本語")
        << QStringLiteral("a\r\n日本語d\u2029e\r\nf\u00A0\u2028g") << qsizetype(6);
    QTest::newRow("input method commit with a line break")
        << QStringLiteral("a\r\nb") << qsizetype(1) << qsizetype(0) << "ime" << QStringLiteral("x\ny")
        << u"ax"_s + nl + u"y\r\nb"_s << qsizetype(3 + nl.size());
    // The report of a commit covers the caret's whole block, here the CR
    // line end after the replaced CR LF, which must stay as it was.
    QTest::newRow("input method commit of a line break over a CR LF")
        << QStringLiteral("x\r\n\ry") << qsizetype(1) << qsizetype(2) << "ime" << QStringLiteral("\n")
        << u"x"_s + nl + u"\ry"_s << qsizetype(1 + nl.size());
    QTest::newRow("input method commit of line breaks before a CR")
        << QStringLiteral("a\r\n\rb") << qsizetype(1) << qsizetype(2) << "ime" << QStringLiteral("\n\r")
        << u"a"_s + nl + nl + u"\rb"_s << qsizetype(1 + 2 * nl.size());
    QTest::newRow("replaceSelection keeps its own line ends")
        << mixed << qsizetype(1) << qsizetype(5) << "replace" << QStringLiteral("\r1\u2029\n")
        << QStringLiteral("a\r1\u2029\n\rd\u2029e\r\nf\u00A0\u2028g") << qsizetype(5);
    QTest::newRow("replaceSelection with nothing removes the selection")
        << mixed << qsizetype(1) << qsizetype(5) << "replace" << ""
        << QStringLiteral("a\rd\u2029e\r\nf\u00A0\u2028g") << qsizetype(1);
    QTest::newRow("document cursor inserts lines")
        << QStringLiteral("a\r\nb\rc") << qsizetype(4) << qsizetype(0) << "cursorInsert" << QStringLiteral("1\r\n2\r")
        << u"a\r\nb1"_s + nl + u"2"_s + nl + u"\rc"_s << qsizetype(4 + 2 + 2 * nl.size());
    QTest::newRow("format change over lines keeps them")
        << mixed << qsizetype(0) << qsizetype(mixed.size()) << "format" << "" << mixed << qsizetype(mixed.size());
    QTest::newRow("document undo is off")
        << QStringLiteral("a\rb") << qsizetype(3) << qsizetype(0) << "undoKey" << "x"
        << QStringLiteral("a\rbx") << qsizetype(4);
}

void ExactTextEditTest::edits()
{
    QFETCH(QString, initial);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, length);
    QFETCH(QString, action);
    QFETCH(QString, argument);
    QFETCH(QString, expected);
    QFETCH(qsizetype, caret);

    ExactTextEdit edit;
    edit.resize(200, 100);
    edit.setText(initial);
    edit.setSelection(start, length);
    if (action == u"type"_s) {
        QTest::keyClicks(&edit, argument);
    } else if (action == u"backspace"_s) {
        QTest::keyClick(&edit, Qt::Key_Backspace);
    } else if (action == u"delete"_s) {
        QTest::keyClick(&edit, Qt::Key_Delete);
    } else if (action == u"paste"_s) {
        QGuiApplication::clipboard()->setText(argument);
        edit.paste();
    } else if (action == u"pasteKey"_s) {
        QGuiApplication::clipboard()->setText(argument);
        QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    } else if (action == u"ime"_s) {
        QInputMethodEvent event;
        event.setCommitString(argument);
        QApplication::sendEvent(&edit, &event);
    } else if (action == u"replace"_s) {
        edit.replaceSelection(argument);
    } else if (action == u"cursorInsert"_s) {
        QTextCursor cursor = edit.textCursor();
        cursor.insertText(argument);
        edit.setTextCursor(cursor);
    } else if (action == u"format"_s) {
        QTextCursor cursor = edit.textCursor();
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.mergeCharFormat(bold);
    } else if (action == u"undoKey"_s) {
        QTest::keyClicks(&edit, argument);
        QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier);
    } else {
        QFAIL("unknown action");
    }
    QCOMPARE(edit.text(), expected);
    QCOMPARE(edit.document()->toRawText(), documentForm(expected));
    QCOMPARE(edit.selectionStart() + edit.selectionLength(), caret);
}

void ExactTextEditTest::copyAndCutGiveExactText()
{
    ExactTextEdit edit;
    const QString text = QStringLiteral("x\u00A0y\r\nz\u2028w\rv");
    edit.setText(text);
    edit.setSelection(1, 7);
    edit.copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), text.mid(1, 7));
    QCOMPARE(edit.text(), text);
    edit.cut();
    QCOMPARE(QGuiApplication::clipboard()->text(), text.mid(1, 7));
    QCOMPARE(edit.text(), QStringLiteral("x\rv"));
}

void ExactTextEditTest::dropInsertsExactly()
{
    ExactTextEdit edit;
    edit.resize(400, 300);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.setText(QStringLiteral("ab\r\ncd\ref\ngh"));
    QMimeData data;
    data.setText(QStringLiteral("1\r2\r\n"));
    QTextCursor end = edit.textCursor();
    end.movePosition(QTextCursor::End);
    const QPoint target = edit.cursorRect(end).center();
    QDragEnterEvent enter(target, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit.viewport(), &enter);
    QDragMoveEvent move(target, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit.viewport(), &move);
    QDropEvent drop(QPointF(target), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit.viewport(), &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(edit.text(), QStringLiteral("ab\r\ncd\ref\ngh1\r2\r\n"));
}

void ExactTextEditTest::moveWithinOneEditBlock()
{
    // A drag inside the pane ends in a drop that removes the selection and
    // pastes it elsewhere within one edit block, reported as one change.
    DropTarget edit;
    edit.setText(QStringLiteral("ab\r\ncd\ref\ngh\u2029"));
    edit.setSelection(0, 4);
    QMimeData data;
    data.setText(edit.selectedText());
    QTextCursor cursor = edit.textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    cursor.setPosition(6); // after "cd¶ef¶"
    edit.setTextCursor(cursor);
    edit.insertFromMimeData(&data);
    cursor.endEditBlock();
    QCOMPARE(edit.text(), QStringLiteral("cd\ref\nab\r\ngh\u2029"));
}

void ExactTextEditTest::dropIntoLaidOutParagraph_data()
{
    QTest::addColumn<bool>("move");
    QTest::addColumn<QString>("dropped");
    QTest::addColumn<int>("fromEnd");
    QTest::newRow("drop past the old end of the paragraph") << false << hint1 << 3;
    QTest::newRow("drop of lines past the old end") << false << u"一行目\r\n二行目\r三行目\uFDD0四"_s << 2;
    QTest::newRow("drop short of the old end") << false << u"短い"_s << 5;
    QTest::newRow("move from the line above") << true << hint2 << 4;
}

void ExactTextEditTest::dropIntoLaidOutParagraph()
{
    // A drop opens an edit block, and the document lays changed blocks out
    // again only when it closes. The dropped text lands in a paragraph that
    // is laid out (visible) and starts above the visible part, so the pane
    // scrolls to the caret after the text, which must not go by the old
    // lines of that paragraph. A move within the pane removes the dragged
    // text in the same edit block first.
    QFETCH(bool, move);
    QFETCH(QString, dropped);
    QFETCH(int, fromEnd);
    QString paragraph;
    for (int i = 0; i < 8; ++i)
        paragraph += hint1 + hint2;
    const QString text = (move ? dropped : hint2) + u"\r\n"_s + paragraph;
    const QString rest = move ? text.mid(dropped.size()) : text;
    const QString expected = rest.left(rest.size() - fromEnd) + dropped + rest.right(fromEnd);

    DropTarget edit;
    edit.resize(300, 120);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.setText(text);
    edit.verticalScrollBar()->setValue(edit.verticalScrollBar()->maximum());
    const QTextBlock last = edit.document()->lastBlock();
    QTextCursor at(edit.document());
    at.setPosition(last.position());
    QVERIFY(edit.cursorRect(at).top() < 0);
    at.setPosition(last.position() + last.length() - 1 - fromEnd);
    QMimeData data;
    data.setText(dropped);
    if (move) {
        // As the drop does: the caret goes to the drop point, and the
        // dragged text is removed in the edit block of the paste.
        edit.setSelection(0, dropped.size());
        QTextCursor dragged = edit.textCursor();
        edit.setTextCursor(at);
        dragged.beginEditBlock();
        dragged.removeSelectedText();
        edit.insertFromMimeData(&data);
        dragged.endEditBlock();
    } else {
        const QPoint target = edit.cursorRect(at).center();
        QVERIFY(edit.viewport()->rect().contains(target));
        QDragEnterEvent enter(target, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit.viewport(), &enter);
        QDragMoveEvent dragMove(target, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit.viewport(), &dragMove);
        QDropEvent drop(QPointF(target), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit.viewport(), &drop);
        QVERIFY(drop.isAccepted());
    }
    QCOMPARE(edit.text(), expected);
    QCOMPARE(edit.selectionStart(), expected.size() - fromEnd);
    QCOMPARE(edit.selectionLength(), qsizetype(0));
    QTRY_VERIFY(edit.viewport()->rect().contains(edit.cursorRect().center()));
}

void ExactTextEditTest::removeWithinOneEditBlock()
{
    // Removing from the end of a laid-out paragraph into the next one puts
    // the caret past the old lines of the paragraph while an edit block is
    // still open; the paragraph starts above the visible part, so the pane
    // scrolls to the caret.
    QString paragraph;
    for (int i = 0; i < 8; ++i)
        paragraph += hint1 + hint2;
    const QString text = paragraph + u"\r\n"_s + hint1 + u"\n"_s + hint2;
    ExactTextEdit edit;
    edit.resize(300, 120);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.setText(text);
    edit.setSelection(paragraph.size() - 1, 0);
    QTRY_VERIFY(edit.viewport()->rect().contains(edit.cursorRect().center()));
    QTextCursor start(edit.document());
    QVERIFY(edit.cursorRect(start).top() < 0);
    edit.setSelection(paragraph.size(), 4);
    QTextCursor block = edit.textCursor();
    block.beginEditBlock();
    edit.replaceSelection(QString());
    block.endEditBlock();
    QCOMPARE(edit.text(), paragraph + hint1.mid(2) + u"\n"_s + hint2);
    QCOMPARE(edit.selectionStart(), paragraph.size());
    QTRY_VERIFY(edit.viewport()->rect().contains(edit.cursorRect().center()));
}

void ExactTextEditTest::baseClassSetterKeepsTableConsistent()
{
    // Calls that reach the base class directly still leave a consistent
    // table: text they bring in follows the typed line break.
    ExactTextEdit edit;
    edit.setText(QStringLiteral("a\rb"));
    QPlainTextEdit& base = edit;
    base.setPlainText(QStringLiteral("x\r\ny"));
    const QString nl = ExactTextEdit::typedLineBreak();
    QCOMPARE(edit.text(), u"x"_s + nl + u"y"_s);
    base.appendPlainText(QStringLiteral("z"));
    QCOMPARE(edit.text(), u"x"_s + nl + u"y"_s + nl + u"z"_s);
    base.clear();
    QCOMPARE(edit.text(), QString());
    QCOMPARE(edit.exactFromDocument(5), qsizetype(0));
}

void ExactTextEditTest::tabMovesFocus()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new ExactTextEdit(&window);
    auto* next = new QLineEdit(&window);
    layout->addWidget(edit);
    layout->addWidget(next);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setText(QStringLiteral("a\r\nb"));
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_Tab);
    QTRY_VERIFY(next->hasFocus());
    QCOMPARE(edit->text(), QStringLiteral("a\r\nb"));
}

QTEST_MAIN(ExactTextEditTest)
#include "exacttextedit_test.moc"
