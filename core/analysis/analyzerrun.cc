#include "core/analysis/analyzerrun.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include "core/files/wholefile.h"

namespace yomika {

AnalyzerRun::AnalyzerRun(const ProgramFolders& folders, QObject* parent)
    : QObject(parent)
    , m_folders(folders)
    , m_process(new AnalyzerProcess(this))
{
    connect(m_process, &AnalyzerProcess::ended, this, &AnalyzerRun::onEnded);
    connect(m_process, &AnalyzerProcess::progressed, this, [this](qint64 bytes) {
        emit progressed(m_inputSize > 0 ? int(qMin<qint64>(1000, bytes * 1000 / m_inputSize)) : 1000);
    });
    // The application's end stops a run as it ends every event loop.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &AnalyzerRun::onQuit);
}

// The process, a child, kills and reaps its analyzer without telling its end.
AnalyzerRun::~AnalyzerRun() = default;

bool AnalyzerRun::start(const QList<TextPiece>& text, const QString& options)
{
    // Two runs would share input.tmp and output.tmp: one at a time.
    if (m_state != State::Idle)
        return false;
    m_state = State::Starting;
    m_outcome = {};

    // The previous output goes first, so that a run can never hand back an
    // earlier run's result; a file that cannot be deleted is left to the
    // analyzer, which replaces it.
    QFile::remove(m_folders.file(programfile::outputFile));
    const QString input = m_folders.file(programfile::inputFile);
    emit writingInput(true);
    const Result<> written = writeWholeFileFrom(input, *utf8Source(text));
    emit writingInput(false);
    if (!written) {
        m_outcome.error = written.error();
        m_state = State::Ending;
        deliver();
        return true;
    }

    m_inputSize = QFileInfo(input).size();
    m_outcome.waited = true;
    emit waitBegan();
    m_process->start(m_folders, options); // never refused: its runs are this object's
    // An analyzer that cannot be started ends the run at once.
    if (m_state == State::Ending)
        deliver();
    else
        m_state = State::Waiting;
    return true;
}

void AnalyzerRun::cancel()
{
    if (m_state == State::Waiting)
        m_process->cancel();
}

void AnalyzerRun::onEnded(AnalyzerProcess::Outcome outcome)
{
    m_outcome.error = outcome.error;
    m_outcome.cancelled = outcome.cancelled;
    const bool starting = m_state == State::Starting;
    m_state = State::Ending;
    // start() tells an end that came within it; any other is told once the
    // event that brought it has been handled.
    if (!starting)
        QMetaObject::invokeMethod(this, &AnalyzerRun::deliver, Qt::QueuedConnection);
}

void AnalyzerRun::deliver()
{
    if (m_state != State::Ending)
        return; // told already (at the application's end)
    m_state = State::Idle;
    emit finished(m_outcome);
}

// No event is handled after the application's end: a pending end is told now.
void AnalyzerRun::onQuit()
{
    if (m_state == State::Waiting)
        m_process->cancel();
    deliver();
}

} // namespace yomika
