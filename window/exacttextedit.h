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

namespace yomika {

class ExactTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ExactTextEdit(QWidget* parent = nullptr);
    ~ExactTextEdit() override;

    /// Replaces the whole text. Never fails.
    void setText(const QString& text);
    /// The exact text.
    QString text() const;
    /// Length of the exact text in UTF-16 units.
    qsizetype textLength() const;

    /// The selection (or the caret when nothing is selected) in exact-text positions.
    qsizetype selectionStart() const;
    qsizetype selectionLength() const;
    QString selectedText() const;
    /// Selects `length` units from `start` (clamped to the text) and puts the
    /// caret at the end; a position inside a CR LF moves to its start.
    void setSelection(qsizetype start, qsizetype length);

    /// What a line break typed by the user stands for: CR LF on Windows, LF elsewhere.
    static QString typedLineBreak();

    /// Exact-text position for a document position, and back. For tests and
    /// for the window's own commands.
    qsizetype exactFromDocument(int documentPosition) const;
    int documentFromExact(qsizetype exactPosition) const;

private:
    class Private;
    Private* d;
};

} // namespace yomika
