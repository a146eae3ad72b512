#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

#include "core/files/programfiles.h"

#include "core/files/errornumber.h"

class QSocketNotifier;
class QTimer;

// The analyzer as a process: start it on input.tmp, watch until it has
// written and released output.tmp, and tell how it went. The temporary files
// and the order of a run are AnalyzerRun's.
//
// Nothing blocks: start() returns at once and ended() tells the outcome. The
// watching sleeps until something happens, so the front-end uses next to no
// CPU. Elsewhere than on Windows the analyzer's end is the release of
// output.tmp; on Windows the end and a short timer that tries the exclusive
// open of output.tmp tell it.
//
// No analyzer process outlives its run's reason to exist: cancelling and
// destroying the object kill the analyzer and reap it.

namespace yomika {

class AnalyzerProcess : public QObject {
    Q_OBJECT
public:
    struct Outcome {
        ErrorNumber error = ErrorNumber::NoError; // ErrorNumber::NoError when output.tmp was released
        bool cancelled = false;      // cancel() or destruction stopped the run
    };

    explicit AnalyzerProcess(QObject* parent = nullptr);
    /// Kills and reaps a running analyzer; ended() does not come.
    ~AnalyzerProcess() override;

    /// Starts the analyzer of `folders` with the option string `options`
    /// and returns at once; ended() comes exactly once, possibly before
    /// start() returns (an analyzer that cannot be started). Never shows
    /// anything. Returns false, starting nothing, while a run is under way
    /// (two runs would share input.tmp and output.tmp).
    /// Errors in ended(): AnalyzerMissing (no analyzer file),
    /// AnalyzerNotStartable (not a file, not executable, refused by the
    /// system), AnalyzerCrashed (ended by a signal or a crash: partial output
    /// is never a result), AnalyzerNoOutputBase + exit status (ended without
    /// creating output.tmp), AnalyzerWaitFailed (output.tmp cannot be looked
    /// for). An analyzer that ends normally with output.tmp present succeeds
    /// whatever its status.
    bool start(const ProgramFolders& folders, const QString& options);

    /// Stops a run under way: the analyzer is killed and reaped, and ended()
    /// tells `cancelled`. Does nothing when no run is under way.
    void cancel();

    /// True from start() until ended().
    bool isRunning() const { return m_running; }

    /// The process id of the running analyzer, 0 when none runs.
    qint64 analyzerProcessId() const;

signals:
    /// The analyzer has consumed `bytes` of input.tmp. Only an analyzer that
    /// reports its progress (kotoka, through the descriptor named in
    /// KOTOKA_PROGRESS_FD, where the system has one) brings this.
    void progressed(qint64 bytes);
    /// The run is over; emitted once per start().
    void ended(yomika::AnalyzerProcess::Outcome outcome);

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
    QString m_outputPath;
    int m_progressRead = -1;  // the window's end of the progress pipe
    int m_progressWrite = -1; // the analyzer's end, closed here once it started
    QSocketNotifier* m_progressNotifier = nullptr;
    QByteArray m_progressLine;
    bool m_running = false; // from start() until ended()
};

} // namespace yomika
