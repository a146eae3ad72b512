// On Windows the analyzer's command line goes to process creation as one
// string, exactly as built, with no console window. output.tmp is released
// when it can be opened with exclusive sharing; a short timer tries that, and
// the analyzer's end is caught as well, so a run ends even when the analyzer
// never writes its output.

#include "core/analysis/analyzerprocess.h"

#include <string>

#include <QDir>
#include <QTimer>

#include "core/analysis/commandline.h"
#include "core/files/errornumber.h"
#include "core/files/platform.h"

// Last, so that its min and max macros meet no header that uses std::min.
#include <windows.h>

namespace yomika {

namespace {

// Often enough that a result is taken up at once, rarely enough that the
// waiting window uses next to no CPU.
constexpr int releasePollMilliseconds = 5;

enum class OutputState { Missing, Held, Released, Failed };

OutputState outputState(const QString& path)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return OutputState::Missing;
        return OutputState::Failed;
    }
    // Only an ordinary file counts as the output.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        return OutputState::Missing;
    // No sharing at all: this open fails as long as any other process has the file open.
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return OutputState::Held;
    CloseHandle(file);
    return OutputState::Released;
}

} // namespace

void AnalyzerProcess::startAnalyzer(const ProgramFolders& folders, const QString& options)
{
    const QString commandLine = buildCommandLine(folders, options);
    m_process->setProgram(folders.analyzer());
    // CreateProcessW takes the command line in a buffer it may write to; the
    // modifier's own copy lives as long as the modifier, past the start.
    m_process->setCreateProcessArgumentsModifier(
        [wide = commandLine.toStdWString()](QProcess::CreateProcessArguments* arguments) mutable {
            arguments->arguments = wide.data();
            arguments->flags |= CREATE_NO_WINDOW;
        });
    m_process->start();
}

void AnalyzerProcess::watchOutput()
{
    if (!m_releaseTimer) {
        m_releaseTimer = new QTimer(this);
        m_releaseTimer->setInterval(releasePollMilliseconds);
        connect(m_releaseTimer, &QTimer::timeout, this, [this] {
            // An analyzer that has ended is judged by its end (a crash
            // releases the file too, but its output is no result).
            if (m_process->state() != QProcess::NotRunning && m_process->waitForFinished(0))
                return;
            switch (outputState(m_outputPath)) {
            case OutputState::Missing:
            case OutputState::Held:
                return;
            case OutputState::Failed:
                finishRun({ErrorNumber::AnalyzerWaitFailed, false});
                return;
            case OutputState::Released:
                if (m_process->state() != QProcess::NotRunning && m_process->waitForFinished(0))
                    return;
                finishRun({ErrorNumber::NoError, false});
                return;
            }
        });
    }
    m_releaseTimer->start();
}

void AnalyzerProcess::judgeEnd(int exitCode, QProcess::ExitStatus status)
{
    if (status == QProcess::CrashExit) {
        finishRun({ErrorNumber::AnalyzerCrashed, false});
        return;
    }
    switch (outputState(m_outputPath)) {
    case OutputState::Missing:
        finishRun({noOutput(exitCode), false});
        return;
    case OutputState::Failed:
        finishRun({ErrorNumber::AnalyzerWaitFailed, false});
        return;
    case OutputState::Released:
        finishRun({ErrorNumber::NoError, false});
        return;
    case OutputState::Held:
        // Another program holds it: the timer goes on trying (Esc cancels).
        if (m_releaseTimer && !m_releaseTimer->isActive())
            m_releaseTimer->start();
        return;
    }
}

// Windows has no progress channel yet: a run there shows no figure.
void AnalyzerProcess::openProgressChannel() {}
void AnalyzerProcess::readProgress() {}
void AnalyzerProcess::closeProgressChannel() {}

} // namespace yomika
