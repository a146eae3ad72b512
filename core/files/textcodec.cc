#include "core/files/textcodec.h"

#include <algorithm>
#include <vector>

#include <QStringDecoder>

#include "core/text/codepage_platform.h"

namespace yomika {

QString decodeText(QByteArrayView bytes)
{
    // The same decision as detectEncoding(), made while decoding: a file
    // without a mark is decoded as UTF-8 until a fault shows that it is not.
    const std::string_view all(bytes.data(), std::size_t(bytes.size()));
    const std::optional<TextEncoding> marked = byteOrderMark(all.substr(0, 3));
    if (!marked) {
        QString text(bytes.size(), Qt::Uninitialized);
        std::size_t written = 0;
        if (decodeUtf8Into(all, reinterpret_cast<char16_t*>(text.data()), written)) {
            text.resize(qsizetype(written));
            // Japanese text takes a unit for three bytes: give the rest back.
            if (text.capacity() - text.size() > text.size() / 8 + 64)
                text.squeeze();
            return text;
        }
        // The partial UTF-8 goes before the code page takes its room.
    }
    switch (marked.value_or(TextEncoding::Windows932)) {
    case TextEncoding::Utf8WithMark: {
        // A further mark stays as text, and bytes of a sequence cut off at
        // the end decode to U+FFFD instead of being held back.
        QStringDecoder utf8(QStringConverter::Utf8,
                            QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        return utf8.decode(bytes.sliced(3));
    }
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be: {
        const std::string_view units = all.substr(2);
        QString text(qsizetype((units.size() + 1) / 2), Qt::Uninitialized);
        decodeUtf16Into(units, reinterpret_cast<char16_t*>(text.data()),
                        *marked == TextEncoding::Utf16Le ? std::endian::little : std::endian::big);
        return text;
    }
    case TextEncoding::Utf8:
    case TextEncoding::Windows932:
        break;
    }
    return codepage::decode(bytes);
}

} // namespace yomika

namespace yomika::codepage {
namespace {

// holds() encodes through a buffer of this many units, so that a large text
// does not need a second copy of itself.
constexpr std::size_t kChunkUnits = 32 * 1024;

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

} // namespace yomika::codepage
