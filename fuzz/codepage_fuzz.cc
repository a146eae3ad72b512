// libFuzzer target for the code page conversion. Every input is decoded as
// Windows-932 bytes (whole, and streamed in two pieces split where its first
// byte says) and encoded as UTF-16 units and as UTF-8; the checks are the
// conversion's promises:
//  - no crash, no memory error (the build adds the sanitizers);
//  - n bytes decode to at most n units, n units encode to at most 2n bytes;
//  - bytes that decode without U+FFFD are all accounted for: encoding the
//    text gives as many bytes, which decode to the same text (a character
//    with two codes comes back with the code Windows prefers);
//  - streaming with a lead byte held back gives the same text as one call;
//  - UTF-8 and UTF-16 entry points agree.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/codepage.h"

using namespace yomika;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void decodeBytes(const char* data, std::size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    const QString text = codepage::decode(bytes);
    check(static_cast<std::size_t>(text.size()) <= size);

    if (!text.contains(QChar(0xFFFD))) {
        const QByteArray again = codepage::encode(text);
        check(static_cast<std::size_t>(again.size()) == size);
        check(codepage::decode(again) == text);
    }

    std::string whole;
    check(codepage::decodeToUtf8({data, size}, whole, true) == size);
    check(whole == text.toStdString());

    const std::size_t split = size == 0 ? 0 : static_cast<unsigned char>(data[0]) % (size + 1);
    std::string streamed;
    const std::size_t consumed = codepage::decodeToUtf8({data, split}, streamed, false);
    check(consumed == split || consumed + 1 == split);
    check(codepage::decodeToUtf8({data + consumed, size - consumed}, streamed, true) == size - consumed);
    check(streamed == whole);
}

void encodeUnits(const char* data, std::size_t size)
{
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
    const QStringView text(units.data(), static_cast<qsizetype>(units.size()));
    const QByteArray bytes = codepage::encode(text);
    check(static_cast<std::size_t>(bytes.size()) <= 2 * units.size());

    std::string fromUtf8;
    codepage::encodeFromUtf8(text.toString().toStdString(), fromUtf8);
    check(fromUtf8 == bytes.toStdString());
}

void encodeUtf8(const char* data, std::size_t size)
{
    std::string bytes;
    codepage::encodeFromUtf8({data, size}, bytes);
    check(bytes.size() <= 2 * size);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto* bytes = reinterpret_cast<const char*>(data);
    decodeBytes(bytes, size);
    encodeUnits(bytes, size);
    encodeUtf8(bytes, size);
    return 0;
}
