// The window's side of an analyzer run: the undo snapshot, the temporary
// files, the option history, the busy pointer and the failure message. The
// process itself, and the wait for it, are AnalyzerProcess's.

#include <QApplication>
#include <QFile>
#include <QPointer>

#include "core/analyzerprocess.h"
#include "gui/mainwindow.h"
#include "gui/prompter.h"
#include "gui/widgets.h"

namespace yomika {

namespace {

QString analyzeFailed(int error)
{
    return QStringLiteral("解析中にエラーが発生しました ") + QString::number(error);
}

} // namespace

bool MainWindow::isRunning() const
{
    return m_run && m_run->isRunning();
}

void MainWindow::cancelRun()
{
    if (isRunning())
        m_run->cancel();
}

QString MainWindow::runAnalyzer(const QString& text)
{
    // Two runs would share input.tmp and output.tmp: one waits at a time.
    if (isRunning())
        return {};
    pushUndoSnapshot();
    if (text.isEmpty())
        return {};

    // The previous output goes first, so that a run can never hand back an
    // earlier run's result; a file that cannot be deleted is left to the
    // analyzer, which replaces it.
    QFile::remove(fixedPath(QStringLiteral("output.tmp")));
    recordOptionHistory();

    if (const int error = writeFile(fixedPath(QStringLiteral("input.tmp")), text)) {
        m_prompter->inform(this, analyzeFailed(error));
        return {};
    }

    if (!m_run)
        m_run = new AnalyzerProcess(this);
    // The run's nested event loop lets the window be closed, and even
    // destroyed, before it returns; the process goes with the window, and
    // nothing of the window is touched afterwards (the arguments are copies
    // for the same reason).
    const QPointer<MainWindow> self(this);
    const bool setsPointer = m_busyDepth == 0;
    const QString programDir = m_programDir;
    const QString options = m_optionList->text();
    setBusy(true);
    const AnalyzerProcess::Outcome outcome = m_run->run(programDir, options);
    if (!self) {
        if (setsPointer)
            QApplication::restoreOverrideCursor();
        return {};
    }
    setBusy(false);

    if (outcome.cancelled)
        return {}; // stopped on purpose: no message
    if (outcome.error != 0) {
        m_prompter->inform(this, analyzeFailed(outcome.error));
        return {};
    }
    // A file that cannot be read gives the empty result, without a message.
    return readFile(fixedPath(QStringLiteral("output.tmp"))).text;
}

} // namespace yomika
