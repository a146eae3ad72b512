#include "kotoka/codec.h"

#include <algorithm>
#include <cctype>

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
