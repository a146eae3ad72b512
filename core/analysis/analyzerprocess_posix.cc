// Elsewhere than on Windows a file has no exclusive sharing mode, and an
// analyzer may well hold output.tmp open until it ends: its end is the
// release. QProcess learns of the end from the system (no polling).

#include "core/analysis/analyzerprocess.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSocketNotifier>

#include "core/analysis/commandline.h"
#include "core/files/errornumber.h"

namespace yomika {

void AnalyzerProcess::startAnalyzer(const ProgramFolders& folders, const QString& options)
{
    // Executed directly: no shell ever sees the option string or the paths.
    const AnalyzerInvocation invocation = analyzerInvocation(folders, options);
    openProgressChannel();
    m_process->start(invocation.program, invocation.arguments);
    // The analyzer has its own copy now (or never started): with the last
    // writer gone, the window's end sees the end of the channel.
    if (m_progressWrite >= 0) {
        ::close(m_progressWrite);
        m_progressWrite = -1;
    }
}

// A pipe whose write end the analyzer inherits, named to it in the
// environment; an analyzer that does not know the variable ignores both.
void AnalyzerProcess::openProgressChannel()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the run goes on without a figure
    m_progressRead = ends[0];
    m_progressWrite = ends[1];
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KOTOKA_PROGRESS_FD"), QString::number(m_progressWrite));
    m_process->setProcessEnvironment(environment);
    const int write = m_progressWrite;
    m_process->setChildProcessModifier([write] {
        // Only the analyzer keeps the write end across exec, blocking as a
        // writer expects.
        ::fcntl(write, F_SETFD, 0);
        ::fcntl(write, F_SETFL, ::fcntl(write, F_GETFL) & ~O_NONBLOCK);
    });
    m_progressNotifier = new QSocketNotifier(m_progressRead, QSocketNotifier::Read, this);
    connect(m_progressNotifier, &QSocketNotifier::activated, this, &AnalyzerProcess::readProgress);
}

// The channel carries decimal lines, each the input bytes consumed so far.
void AnalyzerProcess::readProgress()
{
    char chunk[512];
    qint64 latest = -1;
    for (;;) {
        const ssize_t got = ::read(m_progressRead, chunk, sizeof chunk);
        if (got <= 0) {
            if (got == 0 || (errno != EINTR && errno != EAGAIN))
                m_progressNotifier->setEnabled(false); // the end, or a broken channel
            if (got < 0 && errno == EINTR)
                continue;
            break;
        }
        for (ssize_t i = 0; i < got; ++i) {
            if (chunk[i] != '\n') {
                if (m_progressLine.size() < 32)
                    m_progressLine.append(chunk[i]);
                continue;
            }
            bool ok = false;
            const qint64 value = m_progressLine.toLongLong(&ok);
            if (ok && value >= 0)
                latest = value;
            m_progressLine.clear();
        }
    }
    if (latest >= 0)
        emit progressed(latest);
}

void AnalyzerProcess::closeProgressChannel()
{
    delete m_progressNotifier;
    m_progressNotifier = nullptr;
    for (int* end : {&m_progressRead, &m_progressWrite}) {
        if (*end >= 0)
            ::close(*end);
        *end = -1;
    }
    m_progressLine.clear();
}

void AnalyzerProcess::watchOutput()
{
    // Nothing to watch before the analyzer ends.
}

void AnalyzerProcess::judgeEnd(int exitCode, QProcess::ExitStatus status)
{
    // The last figures the analyzer wrote before it ended.
    if (m_progressNotifier && m_progressNotifier->isEnabled())
        readProgress();
    if (status == QProcess::CrashExit) {
        finishRun({ErrorNumber::AnalyzerCrashed, false});
        return;
    }
    struct stat info;
    if (::stat(QFile::encodeName(m_outputPath).constData(), &info) == 0) {
        // Only an ordinary file is output; a directory of that name is not.
        finishRun({S_ISREG(info.st_mode) ? ErrorNumber::NoError : noOutput(exitCode), false});
        return;
    }
    if (errno == ENOENT || errno == ENOTDIR)
        finishRun({noOutput(exitCode), false});
    else
        finishRun({ErrorNumber::AnalyzerWaitFailed, false});
}

} // namespace yomika
