#include "gui/exacttextedit.h"

#include <algorithm>
#include <vector>

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "gui/lineends.h"

namespace yomika {

using namespace lineends;


class ExactTextEdit::Private {
public:
    explicit Private(QTextDocument* document) : doc(document) {}

    // An edit the pane makes itself: `removed` document units from `start`
    // replaced by `documentText`, whose line ends are of `kinds`.
    struct Edit {
        bool active = false;
        int start = 0;
        int removed = 0;
        QString documentText;
        std::vector<quint8> kinds;
    };

    void documentChanged(int position, int removed, int added);
    bool applyChange(int from, int oldEnd, const QString& added, const Edit& edit);
    bool applyKnownEdit(int from, int oldEnd, const QString& added, const Edit& edit);
    void replaceKinds(size_t first, size_t count, const std::vector<quint8>& newKinds);
    QString documentRange(int from, int to) const;
    void index(bool withText) const;
    void refresh() const
    {
        if (stale)
            index(true);
    }

    QTextDocument* doc;
    QString raw;               // the document's raw text as of the last change seen
    std::vector<quint8> kinds; // the line end of each block break of `raw`, in order
    bool settingText = false;
    Edit pending; // the pane's own edit whose change report is still to come

    // Derived from raw and kinds, rebuilt on demand after a change.
    mutable bool stale = false;
    mutable QString text;
    mutable std::vector<int> breaks{};      // document position of each block break
    mutable std::vector<int> crlfBefore{0}; // CR LFs among the first k breaks, for k = 0..breaks
};

void ExactTextEdit::Private::documentChanged(int position, int removed, int added)
{
    if (settingText)
        return;
    const Edit taken = std::exchange(pending, Edit{});
    const int oldLength = int(raw.size());
    const int newLength = doc->characterCount() - 1;
    // The counts can include the document's last, implicit block end, which
    // is not in the raw text: cut the range to both texts, then widen it so
    // that what follows it has the same length before and after.
    const qint64 start = position;
    const int from = int(std::clamp<qint64>(start, 0, std::min(oldLength, newLength)));
    int oldEnd = int(std::clamp<qint64>(start + removed, from, oldLength));
    int newEnd = int(std::clamp<qint64>(start + added, from, newLength));
    if (oldLength - oldEnd > newLength - newEnd)
        oldEnd = oldLength - (newLength - newEnd);
    else
        newEnd = newLength - (oldLength - oldEnd);
    if (applyChange(from, oldEnd, documentRange(from, newEnd), taken))
        return;
    // The document changed in a way its report does not cover: compare the
    // whole text, so the table stays consistent in every case.
    const QString whole = doc->toRawText();
    if (applyChange(0, oldLength, whole, taken))
        return;
    raw = whole;
    kinds.assign(size_t(whole.count(QChar(blockBreak))), typedKind());
    stale = true;
}

// The document's text `added` now replaces raw[from, oldEnd). The range
// reported can be wider than the edit (an input method marks the whole block
// of the caret changed, an edit block joins edits at two places), so the
// pane's own edit is looked for first: when the report is that edit with
// unchanged text around it, exactly its line ends change. Otherwise line
// ends inside the pane's own inserted text take its kinds; the rest of the
// new text is matched against the old from both ends, and line ends in the
// matched parts keep their kind; what is left over was typed.
bool ExactTextEdit::Private::applyChange(int from, int oldEnd, const QString& added, const Edit& edit)
{
    if (edit.active && applyKnownEdit(from, oldEnd, added, edit))
        return true;
    const QStringView old = QStringView(raw).mid(from, oldEnd - from);
    const qsizetype addedLength = added.size();

    qsizetype insertFrom = 0;
    qsizetype insertTo = 0;
    if (edit.active) {
        const qsizetype at = qsizetype(edit.start) - from;
        const qsizetype length = edit.documentText.size();
        if (at >= 0 && at + length <= addedLength && QStringView(added).mid(at, length) == edit.documentText) {
            insertFrom = at;
            insertTo = at + length;
        }
    }
    if (insertFrom == insertTo && old == added)
        return true; // formats changed, not text

    const qsizetype gap = insertTo - insertFrom;
    const qsizetype restLength = addedLength - gap;
    const auto rest = [&](qsizetype i) { return added[i < insertFrom ? i : i + gap]; };
    const qsizetype limit = std::min(old.size(), restLength);
    qsizetype prefix = 0;
    while (prefix < limit && old[prefix] == rest(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < limit - prefix && old[old.size() - 1 - suffix] == rest(restLength - 1 - suffix))
        ++suffix;

    std::vector<qsizetype> oldBreaks;
    for (qsizetype i = 0; i < old.size(); ++i) {
        if (old[i] == blockBreak)
            oldBreaks.push_back(i);
    }
    // The text before `from` did not change, so neither did its block count.
    const qsizetype first = from == 0 ? 0 : doc->findBlock(from).blockNumber();
    if (first < 0 || first + oldBreaks.size() > kinds.size())
        return false;
    const auto oldKind = [&](qsizetype offset) {
        const auto k = std::lower_bound(oldBreaks.begin(), oldBreaks.end(), offset) - oldBreaks.begin();
        return kinds[first + k];
    };

    std::vector<quint8> newKinds;
    size_t inserted = 0;
    for (qsizetype i = 0; i < addedLength; ++i) {
        if (added[i] != blockBreak)
            continue;
        if (i >= insertFrom && i < insertTo) {
            newKinds.push_back(edit.kinds[inserted++]);
            continue;
        }
        const qsizetype r = i < insertFrom ? i : i - gap;
        if (r < prefix)
            newKinds.push_back(oldKind(r));
        else if (r >= restLength - suffix)
            newKinds.push_back(oldKind(r - restLength + old.size()));
        else
            newKinds.push_back(typedKind());
    }
    if (kinds.size() - oldBreaks.size() + newKinds.size() != size_t(doc->blockCount() - 1))
        return false;

    replaceKinds(size_t(first), oldBreaks.size(), newKinds);
    raw.replace(from, oldEnd - from, added);
    stale = true;
    return true;
}

bool ExactTextEdit::Private::applyKnownEdit(int from, int oldEnd, const QString& added, const Edit& edit)
{
    const QStringView old = QStringView(raw).mid(from, oldEnd - from);
    const QStringView now(added);
    const qsizetype at = qsizetype(edit.start) - from;
    const qsizetype inserted = edit.documentText.size();
    if (at < 0 || at + edit.removed > old.size() || at + inserted > now.size()
        || old.size() - edit.removed != now.size() - inserted || now.mid(at, inserted) != edit.documentText
        || old.left(at) != now.left(at) || old.mid(at + edit.removed) != now.mid(at + inserted))
        return false;
    const auto breaksIn = [](QStringView text) { return size_t(text.count(QChar(blockBreak))); };
    const size_t first = (from == 0 ? 0 : size_t(doc->findBlock(from).blockNumber())) + breaksIn(old.left(at));
    const size_t removed = breaksIn(old.mid(at, edit.removed));
    if (first + removed > kinds.size()
        || kinds.size() - removed + edit.kinds.size() != size_t(doc->blockCount() - 1))
        return false;
    replaceKinds(first, removed, edit.kinds);
    raw.replace(from, oldEnd - from, added);
    stale = true;
    return true;
}

void ExactTextEdit::Private::replaceKinds(size_t first, size_t count, const std::vector<quint8>& newKinds)
{
    kinds.erase(kinds.begin() + qsizetype(first), kinds.begin() + qsizetype(first + count));
    kinds.insert(kinds.begin() + qsizetype(first), newKinds.begin(), newKinds.end());
}

QString ExactTextEdit::Private::documentRange(int from, int to) const
{
    if (from >= to)
        return {};
    QTextCursor cursor(doc);
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

void ExactTextEdit::Private::index(bool withText) const
{
    breaks.clear();
    crlfBefore.assign(1, 0);
    breaks.reserve(kinds.size());
    crlfBefore.reserve(kinds.size() + 1);
    if (withText) {
        text.clear();
        text.reserve(raw.size() + qsizetype(kinds.size()));
    }
    const char16_t* const units = reinterpret_cast<const char16_t*>(raw.constData());
    const int n = int(raw.size());
    int runStart = 0;
    int crlf = 0;
    for (int i = 0; i < n; ++i) {
        if (units[i] != blockBreak)
            continue;
        const quint8 kind = kinds[breaks.size()];
        if (withText) {
            text.append(QStringView(units + runStart, i - runStart));
            appendLineEnd(text, kind);
        }
        breaks.push_back(i);
        crlf += kind == CrLf;
        crlfBefore.push_back(crlf);
        runStart = i + 1;
    }
    if (withText)
        text.append(QStringView(units + runStart, n - runStart));
    stale = false;
}

ExactTextEdit::ExactTextEdit(QWidget* parent)
    : QPlainTextEdit(parent)
    , d(new Private(document()))
{
    setUndoRedoEnabled(false);
    setTabChangesFocus(true);
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int position, int removed, int added) { d->documentChanged(position, removed, added); });
}

ExactTextEdit::~ExactTextEdit()
{
    // The document outlives this part of the object: no report may reach
    // the table once it is gone.
    disconnect(document(), nullptr, this, nullptr);
    delete d;
}

void ExactTextEdit::setText(const QString& text)
{
    QString documentText;
    std::vector<quint8> kinds;
    splitLineEnds(text, documentText, kinds);
    d->pending = {};
    {
        const QScopedValueRollback<bool> guard(d->settingText, true);
        QPlainTextEdit::setPlainText(documentText);
    }
    d->raw = documentText;
    d->kinds = std::move(kinds);
    d->text = text;
    d->index(false);
    if (d->raw.size() != document()->characterCount() - 1 || d->kinds.size() + 1 != size_t(blockCount())) {
        // The document broke the text otherwise than expected: follow it.
        d->applyChange(0, int(d->raw.size()), document()->toRawText(), {});
    }
}

QString ExactTextEdit::text() const
{
    d->refresh();
    return d->text;
}

qsizetype ExactTextEdit::textLength() const
{
    d->refresh();
    return d->text.size();
}

qsizetype ExactTextEdit::selectionStart() const
{
    return exactFromDocument(textCursor().selectionStart());
}

qsizetype ExactTextEdit::selectionLength() const
{
    const QTextCursor cursor = textCursor();
    return exactFromDocument(cursor.selectionEnd()) - exactFromDocument(cursor.selectionStart());
}

QString ExactTextEdit::selectedText() const
{
    const QTextCursor cursor = textCursor();
    const qsizetype start = exactFromDocument(cursor.selectionStart());
    const qsizetype end = exactFromDocument(cursor.selectionEnd());
    return text().mid(start, end - start);
}

void ExactTextEdit::setSelection(qsizetype start, qsizetype length)
{
    const qsizetype total = textLength();
    start = std::clamp<qsizetype>(start, 0, total);
    length = std::clamp<qsizetype>(length, 0, total - start);
    QTextCursor cursor = textCursor();
    cursor.setPosition(documentFromExact(start));
    cursor.setPosition(documentFromExact(start + length), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void ExactTextEdit::replaceSelection(const QString& text)
{
    QTextCursor cursor = textCursor();
    if (text.isEmpty() && !cursor.hasSelection())
        return;
    Private::Edit edit;
    edit.active = true;
    const int start = cursor.selectionStart();
    edit.start = start;
    edit.removed = cursor.selectionEnd() - start;
    splitLineEnds(text, edit.documentText, edit.kinds);
    const QString documentText = edit.documentText;
    // The change report comes from the edit itself, or from the end of an
    // edit block around this call (a drop), and takes the edit with it.
    d->pending = std::move(edit);
    if (documentText.isEmpty())
        cursor.removeSelectedText();
    else
        cursor.insertText(documentText);
    if (d->pending.active) {
        // No report yet: an edit block is open, and the document lays the
        // changed blocks out again only when it closes. Until then their
        // layouts keep the lines of the old text, which can end before the
        // caret, and the base class, scrolling to the caret, uses the line
        // it finds there without checking that there is one. A cleared
        // layout is laid out afresh from the current text when asked for.
        for (QTextBlock block = document()->findBlock(start); block.isValid(); block = block.next()) {
            block.clearLayout();
            if (block == cursor.block())
                break;
        }
    }
    setTextCursor(cursor);
}

qsizetype ExactTextEdit::exactFromDocument(int documentPosition) const
{
    d->refresh();
    const int position = std::clamp(documentPosition, 0, int(d->raw.size()));
    const auto k = std::lower_bound(d->breaks.begin(), d->breaks.end(), position) - d->breaks.begin();
    return position + d->crlfBefore[k];
}

int ExactTextEdit::documentFromExact(qsizetype exactPosition) const
{
    d->refresh();
    const qsizetype position = std::clamp<qsizetype>(exactPosition, 0, d->text.size());
    // Count the line ends that start before the position; a position inside
    // a CR LF then lands on the block break that stands for it.
    size_t low = 0;
    size_t high = d->breaks.size();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (d->breaks[middle] + d->crlfBefore[middle] < position)
            low = middle + 1;
        else
            high = middle;
    }
    return int(position - d->crlfBefore[low]);
}

void ExactTextEdit::keyPressEvent(QKeyEvent* event)
{
    // Return and Enter, with or without Shift, break the line with the
    // platform's line end; the base class would put U+2028 for Shift+Return,
    // which no file reads as a line end.
    if ((textInteractionFlags() & Qt::TextEditable)
        && (event->matches(QKeySequence::InsertParagraphSeparator)
            || event->matches(QKeySequence::InsertLineSeparator))) {
        replaceSelection(typedLineBreak());
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void ExactTextEdit::inputMethodEvent(QInputMethodEvent* event)
{
    // A commit replaces the selection, or a range around the caret, with
    // typed text. Known beforehand, the change keeps every other line end
    // even though its report covers the caret's whole block. A commit that
    // both replaces a selection and a range around the caret is left to the
    // general matching.
    const QTextCursor cursor = textCursor();
    const bool replacesSelection = cursor.hasSelection() && event->replacementLength() == 0
                                   && event->replacementStart() == 0;
    const bool changes = !event->commitString().isEmpty() || event->replacementLength() > 0;
    if ((textInteractionFlags() & Qt::TextEditable) && changes && (replacesSelection || !cursor.hasSelection())) {
        Private::Edit edit;
        edit.active = true;
        edit.start = cursor.selectionStart() + (replacesSelection ? 0 : event->replacementStart());
        edit.removed = replacesSelection ? cursor.selectionEnd() - cursor.selectionStart()
                                         : event->replacementLength();
        splitLineEnds(event->commitString(), edit.documentText, edit.kinds);
        std::fill(edit.kinds.begin(), edit.kinds.end(), typedKind());
        d->pending = std::move(edit);
    }
    QPlainTextEdit::inputMethodEvent(event);
    d->pending = {};
}

QMimeData* ExactTextEdit::createMimeDataFromSelection() const
{
    auto* data = new QMimeData;
    data->setText(selectedText());
    return data;
}

void ExactTextEdit::insertFromMimeData(const QMimeData* source)
{
    if (source && source->hasText()) {
        const QString text = source->text();
        if (!text.isEmpty())
            replaceSelection(text);
        return;
    }
    QPlainTextEdit::insertFromMimeData(source);
}

} // namespace yomika
