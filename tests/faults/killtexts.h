#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The texts the kill tests write, made the same way by the writer that is
// killed and by the test that checks what it left. Each is a few hundred
// kilobytes to a few megabytes of Japanese and ASCII lines with CR LF line
// ends; its first line names it, and its length differs from its
// neighbours', so a file cut short or made of two texts is told apart.

namespace yomika::killtest {

/// Version `version` of a whole file: about (1 + version % 3) MB in the code page.
inline QString wholeText(int version)
{
    QString text = QStringLiteral("版 %1\r\n").arg(version);
    const int lines = 9000 * (1 + version % 3) + version % 97;
    text.reserve(lines * 60);
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("版%1の%2行目：日本語の文とASCII text, ｶﾀｶﾅ。\r\n").arg(version).arg(i);
    return text;
}

/// Piece `index` of an appended file: about (100 + index % 5 * 100) KB.
inline QString appendPiece(int index)
{
    QString text = QStringLiteral("追加 %1\r\n").arg(index);
    const int lines = 1800 * (1 + index % 5) + index % 89;
    text.reserve(lines * 60);
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("追加%1の%2行目：後ろに足される文。\r\n").arg(index).arg(i);
    return text;
}

/// The bytes of the file at `path`, or "<missing>" when it cannot be read,
/// so that a vanished file shows in a failed comparison.
inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

} // namespace yomika::killtest
