// Elsewhere than on Windows a file has no exclusive sharing mode, and an
// analyzer may well hold output.tmp open until it ends: its end is the
// release. QProcess learns of the end from the system (no polling), which
// wakes the waiting loop.

#include "core/analyzerprocess.h"

#include <cerrno>

#include <sys/stat.h>

#include <QFile>

#include "core/commandline.h"
#include "core/errornumber.h"

namespace yomika {

void AnalyzerProcess::startAnalyzer(const ProgramFolders& folders, const QString& options)
{
    // Executed directly: no shell ever sees the option string or the paths.
    const AnalyzerInvocation invocation = analyzerInvocation(folders, options);
    m_process->start(invocation.program, invocation.arguments);
}

void AnalyzerProcess::watchOutput()
{
    // Nothing to watch before the analyzer ends.
}

void AnalyzerProcess::judgeEnd(int exitCode, QProcess::ExitStatus status)
{
    if (status == QProcess::CrashExit) {
        finishRun({AnalyzerCrashed, false});
        return;
    }
    struct stat info;
    if (::stat(QFile::encodeName(m_outputPath).constData(), &info) == 0) {
        // Only an ordinary file is output; a directory of that name is not.
        finishRun({S_ISREG(info.st_mode) ? NoError : noOutput(exitCode), false});
        return;
    }
    if (errno == ENOENT || errno == ENOTDIR)
        finishRun({noOutput(exitCode), false});
    else
        finishRun({AnalyzerWaitFailed, false});
}

} // namespace yomika
