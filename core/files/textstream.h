#pragma once

#include <memory>

#include <QList>
#include <QString>

#include "core/files/errornumber.h"
#include "core/text/encoding.h"
#include "core/files/wholefile.h"

// Texts too large to hold in memory: a file's text read in pieces, and a text
// made of pieces (strings and files' texts) written out piece by piece. Both
// follow the rules of textencoding.h: a file is read by what all its bytes
// are, and written in UTF-8.

namespace yomika {

/// A part of a text: a string held in memory, or the text of a file.
struct TextPiece {
    QString text;     // used when `path` is empty
    QString path;     // a file, read in `encoding`
    TextEncoding encoding = TextEncoding::Utf8;
};

/// What reading a file through tells.
struct TextScan {
    TextEncoding encoding = TextEncoding::Utf8;
    qint64 units = 0; // the length of its text in UTF-16 units
    QString head;     // the first units of its text, as many as asked for
};

/// Reads the file at `path` through, in pieces, and tells its encoding, the
/// length of its text and its first `headUnits` units, holding no more of it
/// than that. The refusals and error numbers of readWholeFile, without its
/// size limit.
Result<TextScan> scanTextFile(const QString& path, qsizetype headUnits);

/// Hands out the text of `pieces` as UTF-8, piece by piece, for
/// writeWholeFileFrom. A file that cannot be read ends the pieces with its
/// error. A file of well-formed UTF-8 is handed out as its very bytes.
std::unique_ptr<ByteSource> utf8Source(const QList<TextPiece>& pieces);

/// Replaces the file at `target` with the text of the file at `source`, of
/// any size, in UTF-8: the very bytes of a well-formed UTF-8 file, copied by
/// the system where it can; a file of another encoding converted. The
/// refusals and error numbers of FileReader::open and writeWholeFileFrom.
Result<> writeTextFileAsUtf8(const QString& source, const QString& target);

} // namespace yomika
