#include "core/codepage.h"

#include <algorithm>
#include <vector>

#include "core/codepage_platform.h"

namespace yomika::codepage {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// The UTF-8 entry points convert through a UTF-16 buffer of this many units,
// so that a large piece does not need a second copy of itself.
constexpr std::size_t kChunkUnits = 32 * 1024;

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Appends UTF-16 as UTF-8; a lone surrogate becomes U+FFFD.
void appendUtf8(const char16_t* units, std::size_t count, std::string& out)
{
    const std::size_t start = out.size();
    out.resize(start + count * 3); // no unit takes more than three bytes
    auto* next = reinterpret_cast<unsigned char*>(out.data() + start);
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
    out.resize(static_cast<std::size_t>(next - reinterpret_cast<unsigned char*>(out.data())));
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Reads one UTF-8 sequence at `p` (before `end`). Returns its code point and
// its length, or U+FFFD and 1 when the byte at `p` does not begin a
// well-formed sequence.
char32_t readUtf8(const unsigned char* p, const unsigned char* end, std::size_t& length)
{
    const unsigned char lead = p[0];
    const std::size_t left = static_cast<std::size_t>(end - p);
    length = 1;
    if (lead < 0x80)
        return lead;
    // The second byte's range excludes overlong forms, surrogates and code
    // points above U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    std::size_t need;
    char32_t c;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 3;
        c = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 4;
        c = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return kReplacement;
    }
    if (left < need || p[1] < low || p[1] > high)
        return kReplacement;
    for (std::size_t i = 1; i < need; ++i) {
        if (!isContinuation(p[i]))
            return kReplacement;
        c = (c << 6) | (p[i] & 0x3F);
    }
    length = need;
    return c;
}

} // namespace

QString decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString();
    QString text(bytes.size(), Qt::Uninitialized);
    const auto progress = detail::decodeInto(bytes.data(), static_cast<std::size_t>(bytes.size()),
                                             reinterpret_cast<char16_t*>(text.data()), true);
    text.resize(static_cast<qsizetype>(progress.written));
    // Double-byte text fills about half of the room taken for single bytes:
    // give the rest back (a large block shrinks in place).
    if (text.capacity() - text.size() > text.size() / 8 + 64)
        text.squeeze();
    return text;
}

QByteArray encode(QStringView text)
{
    if (text.isEmpty())
        return QByteArray();
    const auto units = static_cast<std::size_t>(text.size());
    QByteArray bytes(static_cast<qsizetype>(detail::encodedSizeBound(units)), Qt::Uninitialized);
    const std::size_t written = detail::encodeInto(text.utf16(), units, bytes.data());
    bytes.resize(static_cast<qsizetype>(written));
    if (bytes.capacity() - bytes.size() > bytes.size() / 8 + 64)
        bytes.squeeze();
    return bytes;
}

std::size_t decodeToUtf8(std::string_view bytes, std::string& out, bool final)
{
    std::vector<char16_t> buffer(std::min(bytes.size(), kChunkUnits));
    std::size_t consumed = 0;
    while (consumed < bytes.size()) {
        const std::size_t length = std::min(bytes.size() - consumed, kChunkUnits);
        const bool last = consumed + length == bytes.size();
        // A piece that is not the last leaves a lead byte ending it for the
        // next piece, so a character is never split between two pieces.
        const auto progress = detail::decodeInto(bytes.data() + consumed, length, buffer.data(),
                                                 last ? final : false);
        appendUtf8(buffer.data(), progress.written, out);
        consumed += progress.consumed;
        if (last || progress.consumed == 0)
            break;
    }
    return consumed;
}

void encodeFromUtf8(std::string_view utf8, std::string& out)
{
    std::vector<char16_t> buffer(std::min(utf8.size(), kChunkUnits) + 1);
    const auto flush = [&](std::size_t units) {
        const std::size_t start = out.size();
        out.resize(start + detail::encodedSizeBound(units));
        const std::size_t written = detail::encodeInto(buffer.data(), units, out.data() + start);
        out.resize(start + written);
    };
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    std::size_t units = 0;
    while (p < end) {
        // Flush only between whole characters, so a surrogate pair stays
        // together and encodes as one "?".
        if (units + 2 > buffer.size()) {
            flush(units);
            units = 0;
        }
        if (*p < 0x80) {
            buffer[units++] = *p++;
            continue;
        }
        std::size_t length;
        const char32_t c = readUtf8(p, end, length);
        p += length;
        if (c >= 0x10000) {
            buffer[units++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            buffer[units++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            buffer[units++] = static_cast<char16_t>(c);
        }
    }
    flush(units);
}

} // namespace yomika::codepage
