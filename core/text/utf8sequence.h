#pragma once

// The one rule of what UTF-8 is, for every reader of UTF-8 in the program
// and in kotoka: RFC 3629, so no overlong form, no surrogate and nothing
// above U+10FFFF. Shift-JIS text almost never passes: its lead bytes
// 0x81-0x9F are continuation bytes.

namespace yomika::utf8 {

/// What the bytes from `p` on begin.
struct Sequence {
    int length; // 1 to 4 for a well-formed sequence, 0 for a malformed one
    // For a malformed one, how many of its bytes could still begin a sequence
    // (0 for a byte that never can); the end cut it short when p + prefix is
    // the end.
    int prefix;
};

/// The sequence at `p`, with at least one byte before `end`.
inline Sequence sequenceAt(const unsigned char* p, const unsigned char* end)
{
    const unsigned lead = p[0];
    if (lead < 0x80)
        return {1, 0};
    int need;
    unsigned low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xE1 && lead <= 0xEF && lead != 0xED) {
        need = 3; // most of Japanese: first, for speed
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        need = 2;
    } else if (lead == 0xE0 || lead == 0xED) {
        need = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return {0, 0}; // a continuation byte, C0, C1 or F5-FF
    }
    for (int i = 1; i < need; ++i) {
        if (p + i == end)
            return {0, i};
        const unsigned byte = p[i];
        if (i == 1 ? (byte < low || byte > high) : (byte & 0xC0) != 0x80)
            return {0, i};
    }
    return {need, 0};
}

/// The code point of the well-formed sequence of `length` bytes at `p`.
inline char32_t codePoint(const unsigned char* p, int length)
{
    switch (length) {
    case 1: return p[0];
    case 2: return char32_t(((p[0] & 0x1F) << 6) | (p[1] & 0x3F));
    case 3: return char32_t(((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
    default: return char32_t(((p[0] & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F));
    }
}

} // namespace yomika::utf8
