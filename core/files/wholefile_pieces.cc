#include "core/files/wholefile_pieces.h"

#include <algorithm>

namespace yomika::wholefile {
namespace {

bool isHighSurrogate(QChar c) { return c.unicode() >= 0xD800 && c.unicode() <= 0xDBFF; }

// Units encoded for one piece, which goes out in one write.
constexpr auto kPieceUnits = static_cast<qsizetype>(kPieceBytes / 2);

} // namespace

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

EncodedPieces::EncodedPieces(QStringView text, TextEncoding encoding)
    : m_text(text)
    , m_encoding(encoding)
    , m_buffer(new char[encodedSizeBound(encoding, static_cast<std::size_t>(std::min(text.size(), kPieceUnits)))])
{
}

bool EncodedPieces::next(const char*& data, std::size_t& size)
{
    if (m_done >= m_text.size())
        return false;
    // A surrogate pair stays in one piece, so that it is one character.
    qsizetype units = std::min(m_text.size() - m_done, kPieceUnits);
    if (m_done + units < m_text.size() && isHighSurrogate(m_text[m_done + units - 1]))
        --units;
    size = encodeInto(m_encoding, m_text.utf16() + m_done, static_cast<std::size_t>(units), m_buffer.get());
    data = m_buffer.get();
    m_done += units;
    return true;
}

} // namespace yomika::wholefile
