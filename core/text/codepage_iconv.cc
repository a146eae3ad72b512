// Windows-932 through glibc's iconv "CP932" converter, which agrees with
// Windows on every double-byte pair and on which of two codes a character
// encodes to. What it lacks is written around it here: the single bytes
// Windows maps and iconv refuses, and the recovery from bytes and characters
// the code page does not hold. iconv converts the whole buffer; the code
// below only runs at the places where it stops.

#include "core/text/codepage_platform.h"

#include <bit>
#include <cerrno>
#include <cstring>

#include <iconv.h>

namespace yomika::codepage::detail {
namespace {

constexpr const char* kCodePage = "CP932";
constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
constexpr char16_t kReplacement = 0xFFFD;

// One descriptor per direction and thread, opened on first use: opening one
// loads the converter module and allocates, which would cost on every small
// piece the analyzer streams through.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as iconv can; returns 0 when all input is used up,
    // otherwise errno (EILSEQ, EINVAL) with the pointers at the stopping place.
    int convert(char** in, std::size_t* inLeft, char** out, std::size_t* outLeft)
    {
        if (!valid())
            return EILSEQ; // no converter: every unit goes through the recovery
        if (iconv(m_cd, in, inLeft, out, outLeft) != static_cast<std::size_t>(-1))
            return 0;
        return errno;
    }

    void reset()
    {
        if (valid())
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    }

private:
    iconv_t m_cd;
};

Converter& decoder()
{
    thread_local Converter converter(kUtf16, kCodePage);
    return converter;
}

Converter& encoder()
{
    thread_local Converter converter(kCodePage, kUtf16);
    return converter;
}

bool isLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The single bytes Windows maps and iconv refuses, both ways.
char16_t decodeWindowsOnlyByte(unsigned char byte)
{
    switch (byte) {
    case 0x80: return 0x0080;
    case 0xA0: return 0xF8F0;
    case 0xFD: return 0xF8F1;
    case 0xFE: return 0xF8F2;
    case 0xFF: return 0xF8F3;
    default: return 0;
    }
}

int encodeWindowsOnlyUnit(char16_t unit)
{
    switch (unit) {
    case 0x0080: return 0x80;
    case 0xF8F0: return 0xA0;
    case 0xF8F1: return 0xFD;
    case 0xF8F2: return 0xFE;
    case 0xF8F3: return 0xFF;
    default: return -1;
    }
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

} // namespace

DecodeProgress decodeInto(const char* bytes, std::size_t size, char16_t* out, bool final)
{
    Converter& converter = decoder();
    converter.reset();
    char* in = const_cast<char*>(bytes); // iconv's signature; it does not write the input
    std::size_t inLeft = size;
    char* next = reinterpret_cast<char*>(out);
    std::size_t outLeft = size * sizeof(char16_t);

    while (inLeft > 0) {
        const int error = converter.convert(&in, &inLeft, &next, &outLeft);
        if (error == 0)
            break;
        if (outLeft < sizeof(char16_t))
            break; // cannot happen: no byte gives more than one unit
        const auto byte = static_cast<unsigned char>(*in);
        if (inLeft == 1 && isLeadByte(byte) && !final)
            break; // its trail byte comes with the next piece
        char16_t unit = decodeWindowsOnlyByte(byte);
        if (unit == 0)
            unit = (byte < 0x80 && error != EINVAL) ? byte : kReplacement;
        std::memcpy(next, &unit, sizeof unit);
        next += sizeof unit;
        outLeft -= sizeof unit;
        ++in;
        --inLeft;
    }
    return {static_cast<std::size_t>(in - bytes),
            static_cast<std::size_t>(reinterpret_cast<char16_t*>(next) - out)};
}

std::size_t encodedSizeBound(std::size_t units)
{
    return units * 2;
}

std::size_t encodeInto(const char16_t* text, std::size_t size, char* out)
{
    Converter& converter = encoder();
    converter.reset();
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text));
    std::size_t inLeft = size * sizeof(char16_t);
    char* next = out;
    std::size_t outLeft = encodedSizeBound(size);

    while (inLeft > 0) {
        if (converter.convert(&in, &inLeft, &next, &outLeft) == 0)
            break;
        // Stopped at a character the code page does not hold, at a lone
        // surrogate, or at a high surrogate ending the text.
        if (outLeft == 0)
            break; // cannot happen: no unit gives more than two bytes
        char16_t unit;
        std::memcpy(&unit, in, sizeof unit);
        std::size_t used = sizeof unit;
        int byte = encodeWindowsOnlyUnit(unit);
        if (byte < 0) {
            byte = (unit < 0x80 && !converter.valid()) ? unit : '?';
            if (isHighSurrogate(unit) && inLeft >= 2 * sizeof unit) {
                char16_t low;
                std::memcpy(&low, in + sizeof unit, sizeof low);
                if (isLowSurrogate(low))
                    used += sizeof low; // one "?" for the whole character
            }
        }
        *next++ = static_cast<char>(byte);
        --outLeft;
        in += used;
        inLeft -= used;
    }
    return static_cast<std::size_t>(next - out);
}

} // namespace yomika::codepage::detail
