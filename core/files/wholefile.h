#pragma once

#include <cstddef>
#include <memory>

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "core/files/errornumber.h"

// Whole-file text I/O: a whole text moves between a file and a string,
// exactly: no line end is added, removed or translated, no byte-order mark is
// written. Files are read in the encoding their bytes show and written in
// UTF-8 (textencoding.h has the rules). Each call opens its file, does its
// work and closes it on every path; no handle stays open.
// The busy pointer is the caller's (the window wraps these calls).

namespace yomika {

/// Reads the whole file at `path` and decodes it by decodeText(), to its end even when it grows or shows a
/// size of 0. A missing, unreadable or non-regular path (a directory, a FIFO,
/// a device) fails with its ErrorNumber at once, without blocking; so does a
/// file above 1 GiB (FileTooLarge), a name holding a NUL character
/// (InvalidName) and a failing read. An empty file gives the empty text.
[[nodiscard]] Result<QString> readWholeFile(const QString& path);

/// Reads the bytes of the file at `path` whole, undecoded, for callers that
/// choose the encoding themselves. The same refusals, size limit and error
/// numbers as readWholeFile; an empty file gives no bytes.
[[nodiscard]] Result<QByteArray> readWholeBytes(const QString& path);

/// Replaces the contents of `path` with `text` in UTF-8. The new contents are
/// written beside the file and replace it only when complete, keeping the old file's
/// permissions; where the folder cannot take a new file but the file itself
/// is writable, the file is written in place, and its old contents are put
/// back when that write fails. A target that exists but is not a regular file
/// is refused with NotRegularFile, a read-only file with AccessDenied; both
/// are left alone. A symbolic link is written through to the file it names.
/// A name holding a NUL character is refused with InvalidName. Errors: the
/// ErrorNumber of the failure; an earlier file at `path` keeps its contents.
Result<> writeWholeFile(const QString& path, QStringView text);

/// Adds `text` after the last byte of `path`, creating the file when missing,
/// in the encoding of the file's bytes so far (UTF-8 for a new, empty or
/// ASCII-only file). When that is Windows-932 and the text holds a character
/// the code page lacks, nothing is written and NoMappingForText is returned;
/// a failing read of the old bytes returns its error, also writing nothing.
/// A failure part-way (a write, or the flush to disk) cuts the file back to
/// its old length, or removes the file it created, so the old contents are
/// never damaged. A target that is not a regular file is refused with
/// NotRegularFile, a name holding a NUL character with InvalidName. Errors:
/// the ErrorNumber of the failure.
Result<> appendWholeFile(const QString& path, QStringView text);

class FileReader;
namespace wholefile {
struct ReaderAccess;
}

/// Bytes handed out piece by piece, for a file too large to hold in memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    /// The next piece, valid until the next call; false after the last piece
    /// and after a failure, which error() then tells.
    virtual bool next(const char*& data, std::size_t& size) = 0;
    /// Starts again from the first piece; false when that cannot be done.
    virtual bool rewind() = 0;
    /// The failure that ended the pieces early, NoError otherwise.
    virtual ErrorNumber error() const { return ErrorNumber::NoError; }
    /// The open file whose bytes, from its position on, are all the rest of
    /// the pieces, unchanged: the writer may then have the system copy them,
    /// and calls next() only for what it could not copy. Null (the default)
    /// when the pieces are made on the way; a failure to open the file is
    /// null too, and error() tells it.
    virtual FileReader* verbatimFile() { return nullptr; }
};

/// Replaces the contents of `path` with the bytes of `source`, of any size,
/// as writeWholeFile does with a text: written beside the file and put in its
/// place only when complete. A source's verbatim file is copied by the
/// system where it can be, which is many times faster for a large file. A failure of the source is returned as any
/// other, and leaves an earlier file at `path` as it was.
Result<> writeWholeFileFrom(const QString& path, ByteSource& source);

/// A file read piece by piece, for files of any size: the refusals and error
/// numbers of readWholeFile, without its size limit. Closed when it goes.
class FileReader {
public:
    FileReader();
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    /// Opens `path` for reading.
    Result<> open(const QString& path);
    /// Reads up to `size` bytes into `data` and gives how many, 0 at the end.
    /// Errors: as readWholeFile's reads.
    Result<std::size_t> read(char* data, std::size_t size);
    /// Goes back to the first byte.
    Result<> rewind();
    /// The size the file had when it was opened.
    qint64 size() const;

private:
    friend struct wholefile::ReaderAccess;
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace yomika
