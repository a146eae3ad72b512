#include "kotoka/linereader.h"

#include <algorithm>

namespace kotoka {
namespace {

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Characters after which a long line may be cut: blanks and sentence ends.
constexpr std::string_view breakCharacters[] = {
    " ", "\t", "\xE3\x80\x80" /* 　 */, "\xE3\x80\x82" /* 。 */, "\xEF\xBD\xA1" /* ｡ */,
    "\xEF\xBC\x8E" /* ． */, "\xEF\xBC\x81" /* ！ */, "\xEF\xBC\x9F" /* ？ */, ".", "!", "?",
};

} // namespace

LineReader::LineReader(ByteSource& source, Decoder decoder, std::size_t pieceBound, std::size_t chunkSize)
    : m_source(source)
    , m_decoder(decoder)
    , m_pieceBound(std::max(pieceBound, minimumPieceBound))
{
    m_chunk.reserve(std::max<std::size_t>(chunkSize, 16));
}

bool LineReader::fill(std::string& error)
{
    // Drop the text already handed out once it is the larger part, so the
    // buffer keeps within a bound and copies stay rare.
    if (m_start > 0 && m_start >= m_text.size() / 2) {
        m_text.erase(0, m_start);
        m_scanned = std::max(m_scanned, m_start) - m_start;
        m_start = 0;
    }
    const std::size_t carried = m_chunk.size();
    const std::size_t capacity = m_chunk.capacity();
    m_chunk.resize(capacity);
    const long count = m_source.read(m_chunk.data() + carried, capacity - carried, error);
    if (count < 0) {
        m_chunk.resize(carried);
        return false;
    }
    m_chunk.resize(carried + static_cast<std::size_t>(count));
    m_bytesRead += static_cast<std::uint64_t>(count);
    const bool final = count == 0;
    const std::size_t consumed = m_decoder(m_chunk, m_text, final);
    m_chunk.erase(0, final ? m_chunk.size() : consumed);
    m_atEnd = final;
    if (!m_startSeen && !m_text.empty()) {
        // Editors put the mark before UTF-8 text; it is no part of the text.
        if (m_text.compare(0, 3, "\xEF\xBB\xBF") == 0)
            m_text.erase(0, 3);
        m_startSeen = true;
    }
    return true;
}

std::size_t LineReader::cutPoint() const
{
    // The last break character ending within the bound; failing that, the
    // last character boundary within it.
    const std::string_view window = std::string_view(m_text).substr(m_start, m_pieceBound);
    std::size_t best = 0;
    for (std::size_t end = window.size(); end > 0 && best == 0; --end) {
        for (std::string_view mark : breakCharacters) {
            if (end >= mark.size() && window.substr(end - mark.size(), mark.size()) == mark) {
                best = end;
                break;
            }
        }
    }
    if (best == 0) {
        // The text goes on past the window, so m_text[m_start + best] exists.
        best = window.size();
        while (best > 0 && isContinuationByte(m_text[m_start + best]))
            --best;
        if (best == 0) { // one character longer than the bound: take it whole
            best = 1;
            while (m_start + best < m_text.size() && isContinuationByte(m_text[m_start + best]))
                ++best;
        }
    }
    return m_start + best;
}

LineReader::Status LineReader::next(std::string_view& piece, bool& endsLine, std::string& error)
{
    for (;;) {
        const std::size_t from = std::max(m_scanned, m_start);
        const std::size_t lineEnd = m_text.find_first_of("\r\n", from);
        const std::size_t available = (lineEnd == std::string::npos ? m_text.size() : lineEnd) - m_start;

        if (available > m_pieceBound) {
            // Only when the text up to the cut is all there: a decoded
            // character never straddles the end of m_text, so any cut at a
            // character boundary within it is safe.
            const std::size_t cut = cutPoint();
            piece = std::string_view(m_text).substr(m_start, cut - m_start);
            endsLine = false;
            m_start = cut;
            return Status::Piece;
        }
        if (lineEnd != std::string::npos) {
            // A CR as the last decoded byte may be the first half of CR LF.
            if (m_text[lineEnd] == '\r' && lineEnd + 1 == m_text.size() && !m_atEnd) {
                m_scanned = lineEnd;
                if (!fill(error))
                    return Status::Error;
                continue;
            }
            piece = std::string_view(m_text).substr(m_start, lineEnd - m_start);
            endsLine = true;
            std::size_t next = lineEnd + 1;
            if (m_text[lineEnd] == '\r' && next < m_text.size() && m_text[next] == '\n')
                ++next;
            m_start = next;
            m_scanned = next;
            return Status::Piece;
        }
        m_scanned = m_text.size();
        if (m_atEnd) {
            if (m_start == m_text.size())
                return Status::End;
            piece = std::string_view(m_text).substr(m_start);
            endsLine = true;
            m_start = m_text.size();
            return Status::Piece;
        }
        if (!fill(error))
            return Status::Error;
    }
}

} // namespace kotoka
