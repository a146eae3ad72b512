#include "kotoka/codec.h"

#include <algorithm>
#include <cctype>

#include "core/codepage.h"

// Windows-932 goes through the window's code page library, so kotoka and the
// window read and write the same bytes for the same text.

namespace kotoka {
namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD"; // U+FFFD
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// How many bytes of `bytes` form a well-formed UTF-8 sequence at its start:
// the length when whole; otherwise, as a negative number, the length of the
// part that could still begin one (0 for a byte that never can). The ranges
// of the second byte keep out overlong forms, surrogates and code points
// above U+10FFFF.
int wellFormedLength(std::string_view bytes)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    int length = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else
        return 0;
    for (int i = 1; i < length; ++i) {
        if (static_cast<std::size_t>(i) >= bytes.size())
            return -i;
        const unsigned char c = byte(static_cast<std::size_t>(i));
        if (i == 1 ? (c < low || c > high) : (c & 0xC0) != 0x80)
            return -i;
    }
    return length;
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

DecodeFunction decoderFor(Encoding encoding)
{
    return encoding == Encoding::Utf8 ? decodeUtf8 : decodeWindows932;
}

void encodeOutput(Encoding encoding, std::string_view utf8, std::string& out)
{
    if (encoding == Encoding::Utf8)
        out += utf8;
    else
        yomika::codepage::encodeFromUtf8(utf8, out);
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
    if (lower == "utf-8")
        encoding = Encoding::Utf8;
    else if (lower == "windows-932")
        encoding = Encoding::Windows932;
    else
        return false;
    return true;
}

} // namespace kotoka
