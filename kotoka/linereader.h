#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Turns a stream of bytes in the input's encoding into lines of UTF-8 text
// for the engine. A byte-order mark (U+FEFF) at the very start is skipped.
// Lines end at CR LF, LF or CR. A line longer than the piece
// bound comes out in pieces, each cut after the sentence end or blank
// nearest the bound (or, when there is none, at the last character boundary
// before it), so memory stays bounded however long the line is. Nothing is
// dropped: the pieces of a line, joined, are the line.

namespace kotoka {

/// Where the bytes come from.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    /// Reads up to `size` bytes. Returns the number read, 0 at the end, or
    /// -1 on a read error, with `error` set.
    virtual long read(char* buffer, std::size_t size, std::string& error) = 0;
};

/// Decodes `bytes` and appends UTF-8 to `out`; when `final` is false a
/// character cut off at the end is left unconsumed. Returns the bytes consumed.
using Decoder = std::size_t (*)(std::string_view bytes, std::string& out, bool final);

class LineReader {
public:
    static constexpr std::size_t defaultPieceBound = 256 * 1024;
    static constexpr std::size_t defaultChunkSize = 64 * 1024;
    static constexpr std::size_t minimumPieceBound = 8; // room for any one character

    /// Reads from `source`; pieces hold at most `pieceBound` bytes of UTF-8
    /// (raised to minimumPieceBound).
    LineReader(ByteSource& source, Decoder decoder, std::size_t pieceBound = defaultPieceBound,
               std::size_t chunkSize = defaultChunkSize);

    enum class Status { Piece, End, Error };

    /// The next piece of text, without its line end, in `piece` (valid until
    /// the next call); `endsLine` tells whether it is the last piece of its
    /// line. A line end as the last bytes of the input starts no further line.
    /// Returns Error, with `error` set, when the source fails.
    Status next(std::string_view& piece, bool& endsLine, std::string& error);

    /// The bytes read from the source so far; at the end, the input's size.
    std::uint64_t bytesRead() const { return m_bytesRead; }

private:
    bool fill(std::string& error);
    std::size_t cutPoint() const;

    ByteSource& m_source;
    Decoder m_decoder;
    std::size_t m_pieceBound;
    std::string m_chunk;       // raw bytes read, with a character cut off by the last read
    std::string m_text;        // decoded text
    std::size_t m_start = 0;   // where the unread text begins
    std::size_t m_scanned = 0; // m_text before this has no line end after m_start
    std::uint64_t m_bytesRead = 0;
    bool m_atEnd = false;
    bool m_startSeen = false;  // the first character was decoded (and a mark skipped)
};

} // namespace kotoka
