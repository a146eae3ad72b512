#include "kotoka/system.h"
#include "kotoka/system_platform.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kotoka::sys {
namespace {

std::string reason()
{
    return std::strerror(errno);
}

} // namespace

std::string_view lineEnd()
{
    return "\n";
}

void prepareProcess()
{
    // A write past RLIMIT_FSIZE then fails with EFBIG, and a write to a
    // closed pipe with EPIPE, instead of killing kotoka before it could
    // remove its partial output.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

std::vector<std::string> arguments(int argc, char** argv)
{
    // The system hands arguments over in the locale's encoding, UTF-8.
    std::vector<std::string> result;
    for (int i = 1; i < argc; ++i)
        result.emplace_back(argv[i]);
    return result;
}

std::string executableDirectory()
{
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size())
        return {};
    path.resize(static_cast<std::size_t>(length));
    return parentPath(path);
}

bool isAbsolutePath(std::string_view path)
{
    return !path.empty() && path.front() == '/';
}

std::string parentPath(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string_view::npos)
        return ".";
    if (slash == 0)
        return "/";
    return std::string(path.substr(0, slash));
}

bool isRegularFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isFolder(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool fileIdentity(const std::string& path, FileIdentity& identity)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    identity = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
    return true;
}

namespace platform {

char separator()
{
    return '/';
}

bool isSeparator(char c)
{
    return c == '/';
}

Handle standardInput()
{
    return STDIN_FILENO;
}

Handle standardOutput()
{
    return STDOUT_FILENO;
}

bool openToRead(const std::string& path, Handle& handle, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = reason();
        return false;
    }
    handle = fd;
    return true;
}

bool createToWrite(const std::string& path, Handle& handle, bool& removable, std::string& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = reason();
        return false;
    }
    struct stat info {};
    removable = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    handle = fd;
    return true;
}

bool createNew(const std::string& path, Handle& handle, bool& exists, std::string& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    exists = fd < 0 && errno == EEXIST;
    if (fd < 0) {
        error = reason();
        return false;
    }
    handle = fd;
    return true;
}

bool replaceFile(const std::string& from, const std::string& to, std::string& error)
{
    if (::rename(from.c_str(), to.c_str()) != 0) {
        error = reason();
        return false;
    }
    return true;
}

long readSome(Handle handle, char* buffer, std::size_t size, std::string& error)
{
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle), buffer, size);
        if (n >= 0)
            return static_cast<long>(n);
        if (errno != EINTR) {
            error = reason();
            return -1;
        }
    }
}

bool seekTo(Handle handle, std::uint64_t offset, std::string& error)
{
    if (::lseek(static_cast<int>(handle), static_cast<off_t>(offset), SEEK_SET) < 0) {
        error = reason();
        return false;
    }
    return true;
}

std::string userSettingsFolder()
{
    // The XDG base directory rules: a relative $XDG_CONFIG_HOME is ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return joinPath(config, "yomika");
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? joinPath(joinPath(home, ".config"), "yomika") : std::string();
}

long writeSome(Handle handle, const char* bytes, std::size_t size, std::string& error)
{
    for (;;) {
        const ssize_t n = ::write(static_cast<int>(handle), bytes, size);
        if (n >= 0)
            return static_cast<long>(n);
        if (errno != EINTR) {
            error = reason();
            return -1;
        }
    }
}

bool closeHandle(Handle handle, std::string& error)
{
    if (::close(static_cast<int>(handle)) != 0) {
        error = reason();
        return false;
    }
    return true;
}

bool writableHandle(const char* number, Handle& handle)
{
    char* end = nullptr;
    errno = 0;
    const long fd = std::strtol(number, &end, 10);
    if (end == number || *end != '\0' || errno != 0 || fd < 0 || fd > INT_MAX)
        return false;
    const int flags = ::fcntl(static_cast<int>(fd), F_GETFL);
    if (flags == -1 || ((flags & O_ACCMODE) != O_WRONLY && (flags & O_ACCMODE) != O_RDWR))
        return false;
    handle = fd;
    return true;
}

void removeFile(const std::string& path)
{
    ::unlink(path.c_str());
}

} // namespace platform
} // namespace kotoka::sys
