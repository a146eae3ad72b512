#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// kotoka's text is UTF-8 unless --encoding windows-932 asks for the older
// files' code page, Windows-932 on every system (on Windows the code page
// named by its number, 932), through the window's code page library. The
// engine works in UTF-8 either way.

namespace kotoka {

enum class Encoding { Utf8, Windows932 };

/// Checks UTF-8 and appends it to `out`. Each maximal piece of bytes that
/// does not begin a well-formed sequence becomes one U+FFFD. When `final` is
/// false a sequence cut off at the end is left unconsumed. Returns the bytes
/// consumed.
std::size_t decodeUtf8(std::string_view bytes, std::string& out, bool final);

/// Decodes bytes of the code page and appends UTF-8 to `out`; undecodable
/// bytes become U+FFFD. When `final` is false a character cut off at the end
/// is left unconsumed. Returns the bytes consumed.
std::size_t decodeWindows932(std::string_view bytes, std::string& out, bool final);

/// The decoder of `encoding`, in the shape LineReader takes.
using DecodeFunction = std::size_t (*)(std::string_view bytes, std::string& out, bool final);
DecodeFunction decoderFor(Encoding encoding);

/// Appends UTF-8 `utf8` to `out` in `encoding`. In Windows-932 a character
/// the code page lacks becomes "?"; UTF-8 is copied as it is.
void encodeOutput(Encoding encoding, std::string_view utf8, std::string& out);

/// The text of a resource file: UTF-8 when it starts with a byte-order mark
/// or is valid UTF-8, Windows-932 (older files) otherwise. Appends to `text`.
void decodeResourceText(std::string_view bytes, std::string& text);

/// Parses an --encoding name ("utf-8" or "windows-932", in any case).
/// Returns false when the name is neither.
bool parseEncoding(std::string_view name, Encoding& encoding);

} // namespace kotoka
