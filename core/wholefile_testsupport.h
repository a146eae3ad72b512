#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

// Helpers the whole-file tests share: raw bytes in and out of files, and the
// count of the process's open file handles.

namespace yomika::testsupport {

/// The number of file descriptors the process holds, or -1 where the system
/// does not list them.
inline int openHandleCount()
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    if (!fds.exists())
        return -1;
    return static_cast<int>(fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

/// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<missing>");
    return file.readAll();
}

/// The names in `folder`, hidden ones included, to catch files left behind.
inline QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

} // namespace yomika::testsupport
