#include "core/text/encoding.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>

#include "core/text/codepage_platform.h"
#include "core/text/utf8sequence.h"
#include "core/text/utf8vector.h"

namespace yomika {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// The length of the UTF-8 sequence at `p` (before `end`): 1 to 4 for a
// well-formed one, 0 for a malformed one, -1 for one the end cuts short.
inline std::ptrdiff_t sequenceLength(const unsigned char* p, const unsigned char* end)
{
    const utf8::Sequence sequence = utf8::sequenceAt(p, end);
    if (sequence.length > 0)
        return sequence.length;
    return sequence.prefix > 0 && p + sequence.prefix == end ? -1 : 0;
}

// Skips a run of ASCII eight bytes at a time: Japanese text mixes them in
// (markup, numbers, line ends).
inline const unsigned char* skipAscii(const unsigned char* p, const unsigned char* end)
{
    std::uint64_t word;
    while (end - p >= 8 && (std::memcpy(&word, p, 8), (word & kHighBits) == 0))
        p += 8;
    return p;
}

// Japanese text is mostly three-byte sequences with a lead byte E1-EC or
// EE-EF, well-formed whenever two continuation bytes follow: the readers take
// those in a tight loop before the general rule. Needs three bytes at `p`.
inline bool commonThreeBytes(const unsigned char* p)
{
    const unsigned lead = p[0];
    return lead >= 0xE1 && lead <= 0xEF && lead != 0xED && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80;
}

struct Utf8Scan {
    const unsigned char* stop; // where the scan ended
    bool fault;                // true: `stop` begins a malformed sequence
};

// Scans well-formed UTF-8 up to the first malformed sequence, or to a
// sequence the end cuts short (fault false, `stop` before `end`), or to `end`.
Utf8Scan scanUtf8(const unsigned char* p, const unsigned char* end)
{
    while ((p = skipAscii(p, end)) < end) {
        // Single ASCII bytes (tabs, line ends) come between them too.
        while (end - p >= 3 && (p[0] < 0x80 || commonThreeBytes(p)))
            p += p[0] < 0x80 ? 1 : 3;
        if (p == end)
            break;
        const std::ptrdiff_t length = sequenceLength(p, end);
        if (length <= 0)
            return {p, length == 0};
        p += length;
    }
    return {end, false};
}

// Whether the bytes are well-formed UTF-8 to their end.
bool wellFormed(const unsigned char* p, const unsigned char* end)
{
    if (utf8vector::available())
        return utf8vector::check(p, static_cast<std::size_t>(end - p));
    const Utf8Scan scan = scanUtf8(p, end);
    return !scan.fault && scan.stop == end;
}

// How many of the last bytes (up to three) may be the start of a sequence
// that goes on after `end`: a lead byte and the continuation bytes after it.
std::size_t unfinishedTail(const unsigned char* p, const unsigned char* end)
{
    const std::ptrdiff_t size = end - p;
    if (size >= 1 && end[-1] >= 0xC0)
        return 1;
    if (size >= 2 && end[-2] >= 0xE0)
        return 2;
    if (size >= 3 && end[-3] >= 0xF0)
        return 3;
    return 0;
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

std::size_t encodeUtf8(const char16_t* units, std::size_t count, char* out)
{
    auto* next = reinterpret_cast<unsigned char*>(out);
    for (std::size_t i = 0; i < count; ++i) {
        char32_t c = units[i];
        if (c < 0x80) {
            *next++ = static_cast<unsigned char>(c);
            continue;
        }
        if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) { // most of Japanese: first, for speed
            *next++ = static_cast<unsigned char>(0xE0 | (c >> 12));
            *next++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *next++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
            continue;
        }
        if (isHighSurrogate(units[i]) && i + 1 < count && isLowSurrogate(units[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        if (c < 0x800) {
            *next++ = static_cast<unsigned char>(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            *next++ = static_cast<unsigned char>(0xE0 | (c >> 12));
            *next++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        } else {
            *next++ = static_cast<unsigned char>(0xF0 | (c >> 18));
            *next++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
            *next++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        }
        *next++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    }
    return static_cast<std::size_t>(next - reinterpret_cast<unsigned char*>(out));
}

std::size_t encodeUtf16(const char16_t* units, std::size_t count, char* out, std::endian order)
{
    for (std::size_t i = 0; i < count; ++i) {
        char16_t unit = units[i];
        // Of a pair, both halves pass; a lone half cannot be written.
        const bool paired = isHighSurrogate(unit) ? i + 1 < count && isLowSurrogate(units[i + 1])
                                                  : !isLowSurrogate(unit) || (i > 0 && isHighSurrogate(units[i - 1]));
        if (!paired)
            unit = kReplacement;
        const auto high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        out[2 * i] = order == std::endian::little ? low : high;
        out[2 * i + 1] = order == std::endian::little ? high : low;
    }
    return count * 2;
}

} // namespace

void EncodingProbe::add(const char* data, std::size_t size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* const end = p + size;
    for (const unsigned char* q = p; m_headSize < sizeof m_head && q < end; ++q)
        m_head[m_headSize++] = *q;
    if (!m_utf8)
        return;
    // A sequence the last piece cut short takes its bytes from this one first.
    while (m_pendingSize > 0 && p < end) {
        m_pending[m_pendingSize++] = *p++;
        const Utf8Scan scan = scanUtf8(m_pending, m_pending + m_pendingSize);
        m_utf8 = !scan.fault;
        if (scan.fault)
            return;
        if (scan.stop == m_pending + m_pendingSize)
            m_pendingSize = 0;
    }
    // The bulk by the fastest check there is; the last bytes, which may begin
    // a sequence the next piece ends, byte by byte.
    const unsigned char* const bulkEnd = end - unfinishedTail(p, end);
    if (!wellFormed(p, bulkEnd)) {
        m_utf8 = false;
        return;
    }
    const Utf8Scan scan = scanUtf8(bulkEnd, end);
    m_utf8 = !scan.fault;
    if (!scan.fault) {
        m_pendingSize += static_cast<std::size_t>(end - scan.stop);
        std::copy(scan.stop, end, m_pending);
    }
}

TextEncoding EncodingProbe::encoding() const
{
    if (const auto marked = byteOrderMark({reinterpret_cast<const char*>(m_head), m_headSize}))
        return *marked;
    // A sequence still waiting for its bytes was cut short by the file's end.
    return m_utf8 && m_pendingSize == 0 ? TextEncoding::Utf8 : TextEncoding::Windows932;
}

TextEncoding detectEncoding(std::string_view bytes)
{
    EncodingProbe probe;
    probe.add(bytes.data(), bytes.size());
    return probe.encoding();
}

std::optional<TextEncoding> byteOrderMark(std::string_view head)
{
    const auto* p = reinterpret_cast<const unsigned char*>(head.data());
    if (head.size() >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return TextEncoding::Utf8WithMark;
    if (head.size() >= 2 && p[0] == 0xFF && p[1] == 0xFE)
        return TextEncoding::Utf16Le;
    if (head.size() >= 2 && p[0] == 0xFE && p[1] == 0xFF)
        return TextEncoding::Utf16Be;
    return std::nullopt;
}

bool decodeUtf8Into(std::string_view bytes, char16_t* out, std::size_t& written)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    char16_t* const start = out;
    while (p < end) {
        for (const unsigned char* ascii = skipAscii(p, end); p < ascii;)
            *out++ = *p++;
        for (; end - p >= 3 && (p[0] < 0x80 || commonThreeBytes(p)); ++out) {
            if (p[0] < 0x80) {
                *out = p[0];
                p += 1;
            } else {
                *out = char16_t(((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
                p += 3;
            }
        }
        if (p == end)
            break;
        const std::ptrdiff_t length = sequenceLength(p, end);
        if (length <= 0)
            return false;
        const char32_t c = utf8::codePoint(p, int(length));
        if (c >= 0x10000) {
            *out++ = char16_t(0xD800 + ((c - 0x10000) >> 10));
            *out++ = char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            *out++ = char16_t(c);
        }
        p += length;
    }
    written = std::size_t(out - start);
    return true;
}

std::size_t decodeUtf16Into(std::string_view bytes, char16_t* out, std::endian order)
{
    const std::size_t units = bytes.size() / 2;
    std::memcpy(out, bytes.data(), units * 2);
    if (order != std::endian::native) {
        for (std::size_t i = 0; i < units; ++i)
            out[i] = char16_t((out[i] >> 8) | (out[i] << 8));
    }
    if (bytes.size() % 2)
        out[units] = kReplacement;
    return units + bytes.size() % 2;
}

std::size_t encodedSizeBound(TextEncoding encoding, std::size_t units)
{
    // In UTF-8 a unit takes at most three bytes (a pair takes four).
    return encoding == TextEncoding::Windows932 ? codepage::detail::encodedSizeBound(units)
           : encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be ? units * 2
                                                                                    : units * 3;
}

std::size_t encodeInto(TextEncoding encoding, const char16_t* text, std::size_t size, char* out)
{
    switch (encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8WithMark:
        break;
    case TextEncoding::Utf16Le:
        return encodeUtf16(text, size, out, std::endian::little);
    case TextEncoding::Utf16Be:
        return encodeUtf16(text, size, out, std::endian::big);
    case TextEncoding::Windows932:
        return codepage::detail::encodeInto(text, size, out);
    }
    return encodeUtf8(text, size, out);
}

} // namespace yomika
