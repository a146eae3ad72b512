#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

#include "core/files/programfiles.h"

#include "core/files/errornumber.h"

class QEventLoop;
class QSocketNotifier;
class QTimer;

// One analyzer run: start the analyzer on input.tmp, wait without blocking
// the window until it has written and released output.tmp, and tell how it
// went. Writing input.tmp, the busy pointer and reading output.tmp are the
// window's.
//
// The wait is a nested event loop that sleeps until something happens: the
// window repaints and takes clicks, and the front-end uses next to no CPU.
// Elsewhere than on Windows the analyzer's end wakes it and is the release of
// output.tmp; on Windows the end and a short timer that tries the exclusive
// open of output.tmp wake it.
//
// No analyzer process outlives its run's reason to exist: cancelling and
// destroying the object kill the analyzer and reap it.

namespace yomika {

class AnalyzerProcess : public QObject {
    Q_OBJECT
public:
    struct Outcome {
        ErrorNumber error = ErrorNumber::NoError; // NoError when output.tmp was released
        bool cancelled = false;      // cancel() or destruction stopped the run
    };

    explicit AnalyzerProcess(QObject* parent = nullptr);
    /// Kills and reaps a running analyzer, and ends a waiting run(), which
    /// then returns without touching the destroyed object.
    ~AnalyzerProcess() override;

    /// Starts the analyzer of `programDir` with the option string `options`
    /// and waits, in a nested event loop, until it has released output.tmp
    /// (NoError), failed, or was cancelled. Never shows anything.
    /// Errors: AnalyzerMissing (no analyzer file), AnalyzerNotStartable (not
    /// a file, not executable, refused by the system), AnalyzerCrashed (ended
    /// by a signal or a crash: partial output is never a result),
    /// AnalyzerNoOutputBase + exit status (ended without creating output.tmp),
    /// AnalyzerWaitFailed (output.tmp cannot be looked for). An analyzer that
    /// ends normally with output.tmp present succeeds whatever its status.
    /// A run() called while another waits starts nothing and returns
    /// `cancelled`.
    /// The object may be destroyed while run() waits (from an event handled
    /// in the loop): run() then returns `cancelled` at once and touches no
    /// member; a caller that may destroy it so holds a QPointer to it and
    /// checks it after run() returns.
    Outcome run(const ProgramFolders& folders, const QString& options);

    /// Stops a waiting run: the analyzer is killed and reaped, and run()
    /// returns `cancelled`. Does nothing when no run waits.
    void cancel();

    /// True while run() waits.
    bool isRunning() const { return m_loop != nullptr; }

    /// The process id of the running analyzer, 0 when none runs.
    qint64 analyzerProcessId() const;

signals:
    /// The analyzer has consumed `bytes` of input.tmp. Only an analyzer that
    /// reports its progress (kotoka, through the descriptor named in
    /// KOTOKA_PROGRESS_FD, where the system has one) brings this.
    void progressed(qint64 bytes);

private:
    // Per platform (analyzerprocess_posix.cc, analyzerprocess_win.cc).
    void startAnalyzer(const ProgramFolders& folders, const QString& options);
    void watchOutput(); // called once the analyzer has started
    void judgeEnd(int exitCode, QProcess::ExitStatus status);

    // The error of an analyzer that ended with `exitCode` and no output.tmp.
    static ErrorNumber noOutput(int exitCode);

    void onErrorOccurred(QProcess::ProcessError error);
    // The progress channel (analyzerprocess_posix.cc; none on Windows).
    void openProgressChannel();
    void readProgress();
    void closeProgressChannel();
    void finishRun(Outcome outcome);
    void stopAnalyzer();

    QProcess* m_process = nullptr;
    QTimer* m_releaseTimer = nullptr; // Windows only
    QEventLoop* m_loop = nullptr;     // the waiting run's, on its stack
    QString m_outputPath;
    int m_progressRead = -1;  // the window's end of the progress pipe
    int m_progressWrite = -1; // the analyzer's end, closed here once it started
    QSocketNotifier* m_progressNotifier = nullptr;
    QByteArray m_progressLine;
    Outcome m_outcome;
    bool m_decided = false;
};

} // namespace yomika
