#include "kotoka/codec.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <utility>

#include "core/text/codepage.h"
#include "core/text/utf8sequence.h"

// Windows-932 goes through the window's code page library, so kotoka and the
// window read and write the same bytes for the same text.

namespace kotoka {
namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD"; // U+FFFD
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// How many bytes of `bytes` form a well-formed UTF-8 sequence at its start:
// the length when whole; otherwise, as a negative number, the length of the
// part that could still begin one (0 for a byte that never can).
int wellFormedLength(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const yomika::utf8::Sequence sequence = yomika::utf8::sequenceAt(p, p + bytes.size());
    return sequence.length > 0 ? sequence.length : -sequence.prefix;
}

} // namespace

std::size_t decodeUtf8(std::string_view bytes, std::string& out, bool final)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        // Runs of well-formed text are copied whole.
        std::size_t run = i;
        int length = 0;
        while (run < bytes.size() && (length = wellFormedLength(bytes.substr(run))) > 0)
            run += static_cast<std::size_t>(length);
        out.append(bytes.data() + i, run - i);
        i = run;
        if (i == bytes.size())
            break;
        const std::size_t bad = static_cast<std::size_t>(-length);
        if (!final && i + bad == bytes.size() && bad > 0)
            return i; // a character the next read completes
        out += replacementCharacter;
        i += std::max<std::size_t>(bad, 1);
    }
    return i;
}

std::size_t decodeWindows932(std::string_view bytes, std::string& out, bool final)
{
    return yomika::codepage::decodeToUtf8(bytes, out, final);
}

std::size_t decodeUtf16(std::string_view bytes, std::string& out, bool final, bool bigEndian)
{
    // What the next read may complete waits: an odd last byte, and a high
    // surrogate as the last unit. The rest goes through the window's UTF-16
    // decoder and UTF-8 encoder, which make a lone surrogate U+FFFD.
    std::size_t take = bytes.size();
    if (!final) {
        take -= take % 2;
        if (take >= 2) {
            const auto high = static_cast<unsigned char>(bytes[take - (bigEndian ? 2 : 1)]);
            take -= high >= 0xD8 && high < 0xDC ? 2 : 0;
        }
    }
    const auto order = bigEndian ? std::endian::big : std::endian::little;
    std::u16string units((take + 1) / 2, u'\0');
    units.resize(yomika::decodeUtf16Into(bytes.substr(0, take), units.data(), order));
    const std::size_t start = out.size();
    out.resize(start + yomika::encodedSizeBound(yomika::TextEncoding::Utf8, units.size()));
    out.resize(start + yomika::encodeInto(yomika::TextEncoding::Utf8, units.data(), units.size(), out.data() + start));
    return take;
}

Encoding encodingOfBytes(yomika::TextEncoding detected)
{
    switch (detected) {
    case yomika::TextEncoding::Utf16Le: return Encoding::Utf16Le;
    case yomika::TextEncoding::Utf16Be: return Encoding::Utf16Be;
    case yomika::TextEncoding::Windows932: return Encoding::Windows932;
    default: return Encoding::Utf8;
    }
}

DecodeFunction decoderFor(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Windows932: return decodeWindows932;
    case Encoding::Utf16Le:
        return [](std::string_view bytes, std::string& out, bool final) { return decodeUtf16(bytes, out, final, false); };
    case Encoding::Utf16Be:
        return [](std::string_view bytes, std::string& out, bool final) { return decodeUtf16(bytes, out, final, true); };
    default: return decodeUtf8;
    }
}

void encodeOutput(Encoding encoding, std::string_view utf8, std::string& out)
{
    if (encoding == Encoding::Windows932)
        yomika::codepage::encodeFromUtf8(utf8, out);
    else
        out += utf8;
}

void decodeResourceText(std::string_view bytes, std::string& text)
{
    std::string utf8;
    decodeUtf8(bytes, utf8, true);
    if (bytes.substr(0, byteOrderMark.size()) == byteOrderMark || utf8 == bytes)
        text += utf8;
    else
        decodeWindows932(bytes, text, true);
}

bool parseEncoding(std::string_view name, Encoding& encoding)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static constexpr std::pair<std::string_view, Encoding> names[] = {
        {"utf-8", Encoding::Utf8},
        {"utf-16le", Encoding::Utf16Le},
        {"utf-16be", Encoding::Utf16Be},
        {"windows-932", Encoding::Windows932},
    };
    for (const auto& [known, value] : names)
        if (lower == known) {
            encoding = value;
            return true;
        }
    return false;
}

} // namespace kotoka
