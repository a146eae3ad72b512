#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

#ifdef _WIN32
#include <string>
#include <vector>

#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

// The system's side of the file tests: counting what a process holds open,
// making a file refuse changes, and holding a file open from another
// process. What only one system can produce stays with its own branch.

namespace yomika::testsupport {

/// How many files and handles this process holds open: every operation
/// must close what it opened.
inline qint64 openHandles()
{
#ifdef _WIN32
    // The system's table of every handle, with the process of each: Wine
    // answers this, not GetProcessHandleCount.
    struct Entry {
        ULONG process;
        BYTE type, flags;
        USHORT value;
        PVOID object;
        ACCESS_MASK access;
    };
    struct Table {
        ULONG count;
        Entry entries[1];
    };
    using Query = LONG(WINAPI*)(int, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    constexpr int systemHandleInformation = 16;
    std::vector<char> buffer(1 << 20);
    ULONG needed = 0;
    LONG status;
    while ((status = query(systemHandleInformation, buffer.data(), ULONG(buffer.size()), &needed)) == LONG(0xC0000004))
        buffer.resize(buffer.size() * 2); // STATUS_INFO_LENGTH_MISMATCH
    if (status != 0)
        return -1;
    const auto* table = reinterpret_cast<const Table*>(buffer.data());
    qint64 count = 0;
    for (ULONG i = 0; i < table->count; ++i)
        count += table->entries[i].process == GetCurrentProcessId();
    return count;
#else
    return QDir(QStringLiteral("/proc/self/fd")).count();
#endif
}

/// Makes `path` refuse changes, or lets it take them again. On POSIX
/// systems: immutable for root, whom no permission bit stops, read-only for
/// anyone else. On Windows: the read-only attribute, which binds every user
/// (a folder's read-only attribute binds nothing there).
inline bool refuseChanges(const QString& path, bool refuse)
{
#ifdef _WIN32
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD wanted = refuse ? attributes | FILE_ATTRIBUTE_READONLY : attributes & ~DWORD(FILE_ATTRIBUTE_READONLY);
    return SetFileAttributesW(name.c_str(), wanted);
#else
    if (::geteuid() == 0)
        return QProcess::execute(QStringLiteral("chattr"), {QString::fromLatin1(refuse ? "+i" : "-i"), path}) == 0;
    return ::chmod(QFile::encodeName(path).constData(), refuse ? 0500 : 0700) == 0;
#endif
}

/// Whether a file refuseChanges() made read-only refuses this process an
/// open for writing. Windows refuses every user; Wine run by root opens it,
/// since Linux lets root write any file.
inline bool readOnlyBinds(const QString& path)
{
#ifdef _WIN32
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return true;
    CloseHandle(file);
    return false;
#else
    static_cast<void>(path); // immutable for root, read-only for anyone else: both bind
    return true;
#endif
}

/// Another process that holds a file open without sharing it (Windows'
/// share mode 0) from start() until it goes. The holder is a helper program
/// that opens the file, says "held" and waits for its standard input to
/// close: no timing is guessed.
class FileHolder {
public:
    explicit FileHolder(const QString& helper) { m_process.setProgram(helper); }
    ~FileHolder() { release(); }
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;

    /// Starts holding `path`; false when the helper could not open it.
    bool start(const QString& path)
    {
        m_process.setArguments({QDir::toNativeSeparators(path)});
        m_process.start();
        if (!m_process.waitForStarted(60000))
            return false;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(60000)) {
        }
        return m_process.readLine().trimmed() == "held";
    }

    /// Lets the file go and waits until the helper has ended.
    void release()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(60000))
            m_process.kill();
        m_process.waitForFinished(60000);
    }

private:
    QProcess m_process;
};

} // namespace yomika::testsupport
