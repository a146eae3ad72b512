// Fuzzes ExactTextEdit: random texts must come back exactly, positions must
// map consistently both ways, and random edits (typed keys, input method
// commits, the pane's own insertions, edits through QTextCursor, format
// changes, several edits in one edit block) must keep the line-end table in
// step with a simple model of the exact text.
//
// Build with -DYOMIKA_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++, then for a minute:
//   exacttext_fuzz -max_total_time=60 <work corpus> fuzz/corpus/exacttext
// and to see what a crashing input does:
//   EXACTTEXT_TRACE=1 exacttext_fuzz <crash file>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTextCursor>

#include "gui/exacttextedit.h"

using yomika::ExactTextEdit;

namespace {

enum Kind : quint8 { CrLf, Lf, Cr, ParagraphBreak, FrameStart, FrameEnd };
constexpr char16_t blockBreak = 0x2029;

QString kindText(quint8 kind)
{
    static const QString texts[] = {QStringLiteral("\r\n"), QStringLiteral("\n"), QStringLiteral("\r"),
                                    QStringLiteral("\u2029"), QStringLiteral("\uFDD0"), QStringLiteral("\uFDD1")};
    return texts[kind];
}

// A text as the document holds it, one U+2029 a line end, and the line ends' kinds.
struct Model {
    QString doc;
    std::vector<quint8> kinds;

    static Model split(const QString& text)
    {
        Model m;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            int kind = -1;
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                kind = CrLf;
                ++i;
            } else if (c == u'\r') {
                kind = Cr;
            } else if (c == u'\n') {
                kind = Lf;
            } else if (c == 0x2029) {
                kind = ParagraphBreak;
            } else if (c == 0xFDD0) {
                kind = FrameStart;
            } else if (c == 0xFDD1) {
                kind = FrameEnd;
            }
            if (kind < 0) {
                m.doc += QChar(c);
            } else {
                m.doc += QChar(blockBreak);
                m.kinds.push_back(quint8(kind));
            }
        }
        return m;
    }

    QString exact() const
    {
        QString out;
        size_t k = 0;
        for (QChar c : doc)
            out += c == QChar(blockBreak) ? kindText(kinds[k++]) : QString(c);
        return out;
    }

    size_t breaksBefore(int p) const { return size_t(doc.left(p).count(QChar(blockBreak))); }

    qsizetype exactPos(int p) const
    {
        qsizetype e = 0;
        size_t k = 0;
        for (int i = 0; i < p && i < doc.size(); ++i)
            e += doc[i] == QChar(blockBreak) ? kindText(kinds[k++]).size() : 1;
        return e;
    }

    int docPos(qsizetype e) const
    {
        qsizetype x = 0;
        size_t k = 0;
        int i = 0;
        for (; i < doc.size(); ++i) {
            const qsizetype w = doc[i] == QChar(blockBreak) ? kindText(kinds[k]).size() : 1;
            if (x + w > e)
                break;
            x += w;
            k += doc[i] == QChar(blockBreak);
        }
        return i;
    }

    // doc[from, to) replaced by `piece`, whose line ends keep their kinds.
    void replace(int from, int to, const Model& piece)
    {
        const size_t k0 = breaksBefore(from);
        const size_t k1 = breaksBefore(to);
        kinds.erase(kinds.begin() + k0, kinds.begin() + k1);
        kinds.insert(kinds.begin() + k0, piece.kinds.begin(), piece.kinds.end());
        doc.replace(from, to - from, piece.doc);
    }

    // doc[from, to) replaced by `text` from outside the pane: line ends in
    // the parts that match the old text from either end keep their kinds,
    // the others are typed.
    void edit(int from, int to, const QString& text, quint8 typed)
    {
        const QString added = split(text).doc;
        const QString old = doc.mid(from, to - from);
        const qsizetype limit = std::min(old.size(), added.size());
        qsizetype prefix = 0;
        while (prefix < limit && old[prefix] == added[prefix])
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < limit - prefix && old[old.size() - 1 - suffix] == added[added.size() - 1 - suffix])
            ++suffix;
        const size_t k0 = breaksBefore(from);
        Model piece;
        piece.doc = added;
        for (qsizetype i = 0; i < added.size(); ++i) {
            if (added[i] != QChar(blockBreak))
                continue;
            qsizetype o = -1;
            if (i < prefix)
                o = i;
            else if (i >= added.size() - suffix)
                o = i - added.size() + old.size();
            piece.kinds.push_back(o < 0 ? typed : kinds[k0 + size_t(old.left(o).count(QChar(blockBreak)))]);
        }
        replace(from, to, piece);
    }
};

// What the input did so far, shown when a check fails. A crash shows none:
// with EXACTTEXT_TRACE set, every step is written out as it is taken.
QString trace;
const bool echoTrace = qEnvironmentVariableIsSet("EXACTTEXT_TRACE");

void addTrace(const QString& line)
{
    trace += line;
    if (echoTrace)
        std::fputs(line.toUtf8().constData(), stderr);
}

void note(const QString& line)
{
    addTrace(QStringLiteral("      ") + line + u'\n');
}

QString range(const QTextCursor& cursor)
{
    return QStringLiteral("%1..%2").arg(cursor.selectionStart()).arg(cursor.selectionEnd());
}

QString visible(const QString& text)
{
    QString out;
    for (QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F && c != u'\\')
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar(u'0'));
    }
    return out;
}

[[noreturn]] void fail(const char* what, const ExactTextEdit& pane, const Model& model)
{
    std::fprintf(stderr, "exacttext_fuzz: %s\n  steps:\n%s  pane : %s\n  model: %s\n", what,
                 trace.toUtf8().constData(), visible(pane.text()).toUtf8().constData(),
                 visible(model.exact()).toUtf8().constData());
    std::abort();
}

// The kinds as the pane shows them through its public calls.
std::vector<quint8> paneKinds(const ExactTextEdit& pane)
{
    std::vector<quint8> kinds;
    const QString raw = pane.document()->toRawText();
    const QString text = pane.text();
    for (int p = 0; p < raw.size(); ++p) {
        if (raw[p] != QChar(blockBreak))
            continue;
        const qsizetype e = pane.exactFromDocument(p);
        const QString end = text.mid(e, pane.exactFromDocument(p + 1) - e);
        quint8 kind = 0;
        while (kind <= FrameEnd && kindText(kind) != end)
            ++kind;
        kinds.push_back(kind);
    }
    return kinds;
}

void verify(const ExactTextEdit& pane, const Model& model)
{
    const QString exact = model.exact();
    if (pane.text() != exact)
        fail("text differs from the model", pane, model);
    if (pane.textLength() != exact.size())
        fail("textLength differs", pane, model);
    if (pane.document()->toRawText() != model.doc)
        fail("document differs from the model", pane, model);
    if (size_t(pane.blockCount()) != model.kinds.size() + 1)
        fail("block count differs", pane, model);
    if (paneKinds(pane) != model.kinds)
        fail("line-end kinds differ", pane, model);
    for (int p = -1; p <= model.doc.size() + 1; ++p) {
        const int clamped = std::clamp(p, 0, int(model.doc.size()));
        if (pane.exactFromDocument(p) != model.exactPos(clamped))
            fail("exactFromDocument differs", pane, model);
    }
    for (qsizetype e = -1; e <= exact.size() + 1; ++e) {
        const qsizetype clamped = std::clamp<qsizetype>(e, 0, exact.size());
        const int d = pane.documentFromExact(e);
        if (d != model.docPos(clamped))
            fail("documentFromExact differs", pane, model);
        if (pane.exactFromDocument(d) > clamped || pane.exactFromDocument(d) < clamped - 1)
            fail("mapping is not a round trip", pane, model);
    }
    const QTextCursor cursor = pane.textCursor();
    const qsizetype start = model.exactPos(cursor.selectionStart());
    const qsizetype end = model.exactPos(cursor.selectionEnd());
    if (pane.selectionStart() != start || pane.selectionLength() != end - start
        || pane.selectedText() != exact.mid(start, end - start))
        fail("selection differs", pane, model);
}

QString randomText(FuzzedDataProvider& data, int maxLength)
{
    static const char16_t alphabet[] = {u'a', u'b', u'\u3042', u'\u6f22', u'\r', u'\n', u'\r', u'\n',
                                        0x2029, 0x2028, 0x00A0, 0xFDD0, 0xFDD1, u'\t', u' ', 0,
                                        0xFFFC, 0xD83D, 0xDE00, 0x200B, 0x0301};
    QString text;
    const int length = data.ConsumeIntegralInRange(0, maxLength);
    for (int i = 0; i < length && data.remaining_bytes() > 0; ++i) {
        const unsigned pick = data.ConsumeIntegralInRange<unsigned>(0, std::size(alphabet) + 1);
        if (pick == std::size(alphabet))
            text += QStringLiteral("\r\n");
        else if (pick == std::size(alphabet) + 1)
            text += QStringLiteral("\U0001F600");
        else
            text += QChar(alphabet[pick]);
    }
    return text;
}

// A document range, as the document itself settles it.
QTextCursor randomRange(FuzzedDataProvider& data, const ExactTextEdit& pane)
{
    const int length = pane.document()->characterCount() - 1;
    QTextCursor cursor(pane.document());
    cursor.setPosition(data.ConsumeIntegralInRange(0, length));
    cursor.setPosition(data.ConsumeIntegralInRange(0, length), QTextCursor::KeepAnchor);
    return cursor;
}

// A selection as numbers: a QTextCursor would move with the edit.
struct Range {
    int from;
    int to;
};

Range selectionOf(const ExactTextEdit& pane)
{
    const QTextCursor cursor = pane.textCursor();
    return {cursor.selectionStart(), cursor.selectionEnd()};
}

void sendKey(ExactTextEdit& pane, int key, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&pane, &press);
}

} // namespace

// Fontconfig keeps its caches to the end of the process, and the one pane
// lives as long as the process, with the line layouts of its last text.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\nleak:QTextBlock::layout\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The application keeps a reference to its argument count.
    static int argc = 1;
    static char name[] = "exacttext_fuzz";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static ExactTextEdit* pane = new ExactTextEdit;
    static const quint8 typed = Model::split(ExactTextEdit::typedLineBreak()).kinds.front();
    FuzzedDataProvider data(bytes, size);

    Model model = Model::split(randomText(data, 200));
    trace.clear();
    addTrace(QStringLiteral("    setText %1\n").arg(visible(model.exact())));
    pane->setText(model.exact());
    verify(*pane, model);

    for (int step = 0; step < 24 && data.remaining_bytes() > 0; ++step) {
        const int docLength = int(model.doc.size());
        const int op = data.ConsumeIntegralInRange(0, 13);
        {
            const QTextCursor c = pane->textCursor();
            addTrace(QStringLiteral("    op %1 (caret %2..%3) on %4\n")
                         .arg(op).arg(c.selectionStart()).arg(c.selectionEnd()).arg(visible(model.exact())));
        }
        switch (op) {
        case 0: { // a new text
            const QString text = randomText(data, 200);
            note(QStringLiteral("setText %1").arg(visible(text)));
            pane->setText(text);
            model = Model::split(text);
            break;
        }
        case 1: { // select in exact positions
            const qsizetype length = model.exact().size();
            const qsizetype start = data.ConsumeIntegralInRange<qsizetype>(-2, length + 2);
            const qsizetype count = data.ConsumeIntegralInRange<qsizetype>(-2, length + 2);
            note(QStringLiteral("setSelection %1, %2").arg(start).arg(count));
            pane->setSelection(start, count);
            const qsizetype s = std::clamp<qsizetype>(start, 0, length);
            const qsizetype e = s + std::clamp<qsizetype>(count, 0, length - s);
            if (pane->selectionStart() != model.exactPos(model.docPos(s))
                || pane->selectionStart() + pane->selectionLength() != model.exactPos(model.docPos(e)))
                fail("setSelection", *pane, model);
            break;
        }
        case 2: { // the pane's own insertion over a selection
            pane->setTextCursor(randomRange(data, *pane));
            const QString text = randomText(data, 12);
            const Range before = selectionOf(*pane);
            note(QStringLiteral("replaceSelection %1").arg(visible(text)));
            pane->replaceSelection(text);
            model.replace(before.from, before.to, Model::split(text));
            break;
        }
        case 3: { // insertText through a document cursor
            QTextCursor cursor = randomRange(data, *pane);
            const QString text = randomText(data, 12);
            const int from = cursor.selectionStart();
            const int to = cursor.selectionEnd();
            note(QStringLiteral("insertText %1 over %2").arg(visible(text), range(cursor)));
            cursor.insertText(text);
            model.edit(from, to, text, typed);
            break;
        }
        case 4: { // a block inserted through a document cursor
            QTextCursor cursor(pane->document());
            cursor.setPosition(data.ConsumeIntegralInRange(0, docLength));
            const int at = cursor.position();
            note(QStringLiteral("insertBlock at %1").arg(at));
            cursor.insertBlock();
            model.edit(at, at, QStringLiteral("\n"), typed);
            break;
        }
        case 5: { // Return typed over the selection
            pane->setTextCursor(randomRange(data, *pane));
            const Range before = selectionOf(*pane);
            note(QStringLiteral("Return over %1").arg(range(pane->textCursor())));
            sendKey(*pane, Qt::Key_Return, QStringLiteral("\r"));
            model.replace(before.from, before.to, Model::split(ExactTextEdit::typedLineBreak()));
            break;
        }
        case 6: { // a character typed over the selection
            pane->setTextCursor(randomRange(data, *pane));
            const Range before = selectionOf(*pane);
            note(QStringLiteral("x typed over %1").arg(range(pane->textCursor())));
            sendKey(*pane, Qt::Key_X, QStringLiteral("x"));
            model.edit(before.from, before.to, QStringLiteral("x"), typed);
            break;
        }
        case 7:
        case 8: { // Backspace or Delete: how much goes is the document's affair
            const bool backspace = data.ConsumeBool();
            pane->setTextCursor(randomRange(data, *pane));
            const Range before = selectionOf(*pane);
            note(QStringLiteral("%1 over %2")
                     .arg(backspace ? QStringLiteral("Backspace") : QStringLiteral("Delete"), range(pane->textCursor())));
            sendKey(*pane, backspace ? Qt::Key_Backspace : Qt::Key_Delete);
            const int removed = docLength - (pane->document()->characterCount() - 1);
            int from = before.from;
            int to = before.to;
            if (from == to) {
                if (backspace)
                    from -= removed;
                else
                    to += removed;
            }
            model.edit(from, to, QString(), typed);
            break;
        }
        case 9: { // an input method commit over the selection or over a range around the caret
            pane->setTextCursor(randomRange(data, *pane));
            Range before = selectionOf(*pane);
            const QString commit = randomText(data, 6);
            int replaceFrom = 0;
            int replaceLength = 0;
            if (before.from == before.to && data.ConsumeBool()) {
                replaceFrom = -data.ConsumeIntegralInRange(0, before.from);
                replaceLength = data.ConsumeIntegralInRange(0, docLength - (before.from + replaceFrom));
                before.from += replaceFrom;
                before.to = before.from + replaceLength;
            }
            note(QStringLiteral("commit %1 over %2..%3").arg(visible(commit)).arg(before.from).arg(before.to));
            QInputMethodEvent event;
            event.setCommitString(commit, replaceFrom, replaceLength);
            QApplication::sendEvent(pane, &event);
            if (!commit.isEmpty() || replaceLength > 0) {
                Model piece = Model::split(commit);
                std::fill(piece.kinds.begin(), piece.kinds.end(), typed);
                model.replace(before.from, before.to, piece);
            }
            break;
        }
        case 10: { // a format change: the text stays
            QTextCursor cursor = randomRange(data, *pane);
            QTextCharFormat format;
            format.setFontWeight(data.ConsumeBool() ? QFont::Bold : QFont::Normal);
            format.setFontItalic(data.ConsumeBool());
            note(QStringLiteral("format weight %1 italic %2 over %3")
                     .arg(format.fontWeight()).arg(format.fontItalic()).arg(range(cursor)));
            cursor.mergeCharFormat(format);
            break;
        }
        case 11:
        case 12: { // several edits in one edit block, as a drop that moves text does
            const bool move = data.ConsumeBool();
            QTextCursor cursor = randomRange(data, *pane);
            int low = cursor.selectionStart();
            int tail = docLength - cursor.selectionEnd();
            const qsizetype movedStart = model.exactPos(cursor.selectionStart());
            const QString moved = model.exact().mid(movedStart, model.exactPos(cursor.selectionEnd()) - movedStart);
            // Where the second edit goes, in the text after the removal.
            const int removedLength = cursor.selectionEnd() - cursor.selectionStart();
            const int length = docLength - removedLength;
            const int target = data.ConsumeIntegralInRange(0, length);
            if (move) {
                // A drop puts the caret at the drop point without scrolling
                // to it, before the edit block; the removal moves it on to
                // the target. Placed inside the block, the caret would make
                // the base class scroll to it, going by lines of blocks that
                // the removal joined and that the document lays out again
                // only when the block closes.
                QTextCursor caret(pane->document());
                caret.setPosition(target <= cursor.selectionStart() ? target : target + removedLength);
                pane->setTextCursor(caret);
            }
            note(QStringLiteral("edit block: remove %1").arg(range(cursor)));
            cursor.beginEditBlock();
            cursor.removeSelectedText();
            QTextCursor second(pane->document());
            second.setPosition(target);
            low = std::min(low, target);
            tail = std::min(tail, length - target);
            if (move) {
                if (pane->textCursor().position() != target || pane->textCursor().hasSelection())
                    fail("the removal put the caret elsewhere", *pane, model);
                const QString text = data.ConsumeBool() ? moved : randomText(data, 8);
                note(QStringLiteral("  caret to %1, replaceSelection %2").arg(second.position()).arg(visible(text)));
                pane->replaceSelection(text);
            } else {
                const QString text = randomText(data, 8);
                note(QStringLiteral("  insertText %1 at %2").arg(visible(text)).arg(second.position()));
                second.insertText(text);
            }
            cursor.endEditBlock();
            // Line ends before and after everything touched keep their kinds.
            const std::vector<quint8> kinds = paneKinds(*pane);
            const size_t before = model.breaksBefore(low);
            const size_t after = model.kinds.size() - model.breaksBefore(docLength - tail);
            if (kinds.size() < before + after || !std::equal(kinds.begin(), kinds.begin() + before, model.kinds.begin())
                || !std::equal(kinds.end() - after, kinds.end(), model.kinds.end() - after))
                fail("untouched line ends changed in an edit block", *pane, model);
            model.doc = pane->document()->toRawText();
            model.kinds = kinds;
            break;
        }
        case 13: {
            if (data.ConsumeBool()) {
                // The text read back, set again: edits can join a CR and a
                // following LF line end into the text of one CR LF.
                const QString text = pane->text();
                note(QStringLiteral("text set again"));
                pane->setText(text);
                model = Model::split(text);
            } else {
                // The base class's own setter: its line ends are typed.
                QPlainTextEdit& base = *pane;
                const QString text = randomText(data, 40);
                note(QStringLiteral("base class setPlainText %1").arg(visible(text)));
                base.setPlainText(text);
                model = Model::split(text);
                std::fill(model.kinds.begin(), model.kinds.end(), typed);
            }
            break;
        }
        }
        verify(*pane, model);
    }
    return 0;
}
