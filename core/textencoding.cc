#include "core/textencoding.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include <QStringDecoder>

#include "core/codepage.h"
#include "core/codepage_platform.h"

namespace yomika {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr std::uint64_t kHighBits = 0x8080808080808080u;

struct Utf8Scan {
    const unsigned char* stop; // where the scan ended
    bool fault;                // true: `stop` begins a malformed sequence
};

// Scans well-formed UTF-8 (RFC 3629: no overlong form, no surrogate, nothing
// above U+10FFFF). Ends at the first malformed sequence, or at a sequence
// the end cuts short (fault false, `stop` before `end`), or at `end`.
// Shift-JIS text almost never passes: its lead bytes 0x81-0x9F are UTF-8
// continuation bytes.
Utf8Scan scanUtf8(const unsigned char* p, const unsigned char* end)
{
    while (p < end) {
        // Japanese text mixes in runs of ASCII (markup, numbers, line ends).
        std::uint64_t word;
        while (end - p >= 8 && (std::memcpy(&word, p, 8), (word & kHighBits) == 0))
            p += 8;
        if (p == end)
            break;
        const unsigned lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        std::ptrdiff_t need;
        unsigned low = 0x80, high = 0xBF; // the second byte's range
        if (lead >= 0xC2 && lead <= 0xDF) {
            need = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            need = 3;
            low = lead == 0xE0 ? 0xA0 : low;
            high = lead == 0xED ? 0x9F : high;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            need = 4;
            low = lead == 0xF0 ? 0x90 : low;
            high = lead == 0xF4 ? 0x8F : high;
        } else {
            return {p, true}; // a continuation byte, C0, C1 or F5-FF
        }
        const std::ptrdiff_t left = end - p;
        if (left >= 2 && (p[1] < low || p[1] > high))
            return {p, true};
        for (std::ptrdiff_t i = 2; i < std::min(need, left); ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return {p, true};
        }
        if (left < need)
            return {p, false};
        p += need;
    }
    return {end, false};
}

// Decodes UTF-8 that scanUtf8 passed whole; `out` has a unit per byte.
std::size_t decodeWellFormedUtf8(const unsigned char* p, const unsigned char* end, char16_t* out)
{
    char16_t* const start = out;
    while (p < end) {
        std::uint64_t word;
        while (end - p >= 8 && (std::memcpy(&word, p, 8), (word & kHighBits) == 0)) {
            for (int i = 0; i < 8; ++i)
                out[i] = p[i];
            p += 8;
            out += 8;
        }
        if (p == end)
            break;
        const unsigned lead = *p;
        if (lead < 0x80) {
            *out++ = char16_t(lead);
            p += 1;
        } else if (lead < 0xE0) {
            *out++ = char16_t(((lead & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if (lead < 0xF0) {
            *out++ = char16_t(((lead & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
            p += 3;
        } else {
            const char32_t c = ((lead & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
            *out++ = char16_t(0xD800 + ((c - 0x10000) >> 10));
            *out++ = char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
            p += 4;
        }
    }
    return static_cast<std::size_t>(out - start);
}

QString decodeUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    QString text(bytes.size(), Qt::Uninitialized);
    text.resize(qsizetype(decodeWellFormedUtf8(p, p + bytes.size(), reinterpret_cast<char16_t*>(text.data()))));
    // Japanese text takes a unit for three bytes: give the rest back.
    if (text.capacity() - text.size() > text.size() / 8 + 64)
        text.squeeze();
    return text;
}

QString decodeUtf16(QByteArrayView bytes, std::endian order)
{
    const qsizetype units = bytes.size() / 2;
    QString text(units + bytes.size() % 2, Qt::Uninitialized);
    auto* out = reinterpret_cast<char16_t*>(text.data());
    std::memcpy(out, bytes.data(), std::size_t(units) * 2);
    if (order != std::endian::native) {
        for (qsizetype i = 0; i < units; ++i)
            out[i] = char16_t((out[i] >> 8) | (out[i] << 8));
    }
    if (bytes.size() % 2)
        out[units] = kReplacement;
    return text;
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
    const Utf8Scan scan = scanUtf8(p, end);
    m_utf8 = !scan.fault;
    if (!scan.fault) {
        m_pendingSize += static_cast<std::size_t>(end - scan.stop);
        std::copy(scan.stop, end, m_pending);
    }
}

TextEncoding EncodingProbe::encoding() const
{
    if (m_headSize == 3 && m_head[0] == 0xEF && m_head[1] == 0xBB && m_head[2] == 0xBF)
        return TextEncoding::Utf8WithMark;
    if (m_headSize >= 2 && m_head[0] == 0xFF && m_head[1] == 0xFE)
        return TextEncoding::Utf16Le;
    if (m_headSize >= 2 && m_head[0] == 0xFE && m_head[1] == 0xFF)
        return TextEncoding::Utf16Be;
    // A sequence still waiting for its bytes was cut short by the file's end.
    return m_utf8 && m_pendingSize == 0 ? TextEncoding::Utf8 : TextEncoding::Windows932;
}

TextEncoding detectEncoding(QByteArrayView bytes)
{
    EncodingProbe probe;
    probe.add(bytes.data(), static_cast<std::size_t>(bytes.size()));
    return probe.encoding();
}

QString decodeText(QByteArrayView bytes)
{
    switch (detectEncoding(bytes)) {
    case TextEncoding::Utf8:
        return decodeUtf8(bytes);
    case TextEncoding::Utf8WithMark: {
        // A further mark stays as text, and bytes of a sequence cut off at
        // the end decode to U+FFFD instead of being held back.
        QStringDecoder utf8(QStringConverter::Utf8,
                            QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        return utf8.decode(bytes.sliced(3));
    }
    case TextEncoding::Utf16Le:
        return decodeUtf16(bytes.sliced(2), std::endian::little);
    case TextEncoding::Utf16Be:
        return decodeUtf16(bytes.sliced(2), std::endian::big);
    case TextEncoding::Windows932:
        break;
    }
    return codepage::decode(bytes);
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
