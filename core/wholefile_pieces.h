#pragma once

#include <cstddef>
#include <memory>

#include <QByteArray>
#include <QString>
#include <QStringView>

// The conversion under the whole-file operations, done piece by piece beside
// the reads and writes, so that a large file needs no second copy of itself
// in memory.

namespace yomika::wholefile {

// Files above this size are refused with FileTooLarge: the text of such a
// file would take more than 2 GiB of memory, far beyond any text a person
// analyzes, and the reading of a huge file by mistake must not swallow the
// machine's memory.
constexpr qint64 kMaxReadBytes = qint64{1} << 30;

// Bytes moved by one read or write call.
constexpr std::size_t kPieceBytes = std::size_t{1} << 18;

// Decodes the bytes of a file as they are read, into one text.
class TextCollector {
public:
    /// `expectedBytes` is the file's size when opened; the file may still
    /// turn out longer or shorter. Throws std::bad_alloc when memory runs out.
    explicit TextCollector(qint64 expectedBytes);

    /// Where the next read puts its bytes, and how many it may put there.
    char* room() { return m_buffer.get() + m_carry; }
    std::size_t roomSize() const { return kPieceBytes; }

    /// Decodes `bytes` bytes just read into room(). A lead byte ending them
    /// waits for the next read. Throws std::bad_alloc.
    void add(std::size_t bytes);

    /// Bytes added so far.
    qint64 total() const { return m_total; }

    /// Decodes a lead byte left at the end and hands out the text.
    QString finish();

private:
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_carry = 0;
    qint64 m_total = 0;
    QString m_text;
    qsizetype m_written = 0;
};

// Collects the bytes of a file as they are read, undecoded (for the user's
// text files, whose encoding is known only when all their bytes are in).
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
class EncodedPieces {
public:
    /// Throws std::bad_alloc when memory runs out.
    explicit EncodedPieces(QStringView text);

    /// The next piece of bytes; false after the last.
    bool next(const char*& data, std::size_t& size);

    /// Starts again from the first piece.
    void rewind() { m_done = 0; }

private:
    QStringView m_text;
    qsizetype m_done = 0;
    std::unique_ptr<char[]> m_buffer;
};

} // namespace yomika::wholefile
