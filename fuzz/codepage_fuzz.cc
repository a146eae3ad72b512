// libFuzzer target for the code page conversion and the encoding decision.
// Every input is taken as a file's bytes, decoded as Windows-932 bytes
// (whole, and streamed in two pieces split where its first byte says) and
// encoded as UTF-16 units and as UTF-8; the checks are the
// conversion's promises:
//  - no crash, no memory error (the build adds the sanitizers);
//  - n bytes decode to at most n units, n units encode to at most 2n bytes;
//  - bytes that decode without U+FFFD are all accounted for: encoding the
//    text gives as many bytes, which decode to the same text (a character
//    with two codes comes back with the code Windows prefers);
//  - streaming with a lead byte held back gives the same text as one call;
//  - UTF-8 and UTF-16 entry points agree;
//  - the encoding of a file is decided the same when its bytes come in two
//    pieces; a file decided as UTF-8 decodes to a text whose UTF-8 is the
//    file, and one decided as Windows-932 as the code page decodes it;
//  - a file is UTF-8 (without a mark) exactly when Qt finds its bytes
//    well-formed, and so does the vector check.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QUtf8StringView>

#include "core/text/codepage.h"
#include "core/files/textcodec.h"
#include "core/text/encoding.h"
#include "core/text/utf8vector.h"

using namespace yomika;

// A broken promise ends the run, which libFuzzer reports with the input.
static void check(bool condition)
{
    if (!condition)
        std::abort();
}

static void decodeBytes(const char* data, std::size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    const QString text = codepage::decode(bytes);
    check(static_cast<std::size_t>(text.size()) <= size);

    const QByteArray again = codepage::encode(text);
    check(text.contains(QChar(0xFFFD)) || (std::size_t(again.size()) == size && codepage::decode(again) == text));

    std::string whole, streamed;
    check(codepage::decodeToUtf8({data, size}, whole, true) == size && whole == text.toStdString());

    const std::size_t split = size == 0 ? 0 : static_cast<unsigned char>(data[0]) % (size + 1);
    const std::size_t consumed = codepage::decodeToUtf8({data, split}, streamed, false);
    const bool heldBack = consumed == split || consumed + 1 == split;
    check(heldBack && codepage::decodeToUtf8({data + consumed, size - consumed}, streamed, true) == size - consumed);
    check(streamed == whole);
}

static void decideEncoding(const char* data, std::size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    const TextEncoding encoding = detectEncoding(bytes);
    EncodingProbe probe;
    const std::size_t split = size == 0 ? 0 : static_cast<unsigned char>(data[size - 1]) % (size + 1);
    probe.add(data, split);
    probe.add(data + split, size - split);
    check(probe.encoding() == encoding);
    const QString text = decodeText(bytes);
    check(encoding != TextEncoding::Utf8 || text.toUtf8() == bytes);
    check(encoding != TextEncoding::Windows932 || text == codepage::decode(bytes));
    const bool wellFormed = QUtf8StringView(bytes).isValidUtf8();
    check((encoding == TextEncoding::Utf8) == (wellFormed && !bytes.startsWith("\xEF\xBB\xBF")));
    check(!utf8vector::available() || utf8vector::check(reinterpret_cast<const unsigned char*>(data), size) == wellFormed);
}

static void encodeUnits(const char* data, std::size_t size)
{
    QString text(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, static_cast<std::size_t>(text.size()) * sizeof(QChar));
    const QByteArray bytes = codepage::encode(text);
    check(bytes.size() <= text.size() * 2);

    std::string fromUtf8;
    codepage::encodeFromUtf8(text.toStdString(), fromUtf8);
    check(fromUtf8 == bytes.toStdString());
}

static void encodeUtf8(const char* data, std::size_t size)
{
    std::string bytes;
    codepage::encodeFromUtf8({data, size}, bytes);
    check(bytes.size() <= 2 * size);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto* bytes = reinterpret_cast<const char*>(data);
    decodeBytes(bytes, size);
    decideEncoding(bytes, size);
    encodeUnits(bytes, size);
    encodeUtf8(bytes, size);
    return 0;
}
