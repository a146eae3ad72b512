#include "kotoka/system.h"

#include <windows.h>
#include <shellapi.h>

namespace kotoka::sys {
namespace {

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

HANDLE handleOf(std::intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
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
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]))
        return true; // \\server\share
    return path.size() >= 3 && path[1] == ':' && isSeparator(path[2]);
}

std::string parentPath(std::string_view path)
{
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string_view::npos)
        return ".";
    return std::string(path.substr(0, separator == 0 || (separator == 2 && path[1] == ':') ? separator + 1 : separator));
}

std::string joinPath(std::string_view folder, std::string_view relative)
{
    std::string result(folder);
    if (!result.empty() && !isSeparator(result.back()))
        result += '\\';
    result += relative;
    return result;
}

bool isRegularFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool sameFile(const std::string& a, const std::string& b)
{
    auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        const HANDLE file = CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const bool ok = GetFileInformationByHandle(file, &info) != 0;
        CloseHandle(file);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION first {}, second {};
    return identify(a, first) && identify(b, second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber
        && first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

InputFile::~InputFile()
{
    if (m_owned && handleOf(m_handle) != INVALID_HANDLE_VALUE)
        CloseHandle(handleOf(m_handle));
}

bool InputFile::open(const std::string& path, std::string& error)
{
    if (path.empty()) {
        m_handle = reinterpret_cast<std::intptr_t>(GetStdHandle(STD_INPUT_HANDLE));
        m_owned = false;
        return true;
    }
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = reason();
        return false;
    }
    m_handle = reinterpret_cast<std::intptr_t>(file);
    m_owned = true;
    return true;
}

long InputFile::read(char* buffer, std::size_t size, std::string& error)
{
    DWORD count = 0;
    const DWORD wanted = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(handleOf(m_handle), buffer, wanted, &count, nullptr)) {
        if (GetLastError() == ERROR_BROKEN_PIPE)
            return 0; // the writer of a pipe has finished
        error = reason();
        return -1;
    }
    return static_cast<long>(count);
}

OutputFile::~OutputFile()
{
    if (m_open)
        discard();
}

bool OutputFile::create(const std::string& path, std::string& error)
{
    if (path.empty()) {
        m_handle = reinterpret_cast<std::intptr_t>(GetStdHandle(STD_OUTPUT_HANDLE));
        m_open = true;
        m_removable = false;
        return true;
    }
    // Shared for reading only, so that whoever waits for the file cannot
    // take it before kotoka has closed it.
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = reason();
        return false;
    }
    m_removable = GetFileType(file) == FILE_TYPE_DISK;
    m_handle = reinterpret_cast<std::intptr_t>(file);
    m_path = path;
    m_open = true;
    return true;
}

bool OutputFile::write(std::string_view bytes, std::string& error)
{
    while (!bytes.empty()) {
        const DWORD wanted = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(handleOf(m_handle), bytes.data(), wanted, &written, nullptr)) {
            error = reason();
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool OutputFile::close(std::string& error)
{
    if (!m_open)
        return true;
    m_open = false;
    if (m_path.empty())
        return true;
    if (!CloseHandle(handleOf(m_handle))) {
        error = reason();
        return false;
    }
    return true;
}

void OutputFile::discard()
{
    if (m_open && !m_path.empty())
        CloseHandle(handleOf(m_handle));
    m_open = false;
    if (m_removable)
        DeleteFileW(wide(m_path).c_str());
    m_removable = false;
}

} // namespace kotoka::sys
