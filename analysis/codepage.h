#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The ANSI code page of the files the program reads and writes: the system's
// on Windows, Windows-932 (Shift-JIS with Microsoft's mapping) everywhere else.
//
// Conversion never fails and never loses a byte silently:
//  - bytes the code page maps decode as Windows decodes them;
//  - any other byte decodes to U+FFFD and decoding resumes at the next byte
//    (a lead byte with a bad trail byte gives U+FFFD, then the trail byte is
//    decoded on its own); a lead byte at the very end gives U+FFFD;
//  - a character the code page cannot hold encodes as "?" (one "?" for a
//    character outside the BMP, and for a lone surrogate).
// Every byte yields at most one UTF-16 unit, so decoding n bytes gives at most
// n units; encoding n UTF-16 units gives at most 2n bytes.

namespace yomika::codepage {

/// Decodes a whole byte sequence. Never fails.
QString decode(QByteArrayView bytes);

/// Encodes a whole text. Never fails.
QByteArray encode(QStringView text);

// Qt-free entry points for the analyzer (kotoka), which streams its input
// and talks UTF-8 with its engine.

/// Decodes `bytes` and appends the result to `out` as UTF-8. When `final` is
/// false, a lead byte standing last in `bytes` is not consumed, so that a
/// stream can be decoded piece by piece without splitting a character.
/// Returns the number of bytes consumed. Never fails.
std::size_t decodeToUtf8(std::string_view bytes, std::string& out, bool final = true);

/// Encodes UTF-8 text and appends the bytes to `out`. Malformed UTF-8 bytes
/// encode as "?". Never fails.
void encodeFromUtf8(std::string_view utf8, std::string& out);

} // namespace yomika::codepage
