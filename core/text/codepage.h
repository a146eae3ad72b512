#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The code page of older files: Windows-932 (Shift-JIS with Microsoft's
// mapping) on every system, by number on Windows, so that a process whose
// ANSI code page is UTF-8 still reads them. The program reads files in it
// that are not UTF-8 (see encoding.h), and appends in it to a file that is in
// it already. Plain C++: the analyzer links it without Qt; the QString forms
// are in core/files/textcodec.h.
//
// Conversion never fails and never loses a byte silently:
//  - bytes the code page maps decode as Windows decodes them, the single
//    bytes 0x80, 0xA0 and 0xFD to 0xFF included (U+0080, U+F8F0, U+F8F1 to
//    U+F8F3), and these characters encode back to those bytes;
//  - any other byte decodes to U+FFFD and decoding resumes at the next byte
//    (a lead byte with a bad trail byte gives U+FFFD, then the trail byte is
//    decoded on its own); a lead byte at the very end gives U+FFFD;
//  - a character with two codes encodes to the one Windows chooses
//    (U+2252 to 81E0, U+2170 to FA40, U+7E8A to FA5C);
//  - the JIS characters that Windows-932 holds under Microsoft's code points
//    encode as those (U+301C WAVE DASH as 8160, U+2212 MINUS SIGN as 817C,
//    U+00A5 YEN SIGN as 5C, ...), as Windows does, so that text pasted from
//    other systems keeps them;
//  - any other character the code page cannot hold encodes as "?" (one "?"
//    for a character outside the BMP, and for a lone surrogate).
// Every byte yields at most one UTF-16 unit, so decoding n bytes gives at most
// n units; encoding n UTF-16 units gives at most 2n bytes in a double-byte
// code page.
// All functions may be called from several threads at once.

namespace yomika::codepage {

// The analyzer streams its input and talks UTF-8 with its engine.

/// Decodes `bytes` and appends the result to `out` as UTF-8. When `final` is
/// false, a lead byte standing last in `bytes` is not consumed, so that a
/// stream can be decoded piece by piece without splitting a character.
/// Returns the number of bytes consumed (all of them when `final` is true).
std::size_t decodeToUtf8(std::string_view bytes, std::string& out, bool final = true);

/// Encodes UTF-8 text and appends the bytes to `out`. Each byte that does
/// not begin a well-formed UTF-8 sequence (a stray continuation byte, a
/// sequence cut short, an overlong form, an encoded surrogate, a code point
/// above U+10FFFF) encodes as one "?", and encoding resumes at the next byte.
void encodeFromUtf8(std::string_view utf8, std::string& out);

} // namespace yomika::codepage
