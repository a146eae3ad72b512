#include "core/text/codepage.h"

#include <algorithm>
#include <vector>

#include "core/text/codepage_platform.h"
#include "core/text/encoding.h"
#include "core/text/utf8sequence.h"

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
