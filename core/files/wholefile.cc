// The whole-file operations, written once over the system calls that
// wholefile_platform.h declares. They are written by hand rather than on
// QFile and QSaveFile because the program shows the exact error number of
// each cause: QFile keeps no system error code, and QSaveFile ignores the
// result of its sync, so a full disk found only then would pass for success.

#include "core/files/wholefile.h"

#include <memory>
#include <new>
#include <utility>

#include "core/files/textcodec.h"

#include "core/files/wholefile_pieces.h"
#include "core/files/wholefile_platform.h"

namespace yomika {

struct FileReader::Private {
    wholefile::sys::File file;
    qint64 size = 0;
};

namespace wholefile {

struct ReaderAccess {
    static const sys::File& file(const FileReader& reader) { return reader.d->file; }
};

namespace {

using sys::File;
using sys::Kind;
using sys::Mode;
using sys::NativePath;
using sys::Status;

// Bytes written between two starts of the write-back to disk.
constexpr qint64 kWriteBackBytes = qint64{4} << 20;
// Bytes the system copies at a time before it is told to write them out.
constexpr std::size_t kCopyBytes = std::size_t{16} << 20;

// The system stops a file name at a NUL character: "a.txt\0b" would name
// "a.txt", another file than the one asked for.
bool isUsableName(const QString& path)
{
    return !path.isEmpty() && !path.contains(QChar(0));
}

// Only regular files are read or written: a device or a FIFO is refused
// before it is opened, since opening some devices acts on them.
ErrorNumber kindError(const Status& status)
{
    switch (status.kind) {
    case Kind::Regular: return NoError;
    case Kind::Directory: return IsDirectory;
    case Kind::Other: break;
    }
    return NotRegularFile;
}

// What a file opened for writing is: only a regular file is written.
ErrorNumber openedKind(const File& file, Status& status)
{
    const ErrorNumber error = sys::statusOf(file, status, WriteFailed);
    return error ? error : kindError(status);
}

ErrorNumber readableError(const Status& status)
{
    if (const ErrorNumber error = kindError(status))
        return error;
    return status.size > kMaxReadBytes ? FileTooLarge : NoError;
}

// Opens `path` for reading, refusing what is no regular file, or too large
// to hold when `limited`.
ErrorNumber openForReading(const NativePath& name, File& file, Status& status, bool limited = true)
{
    const auto refusal = [limited](const Status& s) { return limited ? readableError(s) : kindError(s); };
    ErrorNumber error = sys::statusOf(name, status, ReadFailed);
    if (!error)
        error = refusal(status);
    if (!error)
        error = sys::openFile(name, Mode::Read, file, ReadFailed);
    // The path may have changed between the check and the opening.
    if (!error)
        error = sys::statusOf(file, status, ReadFailed);
    if (!error)
        error = refusal(status);
    return error;
}

ErrorNumber readBytes(const QString& path, QByteArray& bytes)
{
    Status status;
    File file;
    if (const ErrorNumber error = openForReading(sys::nativePath(path), file, status))
        return error;

    ByteCollector collector(status.size);
    for (;;) {
        std::size_t got = 0;
        if (const ErrorNumber readError = sys::readSome(file, collector.room(), collector.roomSize(), got))
            return readError;
        if (got == 0)
            break;
        collector.add(got);
        // A file growing while it is read (or a file of the kernel whose
        // size shows as 0) is read on to its end, within the same limit.
        if (collector.total() > kMaxReadBytes)
            return FileTooLarge;
    }
    file.close(); // nothing was written: a failing close loses nothing
    bytes = collector.finish();
    return NoError;
}

// Copies the rest of `from` into `file` inside the system, adding the bytes
// to `total`; `whole` tells whether all of them went.
ErrorNumber copyThrough(const File& from, const File& file, qint64& total, bool& whole)
{
    whole = false;
    for (;;) {
        std::size_t copied = 0;
        ErrorNumber error = NoError;
        if (!sys::copySome(from, file, kCopyBytes, copied, error))
            return NoError; // the rest by reads and writes
        if (error || copied == 0) {
            whole = !error;
            return error;
        }
        // The disk writes this piece while the next one is copied; the one
        // before is on the disk by then, and its pages go.
        const qint64 before = total;
        total += static_cast<qint64>(copied);
        sys::startWriteBack(file);
        sys::dropWritten(file, before);
    }
}

// Writes every piece, adding the bytes written to `total`.
ErrorNumber writePieces(const File& file, ByteSource& pieces, qint64& total)
{
    if (FileReader* const reader = pieces.verbatimFile()) {
        bool whole = false;
        if (const ErrorNumber error = copyThrough(ReaderAccess::file(*reader), file, total, whole))
            return error;
        if (whole)
            return pieces.error();
    }
    qint64 unsynced = 0;
    const char* data;
    std::size_t size;
    while (pieces.next(data, size)) {
        if (const ErrorNumber error = sys::writeAll(file, data, size))
            return error;
        total += static_cast<qint64>(size);
        unsynced += static_cast<qint64>(size);
        if (unsynced >= kWriteBackBytes) {
            sys::startWriteBack(file);
            unsynced = 0;
        }
    }
    return pieces.error();
}

ErrorNumber syncAndClose(File& file)
{
    if (const ErrorNumber error = sys::syncData(file)) {
        file.close();
        return error;
    }
    return file.close();
}

// The new contents of a file, written beside it under a hidden name and
// removed unless they replace the file.
class SideFile {
public:
    SideFile() = default;
    ~SideFile()
    {
        m_file.close();
        if (m_made)
            sys::removeFile(m_path);
    }
    SideFile(const SideFile&) = delete;
    SideFile& operator=(const SideFile&) = delete;

    ErrorNumber create(const NativePath& target)
    {
        const ErrorNumber error = sys::createSideFile(target, m_file, m_path);
        m_made = error == NoError;
        return error;
    }
    File& file() { return m_file; }
    const NativePath& path() const { return m_path; }

    // The file has taken the target's place: nothing to remove.
    void keep() { m_made = false; }

private:
    File m_file;
    NativePath m_path;
    bool m_made = false;
};

// The old contents of a file about to be written in place, to put back when
// the write fails; false when they cannot be had whole.
bool readOldContents(const File& file, qint64 size, QByteArray& old)
{
    if (size > kMaxReadBytes)
        return false;
    old.resize(static_cast<qsizetype>(size));
    qsizetype got = 0;
    while (got < old.size()) {
        std::size_t n = 0;
        if (sys::readSome(file, old.data() + got, static_cast<std::size_t>(old.size() - got), n) || n == 0)
            break;
        got += static_cast<qsizetype>(n);
    }
    return got == old.size();
}

// Writes over the file itself, for a folder that takes no new file. The old
// contents are kept in memory while that is possible and put back when the
// write fails, so that a full disk still leaves the old file.
ErrorNumber writeInPlace(const NativePath& target, ByteSource& pieces)
{
    File file;
    bool readable = true;
    ErrorNumber error = sys::openFile(target, Mode::ReadWrite, file, WriteFailed);
    if (error == AccessDenied) {
        readable = false;
        error = sys::openFile(target, Mode::Write, file, WriteFailed);
    }
    Status status;
    if (!error)
        error = openedKind(file, status);
    if (error)
        return error;

    QByteArray old;
    const bool restorable = readable && readOldContents(file, status.size, old);
    qint64 written = 0;
    error = sys::seekTo(file, 0);
    if (!error)
        error = writePieces(file, pieces, written);
    if (!error)
        error = sys::truncateAt(file, written);
    if (!error)
        error = sys::syncData(file);
    if (!error)
        return file.close();
    if (restorable && sys::seekTo(file, 0) == NoError
        && sys::writeAll(file, old.constData(), static_cast<std::size_t>(old.size())) == NoError)
        sys::truncateAt(file, status.size); // a failure here changes nothing of what is reported
    return error;
}

// Looks at the target of a write: its real path, whether it exists, and
// what it is. A missing file is no error here.
ErrorNumber inspectTarget(NativePath& target, Status& status, bool& exists)
{
    exists = false;
    if (const ErrorNumber error = sys::resolveTarget(target))
        return error;
    const ErrorNumber error = sys::statusOf(target, status, WriteFailed);
    if (error == FileNotFound)
        return NoError;
    exists = error == NoError;
    return error ? error : kindError(status);
}

ErrorNumber replaceFile(const QString& path, ByteSource& pieces)
{
    NativePath target = sys::nativePath(path);
    Status status;
    bool exists;
    ErrorNumber error = inspectTarget(target, status, exists);
    // A file its owner made read-only stays unchanged, as when it is opened
    // for writing.
    if (!error && exists)
        error = sys::checkWritable(target);
    if (error)
        return error;

    SideFile side;
    error = side.create(target);
    if (error == AccessDenied && exists)
        return writeInPlace(target, pieces);
    if (error)
        return error;
    if (exists)
        sys::takeOwnerAndMode(side.file(), status);
    qint64 written = 0;
    error = writePieces(side.file(), pieces, written);
    if (!error)
        error = syncAndClose(side.file());
    if (error)
        return error;
    error = sys::replaceWith(side.path(), target, exists);
    // A sticky folder lets only the owner replace a file, which the owner's
    // group may still write in place.
    if (error == AccessDenied && exists)
        return pieces.rewind() ? writeInPlace(target, pieces) : error;
    if (!error)
        side.keep();
    return error;
}

// Puts a file an append failed on back as it was: removes it when the append
// created it, or cuts it back to its old length.
void cutBack(const NativePath& target, File& file, bool created, qint64 length)
{
    if (created) {
        file.close();
        sys::removeFile(target);
        return;
    }
    if (file.isOpen() || sys::openFile(target, Mode::Write, file, WriteFailed) == NoError)
        sys::truncateAt(file, length); // a failure here changes nothing of what is reported
}

// The encoding an append goes on in: that of the file's bytes so far, found
// by reading them through once; UTF-8 for a file that is new, or that cannot
// be opened for reading (a write-only file shows nothing of its encoding).
ErrorNumber appendEncoding(const NativePath& target, bool exists, TextEncoding& encoding)
{
    encoding = TextEncoding::Utf8;
    File file;
    Status status;
    if (!exists || sys::openFile(target, Mode::Read, file, ReadFailed) != NoError)
        return NoError;
    if (const ErrorNumber error = sys::statusOf(file, status, ReadFailed))
        return error;
    if (const ErrorNumber error = kindError(status))
        return error;
    EncodingProbe probe;
    const std::unique_ptr<char[]> piece(new char[kPieceBytes]);
    for (std::size_t got = 1; got > 0;) {
        if (const ErrorNumber error = sys::readSome(file, piece.get(), kPieceBytes, got))
            return error;
        probe.add(piece.get(), got);
    }
    encoding = probe.encoding();
    return NoError;
}

ErrorNumber appendFile(const QString& path, QStringView text)
{
    NativePath target = sys::nativePath(path);
    Status status;
    bool exists;
    TextEncoding encoding;
    if (const ErrorNumber error = inspectTarget(target, status, exists))
        return error;
    if (const ErrorNumber error = appendEncoding(target, exists, encoding))
        return error;
    // Text the file's code page cannot hold is refused whole: a "?" in place
    // of a character would lose it without a word.
    if (encoding == TextEncoding::Windows932 && !codepage::holds(text))
        return NoMappingForText;
    EncodedPieces pieces(text, encoding);

    File file;
    bool created = false;
    ErrorNumber error = sys::openFile(target, Mode::Append, file, WriteFailed);
    if (error == FileNotFound) {
        error = sys::openFile(target, Mode::CreateAppend, file, WriteFailed);
        created = error == NoError;
    }
    if (!error)
        error = openedKind(file, status);
    if (error)
        return error;

    qint64 written = 0;
    error = writePieces(file, pieces, written);
    if (!error)
        error = sys::syncData(file);
    if (!error)
        error = file.close();
    if (error)
        cutBack(target, file, created, status.size);
    return error;
}

// Runs `work` on a usable name, turning a lack of memory into OutOfMemory.
template <typename Work>
ErrorNumber guarded(const QString& path, Work&& work)
{
    if (!isUsableName(path))
        return InvalidName;
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

} // namespace
} // namespace wholefile

ReadResult readWholeFile(const QString& path)
{
    ReadResult result;
    QByteArray bytes;
    result.error = wholefile::guarded(path, [&] {
        const ErrorNumber error = wholefile::readBytes(path, bytes);
        if (!error)
            result.text = decodeText(std::exchange(bytes, {}));
        return error;
    });
    return result;
}

BytesResult readWholeBytes(const QString& path)
{
    BytesResult result;
    result.error = wholefile::guarded(
        path, [&] { return wholefile::readBytes(path, result.bytes); });
    if (result.error != NoError)
        result.bytes.clear();
    return result;
}

ErrorNumber writeWholeFile(const QString& path, QStringView text)
{
    return wholefile::guarded(path, [&] {
        wholefile::EncodedPieces pieces(text, TextEncoding::Utf8);
        return wholefile::replaceFile(path, pieces);
    });
}

ErrorNumber appendWholeFile(const QString& path, QStringView text)
{
    return wholefile::guarded(path, [&] { return wholefile::appendFile(path, text); });
}

ErrorNumber writeWholeFileFrom(const QString& path, ByteSource& source)
{
    return wholefile::guarded(path, [&] { return wholefile::replaceFile(path, source); });
}

FileReader::FileReader()
    : d(std::make_unique<Private>())
{
}

FileReader::~FileReader() = default;

ErrorNumber FileReader::open(const QString& path)
{
    if (!wholefile::isUsableName(path))
        return InvalidName;
    wholefile::sys::Status status;
    d->file.close();
    const ErrorNumber error =
        wholefile::openForReading(wholefile::sys::nativePath(path), d->file, status, false);
    d->size = error ? 0 : status.size;
    return error;
}

ErrorNumber FileReader::read(char* data, std::size_t size, std::size_t& got)
{
    return wholefile::sys::readSome(d->file, data, size, got);
}

ErrorNumber FileReader::rewind()
{
    return wholefile::sys::seekTo(d->file, 0);
}

qint64 FileReader::size() const
{
    return d->size;
}

} // namespace yomika
