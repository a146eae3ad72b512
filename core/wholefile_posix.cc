// The whole-file operations on POSIX systems, on plain file descriptors so
// that every failure keeps its errno and so that no descriptor outlives the
// call: Descriptor closes on every path, exceptions included.

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>

#include "core/errornumber.h"
#include "core/wholefile_platform.h"

namespace yomika::wholefile::detail {
namespace {

// The open flags every operation uses: never hand the descriptor to a child
// process, never make a terminal the controlling one, never block opening a
// FIFO that slipped in after the type check.
constexpr int kOpenFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

// Symbolic links followed from the path given to the file written, as the
// kernel allows.
constexpr int kMaxLinks = 40;

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

    // Closes and returns 0 or errno. Linux closes the descriptor even when
    // close() is interrupted, so EINTR is no failure.
    int close()
    {
        const int fd = m_fd;
        m_fd = -1;
        if (fd < 0 || ::close(fd) == 0 || errno == EINTR)
            return 0;
        return errno;
    }

private:
    int m_fd;
};

// Maps the errno of a read, write, sync or close to an ErrorNumber.
int ioError(int error, int otherwise)
{
    switch (error) {
    case EACCES:
    case EPERM: return AccessDenied;
    case EISDIR: return IsDirectory;
    case EMFILE:
    case ENFILE: return TooManyOpenFiles;
    case ENOMEM: return OutOfMemory;
    case EROFS: return ReadOnlyFileSystem;
    case ENOSPC:
    case EDQUOT: return DiskFull;
    case EFBIG:
    case EOVERFLOW: return FileTooLarge;
    case EIO: return DeviceError;
    case EBUSY:
    case ETXTBSY:
    case EAGAIN: return FileInUse; // a lock another program holds
    case ENXIO:
    case ENODEV: return NotRegularFile;
    default: return otherwise;
    }
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// Maps the errno of a stat, open, create or rename on `path`.
int pathError(int error, const QByteArray& path, int otherwise)
{
    switch (error) {
    case ENOENT: {
        // Missing file or missing folder: a missing name is a file only
        // where its folder exists.
        struct stat folder;
        if (::stat(folderOf(path).constData(), &folder) == 0 && S_ISDIR(folder.st_mode))
            return FileNotFound;
        return FolderNotFound;
    }
    case ENOTDIR: return FolderNotFound;
    case ENAMETOOLONG: return NameTooLong;
    case ELOOP: return SymlinkLoop;
    case EINVAL:
    case EILSEQ: return InvalidName;
    default: return ioError(error, otherwise);
    }
}

// The type check before anything is opened, so that opening a device or a
// FIFO never happens (opening some devices acts on them).
int regularFileError(const struct stat& status)
{
    if (S_ISDIR(status.st_mode))
        return IsDirectory;
    return S_ISREG(status.st_mode) ? NoError : NotRegularFile;
}

// Follows symbolic links standing at the end of `path`, so that a write
// replaces the file a link points to and leaves the link a link. A link
// pointing nowhere gives the path it points to, where the file is created.
int resolveLinks(QByteArray& path)
{
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat status;
        if (::lstat(path.constData(), &status) != 0)
            return errno == ENOENT ? NoError : pathError(errno, path, WriteFailed);
        if (!S_ISLNK(status.st_mode))
            return NoError;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length < 0)
            return pathError(errno, path, WriteFailed);
        if (static_cast<std::size_t>(length) >= sizeof target)
            return NameTooLong;
        const QByteArray link(target, length);
        path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
    }
    return SymlinkLoop;
}

int writeAll(int fd, const char* data, std::size_t size, bool throughSeam)
{
    while (size > 0) {
        const std::size_t allowed = throughSeam ? writeAllowance(size) : size;
        if (allowed == 0)
            return DiskFull;
        const ssize_t written = ::write(fd, data, allowed);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return ioError(errno, WriteFailed);
        }
        if (written == 0)
            return WriteFailed;
        if (throughSeam)
            spendWriteAllowance(static_cast<std::size_t>(written));
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return NoError;
}

// Starts writing the file's dirty pages to disk without waiting, so that the
// disk works while the next pieces are encoded and the final sync has little
// left to wait for. Only Linux has the call; elsewhere the sync does it all.
void startWriteBack(int fd)
{
#ifdef SYNC_FILE_RANGE_WRITE
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    (void)fd;
#endif
}

int writePieces(int fd, EncodedPieces& pieces, qint64* total = nullptr)
{
    constexpr std::size_t kWriteBackBytes = std::size_t{4} << 20;
    std::size_t unsynced = 0;
    const char* data;
    std::size_t size;
    while (pieces.next(data, size)) {
        if (const int error = writeAll(fd, data, size, true))
            return error;
        if (total)
            *total += static_cast<qint64>(size);
        unsynced += size;
        if (unsynced >= kWriteBackBytes) {
            startWriteBack(fd);
            unsynced = 0;
        }
    }
    return NoError;
}

// A full disk or a failing device may show only when the data reaches the
// disk: on a network file system, with quotas, with delayed allocation.
int syncAndClose(Descriptor& fd)
{
    if (::fdatasync(fd.get()) != 0 && errno != EINVAL && errno != EROFS) {
        const int error = errno;
        fd.close();
        return ioError(error, WriteFailed);
    }
    if (const int error = fd.close())
        return ioError(error, WriteFailed);
    return NoError;
}

// For the clean-up after a failure, whose own failure changes nothing of
// what is reported.
void bestEffort(int) {}

bool isRefusal(int error)
{
    return error == EACCES || error == EPERM;
}

// The new contents of a file, written beside it under a hidden name and
// removed unless they replace the file.
class SideFile {
public:
    ~SideFile()
    {
        m_fd.close();
        if (!m_path.isEmpty())
            ::unlink(m_path.constData());
    }

    // Returns 0 or errno. Created with the mode a new file gets, 0666 less
    // the umask.
    int create(const QByteArray& target)
    {
        const qsizetype slash = target.lastIndexOf('/');
        const QByteArray name = target.mid(slash + 1);
        const QByteArray stem = target.left(slash + 1) + '.' + (name.size() <= 200 ? name : QByteArrayLiteral("yomika"));
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray path = stem + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | kOpenFlags, 0666);
            if (fd >= 0) {
                m_fd.reset(fd);
                m_path = path;
                return 0;
            }
            if (errno != EEXIST)
                return errno;
        }
        return EEXIST;
    }

    Descriptor& fd() { return m_fd; }
    const QByteArray& path() const { return m_path; }

    // The file has taken the target's place: nothing to remove.
    void keep() { m_path.clear(); }

private:
    Descriptor m_fd;
    QByteArray m_path;
};

// Writes over the file itself, for a folder that takes no new file. The old
// contents are kept in memory while that is possible and put back when the
// write fails, so that a full disk still leaves the old file.
int writeInPlace(const QByteArray& target, EncodedPieces& pieces)
{
    bool readable = true;
    Descriptor fd(::open(target.constData(), O_RDWR | kOpenFlags));
    if (!fd.isOpen() && isRefusal(errno)) {
        readable = false;
        fd.reset(::open(target.constData(), O_WRONLY | kOpenFlags));
    }
    if (!fd.isOpen())
        return pathError(errno, target, WriteFailed);
    struct stat status;
    if (::fstat(fd.get(), &status) != 0)
        return ioError(errno, WriteFailed);
    if (const int error = regularFileError(status))
        return error;

    QByteArray old;
    bool restorable = readable && status.st_size <= kMaxReadBytes;
    if (restorable) {
        old.resize(static_cast<qsizetype>(status.st_size));
        qsizetype got = 0;
        while (got < old.size()) {
            const ssize_t n = ::read(fd.get(), old.data() + got, static_cast<std::size_t>(old.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        restorable = got == old.size();
    }

    qint64 written = 0;
    int error = ::lseek(fd.get(), 0, SEEK_SET) == 0 ? NoError : ioError(errno, WriteFailed);
    if (!error)
        error = writePieces(fd.get(), pieces, &written);
    if (!error && ::ftruncate(fd.get(), written) != 0)
        error = ioError(errno, WriteFailed);
    if (!error && ::fdatasync(fd.get()) != 0 && errno != EINVAL && errno != EROFS)
        error = ioError(errno, WriteFailed);
    if (!error) {
        if (const int closeError = fd.close())
            return ioError(closeError, WriteFailed);
        return NoError;
    }
    if (restorable && ::lseek(fd.get(), 0, SEEK_SET) == 0
        && writeAll(fd.get(), old.constData(), static_cast<std::size_t>(old.size()), false) == NoError) {
        bestEffort(::ftruncate(fd.get(), status.st_size));
    }
    return error;
}

// One read loop for the text and for the bytes of a file: `Collector` takes
// the bytes as they come (TextCollector decodes them, ByteCollector keeps them).
template <typename Collector, typename Result>
int readWith(const QString& path, Result& result)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    if (::stat(name.constData(), &status) != 0)
        return pathError(errno, name, ReadFailed);
    if (const int error = regularFileError(status))
        return error;
    if (status.st_size > kMaxReadBytes)
        return FileTooLarge;

    Descriptor fd(::open(name.constData(), O_RDONLY | kOpenFlags));
    if (!fd.isOpen())
        return pathError(errno, name, ReadFailed);
    // The path may have changed between the check and the opening.
    if (::fstat(fd.get(), &status) != 0)
        return ioError(errno, ReadFailed);
    if (const int error = regularFileError(status))
        return error;
    if (status.st_size > kMaxReadBytes)
        return FileTooLarge;

    Collector collector(status.st_size);
    for (;;) {
        const ssize_t got = ::read(fd.get(), collector.room(), collector.roomSize());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return ioError(errno, ReadFailed);
        }
        if (got == 0)
            break;
        collector.add(static_cast<std::size_t>(got));
        // A file growing while it is read (or a file of the kernel whose
        // size shows as 0) is read on to its end, within the same limit.
        if (collector.total() > kMaxReadBytes)
            return FileTooLarge;
    }
    fd.close(); // nothing was written: a failing close loses nothing
    result = collector.finish();
    return NoError;
}

} // namespace

int readFile(const QString& path, QString& text)
{
    return readWith<TextCollector>(path, text);
}

int readFileBytes(const QString& path, QByteArray& bytes)
{
    return readWith<ByteCollector>(path, bytes);
}

int replaceFile(const QString& path, EncodedPieces& pieces)
{
    QByteArray target = QFile::encodeName(path);
    if (const int error = resolveLinks(target))
        return error;

    struct stat status;
    const bool exists = ::stat(target.constData(), &status) == 0;
    if (!exists && errno != ENOENT)
        return pathError(errno, target, WriteFailed);
    if (exists) {
        if (const int error = regularFileError(status))
            return error;
        // A file its owner made read-only stays unchanged, as when it is
        // opened for writing.
        if (::access(target.constData(), W_OK) != 0)
            return pathError(errno, target, WriteFailed);
    }

    SideFile side;
    if (const int error = side.create(target)) {
        if (exists && isRefusal(error))
            return writeInPlace(target, pieces);
        return pathError(error, target, WriteFailed);
    }
    if (exists) {
        // The new file takes the old one's owner where that is allowed, then
        // its permissions (changing the owner clears set-id bits).
        if (status.st_uid != ::geteuid() || status.st_gid != ::getegid())
            bestEffort(::fchown(side.fd().get(), status.st_uid, status.st_gid));
        bestEffort(::fchmod(side.fd().get(), status.st_mode & 07777));
    }
    if (const int error = writePieces(side.fd().get(), pieces))
        return error;
    if (const int error = syncAndClose(side.fd()))
        return error;
    if (::rename(side.path().constData(), target.constData()) != 0) {
        const int error = errno;
        // A sticky folder lets only the owner replace a file, which the
        // owner's group may still write in place.
        if (exists && isRefusal(error)) {
            pieces.rewind();
            return writeInPlace(target, pieces);
        }
        return pathError(error, target, WriteFailed);
    }
    side.keep();
    return NoError;
}

int appendFile(const QString& path, EncodedPieces& pieces)
{
    QByteArray target = QFile::encodeName(path);
    if (const int error = resolveLinks(target))
        return error;

    struct stat status;
    if (::stat(target.constData(), &status) == 0) {
        if (const int error = regularFileError(status))
            return error;
    } else if (errno != ENOENT) {
        return pathError(errno, target, WriteFailed);
    }

    bool created = false;
    Descriptor fd(::open(target.constData(), O_WRONLY | O_APPEND | kOpenFlags));
    if (!fd.isOpen() && errno == ENOENT) {
        fd.reset(::open(target.constData(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | kOpenFlags, 0666));
        created = fd.isOpen();
    }
    if (!fd.isOpen())
        return pathError(errno, target, WriteFailed);
    if (::fstat(fd.get(), &status) != 0)
        return ioError(errno, WriteFailed);
    if (const int error = regularFileError(status))
        return error;

    // Whatever fails, the file goes back to what it was.
    const auto undo = [&] {
        if (created)
            ::unlink(target.constData());
        else if (fd.isOpen())
            bestEffort(::ftruncate(fd.get(), status.st_size));
        else if (Descriptor again(::open(target.constData(), O_WRONLY | kOpenFlags)); again.isOpen())
            bestEffort(::ftruncate(again.get(), status.st_size));
    };
    int error = writePieces(fd.get(), pieces);
    if (!error && ::fdatasync(fd.get()) != 0 && errno != EINVAL && errno != EROFS)
        error = ioError(errno, WriteFailed);
    if (error) {
        undo();
        return error;
    }
    if (const int closeError = fd.close()) {
        undo();
        return ioError(closeError, WriteFailed);
    }
    return NoError;
}

} // namespace yomika::wholefile::detail
