#pragma once

#include <vector>

#include <QString>
#include <QStringView>

// The line-end table of the exact-text pane: the document keeps one block
// break for every line end, and the table beside it keeps which line end
// each one was.

namespace yomika::lineends {

// The kinds of line end, one for each block break of the document.
enum LineEnd : quint8 { CrLf, Lf, Cr, ParagraphBreak, FrameStart, FrameEnd };

// How the document's raw text shows a block break.
constexpr char16_t blockBreak = 0x2029;
// QTextBeginningOfFrame and QTextEndOfFrame: inserted as text, each breaks a block.
constexpr char16_t frameStart = 0xFDD0;
constexpr char16_t frameEnd = 0xFDD1;

/// Appends the line end of `kind` to `text`.
void appendLineEnd(QString& text, quint8 kind);

/// The document's form of an exact text, one U+2029 for each line end, broken
/// the way QTextCursor::insertText breaks blocks (a CR directly followed by LF
/// is one break), and the kinds of those line ends in order.
void splitLineEnds(QStringView text, QString& documentText, std::vector<quint8>& kinds);

/// The kind of line end a typed line break stands for.
quint8 typedKind();

} // namespace yomika::lineends
