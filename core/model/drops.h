#pragma once

#include <QString>
#include <QStringList>

class QMimeData;

// What the user drops on the window. The files themselves are read as any
// other file is, in the encoding their bytes show (textstream.h).

namespace yomika {

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
