#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include "core/text/encoding.h"

// The text encodings of core/text for QString: whole texts decoded from and
// encoded to the bytes of a file. The rules are those of encoding.h and
// codepage.h. All functions may be called from several threads at once.

namespace yomika {

/// The encoding of a whole file's bytes (see encoding.h).
inline TextEncoding detectEncoding(QByteArrayView bytes)
{
    return detectEncoding(std::string_view(bytes.data(), std::size_t(bytes.size())));
}

/// The text of a whole file's bytes, decoded in detectEncoding's choice. Line
/// ends pass unchanged. Throws std::bad_alloc when memory runs out.
QString decodeText(QByteArrayView bytes);

} // namespace yomika

namespace yomika::codepage {

/// Decodes a whole byte sequence of the code page.
QString decode(QByteArrayView bytes);

/// Encodes a whole text in the code page.
QByteArray encode(QStringView text);

/// True when the code page holds every character of `text`, so that encode()
/// writes no "?" of its own (a character under Microsoft's code point counts
/// as held).
bool holds(QStringView text);

} // namespace yomika::codepage
