#include "core/analysis/analyzerprocess.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
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
    if (m_process) {
        // Killing emits finished(); nothing of this half-destroyed object may react.
        disconnect(m_process, nullptr, this, nullptr);
        stopAnalyzer();
    }
    closeProgressChannel();
    // The waiting run() sees through its QPointer that the object is gone.
    if (m_loop)
        m_loop->quit();
}

AnalyzerProcess::Outcome AnalyzerProcess::run(const ProgramFolders& folders, const QString& options)
{
    if (m_loop)
        return {ErrorNumber::NoError, true}; // two runs would share input.tmp and output.tmp

    const QFileInfo analyzer(folders.analyzer());
    if (!analyzer.exists())
        return {ErrorNumber::AnalyzerMissing, false};
    if (!analyzer.isFile())
        return {ErrorNumber::AnalyzerNotStartable, false};

    // An earlier analyzer that released its output but had not ended yet
    // (possible on Windows) is done with its work; it must not overlap this one.
    if (m_process) {
        disconnect(m_process, nullptr, this, nullptr);
        stopAnalyzer();
        delete m_process;
        m_process = nullptr;
    }

    m_outputPath = folders.file(programfile::outputFile);
    m_outcome = {};
    m_decided = false;

    m_process = new QProcess(this);
    // Nothing to read from the analyzer's console and nothing to feed it: with
    // no pipes, a chatty analyzer can never block on a full one.
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(QProcess::nullDevice());
    connect(m_process, &QProcess::errorOccurred, this, &AnalyzerProcess::onErrorOccurred);
    connect(m_process, &QProcess::started, this, &AnalyzerProcess::watchOutput);
    connect(m_process, &QProcess::finished, this, &AnalyzerProcess::judgeEnd);

    QEventLoop loop;
    m_loop = &loop;
    const QPointer<AnalyzerProcess> self(this);
    startAnalyzer(folders, options);
    if (!m_decided)
        loop.exec();
    if (!self)
        return {ErrorNumber::NoError, true}; // destroyed meanwhile: the destructor reaped the analyzer
    m_loop = nullptr;

    // The loop also ends when the application quits; that is no result.
    if (!m_decided) {
        m_decided = true;
        m_outcome = {ErrorNumber::NoError, true};
    }
    if (m_outcome.cancelled || m_outcome.error != ErrorNumber::NoError)
        stopAnalyzer();
    return m_outcome;
}

void AnalyzerProcess::cancel()
{
    if (!m_loop || m_decided)
        return;
    finishRun({ErrorNumber::NoError, true});
    stopAnalyzer();
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
    if (m_decided)
        return; // the first decision stands (a killed analyzer still reports its end)
    m_decided = true;
    closeProgressChannel();
    m_outcome = outcome;
    if (m_releaseTimer)
        m_releaseTimer->stop();
    if (m_loop)
        m_loop->quit();
}

void AnalyzerProcess::stopAnalyzer()
{
    if (!m_process || m_process->state() == QProcess::NotRunning)
        return;
    m_process->kill();
    m_process->waitForFinished(reapMilliseconds);
}

} // namespace yomika
