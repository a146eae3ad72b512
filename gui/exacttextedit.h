#pragma once

#include <QPlainTextEdit>

// A multi-line text pane that keeps its text exactly. QPlainTextEdit turns
// every line end into a block break and plain-text export turns U+00A0 into a
// blank and U+2028 into LF; this pane keeps the exact text's line ends in a
// table beside the document and maps positions between the two, so setting a
// text and reading it back gives the identical string (CR LF, LF, CR, U+2028,
// U+2029, U+00A0, characters outside the BMP). Positions and lengths are in
// UTF-16 units of the exact text, where a CR LF counts two. A line break the
// user types stands for typedLineBreak().
//
// Every sequence that the document turns into a block break is a line end of
// the table: CR LF, LF, CR, U+2029, U+FDD0 and U+FDD1. The table follows
// every change of the document: text that this pane inserts itself (setText,
// replaceSelection, the widget's own paste and drop) keeps its own line ends,
// and a typed Return or an input method commit puts typedLineBreak(); where
// the document is changed from outside, the changed range is compared with
// the old text, line ends in the unchanged parts keep their kind and new ones
// stand for typedLineBreak(). Copying and dragging from the pane give the
// exact text of the selection.
//
// The document keeps no undo history: the window undoes whole pane pairs
// itself. Tab moves the focus on and is never typed into the text.

namespace yomika {

class ExactTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ExactTextEdit(QWidget* parent = nullptr);
    ~ExactTextEdit() override;

    /// Replaces the whole text.
    void setText(const QString& text);
    /// The exact text. Costs nothing when the text has not changed since the
    /// last call; after an edit it is rebuilt once, in time linear in its length.
    QString text() const;
    /// Length of the exact text in UTF-16 units.
    qsizetype textLength() const;

    /// The selection (or the caret when nothing is selected) in exact-text positions.
    qsizetype selectionStart() const;
    qsizetype selectionLength() const;
    QString selectedText() const;
    /// Selects `length` units from `start` (clamped to the text; a negative
    /// length selects nothing) and puts the caret at the end; a position
    /// inside a CR LF moves to its start.
    void setSelection(qsizetype start, qsizetype length);

    /// Replaces the selection, or inserts at the caret, with `text` exactly,
    /// its own line ends kept; the caret ends after it.
    void replaceSelection(const QString& text);

    /// What a line break typed by the user stands for: CR LF on Windows, LF elsewhere.
    static QString typedLineBreak();

    /// Exact-text position for a document position, and back. For tests and
    /// for the window's own commands. Positions out of range are clamped; an
    /// exact position inside a CR LF maps to the block break of that CR LF.
    qsizetype exactFromDocument(int documentPosition) const;
    int documentFromExact(qsizetype exactPosition) const;

    // The plain-text calls of the base class would lose the line ends; called
    // on this class they keep them.
    /// Same as setText().
    void setPlainText(const QString& text) { setText(text); }
    /// Same as text().
    QString toPlainText() const { return text(); }
    /// Same as replaceSelection().
    void insertPlainText(const QString& text) { replaceSelection(text); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    class Private;
    Private* d;
};

} // namespace yomika
