// The system calls under the whole-file operations on Windows, on file
// handles, and their GetLastError codes mapped to ErrorNumber (whose numbers
// are the system's own codes of the same causes).

#include <algorithm>
#include <string>
#include <string_view>

#include <QDir>
#include <QRandomGenerator>

#include "core/files/wholefile_platform.h"

// Last, so that its min and max macros meet no header that uses std::min.
#include <windows.h>

namespace yomika::wholefile::sys {
namespace {

// Bytes moved by one ReadFile or WriteFile call, well inside a DWORD.
constexpr DWORD kIoBytes = 1u << 20;

HANDLE handleOf(const File& file)
{
    return reinterpret_cast<HANDLE>(file.handle());
}

ErrorNumber errorFrom(DWORD code, ErrorNumber otherwise)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND: return ErrorNumber::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return ErrorNumber::FolderNotFound;
    case ERROR_TOO_MANY_OPEN_FILES: return ErrorNumber::TooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD: return ErrorNumber::AccessDenied;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ErrorNumber::OutOfMemory;
    case ERROR_WRITE_PROTECT: return ErrorNumber::ReadOnlyFileSystem;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_UNABLE_TO_REMOVE_REPLACED: return ErrorNumber::FileInUse;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ErrorNumber::DiskFull;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return ErrorNumber::InvalidName;
    case ERROR_FILENAME_EXCED_RANGE: return ErrorNumber::NameTooLong;
    case ERROR_FILE_TOO_LARGE: return ErrorNumber::FileTooLarge;
    case ERROR_DIRECTORY: return ErrorNumber::IsDirectory;
    case ERROR_IO_DEVICE:
    case ERROR_CRC:
    case ERROR_SECTOR_NOT_FOUND: return ErrorNumber::DeviceError;
    case ERROR_CANT_RESOLVE_FILENAME: return ErrorNumber::SymlinkLoop;
    default: return otherwise;
    }
}

ErrorNumber lastError(ErrorNumber otherwise)
{
    return errorFrom(GetLastError(), otherwise);
}

// Device names ("CON", "NUL", "COM1", in any folder) and pipes resolve to
// "\\.\" paths: they are never opened, since opening some devices acts on them.
bool isDevicePath(const std::wstring& path)
{
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH && std::wstring_view(full, length).starts_with(L"\\\\.\\");
}

Result<> adoptOpened(HANDLE handle, File& file, ErrorNumber otherwise)
{
    if (handle == INVALID_HANDLE_VALUE)
        return failure(lastError(otherwise));
    file.adopt(reinterpret_cast<std::intptr_t>(handle));
    return {};
}

bool moveTo(HANDLE handle, qint64 offset, DWORD from)
{
    LARGE_INTEGER position;
    position.QuadPart = offset;
    return SetFilePointerEx(handle, position, nullptr, from);
}

} // namespace

Result<> File::close()
{
    const auto handle = reinterpret_cast<HANDLE>(std::exchange(m_handle, kClosed));
    if (handle == INVALID_HANDLE_VALUE || CloseHandle(handle))
        return {};
    return failure(lastError(ErrorNumber::WriteFailed));
}

NativePath nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

Result<Status> statusOf(const NativePath& path, ErrorNumber otherwise)
{
    Status status;
    if (isDevicePath(path))
        return status; // Kind::Other
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return failure(lastError(otherwise));
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        status.kind = Kind::Directory;
    else if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE))
        status.kind = Kind::Regular;
    status.size = (static_cast<qint64>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return status;
}

Result<Status> statusOf(const File& file, ErrorNumber otherwise)
{
    Status status;
    if (GetFileType(handleOf(file)) != FILE_TYPE_DISK)
        return status; // Kind::Other
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handleOf(file), &size))
        return failure(lastError(otherwise));
    status.kind = Kind::Regular;
    status.size = size.QuadPart;
    return status;
}

Result<> resolveTarget(NativePath& path)
{
    // Only an existing file is resolved, and never a device or a folder.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
        || isDevicePath(path))
        return {};
    File file;
    const HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (Result<> opened = adoptOpened(handle, file, ErrorNumber::WriteFailed); !opened)
        return opened;
    std::wstring resolved(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(handle, resolved.data(), static_cast<DWORD>(resolved.size()),
                                             VOLUME_NAME_DOS);
    if (length >= resolved.size()) {
        resolved.resize(length + 1);
        length = GetFinalPathNameByHandleW(handle, resolved.data(), static_cast<DWORD>(resolved.size()),
                                           VOLUME_NAME_DOS);
    }
    if (length == 0 || length >= resolved.size())
        return failure(lastError(ErrorNumber::WriteFailed));
    resolved.resize(length);
    path = resolved;
    return {};
}

Result<> checkWritable(const NativePath& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return failure(ErrorNumber::AccessDenied);
    return {};
}

Result<File> openFile(const NativePath& path, Mode mode, ErrorNumber otherwise)
{
    DWORD access = GENERIC_WRITE;
    // Reading locks nothing: another program may keep the file open.
    DWORD share = FILE_SHARE_READ;
    DWORD disposition = OPEN_EXISTING;
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    switch (mode) {
    case Mode::Read:
        access = GENERIC_READ;
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        flags = FILE_FLAG_SEQUENTIAL_SCAN;
        break;
    case Mode::ReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    case Mode::Write:
    case Mode::Append: break;
    case Mode::CreateAppend: disposition = CREATE_NEW; break;
    }
    const HANDLE handle = CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
    File file;
    if (Result<> opened = adoptOpened(handle, file, otherwise); !opened)
        return failure(opened.error());
    if ((mode == Mode::Append || mode == Mode::CreateAppend) && !moveTo(handle, 0, FILE_END))
        return failure(lastError(otherwise));
    return file;
}

Result<> createSideFile(const NativePath& target, File& file, NativePath& sidePath)
{
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
    DWORD code = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 100 && code == ERROR_FILE_EXISTS; ++attempt) {
        const std::wstring path = folder + L"~yomika-" + std::to_wstring(QRandomGenerator::global()->generate()) + L".tmp";
        const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            file.adopt(reinterpret_cast<std::intptr_t>(handle));
            sidePath = path;
            return {};
        }
        code = GetLastError();
    }
    return failure(errorFrom(code, ErrorNumber::WriteFailed));
}

Result<std::size_t> readSome(const File& file, char* data, std::size_t size)
{
    DWORD n = 0;
    if (!ReadFile(handleOf(file), data, static_cast<DWORD>(std::min<std::size_t>(size, kIoBytes)), &n, nullptr))
        return failure(lastError(ErrorNumber::ReadFailed));
    return std::size_t(n);
}

Result<> writeAll(const File& file, const char* data, std::size_t size)
{
    while (size > 0) {
        DWORD written = 0;
        const auto wanted = static_cast<DWORD>(std::min<std::size_t>(size, kIoBytes));
        if (!WriteFile(handleOf(file), data, wanted, &written, nullptr))
            return failure(lastError(ErrorNumber::WriteFailed));
        if (written == 0)
            return failure(ErrorNumber::WriteFailed);
        data += written;
        size -= written;
    }
    return {};
}

Result<> seekTo(const File& file, qint64 offset)
{
    if (!moveTo(handleOf(file), offset, FILE_BEGIN))
        return failure(lastError(ErrorNumber::WriteFailed));
    return {};
}

Result<> truncateAt(const File& file, qint64 length)
{
    if (moveTo(handleOf(file), length, FILE_BEGIN) && SetEndOfFile(handleOf(file)))
        return {};
    return failure(lastError(ErrorNumber::WriteFailed));
}

Result<> syncData(const File& file)
{
    if (!FlushFileBuffers(handleOf(file)))
        return failure(lastError(ErrorNumber::WriteFailed));
    return {};
}

Result<std::optional<std::size_t>> copySome(const File&, const File&, std::size_t)
{
    return std::optional<std::size_t>(); // CopyFileEx copies whole files only: the caller reads and writes
}

void startWriteBack(const File&) {}

void dropWritten(const File&, qint64) {}

void takeOwnerAndMode(const File&, const Status&) {}

Result<> replaceWith(const NativePath& sidePath, const NativePath& target, bool targetExists)
{
    // ReplaceFileW keeps the old file's attributes and permissions.
    const bool replaced =
        targetExists ? ReplaceFileW(target.c_str(), sidePath.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                    nullptr, nullptr)
                     : MoveFileExW(sidePath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!replaced)
        return failure(lastError(ErrorNumber::WriteFailed));
    return {};
}

void removeFile(const NativePath& path)
{
    DeleteFileW(path.c_str());
}

} // namespace yomika::wholefile::sys
