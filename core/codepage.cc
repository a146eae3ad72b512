#include "core/codepage.h"

#include <algorithm>
#include <vector>

#include "core/codepage_platform.h"
#include "core/textencoding.h"
#include "core/utf8sequence.h"

namespace yomika::codepage {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// The UTF-8 entry points convert through a UTF-16 buffer of this many units,
// so that a large piece does not need a second copy of itself.
constexpr std::size_t kChunkUnits = 32 * 1024;

// Appends UTF-16 as UTF-8; a lone surrogate becomes U+FFFD.
void appendUtf8(const char16_t* units, std::size_t count, std::string& out)
{
    const std::size_t start = out.size();
    out.resize(start + encodedSizeBound(TextEncoding::Utf8, count));
    out.resize(start + encodeInto(TextEncoding::Utf8, units, count, out.data() + start));
}

// Reads one UTF-8 sequence at `p` (before `end`). Returns its code point and
// its length, or U+FFFD and 1 when the byte at `p` does not begin a
// well-formed sequence.
char32_t readUtf8(const unsigned char* p, const unsigned char* end, std::size_t& length)
{
    const utf8::Sequence sequence = utf8::sequenceAt(p, end);
    length = sequence.length > 0 ? std::size_t(sequence.length) : 1;
    return sequence.length > 0 ? utf8::codePoint(p, sequence.length) : kReplacement;
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

bool holds(QStringView text)
{
    // Each character the code page lacks encodes as one "?", and no other
    // character encodes to a byte 0x3F (it is no trail byte): the text is
    // held whole when its "?" are all its own.
    const auto questionMarks = [](const auto* begin, const auto* end) { return std::count(begin, end, '?'); };
    std::vector<char> buffer(detail::encodedSizeBound(std::min(std::size_t(text.size()), kChunkUnits)));
    std::ptrdiff_t own = 0, encoded = 0;
    for (qsizetype done = 0; done < text.size();) {
        const auto units = std::min(std::size_t(text.size() - done), kChunkUnits);
        const char16_t* piece = text.utf16() + done;
        own += questionMarks(piece, piece + units);
        encoded += questionMarks(buffer.data(), buffer.data() + detail::encodeInto(piece, units, buffer.data()));
        done += qsizetype(units);
    }
    return own == encoded;
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
