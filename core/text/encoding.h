#pragma once

#include <bit>
#include <cstddef>
#include <optional>
#include <string_view>

// The encodings of the program's files. UTF-8 is the program's own: every
// file it writes is UTF-8 without a byte-order mark, except that an append
// keeps the encoding of the file it adds to. Windows-932 stays for reading
// what earlier versions and other programs wrote.
//
// A file is read by what it is, decided over all its bytes:
//  - it starts with a UTF-8 byte-order mark: UTF-8 (the mark dropped, a
//    malformed byte after it read as U+FFFD);
//  - it starts with a UTF-16 byte-order mark (FF FE or FE FF): UTF-16 of that
//    order (the mark dropped; an odd last byte read as U+FFFD);
//  - it is well-formed UTF-8 from its first byte to its last (ASCII and the
//    empty file included): UTF-8;
//  - otherwise Windows-932, with the recovery rules of codepage.h. One
//    malformed byte anywhere, even after a megabyte of good UTF-8, makes the
//    whole file Windows-932.
// Writing changes nothing of a text but one thing: a lone surrogate (half of
// a pair, which no encoding can hold) is written as U+FFFD.
// All functions may be called from several threads at once.

namespace yomika {

enum class TextEncoding { Utf8, Utf8WithMark, Utf16Le, Utf16Be, Windows932 };

/// Decides the encoding of a file from its bytes, fed in pieces of any size
/// in file order. Holds only a few bytes of state, so a file of any size can
/// be looked at without keeping it in memory.
class EncodingProbe {
public:
    /// Looks at the next `size` bytes.
    void add(const char* data, std::size_t size);
    /// The encoding of all the bytes added, by the rules above.
    TextEncoding encoding() const;

private:
    unsigned char m_head[3] = {};
    std::size_t m_headSize = 0;
    unsigned char m_pending[4] = {}; // a UTF-8 sequence the last piece cut short
    std::size_t m_pendingSize = 0;
    bool m_utf8 = true;
};

/// The encoding of a whole file's bytes: the one decision every reader makes.
TextEncoding detectEncoding(std::string_view bytes);

/// The encoding a byte-order mark at the start of `head` names, if any.
std::optional<TextEncoding> byteOrderMark(std::string_view head);

/// Decodes `bytes` as UTF-8 into `out`, which has room for bytes.size()
/// units, and sets `written`; false, with `out` left in no useful state, when
/// the bytes are not well-formed UTF-8 to their end. One pass.
bool decodeUtf8Into(std::string_view bytes, char16_t* out, std::size_t& written);

/// Decodes UTF-16 of `order` (no mark) into `out`, which has room for
/// (bytes.size() + 1) / 2 units; an odd last byte gives U+FFFD. Returns the
/// units stored.
std::size_t decodeUtf16Into(std::string_view bytes, char16_t* out, std::endian order);

/// The most bytes `units` UTF-16 units take in `encoding`.
std::size_t encodedSizeBound(TextEncoding encoding, std::size_t units);

/// Encodes `size` units into `out`, which has room for encodedSizeBound()
/// bytes, without a byte-order mark; returns the bytes stored. A lone
/// surrogate becomes U+FFFD, except in Windows-932, where any character the
/// code page lacks becomes "?" (see codepage.h).
std::size_t encodeInto(TextEncoding encoding, const char16_t* text, std::size_t size, char* out);

} // namespace yomika
