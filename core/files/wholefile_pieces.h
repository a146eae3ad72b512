#pragma once

#include <cstddef>
#include <memory>

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "core/text/encoding.h"
#include "core/files/wholefile.h"

// The pieces of the whole-file operations: the bytes of a file collected as
// they are read, and a text encoded piece by piece beside the writes, so
// that a large file needs no second copy of itself in memory.

namespace yomika::wholefile {

// Files above this size are refused with FileTooLarge: the text of such a
// file would take more than 2 GiB of memory, far beyond any text a person
// analyzes, and the reading of a huge file by mistake must not swallow the
// machine's memory.
constexpr qint64 kMaxReadBytes = qint64{1} << 30;

// Bytes moved by one read or write call.
constexpr std::size_t kPieceBytes = std::size_t{1} << 18;

// Collects the bytes of a file as they are read: its encoding is known only
// when all its bytes are in.
class ByteCollector {
public:
    /// Throws std::bad_alloc when memory runs out, as do room() and finish().
    explicit ByteCollector(qint64 expectedBytes);

    /// Where the next read puts its bytes, and how many it may put there.
    char* room();
    std::size_t roomSize() const { return kPieceBytes; }

    /// Counts `bytes` bytes just read into room().
    void add(std::size_t bytes) { m_total += static_cast<qint64>(bytes); }

    /// Bytes added so far.
    qint64 total() const { return m_total; }

    /// Hands out the bytes.
    QByteArray finish();

private:
    QByteArray m_bytes;
    qint64 m_total = 0;
};

// Hands out the encoded text piece by piece, for writing.
class EncodedPieces : public ByteSource {
public:
    /// Throws std::bad_alloc when memory runs out.
    EncodedPieces(QStringView text, TextEncoding encoding);

    /// The next piece of bytes; false after the last.
    bool next(const char*& data, std::size_t& size) override;

    /// Starts again from the first piece.
    bool rewind() override
    {
        m_done = 0;
        return true;
    }

private:
    QStringView m_text;
    TextEncoding m_encoding;
    qsizetype m_done = 0;
    std::unique_ptr<char[]> m_buffer;
};

} // namespace yomika::wholefile
