#include "kotoka/kotoka.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "kotoka/choice.h"
#include "kotoka/codec.h"
#include "kotoka/engine.h"
#include "kotoka/exitstatus.h"
#include "kotoka/format.h"
#include "kotoka/linereader.h"
#include "kotoka/options.h"
#include "kotoka/pipeline.h"
#include "kotoka/progress.h"
#include "kotoka/system.h"

namespace kotoka {
namespace {

using yomika::Expected;
using yomika::Unexpected;

Unexpected<Failure> fail(ExitStatus status, std::string message)
{
    return Unexpected(Failure{status, std::move(message)});
}

// Writes the failure's one message; returns its status.
ExitStatus reported(const Failure& failure)
{
    std::fprintf(stderr, "kotoka: %s\n", failure.message.c_str());
    return failure.status;
}

class InputSource final : public ByteSource {
public:
    explicit InputSource(sys::InputFile& file) : m_file(file) {}
    long read(char* buffer, std::size_t size, std::string& error) override
    {
        return m_file.read(buffer, size, error);
    }

private:
    sys::InputFile& m_file;
};

// Loads the dictionary and the user words the settings choose, and binds
// the format to the dictionary's layout.
Expected<void, Failure> loadDictionary(const Options& options, Engine& engine, Format& format, UserWords& words)
{
    const auto choice = choose(options);
    if (!choice)
        return Unexpected(choice.error());
    if (const auto loaded = engine.load(choice->dictionary); !loaded)
        return fail(ExitStatus::DictionaryFailed, loaded.error());
    if (const auto bound = format.useLayout(engine.layout()); !bound)
        return fail(ExitStatus::DictionaryFailed,
                    "the dictionary in " + choice->dictionary + " has a layout kotoka does not know (entries of "
                        + std::to_string(engine.columns()) + " columns, where IPADIC has 9, NAIST-jdic 11, UniDic 29): "
                        + bound.error() + "; %m, %U(...), %f[N] and %Fc[N,...] work with any dictionary");
    return loadUserWords(choice->userWordFiles, engine, choice->dictionary, words);
}

// Writes the analysis of every line of `input` to `output`, each line a
// sentence ended by EOS. On a failure the output is discarded.
Expected<void, Failure> analyzeAll(Pipeline& pipeline, Encoding encoding, sys::InputFile& input, sys::OutputFile& output,
               const std::string& outputName)
{
    InputSource source(input);
    LineReader reader(source, decoderFor(encoding));
    ProgressReport progress;
    const auto sink = [&](std::string_view bytes, std::uint64_t inputRead, std::string& error) {
        if (!output.write(bytes, error))
            return false;
        progress.update(inputRead);
        return true;
    };
    std::string error;
    switch (pipeline.run(reader, sink, error)) {
    case Pipeline::Stop::Done: break;
    case Pipeline::Stop::ReadFailed:
        output.discard();
        return fail(ExitStatus::InputUnreadable, "the input cannot be read: " + error);
    case Pipeline::Stop::AnalysisFailed:
        output.discard();
        return fail(ExitStatus::AnalysisFailed, error);
    case Pipeline::Stop::WriteFailed:
        output.discard();
        return fail(ExitStatus::OutputFailed, "writing " + outputName + " failed: " + error);
    }
    if (!output.close(error)) {
        output.discard();
        return fail(ExitStatus::OutputFailed, "writing " + outputName + " failed: " + error);
    }
    progress.finish(reader.bytesRead());
    return {};
}

// The threads -j asks for, or one per core.
unsigned jobsFor(const Options& options)
{
    if (options.jobs > 0)
        return options.jobs;
    return std::clamp(std::thread::hardware_concurrency(), 1u, maximumJobs);
}

// Analyzes the input the options name into their output.
Expected<void, Failure> analyzeFiles(const Options& options)
{
    std::string error;
    std::optional<Format> format =
        Format::compile(options.format.value_or(std::string(defaultFormat)), sys::lineEnd(), error);
    if (!format)
        return fail(ExitStatus::FormatMalformed, error);

    Engine engine;
    UserWords words;
    if (auto loaded = loadDictionary(options, engine, *format, words); !loaded)
        return loaded;
    Pipeline pipeline(*format, options.encoding, "EOS" + std::string(sys::lineEnd()), words);
    if (const auto started = pipeline.start(engine, jobsFor(options)); !started)
        return fail(ExitStatus::DictionaryFailed, started.error());

    sys::InputFile input;
    if (!input.open(options.inputFile, error))
        return fail(ExitStatus::InputUnreadable, "the input file " + options.inputFile + " cannot be read: " + error);
    if (!options.outputFile.empty() && !options.inputFile.empty()
        && sys::sameFile(options.inputFile, options.outputFile))
        return fail(ExitStatus::OutputFailed, "the output file " + options.outputFile + " is the input file");

    // From here on the output exists: every failure removes it, so whoever
    // waits for it never takes a torn result for a whole one.
    sys::OutputFile output;
    if (!output.create(options.outputFile, error))
        return fail(ExitStatus::OutputFailed, "the output file " + options.outputFile + " cannot be created: " + error);
    const std::string outputName = options.outputFile.empty() ? "standard output" : options.outputFile;
    return analyzeAll(pipeline, options.encoding, input, output, outputName);
}

// Writes "LAYOUT<tab>FOLDER" of the dictionary the settings choose, loaded.
Expected<void, Failure> showDictionary(const Options& options)
{
    const auto choice = choose(options);
    if (!choice)
        return Unexpected(choice.error());
    Engine engine;
    if (const auto loaded = engine.load(choice->dictionary); !loaded)
        return fail(ExitStatus::DictionaryFailed, loaded.error());
    const std::string_view layout = engine.layout().known() ? engine.layout().name : "unknown layout";
    std::printf("%.*s\t%s\n", int(layout.size()), layout.data(), choice->dictionary.c_str());
    return {};
}

} // namespace

ExitStatus run(const std::vector<std::string>& arguments)
{
    sys::prepareProcess();

    const auto parsed = parseOptions(arguments);
    if (!parsed) {
        std::fprintf(stderr, "kotoka: %s\n%s", parsed.error().c_str(), usageText().c_str());
        return ExitStatus::UsageError;
    }
    const Options& options = *parsed;
    if (options.help) {
        std::fputs(usageText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? ExitStatus::Success : ExitStatus::OutputFailed;
    }
    if (options.version) {
        std::printf("kotoka %s (MeCab %s)\n", YOMIKA_VERSION, Engine::version().c_str());
        return std::fflush(stdout) == 0 ? ExitStatus::Success : ExitStatus::OutputFailed;
    }
    if (options.dictionaryInfo) {
        if (const auto shown = showDictionary(options); !shown)
            return reported(shown.error());
        return std::fflush(stdout) == 0 ? ExitStatus::Success : ExitStatus::OutputFailed;
    }
    if (const auto analyzed = analyzeFiles(options); !analyzed)
        return reported(analyzed.error());
    return ExitStatus::Success;
}

} // namespace kotoka
