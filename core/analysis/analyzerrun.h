#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "core/analysis/analyzerprocess.h"
#include "core/files/errornumber.h"
#include "core/files/programfiles.h"
#include "core/files/textstream.h"

// One analyzer run, from a text to its outcome: the previous output.tmp
// deleted, input.tmp written from the text, the analyzer started and watched,
// its progress in thousandths of input.tmp, a cancel, and the outcome. What an
// outcome means for the window (a pane, a message, the undo ring) is the
// caller's.
//
// start() writes input.tmp while it blocks and returns once the analyzer is
// on its way. finished() comes from the event loop once the event that ended
// the run has been handled, so its receiver never runs inside the analyzer's
// own notifications or inside the command that cancelled; a run that ends
// before it waits (input.tmp unwritable, no analyzer to start) finishes
// before start() returns. When the application quits, a run under way is
// cancelled and a pending end is told then, before the program ends.

namespace yomika {

class AnalyzerRun : public QObject {
    Q_OBJECT
public:
    struct Outcome {
        ErrorNumber error = ErrorNumber::NoError; // NoError: output.tmp holds the answer
        bool cancelled = false;      // cancel() or the application's end stopped it
        bool waited = false;         // waitBegan() came: the analyzer was started
    };

    /// A run on the program directory of `folders`; it starts nothing yet.
    explicit AnalyzerRun(const ProgramFolders& folders, QObject* parent = nullptr);
    /// Kills and reaps a running analyzer; finished() does not come.
    ~AnalyzerRun() override;

    /// Begins a run of the analyzer with the option string `options` on
    /// `text`. Returns false, touching nothing, while a run is under way;
    /// otherwise finished() follows, once. Errors in finished(): the file
    /// error of writing input.tmp (the analyzer never started, `waited`
    /// false), or one of AnalyzerProcess::start.
    bool start(const QList<TextPiece>& text, const QString& options);

    /// Stops a run that waits for the analyzer, which is killed and reaped at
    /// once; finished() tells `cancelled`. Does nothing otherwise.
    void cancel();

    /// True from start() until finished().
    bool isRunning() const { return m_state != State::Idle; }

    /// The process id of the running analyzer, 0 when none runs.
    qint64 analyzerProcessId() const { return m_process->analyzerProcessId(); }

signals:
    /// input.tmp is being written (true) or written (false): a stretch that blocks.
    void writingInput(bool writing);
    /// input.tmp is written and the analyzer starting: the wait begins.
    void waitBegan();
    /// How much of input.tmp the analyzer has got through, in thousandths;
    /// only an analyzer that reports its progress brings this.
    void progressed(int permille);
    /// The run is over.
    void finished(yomika::AnalyzerRun::Outcome outcome);

private:
    enum class State { Idle, Starting, Waiting, Ending };
    void onEnded(AnalyzerProcess::Outcome outcome);
    void deliver();
    void onQuit();

    ProgramFolders m_folders;
    AnalyzerProcess* m_process;
    State m_state = State::Idle;
    Outcome m_outcome;
    qint64 m_inputSize = 0; // input.tmp's bytes, the measure of progress
};

} // namespace yomika
