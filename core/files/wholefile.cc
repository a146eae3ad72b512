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
#include "core/files/wholefile_steps.h"

namespace yomika {

struct FileReader::Private {
    wholefile::sys::File file;
    qint64 size = 0;
};

namespace wholefile {

struct ReaderAccess {
    static const sys::File& file(const FileReader& reader) { return reader.d->file; }
};

using sys::File;
using sys::Kind;
using sys::Mode;
using sys::NativePath;
using sys::Status;

namespace {

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

Result<> readableCheck(const Status& status)
{
    if (Result<> kind = kindCheck(status); !kind)
        return kind;
    if (status.size > kMaxReadBytes)
        return failure(ErrorNumber::FileTooLarge);
    return {};
}

// Opens `path` for reading, refusing what is no regular file, or too large
// to hold when `limited`.
Result<> openForReading(const NativePath& name, File& file, Status& status, bool limited = true)
{
    const auto refusal = [limited](const Status& s) { return limited ? readableCheck(s) : kindCheck(s); };
    Result<Status> before = sys::statusOf(name, ErrorNumber::ReadFailed);
    if (!before)
        return failure(before.error());
    if (Result<> refused = refusal(*before); !refused)
        return refused;
    Result<File> opened = sys::openFile(name, Mode::Read, ErrorNumber::ReadFailed);
    if (!opened)
        return failure(opened.error());
    file = std::move(*opened);
    // The path may have changed between the check and the opening.
    Result<Status> after = sys::statusOf(file, ErrorNumber::ReadFailed);
    if (!after)
        return failure(after.error());
    status = *after;
    return refusal(status);
}

Result<QByteArray> readBytes(const QString& path)
{
    Status status;
    File file;
    if (const Result<> opened = openForReading(sys::nativePath(path), file, status); !opened)
        return failure(opened.error());

    ByteCollector collector(status.size);
    for (;;) {
        const Result<std::size_t> got = sys::readSome(file, collector.room(), collector.roomSize());
        if (!got)
            return failure(got.error());
        if (*got == 0)
            break;
        collector.add(*got);
        // A file growing while it is read (or a file of the kernel whose
        // size shows as 0) is read on to its end, within the same limit.
        if (collector.total() > kMaxReadBytes)
            return failure(ErrorNumber::FileTooLarge);
    }
    static_cast<void>(file.close()); // nothing was written: a failing close loses nothing
    return collector.finish();
}

// Copies the rest of `from` into `file` inside the system, adding the bytes
// to `total`; gives whether all of them went.
Result<bool> copyThrough(const File& from, const File& file, qint64& total)
{
    for (;;) {
        const Result<std::optional<std::size_t>> copied = sys::copySome(from, file, kCopyBytes);
        if (!copied)
            return failure(copied.error());
        if (!copied->has_value())
            return false; // the rest by reads and writes
        if (**copied == 0)
            return true;
        // The disk writes this piece while the next one is copied; the one
        // before is on the disk by then, and its pages go.
        const qint64 before = total;
        total += static_cast<qint64>(**copied);
        sys::startWriteBack(file);
        sys::dropWritten(file, before);
    }
}

// The failure that ended a source's pieces early, if any.
Result<> sourceCheck(const ByteSource& pieces)
{
    if (pieces.error() != ErrorNumber::NoError)
        return failure(pieces.error());
    return {};
}

Result<> syncAndClose(File& file)
{
    if (Result<> synced = sys::syncData(file); !synced) {
        static_cast<void>(file.close()); // the sync's fault is the one to report
        return synced;
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
        static_cast<void>(m_file.close()); // unless kept, the file goes anyway
        if (m_made)
            sys::removeFile(m_path);
    }
    SideFile(const SideFile&) = delete;
    SideFile& operator=(const SideFile&) = delete;

    Result<> create(const NativePath& target)
    {
        Result<> created = sys::createSideFile(target, m_file, m_path);
        m_made = created.hasValue();
        return created;
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
        const Result<std::size_t> n =
            sys::readSome(file, old.data() + got, static_cast<std::size_t>(old.size() - got));
        if (!n || *n == 0)
            break;
        got += static_cast<qsizetype>(*n);
    }
    return got == old.size();
}

// Writes the pieces over the start of `file` and cuts it after them.
Result<> overwrite(const File& file, ByteSource& pieces)
{
    qint64 written = 0;
    if (Result<> done = sys::seekTo(file, 0); !done)
        return done;
    if (Result<> done = writePieces(file, pieces, written); !done)
        return done;
    if (Result<> done = sys::truncateAt(file, written); !done)
        return done;
    return sys::syncData(file);
}

// Writes over the file itself, for a folder that takes no new file. The old
// contents are kept in memory while that is possible and put back when the
// write fails, so that a full disk still leaves the old file.
Result<> writeInPlace(const NativePath& target, ByteSource& pieces)
{
    bool readable = true;
    Result<File> opened = sys::openFile(target, Mode::ReadWrite, ErrorNumber::WriteFailed);
    if (!opened && opened.error() == ErrorNumber::AccessDenied) {
        readable = false;
        opened = sys::openFile(target, Mode::Write, ErrorNumber::WriteFailed);
    }
    Result<OpenedFile> regular = regularOpened(std::move(opened));
    if (!regular)
        return failure(regular.error());
    File& file = regular->file;
    const Status& status = regular->status;

    QByteArray old;
    const bool restorable = readable && readOldContents(file, status.size, old);
    const Result<> written = overwrite(file, pieces);
    if (written)
        return file.close();
    if (restorable && sys::seekTo(file, 0)
        && sys::writeAll(file, old.constData(), static_cast<std::size_t>(old.size())))
        static_cast<void>(sys::truncateAt(file, status.size)); // a failure here changes nothing of what is reported
    return written;
}

Result<> replaceFile(const QString& path, ByteSource& pieces)
{
    NativePath target = sys::nativePath(path);
    const Result<std::optional<Status>> inspected = inspectTarget(target);
    if (!inspected)
        return failure(inspected.error());
    const std::optional<Status>& old = *inspected;
    // A file its owner made read-only stays unchanged, as when it is opened
    // for writing.
    if (old)
        if (Result<> writable = sys::checkWritable(target); !writable)
            return writable;

    SideFile side;
    if (Result<> created = side.create(target); !created)
        return created.error() == ErrorNumber::AccessDenied && old ? writeInPlace(target, pieces) : created;
    if (old)
        sys::takeOwnerAndMode(side.file(), *old);
    qint64 written = 0;
    if (Result<> done = writePieces(side.file(), pieces, written); !done)
        return done;
    if (Result<> done = syncAndClose(side.file()); !done)
        return done;
    const Result<> replaced = sys::replaceWith(side.path(), target, old.has_value());
    // A sticky folder lets only the owner replace a file, which the owner's
    // group may still write in place.
    if (!replaced && replaced.error() == ErrorNumber::AccessDenied && old)
        return pieces.rewind() ? writeInPlace(target, pieces) : replaced;
    if (replaced)
        side.keep();
    return replaced;
}

// Runs `work` on a usable name, turning a lack of memory into OutOfMemory.
template <typename Work>
auto guarded(const QString& path, Work&& work) -> decltype(work())
{
    if (!isUsableName(path))
        return failure(ErrorNumber::InvalidName);
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return failure(ErrorNumber::OutOfMemory);
    }
}

} // namespace

// Only regular files are read or written: a device or a FIFO is refused
// before it is opened, since opening some devices acts on them.
Result<> kindCheck(const Status& status)
{
    switch (status.kind) {
    case Kind::Regular: return {};
    case Kind::Directory: return failure(ErrorNumber::IsDirectory);
    case Kind::Other: break;
    }
    return failure(ErrorNumber::NotRegularFile);
}

// What a file opened for writing is: only a regular file is written.
Result<Status> openedKind(const File& file)
{
    Result<Status> status = sys::statusOf(file, ErrorNumber::WriteFailed);
    if (status)
        if (const Result<> kind = kindCheck(*status); !kind)
            return failure(kind.error());
    return status;
}

// A file just opened for writing, with what it is: only a regular file is
// written.
Result<OpenedFile> regularOpened(Result<File> opened)
{
    if (!opened)
        return failure(opened.error());
    const Result<Status> status = openedKind(*opened);
    if (!status)
        return failure(status.error());
    return OpenedFile{std::move(*opened), *status};
}

// Writes every piece, adding the bytes written to `total`.
Result<> writePieces(const File& file, ByteSource& pieces, qint64& total)
{
    if (FileReader* const reader = pieces.verbatimFile()) {
        const Result<bool> whole = copyThrough(ReaderAccess::file(*reader), file, total);
        if (!whole)
            return failure(whole.error());
        if (*whole)
            return sourceCheck(pieces);
    }
    qint64 unsynced = 0;
    const char* data;
    std::size_t size;
    while (pieces.next(data, size)) {
        if (Result<> written = sys::writeAll(file, data, size); !written)
            return written;
        total += static_cast<qint64>(size);
        unsynced += static_cast<qint64>(size);
        if (unsynced >= kWriteBackBytes) {
            sys::startWriteBack(file);
            unsynced = 0;
        }
    }
    return sourceCheck(pieces);
}

// Looks at the target of a write: its real path, and what it is when it
// exists (none when it does not: a missing file is no error here).
Result<std::optional<Status>> inspectTarget(NativePath& target)
{
    if (Result<> resolved = sys::resolveTarget(target); !resolved)
        return failure(resolved.error());
    const Result<Status> status = sys::statusOf(target, ErrorNumber::WriteFailed);
    if (!status && status.error() == ErrorNumber::FileNotFound)
        return std::optional<Status>();
    if (!status)
        return failure(status.error());
    if (Result<> kind = kindCheck(*status); !kind)
        return failure(kind.error());
    return std::optional<Status>(*status);
}

} // namespace wholefile

Result<QString> readWholeFile(const QString& path)
{
    return wholefile::guarded(path, [&]() -> Result<QString> {
        Result<QByteArray> bytes = wholefile::readBytes(path);
        if (!bytes)
            return failure(bytes.error());
        return decodeText(std::exchange(*bytes, {}));
    });
}

Result<QByteArray> readWholeBytes(const QString& path)
{
    return wholefile::guarded(path, [&] { return wholefile::readBytes(path); });
}

Result<> writeWholeFile(const QString& path, QStringView text)
{
    return wholefile::guarded(path, [&] {
        wholefile::EncodedPieces pieces(text, TextEncoding::Utf8);
        return wholefile::replaceFile(path, pieces);
    });
}

Result<> appendWholeFile(const QString& path, QStringView text)
{
    return wholefile::guarded(path, [&] { return wholefile::appendFile(path, text); });
}

Result<> writeWholeFileFrom(const QString& path, ByteSource& source)
{
    return wholefile::guarded(path, [&] { return wholefile::replaceFile(path, source); });
}

FileReader::FileReader()
    : d(std::make_unique<Private>())
{
}

FileReader::~FileReader() = default;

Result<> FileReader::open(const QString& path)
{
    if (!wholefile::isUsableName(path))
        return failure(ErrorNumber::InvalidName);
    wholefile::sys::Status status;
    static_cast<void>(d->file.close()); // only read: nothing to lose
    Result<> opened = wholefile::openForReading(wholefile::sys::nativePath(path), d->file, status, false);
    d->size = opened ? status.size : 0;
    return opened;
}

Result<std::size_t> FileReader::read(char* data, std::size_t size)
{
    return wholefile::sys::readSome(d->file, data, size);
}

Result<> FileReader::rewind()
{
    return wholefile::sys::seekTo(d->file, 0);
}

qint64 FileReader::size() const
{
    return d->size;
}

} // namespace yomika
