#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace yomika::testsupport {

/// What a program started by a test did.
struct ProgramRun {
    int status = -1; // -1: did not run or did not end in time, -2: crashed
    QByteArray out, err;
};

/// Runs the first of `command` with the rest as its arguments in `folder`,
/// with `input` on its standard input and the user's configuration folder
/// (XDG_CONFIG_HOME, on Windows APPDATA) set to `configHome` when that is
/// given. Waits at most ten minutes.
ProgramRun runProgram(QStringList command, const QString& folder, const QByteArray& input = {},
                      const QString& configHome = {});

/// Writes `bytes` to `path`, making its folder; false when anything fails.
bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace yomika::testsupport
