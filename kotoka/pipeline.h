#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/expected.h"
#include "kotoka/codec.h"
#include "kotoka/engine.h"
#include "kotoka/format.h"
#include "kotoka/linereader.h"
#include "kotoka/userwords.h"

// Analysis on every core. The pieces of the inputs, one input after
// another, go in batches of about batchTextSize bytes to the analyzing
// threads, each with its own Analyzer over the one loaded dictionary; a
// batch may hold the ends of several small inputs, so that every thread has
// work however small the files. The output of the batches is handed over in
// input order, so it is byte for byte what one thread writes. At most a
// fixed window of batches is in flight, so memory does not grow with the
// input. With one analyzer, or inputs of one batch, no thread is started:
// the calling thread reads, analyzes and writes in turn.

namespace kotoka {

class Pipeline {
public:
    static constexpr std::size_t batchTextSize = 16 * 1024;

    /// Renders each morpheme with `format`, ends each line with
    /// `endOfSentence`, and encodes the output in `encoding`. The listed
    /// `userWords` (which must outlive the pipeline) come out as morphemes
    /// of their own.
    Pipeline(const Format& format, Encoding encoding, std::string endOfSentence, const UserWords& userWords);
    ~Pipeline();
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    /// Readies `jobs` analyzers (at least one) over `engine`, which must
    /// outlive the pipeline: the first now, the others once the input is
    /// known to need threads. Fails, with the message, when the engine cannot
    /// make the first; with fewer of the others, fewer threads run.
    yomika::Expected<void, std::string> start(const Engine& engine, unsigned jobs);

    /// Where the pieces come from: the inputs, one after another.
    class Source {
    public:
        virtual ~Source() = default;
        enum class Status { Piece, InputEnd, End };
        /// The next piece of the current input and whether it ends its line
        /// (as LineReader::next), or the end of the current input, with
        /// `failure` set when it could not be read whole, or the end of all.
        virtual Status next(std::string_view& piece, bool& endsLine, std::string& failure) = 0;
        /// The input bytes consumed so far, over all inputs.
        virtual std::uint64_t bytesRead() const = 0;
    };

    /// Where the output goes, in input order, on the calling thread.
    class Sink {
    public:
        virtual ~Sink() = default;
        /// Takes output of the current input. Returns false, with `error`
        /// set, to stop the run.
        virtual bool write(std::string_view bytes, std::string& error) = 0;
        /// The current input is through: all of it, or up to where reading
        /// it failed with `failure`. Returns false, with `error` set, to stop.
        virtual bool endInput(const std::string& failure, std::string& error) = 0;
        /// The input bytes behind the output handed over so far.
        virtual void consumed(std::uint64_t inputRead) = 0;
    };

    enum class Stop { Done, AnalysisFailed, WriteFailed };

    /// Analyzes every piece of `source` and hands the output to `sink`.
    /// Returns Done, or why it stopped with `error` set: of several
    /// failures, the one a single thread would have met first.
    Stop run(Source& source, Sink& sink, std::string& error);

private:
    struct Piece {
        std::size_t end; // where it ends in the batch's text
        bool endsLine;
    };
    struct InputEnd {
        std::size_t pieces; // the batch's pieces before it
        std::size_t outputEnd; // where the input's output ends in the batch's output
        std::string failure;
    };
    struct Batch {
        std::string text; // the pieces, one after another
        std::vector<Piece> pieces;
        std::vector<InputEnd> ends;
        std::uint64_t inputRead = 0;
        std::string output;
        std::string error; // why the engine failed, when `failed`
        bool failed = false;
        bool done = false;
    };

    bool fill(Source& source, Batch& batch);
    void analyze(Analyzer& analyzer, Batch& batch, std::string& scratch) const;
    bool handOver(const Batch& batch, Sink& sink, std::string& error) const;
    void submit(Batch& batch);
    Batch* oldestDone(bool wait);
    void work(Analyzer& analyzer);
    void startThreads();
    void stopThreads();

    yomika::Expected<void, std::string> analyzeSentence(Analyzer& analyzer, std::string_view sentence,
                                                        std::string& text) const;

    const Format& m_format;
    const UserWords& m_userWords;
    const Encoding m_encoding;
    const std::string m_endOfSentence;
    const Engine* m_engine = nullptr;
    unsigned m_jobs = 1;
    std::vector<std::unique_ptr<Analyzer>> m_analyzers;
    std::vector<Batch> m_batches; // the window, used as a ring
    std::vector<std::thread> m_threads;
    std::string m_scratch; // the output before encoding, when no thread is started
    std::mutex m_mutex;
    std::condition_variable m_filled; // a batch waits for a thread, or the run stops
    std::condition_variable m_done;   // a thread finished a batch
    std::uint64_t m_filledCount = 0;  // batches handed out so far
    std::uint64_t m_takenCount = 0;   // of those, taken by a thread
    std::uint64_t m_writtenCount = 0; // of those, written
    bool m_stopping = false;
};

} // namespace kotoka
