#pragma once

#include <cstddef>

// The UTF-8 check with the processor's vector instructions, sixteen bytes at
// a time: several times the speed of a byte-by-byte check, which matters for
// the results of gigabytes that are saved as they are. Debian 12 packages no
// library for it (Qt's own check is byte by byte), so it is written here.

namespace yomika::utf8vector {

/// Whether this processor has the instructions check() needs (SSSE3 on x86);
/// false where the program was built for another kind of processor.
bool available();

/// Whether the `size` bytes at `data` are well-formed UTF-8 from the first
/// to the last (RFC 3629: no overlong form, no surrogate, nothing above
/// U+10FFFF), a sequence the end cuts short counting as malformed. Call only
/// when available() is true.
bool check(const unsigned char* data, std::size_t size);

} // namespace yomika::utf8vector
