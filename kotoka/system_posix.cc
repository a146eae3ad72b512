#include "kotoka/system.h"

#include <cerrno>
#include <csignal>
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

std::string joinPath(std::string_view folder, std::string_view relative)
{
    std::string result(folder);
    if (!result.empty() && result.back() != '/')
        result += '/';
    result += relative;
    return result;
}

bool isRegularFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool sameFile(const std::string& a, const std::string& b)
{
    struct stat first {}, second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0
        && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

InputFile::~InputFile()
{
    if (m_owned && m_handle >= 0)
        ::close(static_cast<int>(m_handle));
}

bool InputFile::open(const std::string& path, std::string& error)
{
    if (path.empty()) {
        m_handle = STDIN_FILENO;
        m_owned = false;
        return true;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = reason();
        return false;
    }
    m_handle = fd;
    m_owned = true;
    return true;
}

long InputFile::read(char* buffer, std::size_t size, std::string& error)
{
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(m_handle), buffer, size);
        if (n >= 0)
            return static_cast<long>(n);
        if (errno != EINTR) {
            error = reason();
            return -1;
        }
    }
}

OutputFile::~OutputFile()
{
    if (m_open)
        discard();
}

bool OutputFile::create(const std::string& path, std::string& error)
{
    if (path.empty()) {
        m_handle = STDOUT_FILENO;
        m_open = true;
        m_removable = false;
        return true;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = reason();
        return false;
    }
    struct stat info {};
    m_removable = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    m_handle = fd;
    m_path = path;
    m_open = true;
    return true;
}

bool OutputFile::write(std::string_view bytes, std::string& error)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(static_cast<int>(m_handle), bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = reason();
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool OutputFile::close(std::string& error)
{
    if (!m_open)
        return true;
    m_open = false;
    if (m_path.empty())
        return true; // standard output stays open; its writes were checked one by one
    // Some file systems (NFS) report a full disk only when the file is closed.
    if (::close(static_cast<int>(m_handle)) != 0) {
        error = reason();
        return false;
    }
    return true;
}

void OutputFile::discard()
{
    if (m_open && !m_path.empty())
        ::close(static_cast<int>(m_handle));
    m_open = false;
    if (m_removable)
        ::unlink(m_path.c_str());
    m_removable = false;
}

} // namespace kotoka::sys
