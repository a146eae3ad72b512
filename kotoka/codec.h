#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// kotoka's files are in the window's code page (Windows-932 outside
// Windows); the engine works in UTF-8.

namespace kotoka {

/// Decodes bytes of the code page and appends UTF-8 to `out`. When `final`
/// is false a character cut off at the end is left unconsumed. Returns the
/// bytes consumed; undecodable bytes become U+FFFD.
std::size_t decodeInput(std::string_view bytes, std::string& out, bool final);

/// Encodes UTF-8 into the code page and appends the bytes to `out`; a
/// character the code page lacks becomes "?".
void encodeOutput(std::string_view utf8, std::string& out);

} // namespace kotoka
