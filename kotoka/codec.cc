#include "kotoka/codec.h"

#include <algorithm>
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

void appendUtf8(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
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
    const auto unitAt = [&](std::size_t i) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? char32_t(first << 8 | second) : char32_t(second << 8 | first);
    };
    const auto isHigh = [](char32_t unit) { return unit >= 0xD800 && unit < 0xDC00; };
    const auto isLow = [](char32_t unit) { return unit >= 0xDC00 && unit < 0xE000; };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t c = unitAt(i);
        if (isHigh(c)) {
            if (i + 3 >= bytes.size() && !final)
                return i; // the pair's second half comes with the next read
            if (i + 3 < bytes.size() && isLow(unitAt(i + 2))) {
                c = 0x10000 + ((c - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
                i += 2;
            } else {
                c = 0xFFFD;
            }
        } else if (isLow(c)) {
            c = 0xFFFD;
        }
        appendUtf8(c, out);
    }
    if (i < bytes.size() && final) {
        out += replacementCharacter; // an odd last byte
        ++i;
    }
    return i;
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
