// Fuzzes ExactTextEdit against a model of its own: random texts, including
// every line end (CR LF, LF, CR, U+2029, U+FDD0, U+FDD1), and random edits
// (the pane's own insertion, typed keys, Backspace and Delete) must keep the
// exact text, the document and the position mapping in step with the model.

#include <fuzzer/FuzzedDataProvider.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTextCursor>

#include <cstdlib>

#include "gui/exacttextedit.h"

#define CHECK(condition) if (!(condition)) std::abort()

using yomika::ExactTextEdit;

namespace {

// The model: one entry for each character of the document, holding the exact
// text it stands for (a line end stands as one U+2029 in the document).
using Cells = QStringList;

Cells split(const QString& text)
{
    Cells cells;
    for (qsizetype i = 0; i < text.size(); i += cells.back().size())
        cells.append(text.mid(i, text.mid(i, 2) == u"\r\n" ? 2 : 1));
    return cells;
}

QString documentOf(const Cells& cells)
{
    QString doc;
    for (const QString& cell : cells)
        doc += cell.size() == 2 || QStringView(u"\r\n\u2029\uFDD0\uFDD1").contains(cell[0]) ? QChar(0x2029) : cell[0];
    return doc;
}

qsizetype exactPos(const Cells& cells, qsizetype p)
{
    qsizetype e = 0;
    for (qsizetype i = 0; i < p; ++i)
        e += cells[i].size();
    return e;
}

// Document characters [from, to) replaced by `text`, whose line ends keep their text.
void replace(Cells& cells, qsizetype from, qsizetype to, const QString& text)
{
    cells = cells.mid(0, from) + split(text) + cells.mid(to);
}

void verify(const ExactTextEdit& pane, const Cells& cells)
{
    const QString exact = cells.join(QString());
    CHECK(pane.text() == exact && pane.textLength() == exact.size());
    CHECK(pane.document()->toRawText() == documentOf(cells));
    for (int p = 0; p <= cells.size(); ++p)
        CHECK(pane.exactFromDocument(p) == exactPos(cells, p) && pane.documentFromExact(exactPos(cells, p)) == p);
    const QTextCursor cursor = pane.textCursor();
    const qsizetype start = exactPos(cells, cursor.selectionStart());
    CHECK(pane.selectionStart() == start);
    CHECK(pane.selectedText() == exact.mid(start, exactPos(cells, cursor.selectionEnd()) - start));
}

QString randomText(FuzzedDataProvider& data, int most)
{
    static const QString pieces[] = {u"a"_qs, u"あ"_qs, u"\r"_qs, u"\n"_qs, u"\r\n"_qs, u"\u2029"_qs,
                                     u"\u2028"_qs, u"\u00A0"_qs, u"\uFDD0"_qs, u"\uFDD1"_qs, u"😀"_qs, u"\t"_qs};
    QString text;
    for (int n = data.ConsumeIntegralInRange(0, most); n > 0 && data.remaining_bytes() > 0; --n)
        text += pieces[data.ConsumeIntegralInRange<size_t>(0, std::size(pieces) - 1)];
    return text;
}

} // namespace

// Fontconfig keeps its caches to the end of the process, and the one pane
// lives as long as the process, with the line layouts of its last text.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\nleak:QTextBlock::layout\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static int argc = (qputenv("QT_QPA_PLATFORM", "offscreen"), 1); // the application keeps a reference
    static char* argv[] = {const_cast<char*>("exacttext_fuzz"), nullptr};
    // Never destroyed: at exit Qt would take them down out of order.
    [[maybe_unused]] static auto* application = new QApplication(argc, argv);
    static auto* pane = new ExactTextEdit;
    FuzzedDataProvider data(bytes, size);
    Cells cells = split(randomText(data, 100));
    pane->setText(cells.join(QString()));
    verify(*pane, cells);
    for (int step = 0; step < 24 && data.remaining_bytes() > 0; ++step) {
        const int length = int(cells.size());
        QTextCursor cursor(pane->document());
        cursor.setPosition(data.ConsumeIntegralInRange(0, length));
        cursor.setPosition(data.ConsumeIntegralInRange(0, length), QTextCursor::KeepAnchor);
        pane->setTextCursor(cursor);
        const int from = cursor.selectionStart(), to = cursor.selectionEnd();
        const int op = data.ConsumeIntegralInRange(0, 5);
        if (op == 0) { // the pane's own insertion keeps its line ends
            const QString text = randomText(data, 10);
            pane->replaceSelection(text);
            replace(cells, from, to, text);
        } else if (op == 5) { // read back and set again: a CR and a following LF line end become one CR LF
            pane->setText(pane->text());
            cells = split(pane->text());
        } else { // typed keys; how much Backspace and Delete take is the document's affair
            const int keys[] = {Qt::Key_X, Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Delete};
            QKeyEvent press(QEvent::KeyPress, keys[op - 1], Qt::NoModifier, op == 1 ? u"x"_qs : op == 2 ? u"\r"_qs : QString());
            QApplication::sendEvent(pane, &press);
            const int removed = length - (pane->document()->characterCount() - 1);
            if (op <= 2)
                replace(cells, from, to, op == 1 ? u"x"_qs : ExactTextEdit::typedLineBreak());
            else
                replace(cells, from == to && op == 3 ? from - removed : from, from == to && op == 4 ? to + removed : to, {});
        }
        verify(*pane, cells);
    }
    return 0;
}
