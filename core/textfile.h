#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include "core/wholefile.h"

class QMimeData;

// Text files that the user opens or drops. Most text files made today are in
// UTF-8, which read in the code page would turn into garbage, so these files
// (and only these: the settings, resource and temporary files keep the code
// page) are read as UTF-8 when their bytes say so.

namespace yomika {

/// The text of a user's text file from its bytes. They are read as UTF-8
/// when they start with a UTF-8 byte-order mark (which is dropped), or when
/// they are valid UTF-8 and hold at least one multi-byte character; in the
/// code page otherwise (text of ASCII characters only reads the same either
/// way). Line ends pass unchanged.
QString decodeTextFile(QByteArrayView bytes);

/// Reads a user's text file whole. The same contract as readWholeFile: the
/// empty text and a non-zero error number when the file cannot be read
/// (missing, a directory, not a regular file, too large ...), the empty text
/// and 0 for an empty file.
ReadResult readTextFile(const QString& path);

/// What a drop brings.
struct DroppedData {
    enum class Kind { Nothing, Text, Files };
    Kind kind = Kind::Nothing;
    QString text;      // Kind::Text: the dropped text, exactly
    QStringList paths; // Kind::Files: local paths, in the drag source's order
};

/// Interprets dropped data. Plain text comes first, except where it is
/// nothing but the names or URIs of the files the data also lists (file
/// managers on Linux desktops offer them as text beside the file list):
/// that is a drop of those files. Entries of the list that are not local
/// files (http URLs ...) are left out; a list without a local file is no
/// file list. Anything else (an image ...) is Nothing.
DroppedData interpretDrop(const QMimeData& data);

/// True when interpretDrop() would find text or files in `data`, cheaply
/// enough to ask on every move of a drag.
bool offersTextOrFiles(const QMimeData& data);

/// The message shown for a dropped directory: its path, CR LF, "はディレクトリです".
QString directoryMessage(const QString& path);

} // namespace yomika
