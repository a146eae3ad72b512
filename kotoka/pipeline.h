#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
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

// Analysis on every core. The input's pieces go in batches of about
// batchTextSize bytes to the analyzing threads, each with its own Analyzer
// over the one loaded dictionary; the output of the batches is written in
// input order, so it is byte for byte what one thread writes. At most a
// fixed window of batches is in flight, so memory does not grow with the
// input. With one analyzer, or an input of one batch, no thread is started:
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
    /// outlive the pipeline. Fails, with the message, when the engine cannot
    /// make them.
    yomika::Expected<void, std::string> start(const Engine& engine, unsigned jobs);

    /// Takes the encoded output of a batch, in input order, and the input
    /// bytes read when the batch was formed. Returns false, with `error`
    /// set, to stop the run.
    using Sink = std::function<bool(std::string_view bytes, std::uint64_t inputRead, std::string& error)>;

    enum class Stop { Done, ReadFailed, AnalysisFailed, WriteFailed };

    /// Analyzes every piece of `reader` and hands the output to `sink`.
    /// Returns Done, or why it stopped with `error` set: of several
    /// failures, the one a single thread would have met first.
    Stop run(LineReader& reader, const Sink& sink, std::string& error);

private:
    struct Piece {
        std::size_t end; // where it ends in the batch's text
        bool endsLine;
    };
    struct Batch {
        std::string text; // the pieces, one after another
        std::vector<Piece> pieces;
        std::uint64_t inputRead = 0;
        std::string output;
        std::string error; // why the engine failed, when `failed`
        bool failed = false;
        bool done = false;
    };

    LineReader::Status fill(LineReader& reader, Batch& batch, std::string& error);
    void analyze(Analyzer& analyzer, Batch& batch, std::string& scratch) const;
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
