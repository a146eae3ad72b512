#include "core/analysis/analyzerprocess.h"

#include <QFileInfo>
#include <QTimer>

#include "core/files/errornumber.h"
#include "core/files/platform.h"

namespace yomika {

namespace {

// How long a killed analyzer is given to be reaped. SIGKILL and
// TerminateProcess cannot be refused, so this only matters for a process stuck
// in the kernel (a dead network share); the window must not hang on it.
constexpr int reapMilliseconds = 5000;

} // namespace

AnalyzerProcess::AnalyzerProcess(QObject* parent)
    : QObject(parent)
{
}

AnalyzerProcess::~AnalyzerProcess()
{
    m_running = false; // nothing of this half-destroyed object may report
    if (m_process) {
        // Killing emits finished(); nothing here may react.
        disconnect(m_process, nullptr, this, nullptr);
        stopAnalyzer();
    }
    closeProgressChannel();
}

bool AnalyzerProcess::start(const ProgramFolders& folders, const QString& options)
{
    if (m_running)
        return false; // two runs would share input.tmp and output.tmp
    m_running = true;

    const QFileInfo analyzer(folders.analyzer());
    if (!analyzer.exists()) {
        finishRun({ErrorNumber::AnalyzerMissing, false});
        return true;
    }
    if (!analyzer.isFile()) {
        finishRun({ErrorNumber::AnalyzerNotStartable, false});
        return true;
    }

    // An earlier analyzer that released its output but had not ended yet
    // (possible on Windows) is done with its work; it must not overlap this one.
    if (m_process) {
        disconnect(m_process, nullptr, this, nullptr);
        stopAnalyzer();
        delete m_process;
        m_process = nullptr;
    }

    m_outputPath = folders.file(programfile::outputFile);
    m_process = new QProcess(this);
    // Nothing to read from the analyzer's console and nothing to feed it: with
    // no pipes, a chatty analyzer can never block on a full one.
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(QProcess::nullDevice());
    connect(m_process, &QProcess::errorOccurred, this, &AnalyzerProcess::onErrorOccurred);
    connect(m_process, &QProcess::started, this, &AnalyzerProcess::watchOutput);
    connect(m_process, &QProcess::finished, this, &AnalyzerProcess::judgeEnd);
    startAnalyzer(folders, options);
    return true;
}

void AnalyzerProcess::cancel()
{
    finishRun({ErrorNumber::NoError, true});
}

qint64 AnalyzerProcess::analyzerProcessId() const
{
    if (!m_process || m_process->state() == QProcess::NotRunning)
        return 0;
    return m_process->processId();
}

ErrorNumber AnalyzerProcess::noOutput(int exitCode)
{
    // 1100 to 1355: the exit status stays readable in the number.
    return static_cast<ErrorNumber>(number(ErrorNumber::AnalyzerNoOutputBase) + exitCode);
}

void AnalyzerProcess::onErrorOccurred(QProcess::ProcessError error)
{
    // A crash is judged by finished(), which follows; other errors concern
    // pipes, which the analyzer does not have.
    if (error == QProcess::FailedToStart)
        finishRun({ErrorNumber::AnalyzerNotStartable, false});
}

void AnalyzerProcess::finishRun(Outcome outcome)
{
    if (!m_running)
        return; // the first decision stands (a killed analyzer still reports its end)
    m_running = false;
    closeProgressChannel();
    if (m_releaseTimer)
        m_releaseTimer->stop();
    // A run that gave no result leaves no analyzer behind.
    if (outcome.cancelled || outcome.error != ErrorNumber::NoError)
        stopAnalyzer();
    emit ended(outcome);
}

void AnalyzerProcess::stopAnalyzer()
{
    if (!m_process || m_process->state() == QProcess::NotRunning)
        return;
    m_process->kill();
    m_process->waitForFinished(reapMilliseconds);
}

} // namespace yomika
