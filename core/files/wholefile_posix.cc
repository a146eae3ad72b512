// The system calls under the whole-file operations on POSIX systems, on
// plain file descriptors, and their errno mapped to ErrorNumber.

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>

#include "core/files/wholefile_platform.h"

namespace yomika::wholefile::sys {
namespace {

// The open flags every call uses: never hand the descriptor to a child
// process, never make a terminal the controlling one, never block opening a
// FIFO that slipped in after the type check.
constexpr int kOpenFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

// Symbolic links followed from the path given to the file written, as the
// kernel allows.
constexpr int kMaxLinks = 40;

// For the calls whose failure changes nothing of what is reported.
void bestEffort(int) {}

int fd(const File& file)
{
    return static_cast<int>(file.handle());
}

// Maps the errno of a read, write, sync or close.
ErrorNumber ioError(int error, ErrorNumber otherwise)
{
    switch (error) {
    case EACCES:
    case EPERM: return ErrorNumber::AccessDenied;
    case EISDIR: return ErrorNumber::IsDirectory;
    case EMFILE:
    case ENFILE: return ErrorNumber::TooManyOpenFiles;
    case ENOMEM: return ErrorNumber::OutOfMemory;
    case EROFS: return ErrorNumber::ReadOnlyFileSystem;
    case ENOSPC:
    case EDQUOT: return ErrorNumber::DiskFull;
    case EFBIG:
    case EOVERFLOW: return ErrorNumber::FileTooLarge;
    case EIO: return ErrorNumber::DeviceError;
    case EBUSY:
    case ETXTBSY:
    case EAGAIN: return ErrorNumber::FileInUse; // a lock another program holds
    case ENXIO:
    case ENODEV: return ErrorNumber::NotRegularFile;
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
ErrorNumber pathError(int error, const QByteArray& path, ErrorNumber otherwise)
{
    switch (error) {
    case ENOENT: {
        // Missing file or missing folder: a missing name is a file only
        // where its folder exists.
        struct stat folder;
        if (::stat(folderOf(path).constData(), &folder) == 0 && S_ISDIR(folder.st_mode))
            return ErrorNumber::FileNotFound;
        return ErrorNumber::FolderNotFound;
    }
    case ENOTDIR: return ErrorNumber::FolderNotFound;
    case ENAMETOOLONG: return ErrorNumber::NameTooLong;
    case ELOOP: return ErrorNumber::SymlinkLoop;
    case EINVAL:
    case EILSEQ: return ErrorNumber::InvalidName;
    default: return ioError(error, otherwise);
    }
}

Status statusFrom(const struct stat& status)
{
    Status result;
    result.kind = S_ISREG(status.st_mode) ? Kind::Regular
                  : S_ISDIR(status.st_mode) ? Kind::Directory
                                            : Kind::Other;
    result.size = status.st_size;
    result.owner = status.st_uid;
    result.group = status.st_gid;
    result.mode = status.st_mode & 07777;
    return result;
}

int openFlags(Mode mode)
{
    switch (mode) {
    case Mode::Read: return O_RDONLY;
    case Mode::ReadWrite: return O_RDWR;
    case Mode::Write: return O_WRONLY;
    case Mode::Append: return O_WRONLY | O_APPEND;
    case Mode::CreateAppend: break;
    }
    return O_WRONLY | O_APPEND | O_CREAT | O_EXCL;
}

} // namespace

Result<> File::close()
{
    const int descriptor = static_cast<int>(std::exchange(m_handle, kClosed));
    // Linux closes the descriptor even when close() is interrupted, so EINTR
    // is no failure.
    if (descriptor < 0 || ::close(descriptor) == 0 || errno == EINTR)
        return {};
    return failure(ioError(errno, ErrorNumber::WriteFailed));
}

NativePath nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

Result<Status> statusOf(const NativePath& path, ErrorNumber otherwise)
{
    struct stat info;
    if (::stat(path.constData(), &info) != 0)
        return failure(pathError(errno, path, otherwise));
    return statusFrom(info);
}

Result<Status> statusOf(const File& file, ErrorNumber otherwise)
{
    struct stat info;
    if (::fstat(fd(file), &info) != 0)
        return failure(ioError(errno, otherwise));
    return statusFrom(info);
}

Result<> resolveTarget(NativePath& path)
{
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat status;
        if (::lstat(path.constData(), &status) != 0)
            return errno == ENOENT ? Result<>() : failure(pathError(errno, path, ErrorNumber::WriteFailed));
        if (!S_ISLNK(status.st_mode))
            return {};
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length < 0)
            return failure(pathError(errno, path, ErrorNumber::WriteFailed));
        if (static_cast<std::size_t>(length) >= sizeof target)
            return failure(ErrorNumber::NameTooLong);
        const QByteArray link(target, length);
        path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
    }
    return failure(ErrorNumber::SymlinkLoop);
}

Result<> checkWritable(const NativePath& path)
{
    if (::access(path.constData(), W_OK) != 0)
        return failure(pathError(errno, path, ErrorNumber::WriteFailed));
    return {};
}

Result<File> openFile(const NativePath& path, Mode mode, ErrorNumber otherwise)
{
    const int descriptor = ::open(path.constData(), openFlags(mode) | kOpenFlags, 0666);
    if (descriptor < 0)
        return failure(pathError(errno, path, otherwise));
    File file;
    file.adopt(descriptor);
    return file;
}

Result<> createSideFile(const NativePath& target, File& file, NativePath& sidePath)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray name = target.mid(slash + 1);
    const QByteArray stem = target.left(slash + 1) + '.' + (name.size() <= 200 ? name : QByteArrayLiteral("yomika"));
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        const QByteArray path = stem + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        const int descriptor = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | kOpenFlags, 0666);
        if (descriptor >= 0) {
            file.adopt(descriptor);
            sidePath = path;
            return {};
        }
        error = errno;
    }
    return failure(pathError(error, target, ErrorNumber::WriteFailed));
}

Result<std::size_t> readSome(const File& file, char* data, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(fd(file), data, size);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            return failure(ioError(errno, ErrorNumber::ReadFailed));
    }
}

Result<> writeAll(const File& file, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd(file), data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return failure(ioError(errno, ErrorNumber::WriteFailed));
        }
        if (written == 0)
            return failure(ErrorNumber::WriteFailed);
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return {};
}

Result<> seekTo(const File& file, qint64 offset)
{
    if (::lseek(fd(file), offset, SEEK_SET) != offset)
        return failure(ioError(errno, ErrorNumber::WriteFailed));
    return {};
}

Result<> truncateAt(const File& file, qint64 length)
{
    if (::ftruncate(fd(file), length) != 0)
        return failure(ioError(errno, ErrorNumber::WriteFailed));
    return {};
}

Result<> syncData(const File& file)
{
    // EINVAL and EROFS: a file system that keeps nothing to sync (a pipe, /proc).
    if (::fdatasync(fd(file)) == 0 || errno == EINVAL || errno == EROFS)
        return {};
    return failure(ioError(errno, ErrorNumber::WriteFailed));
}

Result<std::optional<std::size_t>> copySome(const File& from, const File& to, std::size_t size)
{
#ifdef __linux__
    for (;;) {
        const ssize_t n = ::copy_file_range(fd(from), nullptr, fd(to), nullptr, size, 0);
        if (n >= 0)
            return std::optional<std::size_t>(static_cast<std::size_t>(n));
        switch (errno) {
        case EINTR: continue;
        // No such call, another file system, or files it cannot copy between.
        case ENOSYS:
        case EXDEV:
        case EINVAL:
        case EOPNOTSUPP:
        case EBADF: return std::optional<std::size_t>();
        default: return failure(ioError(errno, ErrorNumber::WriteFailed));
        }
    }
#else
    (void)from, (void)to, (void)size;
    return std::optional<std::size_t>();
#endif
}

void startWriteBack(const File& file)
{
#ifdef SYNC_FILE_RANGE_WRITE
    ::sync_file_range(fd(file), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    (void)file;
#endif
}

void dropWritten(const File& file, qint64 length)
{
#ifdef SYNC_FILE_RANGE_WRITE
    // Failures change nothing: syncData still reports any fault of the disk.
    // (A length of 0 would mean the whole file to both calls.)
    const unsigned flags = SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    if (length > 0 && ::sync_file_range(fd(file), 0, length, flags) == 0)
        bestEffort(::posix_fadvise(fd(file), 0, length, POSIX_FADV_DONTNEED));
#else
    (void)file, (void)length;
#endif
}

void takeOwnerAndMode(const File& file, const Status& old)
{
    // The owner first where that is allowed, then the permissions: changing
    // the owner clears set-id bits. A failure leaves the new file's own.
    if (old.owner != ::geteuid() || old.group != ::getegid())
        bestEffort(::fchown(fd(file), old.owner, old.group));
    bestEffort(::fchmod(fd(file), old.mode));
}

Result<> replaceWith(const NativePath& sidePath, const NativePath& target, bool)
{
    if (::rename(sidePath.constData(), target.constData()) != 0)
        return failure(pathError(errno, target, ErrorNumber::WriteFailed));
    return {};
}

void removeFile(const NativePath& path)
{
    bestEffort(::unlink(path.constData()));
}

} // namespace yomika::wholefile::sys
