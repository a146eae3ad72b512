#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/text/encoding.h"

// kotoka reads a file in the encoding its bytes show, by the window's rule
// (core/text/encoding.h), or in the one --encoding names: UTF-8, UTF-16 of
// either byte order, or the older files' code page, Windows-932 on every
// system (on Windows the code page named by its number, 932), through the
// window's code page library. It writes UTF-8, or Windows-932 when
// --encoding names it. The engine works in UTF-8 either way.

namespace kotoka {

enum class Encoding { Utf8, Windows932, Utf16Le, Utf16Be };

/// Checks UTF-8 and appends it to `out`. Each maximal piece of bytes that
/// does not begin a well-formed sequence becomes one U+FFFD. When `final` is
/// false a sequence cut off at the end is left unconsumed. Returns the bytes
/// consumed.
std::size_t decodeUtf8(std::string_view bytes, std::string& out, bool final);

/// Decodes bytes of the code page and appends UTF-8 to `out`; undecodable
/// bytes become U+FFFD. When `final` is false a character cut off at the end
/// is left unconsumed. Returns the bytes consumed.
std::size_t decodeWindows932(std::string_view bytes, std::string& out, bool final);

/// Decodes UTF-16 of the byte order `bigEndian` tells and appends UTF-8 to
/// `out`. A surrogate without its other half, and an odd last byte, become
/// U+FFFD. When `final` is false a character cut off at the end is left
/// unconsumed. Returns the bytes consumed.
std::size_t decodeUtf16(std::string_view bytes, std::string& out, bool final, bool bigEndian);

/// The encoding a file's bytes show, by the rule every reader of the
/// program uses; a UTF-8 byte-order mark gives Utf8 (the reader skips it).
Encoding encodingOfBytes(yomika::TextEncoding detected);

/// The decoder of `encoding`, in the shape LineReader takes.
using DecodeFunction = std::size_t (*)(std::string_view bytes, std::string& out, bool final);
DecodeFunction decoderFor(Encoding encoding);

/// Appends UTF-8 `utf8` to `out` in `encoding`, Utf8 or Windows932. In
/// Windows-932 a character the code page lacks becomes "?"; UTF-8 is copied
/// as it is.
void encodeOutput(Encoding encoding, std::string_view utf8, std::string& out);

/// The text of a resource file: UTF-8 when it starts with a byte-order mark
/// or is valid UTF-8, Windows-932 (older files) otherwise. Appends to `text`.
void decodeResourceText(std::string_view bytes, std::string& text);

/// Parses an --encoding name ("utf-8", "utf-16le", "utf-16be" or
/// "windows-932", in any case). Returns false for any other name.
bool parseEncoding(std::string_view name, Encoding& encoding);

} // namespace kotoka
