#include "kotoka/pipeline.h"

#include <algorithm>
#include <system_error>

namespace kotoka {

Pipeline::Pipeline(const Format& format, Encoding encoding, std::string endOfSentence, const UserWords& userWords)
    : m_format(format)
    , m_userWords(userWords)
    , m_encoding(encoding)
    , m_endOfSentence(std::move(endOfSentence))
{
}

Pipeline::~Pipeline()
{
    stopThreads();
}

yomika::Expected<void, std::string> Pipeline::start(const Engine& engine, unsigned jobs)
{
    m_engine = &engine;
    m_jobs = std::max(jobs, 1u);
    m_analyzers.clear();
    m_analyzers.push_back(std::make_unique<Analyzer>());
    if (auto started = m_analyzers.back()->start(engine); !started)
        return started;
    // Enough batches that the other threads keep working while one that the
    // system put aside holds up the oldest batch; a few MB at most.
    m_batches = std::vector<Batch>(m_jobs == 1 ? 1 : 8 * m_jobs);
    return {};
}

// Fills `batch` from `source`; returns false when the source has ended.
bool Pipeline::fill(Source& source, Batch& batch)
{
    batch.text.clear();
    batch.pieces.clear();
    batch.ends.clear();
    batch.output.clear();
    batch.failed = false;
    batch.done = false;
    bool more = true;
    while (more && batch.text.size() < batchTextSize) {
        std::string_view piece;
        bool endsLine = false;
        std::string failure;
        switch (source.next(piece, endsLine, failure)) {
        case Source::Status::Piece:
            batch.text += piece;
            batch.pieces.push_back({batch.text.size(), endsLine});
            break;
        case Source::Status::InputEnd: batch.ends.push_back({batch.pieces.size(), 0, std::move(failure)}); break;
        case Source::Status::End: more = false; break;
        }
    }
    batch.inputRead = source.bytesRead();
    return more;
}

void Pipeline::analyze(Analyzer& analyzer, Batch& batch, std::string& scratch) const
{
    // UTF-8 output is rendered in place; Windows-932 is encoded here too, an
    // input's part at a time, so that the conversion runs on every core as well.
    const bool inPlace = m_encoding == Encoding::Utf8;
    std::string& text = inPlace ? batch.output : scratch;
    text.clear();
    const auto encodeRendered = [&] {
        if (!inPlace)
            encodeOutput(m_encoding, scratch, batch.output);
        scratch.clear();
    };
    std::size_t start = 0;
    auto end = batch.ends.begin();
    for (std::size_t i = 0; i <= batch.pieces.size(); ++i) {
        for (; end != batch.ends.end() && end->pieces == i; ++end) {
            encodeRendered();
            end->outputEnd = batch.output.size();
        }
        if (i == batch.pieces.size())
            break;
        const Piece& piece = batch.pieces[i];
        const std::string_view sentence = std::string_view(batch.text).substr(start, piece.end - start);
        if (const auto analyzed = analyzeSentence(analyzer, sentence, text); !analyzed) {
            batch.error = analyzed.error();
            batch.failed = true;
            return;
        }
        if (piece.endsLine)
            text += m_endOfSentence;
        start = piece.end;
    }
    encodeRendered();
}

// Hands the output of `batch` to `sink`, each input's part followed by its end.
bool Pipeline::handOver(const Batch& batch, Sink& sink, std::string& error) const
{
    const std::string_view output = batch.output;
    std::size_t start = 0;
    for (const InputEnd& end : batch.ends) {
        if (end.outputEnd > start && !sink.write(output.substr(start, end.outputEnd - start), error))
            return false;
        if (!sink.endInput(end.failure, error))
            return false;
        start = end.outputEnd;
    }
    if (output.size() > start && !sink.write(output.substr(start), error))
        return false;
    sink.consumed(batch.inputRead);
    return true;
}

yomika::Expected<void, std::string> Pipeline::analyzeSentence(Analyzer& analyzer, std::string_view sentence,
                                                              std::string& text) const
{
    const auto visit = [&](const Morpheme& morpheme) { m_format.render(morpheme, text); };
    if (m_userWords.empty())
        return analyzer.analyze(sentence, visit);
    yomika::Expected<void, std::string> result;
    m_userWords.split(sentence, [&](std::string_view part, const UserWord* word) {
        if (word) {
            visit(Morpheme{part, word->feature, false});
            return true;
        }
        result = analyzer.analyze(part, visit);
        return bool(result);
    });
    return result;
}

void Pipeline::submit(Batch& batch)
{
    if (m_threads.empty()) {
        analyze(*m_analyzers.front(), batch, m_scratch);
        batch.done = true;
        ++m_filledCount;
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        ++m_filledCount;
    }
    m_filled.notify_one();
}

Pipeline::Batch* Pipeline::oldestDone(bool wait)
{
    Batch& oldest = m_batches[m_writtenCount % m_batches.size()];
    std::unique_lock lock(m_mutex);
    if (wait)
        m_done.wait(lock, [&] { return oldest.done; });
    return oldest.done ? &oldest : nullptr;
}

void Pipeline::work(Analyzer& analyzer)
{
    std::string scratch;
    for (;;) {
        Batch* batch = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_filled.wait(lock, [&] { return m_stopping || m_takenCount < m_filledCount; });
            if (m_stopping)
                return;
            batch = &m_batches[m_takenCount++ % m_batches.size()];
        }
        analyze(analyzer, *batch, scratch);
        {
            const std::lock_guard lock(m_mutex);
            batch->done = true;
        }
        m_done.notify_one();
    }
}

void Pipeline::startThreads()
{
    // The other analyzers are made only now: for a sentence or two, making
    // them would take longer than the analysis. Without them, fewer threads.
    while (m_analyzers.size() < m_jobs) {
        auto analyzer = std::make_unique<Analyzer>();
        if (!analyzer->start(*m_engine))
            break;
        m_analyzers.push_back(std::move(analyzer));
    }
    if (m_analyzers.size() < 2)
        return;
    m_stopping = false;
    try {
        for (const auto& analyzer : m_analyzers)
            m_threads.emplace_back([this, &analyzer] { work(*analyzer); });
    } catch (const std::system_error&) {
        // The system has no more threads to give: go on with those it gave,
        // or, with none, on this thread.
    }
}

void Pipeline::stopThreads()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_filled.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
    m_threads.clear();
}

Pipeline::Stop Pipeline::run(Source& source, Sink& sink, std::string& error)
{
    // The threads start only once the input is known to fill more than one
    // batch: for a sentence or two, starting them costs more than the
    // analysis, and one thread writes the same bytes.
    bool threadsDecided = false;
    std::size_t window = 1;
    bool inputEnded = false;
    Stop stop = Stop::Done;
    while (stop == Stop::Done && (!inputEnded || m_writtenCount < m_filledCount)) {
        // Write what is finished, in order; wait for the oldest batch when
        // the window is full or nothing is left to read.
        if (m_writtenCount < m_filledCount) {
            const bool mustWait = inputEnded || m_filledCount - m_writtenCount == window;
            if (Batch* oldest = oldestDone(mustWait)) {
                if (oldest->failed) {
                    error = oldest->error;
                    stop = Stop::AnalysisFailed;
                } else if (!handOver(*oldest, sink, error)) {
                    stop = Stop::WriteFailed;
                }
                ++m_writtenCount;
                continue;
            }
        }
        Batch& batch = m_batches[m_filledCount % m_batches.size()];
        inputEnded = !fill(source, batch);
        if (!threadsDecided) {
            threadsDecided = true;
            if (!inputEnded)
                startThreads();
            window = m_threads.empty() ? 1 : m_batches.size();
        }
        if (!batch.pieces.empty() || !batch.ends.empty())
            submit(batch);
    }
    stopThreads();
    return stop;
}

} // namespace kotoka
