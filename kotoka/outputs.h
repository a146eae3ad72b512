#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kotoka/exitstatus.h"
#include "kotoka/inputs.h"
#include "kotoka/pipeline.h"
#include "kotoka/progress.h"
#include "kotoka/system.h"

// Where kotoka's analyses go: all inputs one after another into one output
// (-o or standard output), or one output per input file under
// --output-dir. A failure of one input or one output is reported at once,
// and the others go on.

namespace kotoka {

/// The failures of a run, each written as it happens; the first one's
/// status is the run's.
class Failures {
public:
    /// Writes "kotoka: MESSAGE" to standard error and keeps the first status.
    void add(ExitStatus status, const std::string& message);
    void add(const Failure& failure) { add(failure.status, failure.message); }
    std::optional<ExitStatus> first() const { return m_first; }

private:
    std::optional<ExitStatus> m_first;
};

/// Leaves out of `inputs` each one that is the file `outputFile` (which
/// would be emptied before it is read), as a failure.
std::vector<Input> withoutOutputFile(const std::vector<Input>& inputs, const std::string& outputFile, Failures& failures);

/// Leaves out of `inputs` each one whose output under `folder` would be an
/// input file, or the output of an earlier input, as a failure.
std::vector<Input> withOwnOutputs(const std::vector<Input>& inputs, const std::string& folder, Failures& failures);

/// All inputs into one output, created when the first input is opened, so
/// that an output is left as it was when no input can be read at all.
class JoinedOutput final : public Pipeline::Sink {
public:
    /// Writes to `path`, or standard output when it is empty.
    JoinedOutput(std::string path, Failures& failures, ProgressReport& progress);

    bool write(std::string_view bytes, std::string& error) override;
    bool endInput(const std::string& failure, std::string& error) override;
    void consumed(std::uint64_t inputRead) override { m_progress.update(inputRead); }

    /// Completes the output after a run that was not stopped (`completed`),
    /// when some input came through whole, or none was to be read and none
    /// failed; otherwise removes what it wrote. Returns false when the
    /// output is not complete.
    bool finish(bool completed);

private:
    bool create(std::string& error);
    std::string name() const;

    sys::OutputFile m_file;
    const std::string m_path;
    Failures& m_failures;
    ProgressReport& m_progress;
    bool m_created = false;
    bool m_someWhole = false; // an input came through whole
};

/// One output per input under a folder, each in place whole or not at all.
class FolderOutputs final : public Pipeline::Sink {
public:
    /// Writes the output of each of `inputs` (which must outlive it) to
    /// `folder` under the input's name, sub-folders created as needed.
    FolderOutputs(std::string folder, const std::vector<Input>& inputs, Failures& failures, ProgressReport& progress);

    bool write(std::string_view bytes, std::string& error) override;
    bool endInput(const std::string& failure, std::string& error) override;
    void consumed(std::uint64_t inputRead) override { m_progress.update(inputRead); }

private:
    void begin();
    std::string currentPath() const;

    const std::string m_folder;
    const std::vector<Input>& m_inputs;
    Failures& m_failures;
    ProgressReport& m_progress;
    std::size_t m_index = 0;   // the input whose output comes now
    std::optional<sys::OutputFile> m_file;
    bool m_failed = false;     // the current output could not be created or written
    std::string m_madeFolder;  // the last folder known to exist
};

/// Another sink's calls carried out in order on a thread of their own, so
/// that creating and renaming many small files, which can take a file
/// system longer than their analysis, runs beside the reading and the
/// analysis instead of holding them up. At most a few MB wait.
class BackgroundSink final : public Pipeline::Sink {
public:
    /// Passes the calls on to `sink`, which must outlive this one.
    explicit BackgroundSink(Pipeline::Sink& sink);
    /// Carries out what waits, then ends the thread.
    ~BackgroundSink() override;

    /// Queue the call; false, with the sink's `error`, once a call of the
    /// sink has returned false (the calls after it are dropped).
    bool write(std::string_view bytes, std::string& error) override;
    bool endInput(const std::string& failure, std::string& error) override;
    void consumed(std::uint64_t inputRead) override;

    /// Returns once every call queued so far has been carried out.
    void drain();

private:
    struct Call {
        enum class Kind { Write, EndInput, Consumed } kind;
        std::string text; // the bytes, or the failure
        std::uint64_t inputRead = 0;
    };
    bool queue(Call call, std::string& error);
    bool carryOut(Call& call);
    void work();

    static constexpr std::size_t waitingBound = 4 * 1024 * 1024;
    Pipeline::Sink& m_sink;
    std::thread m_thread; // none: the calls are carried out at once
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Call> m_calls;
    std::size_t m_waitingBytes = 0;
    bool m_busy = false;     // the thread carries out a call
    bool m_stopping = false;
    bool m_failed = false;   // a call of the sink returned false, with m_error
    std::string m_error;
};

} // namespace kotoka
