#include "core/wholefile_pieces.h"

#include <algorithm>
#include <cstring>

#include "core/codepage_platform.h"

namespace yomika::wholefile {
namespace {

bool isHighSurrogate(QChar c) { return c.unicode() >= 0xD800 && c.unicode() <= 0xDBFF; }

// Units encoded for one piece: their bytes fill about one write.
constexpr auto kPieceUnits = static_cast<qsizetype>(kPieceBytes / 2);

} // namespace

TextCollector::TextCollector(qint64 expectedBytes)
    // One byte more than a piece, for a lead byte kept from the last read.
    : m_buffer(new char[kPieceBytes + 1])
{
    // Every byte gives at most one unit: the text fits this room unless the
    // file grows while it is read.
    if (expectedBytes > 0)
        m_text.resize(static_cast<qsizetype>(expectedBytes));
}

void TextCollector::add(std::size_t bytes)
{
    const std::size_t available = m_carry + bytes;
    m_total += static_cast<qint64>(bytes);
    const auto needed = m_written + static_cast<qsizetype>(available);
    if (needed > m_text.size())
        m_text.resize(std::max(needed, m_text.size() * 2));
    const auto progress = codepage::detail::decodeInto(
        m_buffer.get(), available, reinterpret_cast<char16_t*>(m_text.data()) + m_written, false);
    m_written += static_cast<qsizetype>(progress.written);
    m_carry = available - progress.consumed;
    if (m_carry > 0)
        std::memmove(m_buffer.get(), m_buffer.get() + progress.consumed, m_carry);
}

QString TextCollector::finish()
{
    if (m_carry > 0) {
        if (m_written + static_cast<qsizetype>(m_carry) > m_text.size())
            m_text.resize(m_written + static_cast<qsizetype>(m_carry));
        const auto progress = codepage::detail::decodeInto(
            m_buffer.get(), m_carry, reinterpret_cast<char16_t*>(m_text.data()) + m_written, true);
        m_written += static_cast<qsizetype>(progress.written);
        m_carry = 0;
    }
    m_text.resize(m_written);
    // Double-byte text fills about half of the room taken for single bytes:
    // give the rest back (a large block shrinks in place).
    if (m_text.capacity() - m_text.size() > m_text.size() / 8 + 1024)
        m_text.squeeze();
    return std::move(m_text);
}

ByteCollector::ByteCollector(qint64 expectedBytes)
{
    // Room for the whole file and for the last read, which finds its end.
    m_bytes.resize(static_cast<qsizetype>(std::max<qint64>(expectedBytes, 0)) +
                   static_cast<qsizetype>(kPieceBytes));
}

char* ByteCollector::room()
{
    const auto needed = static_cast<qsizetype>(m_total) + static_cast<qsizetype>(kPieceBytes);
    if (needed > m_bytes.size())
        m_bytes.resize(std::max(needed, m_bytes.size() * 2));
    return m_bytes.data() + m_total;
}

QByteArray ByteCollector::finish()
{
    m_bytes.resize(static_cast<qsizetype>(m_total));
    if (m_bytes.capacity() - m_bytes.size() > m_bytes.size() / 8 + 1024)
        m_bytes.squeeze();
    return std::move(m_bytes);
}

EncodedPieces::EncodedPieces(QStringView text)
    : m_text(text)
    , m_buffer(new char[codepage::detail::encodedSizeBound(
          static_cast<std::size_t>(std::min(text.size(), kPieceUnits)))])
{
}

bool EncodedPieces::next(const char*& data, std::size_t& size)
{
    if (m_done >= m_text.size())
        return false;
    // A surrogate pair stays in one piece, so that it encodes as one "?".
    qsizetype units = std::min(m_text.size() - m_done, kPieceUnits);
    if (m_done + units < m_text.size() && isHighSurrogate(m_text[m_done + units - 1]))
        --units;
    size = codepage::detail::encodeInto(m_text.utf16() + m_done, static_cast<std::size_t>(units),
                                        m_buffer.get());
    data = m_buffer.get();
    m_done += units;
    return true;
}

} // namespace yomika::wholefile
