// The whole-file operations on Windows, on file handles so that every
// failure keeps its system error code and no handle outlives the call:
// Handle closes on every path, exceptions included. The error numbers are
// the system's own codes of the same causes.

#include <algorithm>
#include <string>
#include <string_view>

#include <windows.h>

#include <QDir>
#include <QRandomGenerator>

#include "core/errornumber.h"
#include "core/wholefile_platform.h"

namespace yomika::wholefile::detail {
namespace {

// Bytes moved by one ReadFile or WriteFile call, well inside a DWORD.
constexpr DWORD kIoBytes = 1u << 20;

class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~Handle()
    {
        if (isOpen())
            CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return m_handle; }
    bool isOpen() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }

    void reset(HANDLE handle)
    {
        if (isOpen())
            CloseHandle(m_handle);
        m_handle = handle;
    }

    // Closes and returns 0 or the system error code: a network drive may
    // report a full disk only here.
    DWORD close()
    {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        if (handle == INVALID_HANDLE_VALUE || handle == nullptr || CloseHandle(handle))
            return 0;
        return GetLastError();
    }

private:
    HANDLE m_handle;
};

int errorFrom(DWORD code, int otherwise)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND: return FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return FolderNotFound;
    case ERROR_TOO_MANY_OPEN_FILES: return TooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD: return AccessDenied;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return OutOfMemory;
    case ERROR_WRITE_PROTECT: return ReadOnlyFileSystem;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_UNABLE_TO_REMOVE_REPLACED: return FileInUse;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return DiskFull;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return InvalidName;
    case ERROR_FILENAME_EXCED_RANGE: return NameTooLong;
    case ERROR_FILE_TOO_LARGE: return FileTooLarge;
    case ERROR_DIRECTORY: return IsDirectory;
    case ERROR_IO_DEVICE:
    case ERROR_CRC:
    case ERROR_SECTOR_NOT_FOUND: return DeviceError;
    case ERROR_CANT_RESOLVE_FILENAME: return SymlinkLoop;
    default: return otherwise;
    }
}

int lastError(int otherwise)
{
    return errorFrom(GetLastError(), otherwise);
}

std::wstring nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// Device names ("CON", "NUL", "COM1", in any folder) and pipes resolve to
// "\\.\" paths: they are never opened, since opening some devices acts on them.
bool isDevicePath(const std::wstring& path)
{
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH && std::wstring_view(full, length).starts_with(L"\\\\.\\");
}

// The type check before anything is opened. Sets `exists`; a missing file
// is no error here.
int checkRegularFile(const std::wstring& path, bool& exists)
{
    exists = false;
    if (isDevicePath(path))
        return NotRegularFile;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        return code == ERROR_FILE_NOT_FOUND ? NoError : errorFrom(code, ReadFailed);
    }
    exists = true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return IsDirectory;
    if (attributes & FILE_ATTRIBUTE_DEVICE)
        return NotRegularFile;
    return NoError;
}

int checkOpenedFile(HANDLE handle)
{
    if (GetFileType(handle) != FILE_TYPE_DISK)
        return NotRegularFile;
    return NoError;
}

int writeAll(HANDLE handle, const char* data, std::size_t size, bool throughSeam)
{
    while (size > 0) {
        const std::size_t wanted = std::min<std::size_t>(size, kIoBytes);
        const std::size_t allowed = throughSeam ? writeAllowance(wanted) : wanted;
        if (allowed == 0)
            return DiskFull;
        DWORD written = 0;
        if (!WriteFile(handle, data, static_cast<DWORD>(allowed), &written, nullptr))
            return lastError(WriteFailed);
        if (written == 0)
            return WriteFailed;
        if (throughSeam)
            spendWriteAllowance(written);
        data += written;
        size -= written;
    }
    return NoError;
}

int writePieces(HANDLE handle, EncodedPieces& pieces, qint64* total = nullptr)
{
    const char* data;
    std::size_t size;
    while (pieces.next(data, size)) {
        if (const int error = writeAll(handle, data, size, true))
            return error;
        if (total)
            *total += static_cast<qint64>(size);
    }
    return NoError;
}

bool seek(HANDLE handle, qint64 offset)
{
    LARGE_INTEGER position;
    position.QuadPart = offset;
    return SetFilePointerEx(handle, position, nullptr, FILE_BEGIN);
}

bool cutAt(HANDLE handle, qint64 length)
{
    return seek(handle, length) && SetEndOfFile(handle);
}

// A full disk may show only when the data reaches the disk.
int flushAndClose(Handle& handle)
{
    if (!FlushFileBuffers(handle.get())) {
        const DWORD code = GetLastError();
        handle.close();
        return errorFrom(code, WriteFailed);
    }
    if (const DWORD code = handle.close())
        return errorFrom(code, WriteFailed);
    return NoError;
}

// The path of the file a link points to, for a file that exists.
int finalPath(std::wstring& path)
{
    Handle handle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.isOpen())
        return lastError(WriteFailed);
    std::wstring resolved(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(handle.get(), resolved.data(),
                                             static_cast<DWORD>(resolved.size()), VOLUME_NAME_DOS);
    if (length >= resolved.size()) {
        resolved.resize(length + 1);
        length = GetFinalPathNameByHandleW(handle.get(), resolved.data(),
                                           static_cast<DWORD>(resolved.size()), VOLUME_NAME_DOS);
    }
    if (length == 0 || length >= resolved.size())
        return lastError(WriteFailed);
    resolved.resize(length);
    path = resolved;
    return NoError;
}

// Writes over the file itself, for a folder that takes no new file. The old
// contents are kept in memory while that is possible and put back when the
// write fails, so that a full disk still leaves the old file.
int writeInPlace(const std::wstring& target, EncodedPieces& pieces)
{
    Handle handle(CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.isOpen())
        return lastError(WriteFailed);
    if (const int error = checkOpenedFile(handle.get()))
        return error;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle.get(), &size))
        return lastError(WriteFailed);

    QByteArray old;
    bool restorable = size.QuadPart <= kMaxReadBytes;
    if (restorable) {
        old.resize(static_cast<qsizetype>(size.QuadPart));
        qsizetype got = 0;
        while (got < old.size()) {
            DWORD n = 0;
            const DWORD wanted = static_cast<DWORD>(std::min<qsizetype>(old.size() - got, kIoBytes));
            if (!ReadFile(handle.get(), old.data() + got, wanted, &n, nullptr) || n == 0)
                break;
            got += n;
        }
        restorable = got == old.size();
    }

    qint64 written = 0;
    int error = seek(handle.get(), 0) ? NoError : lastError(WriteFailed);
    if (!error)
        error = writePieces(handle.get(), pieces, &written);
    if (!error && !cutAt(handle.get(), written))
        error = lastError(WriteFailed);
    if (!error && !FlushFileBuffers(handle.get()))
        error = lastError(WriteFailed);
    if (!error) {
        if (const DWORD code = handle.close())
            return errorFrom(code, WriteFailed);
        return NoError;
    }
    if (restorable && seek(handle.get(), 0)
        && writeAll(handle.get(), old.constData(), static_cast<std::size_t>(old.size()), false) == NoError) {
        cutAt(handle.get(), size.QuadPart);
    }
    return error;
}

// One read loop for the text and for the bytes of a file: `Collector` takes
// the bytes as they come (TextCollector decodes them, ByteCollector keeps them).
template <typename Collector, typename Result>
int readWith(const QString& path, Result& result)
{
    const std::wstring name = nativePath(path);
    bool exists = false;
    if (const int error = checkRegularFile(name, exists))
        return error;
    if (!exists)
        return FileNotFound;
    // No exclusive lock: another program may keep the file open.
    Handle handle(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle.isOpen())
        return lastError(ReadFailed);
    if (const int error = checkOpenedFile(handle.get()))
        return error;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle.get(), &size))
        return lastError(ReadFailed);
    if (size.QuadPart > kMaxReadBytes)
        return FileTooLarge;

    Collector collector(size.QuadPart);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(handle.get(), collector.room(), static_cast<DWORD>(collector.roomSize()), &got, nullptr))
            return lastError(ReadFailed);
        if (got == 0)
            break;
        collector.add(got);
        if (collector.total() > kMaxReadBytes)
            return FileTooLarge;
    }
    handle.close(); // nothing was written: a failing close loses nothing
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
    std::wstring target = nativePath(path);
    bool exists = false;
    if (const int error = checkRegularFile(target, exists))
        return error;
    if (exists) {
        if (const int error = finalPath(target))
            return error;
        // A read-only file stays unchanged, as when it is opened for writing.
        if (GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_READONLY)
            return AccessDenied;
    }

    // The new contents are written beside the file under a name of their
    // own, and take its place only when complete.
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
    std::wstring side;
    Handle handle;
    DWORD createError = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 100 && createError == ERROR_FILE_EXISTS; ++attempt) {
        side = folder + L"~yomika-" + std::to_wstring(QRandomGenerator::global()->generate()) + L".tmp";
        handle.reset(CreateFileW(side.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
        createError = handle.isOpen() ? 0 : GetLastError();
    }
    if (createError != 0) {
        if (exists && createError == ERROR_ACCESS_DENIED)
            return writeInPlace(target, pieces);
        return errorFrom(createError, WriteFailed);
    }

    int error = writePieces(handle.get(), pieces);
    if (!error)
        error = flushAndClose(handle);
    if (!error) {
        // ReplaceFileW keeps the old file's attributes and permissions.
        const bool replaced =
            exists ? ReplaceFileW(target.c_str(), side.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                  nullptr, nullptr)
                   : MoveFileExW(side.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (replaced)
            return NoError;
        error = lastError(WriteFailed);
    }
    handle.close();
    DeleteFileW(side.c_str());
    return error;
}

int appendFile(const QString& path, EncodedPieces& pieces)
{
    const std::wstring target = nativePath(path);
    bool exists = false;
    if (const int error = checkRegularFile(target, exists))
        return error;

    bool created = false;
    Handle handle(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.isOpen() && GetLastError() == ERROR_FILE_NOT_FOUND) {
        handle.reset(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        created = handle.isOpen();
    }
    if (!handle.isOpen())
        return lastError(WriteFailed);
    if (const int error = checkOpenedFile(handle.get()))
        return error;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle.get(), &size))
        return lastError(WriteFailed);
    if (!seek(handle.get(), size.QuadPart))
        return lastError(WriteFailed);

    int error = writePieces(handle.get(), pieces);
    if (!error)
        error = flushAndClose(handle);
    if (!error)
        return NoError;
    // Whatever failed, the file goes back to what it was.
    if (created) {
        handle.close();
        DeleteFileW(target.c_str());
    } else if (handle.isOpen()) {
        cutAt(handle.get(), size.QuadPart);
    } else {
        Handle again(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (again.isOpen())
            cutAt(again.get(), size.QuadPart);
    }
    return error;
}

} // namespace yomika::wholefile::detail
