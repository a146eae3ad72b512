#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#ifdef Q_OS_WIN
#include <string>
#endif

#include "core/files/errornumber.h"

// The system calls under the whole-file operations, one source file per
// platform (wholefile_posix.cc, wholefile_win.cc). Each call maps its
// system's error code to the ErrorNumber of the same cause; the order of the
// calls (the side file, the in-place fallback, the cut-back) is wholefile.cc's.

namespace yomika::wholefile::sys {

// A path as the system takes it: bytes on POSIX systems (a name that is not
// valid UTF-8 survives), UTF-16 on Windows.
#ifdef Q_OS_WIN
using NativePath = std::wstring;
#else
using NativePath = QByteArray;
#endif

/// The system's form of `path`.
NativePath nativePath(const QString& path);

enum class Kind { Regular, Directory, Other };

// What a stat-like call tells of a file.
struct Status {
    Kind kind = Kind::Other;
    qint64 size = 0;
    // Owner, group and permission bits, to be given to the file that
    // replaces this one; only POSIX systems fill them in.
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::uint32_t mode = 0;
};

// An open file, closed when it goes out of scope.
class File {
public:
    File() = default;
    ~File() { static_cast<void>(close()); } // a fault that matters is seen by calling close()
    File(File&& other) noexcept : m_handle(std::exchange(other.m_handle, kClosed)) {}
    File& operator=(File&& other) noexcept
    {
        if (this != &other) {
            static_cast<void>(close());
            m_handle = std::exchange(other.m_handle, kClosed);
        }
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool isOpen() const { return m_handle != kClosed; }

    /// Closes the file. Errors: the fault the system reports on closing (a
    /// network file system may report a full disk only here); the file
    /// counts as closed either way.
    Result<> close();

    /// The descriptor or HANDLE, for the platform's source file.
    std::intptr_t handle() const { return m_handle; }

    /// Takes charge of an open descriptor or HANDLE, closing the one held.
    void adopt(std::intptr_t handle)
    {
        static_cast<void>(close());
        m_handle = handle;
    }

    // -1 is both the descriptor no call returns and INVALID_HANDLE_VALUE.
    static constexpr std::intptr_t kClosed = -1;

private:
    std::intptr_t m_handle = kClosed;
};

enum class Mode {
    Read,        // an existing file, for reading, shared with other programs
    ReadWrite,   // an existing file, for reading and writing
    Write,       // an existing file, for writing only
    Append,      // an existing file, every write going after its last byte
    CreateAppend // a new file (failing when the name exists), then as Append
};

/// Reports on `path` without opening it, following symbolic links: opening
/// some devices acts on them. A missing name gives FileNotFound, or
/// FolderNotFound where a folder on the path is missing; `otherwise` stands
/// for an error with no number of its own.
Result<Status> statusOf(const NativePath& path, ErrorNumber otherwise);

/// The same for an open file. Errors as statusOf.
Result<Status> statusOf(const File& file, ErrorNumber otherwise);

/// Turns `path` into the path of the file it finally names when it is a
/// symbolic link (or runs through one), so that a replacement takes the
/// linked file's place and leaves the link a link; a link to a missing file
/// gives the path of that file. A path that names nothing stays as it is.
/// Returns SymlinkLoop, NameTooLong or another ErrorNumber of a failing look-up.
Result<> resolveTarget(NativePath& path);

/// Refuses with AccessDenied (or the error of the check) an existing file
/// that this process may not write.
Result<> checkWritable(const NativePath& path);

/// Opens `path` in `mode`, never blocking on a FIFO and never handing the
/// file to a child process. A new file gets the permissions of any new file
/// (on POSIX systems 0666 less the umask). Errors as statusOf.
Result<File> openFile(const NativePath& path, Mode mode, ErrorNumber otherwise);

/// Creates a new file beside `target`, under a hidden name of its own, for
/// writing; `sidePath` receives that name. Errors as statusOf; AccessDenied
/// where the folder takes no new file.
Result<> createSideFile(const NativePath& target, File& file, NativePath& sidePath);

/// Reads up to `size` bytes and gives how many, 0 at the end of the file. A read
/// interrupted by a signal is tried again. Errors: ReadFailed and the causes
/// with numbers of their own.
Result<std::size_t> readSome(const File& file, char* data, std::size_t size);

/// Writes all `size` bytes, or returns the failure (DiskFull, FileTooLarge,
/// WriteFailed ...), with some of them possibly written.
Result<> writeAll(const File& file, const char* data, std::size_t size);

/// Copies up to `size` bytes from the position of `from` to that of `to`
/// inside the system, without passing them through this process, and moves
/// both positions on; gives how many, 0 at the end of `from`. Gives no count,
/// with nothing copied, where the system cannot copy between these two files
/// (no such call, another file system): the caller then reads and writes.
/// Errors: a failure of the copy itself, as writeAll.
Result<std::optional<std::size_t>> copySome(const File& from, const File& to, std::size_t size);

/// Moves the position for the next read or write. Errors: WriteFailed and
/// the causes with numbers of their own.
Result<> seekTo(const File& file, qint64 offset);

/// Cuts the file at `length` bytes. Errors as seekTo.
Result<> truncateAt(const File& file, qint64 length);

/// Waits until the file's data is on the disk: a full disk or a failing
/// device may show only then. A file system that keeps no data to sync is
/// no failure. Errors as writeAll.
Result<> syncData(const File& file);

/// Starts writing the file's data to disk without waiting, so that the disk
/// works while the next pieces are made; where the system has no such call,
/// syncData does it all.
void startWriteBack(const File& file);

/// Waits until the first `length` bytes of the file are on the disk and
/// lets the system forget them from memory: a copy of a gigabyte leaves the
/// memory to the files in use, and reuses the same pages as it goes. Where
/// the system has no such calls, nothing happens (syncData does the wait).
void dropWritten(const File& file, qint64 length);

/// Gives the new file `file` the owner and permissions `old` had, where the
/// system allows; a failure leaves the new file's own ones. On Windows the
/// replacement itself keeps them.
void takeOwnerAndMode(const File& file, const Status& old);

/// Puts the complete file at `sidePath` in the place of `target` in one
/// step; `targetExists` says whether one was there. Errors as statusOf;
/// AccessDenied where the folder refuses the replacement.
Result<> replaceWith(const NativePath& sidePath, const NativePath& target, bool targetExists);

/// Removes the file at `path`; for the clean-up after a failure, which has
/// nothing to report.
void removeFile(const NativePath& path);

} // namespace yomika::wholefile::sys
