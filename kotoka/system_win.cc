#include "kotoka/system.h"
#include "kotoka/system_platform.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include <windows.h>
#include <shellapi.h>

namespace kotoka::sys {
namespace {

// ReadFile and WriteFile take a DWORD count; a gigabyte at a time keeps far
// from its limit.
constexpr DWORD maximumTransfer = 0x40000000;

std::wstring wide(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), result.data(), length);
    return result;
}

std::string narrow(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length, nullptr, nullptr);
    return result;
}

std::string reason()
{
    const DWORD code = GetLastError();
    wchar_t* message = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::string text = message ? narrow(message) : "error " + std::to_string(code);
    LocalFree(message);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

HANDLE handleOf(platform::Handle value)
{
    return reinterpret_cast<HANDLE>(value);
}

} // namespace

std::string_view lineEnd()
{
    return "\r\n";
}

void prepareProcess() {}

std::vector<std::string> arguments(int, char**)
{
    // The narrow argv is in the ANSI code page and loses what it cannot hold;
    // the wide command line keeps every character.
    std::vector<std::string> result;
    int count = 0;
    wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; list && i < count; ++i)
        result.push_back(narrow(list[i]));
    LocalFree(list);
    return result;
}

std::string executableDirectory()
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size())
        return {};
    path.resize(length);
    return parentPath(narrow(path));
}

bool isAbsolutePath(std::string_view path)
{
    if (path.size() >= 2 && platform::isSeparator(path[0]) && platform::isSeparator(path[1]))
        return true; // \\server\share
    return path.size() >= 3 && path[1] == ':' && platform::isSeparator(path[2]);
}

std::string parentPath(std::string_view path)
{
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string_view::npos)
        return ".";
    return std::string(path.substr(0, separator == 0 || (separator == 2 && path[1] == ':') ? separator + 1 : separator));
}

bool isRegularFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool fileIdentity(const std::string& path, FileIdentity& identity)
{
    const HANDLE file = CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info {};
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    if (known)
        identity = {info.dwVolumeSerialNumber,
                    static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
    return known;
}

namespace platform {

char separator()
{
    return '\\';
}

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

Handle standardInput()
{
    return reinterpret_cast<Handle>(GetStdHandle(STD_INPUT_HANDLE));
}

Handle standardOutput()
{
    return reinterpret_cast<Handle>(GetStdHandle(STD_OUTPUT_HANDLE));
}

bool openToRead(const std::string& path, Handle& handle, std::string& error)
{
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = reason();
        return false;
    }
    handle = reinterpret_cast<Handle>(file);
    return true;
}

bool createToWrite(const std::string& path, Handle& handle, bool& removable, std::string& error)
{
    // Shared for reading only, so that whoever waits for the file cannot
    // take it before kotoka has closed it.
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = reason();
        return false;
    }
    removable = GetFileType(file) == FILE_TYPE_DISK;
    handle = reinterpret_cast<Handle>(file);
    return true;
}

bool createNew(const std::string& path, Handle& handle, bool& exists, std::string& error)
{
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    exists = file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS;
    if (file == INVALID_HANDLE_VALUE) {
        error = reason();
        return false;
    }
    handle = reinterpret_cast<Handle>(file);
    return true;
}

bool replaceFile(const std::string& from, const std::string& to, std::string& error)
{
    if (!MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = reason();
        return false;
    }
    return true;
}

long readSome(Handle handle, char* buffer, std::size_t size, std::string& error)
{
    DWORD count = 0;
    const DWORD wanted = size > maximumTransfer ? maximumTransfer : static_cast<DWORD>(size);
    if (!ReadFile(handleOf(handle), buffer, wanted, &count, nullptr)) {
        if (GetLastError() == ERROR_BROKEN_PIPE)
            return 0; // the writer of a pipe has finished
        error = reason();
        return -1;
    }
    return static_cast<long>(count);
}

bool seekTo(Handle handle, std::uint64_t offset, std::string& error)
{
    LARGE_INTEGER distance {};
    distance.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(handleOf(handle), distance, nullptr, FILE_BEGIN)) {
        error = reason();
        return false;
    }
    return true;
}

std::string userSettingsFolder()
{
    const wchar_t* appData = _wgetenv(L"APPDATA");
    return appData && appData[0] ? joinPath(narrow(appData), "Yomika") : std::string();
}

long writeSome(Handle handle, const char* bytes, std::size_t size, std::string& error)
{
    const DWORD wanted = size > maximumTransfer ? maximumTransfer : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(handleOf(handle), bytes, wanted, &written, nullptr)) {
        error = reason();
        return -1;
    }
    return static_cast<long>(written);
}

bool closeHandle(Handle handle, std::string& error)
{
    if (!CloseHandle(handleOf(handle))) {
        error = reason();
        return false;
    }
    return true;
}

bool writableHandle(const char* number, Handle& handle)
{
    // The number of an inheritable handle the parent passed down, as the
    // decimal value of the HANDLE.
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(number, &end, 10);
    if (end == number || *end != '\0' || errno != 0 || value == 0)
        return false;
    const HANDLE candidate = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
    DWORD flags = 0;
    if (!GetHandleInformation(candidate, &flags))
        return false;
    handle = reinterpret_cast<Handle>(candidate);
    return true;
}

void removeFile(const std::string& path)
{
    DeleteFileW(wide(path).c_str());
}

} // namespace platform
} // namespace kotoka::sys
