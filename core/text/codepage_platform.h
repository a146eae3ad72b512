#pragma once

#include <cstddef>

// The conversion itself, one source file per platform (codepage_iconv.cc,
// codepage_win.cc). codepage.cc wraps it for QString and UTF-8 callers.
// Both functions convert a whole buffer in one go and follow the rules listed
// in codepage.h.

namespace yomika::codepage::detail {

struct DecodeProgress {
    std::size_t consumed = 0; // bytes of the input used up
    std::size_t written = 0;  // UTF-16 units stored
};

/// Decodes `size` bytes into `out`, which has room for `size` units. When
/// `final` is false a lead byte standing last is left unconsumed.
DecodeProgress decodeInto(const char* bytes, std::size_t size, char16_t* out, bool final);

/// The most bytes `units` UTF-16 units can encode to.
std::size_t encodedSizeBound(std::size_t units);

/// Encodes `size` UTF-16 units into `out`, which has room for
/// encodedSizeBound(size) bytes. Returns the number of bytes stored.
std::size_t encodeInto(const char16_t* text, std::size_t size, char* out);

} // namespace yomika::codepage::detail
