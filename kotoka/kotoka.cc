#include "kotoka/kotoka.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "kotoka/choice.h"
#include "kotoka/codec.h"
#include "kotoka/engine.h"
#include "kotoka/exitstatus.h"
#include "kotoka/format.h"
#include "kotoka/inputs.h"
#include "kotoka/options.h"
#include "kotoka/outputs.h"
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

// The threads -j asks for, or one per core.
unsigned jobsFor(const Options& options)
{
    if (options.jobs > 0)
        return options.jobs;
    return std::clamp(std::thread::hardware_concurrency(), 1u, maximumJobs);
}

// The analyzer every input goes through, as the options set it up.
struct Analysis {
    std::optional<Format> format;
    Engine engine;
    UserWords words;
    std::optional<Pipeline> pipeline;
};

Expected<void, Failure> prepare(const Options& options, Analysis& analysis)
{
    std::string error;
    analysis.format = Format::compile(options.format.value_or(std::string(defaultFormat)), sys::lineEnd(), error);
    if (!analysis.format)
        return fail(ExitStatus::FormatMalformed, error);
    if (auto loaded = loadDictionary(options, analysis.engine, *analysis.format, analysis.words); !loaded)
        return loaded;
    // The output is UTF-8 unless Windows-932 is asked for; UTF-16 is only read.
    const Encoding output = options.encoding == Encoding::Windows932 ? Encoding::Windows932 : Encoding::Utf8;
    analysis.pipeline.emplace(*analysis.format, output, "EOS" + std::string(sys::lineEnd()), analysis.words);
    if (const auto started = analysis.pipeline->start(analysis.engine, jobsFor(options)); !started)
        return fail(ExitStatus::DictionaryFailed, started.error());
    return {};
}

// Analyzes the inputs the options name into their outputs. Returns the
// status of the first failure, each failure reported as it happens.
ExitStatus analyzeInputs(const Options& options)
{
    Analysis analysis;
    if (const auto prepared = prepare(options, analysis); !prepared)
        return reported(prepared.error());

    Failures failures;
    InputList listed = listInputs(options.inputs.empty() ? std::vector<std::string>{std::string()} : options.inputs);
    for (const Failure& failure : listed.failures)
        failures.add(failure);
    const std::vector<Input> inputs = options.outputFolder.empty()
        ? withoutOutputFile(listed.files, options.outputFile, failures)
        : withOwnOutputs(listed.files, options.outputFolder, failures);

    InputSequence source(inputs, options.encoding);
    ProgressReport progress;
    std::string error;
    Pipeline::Stop stop = Pipeline::Stop::Done;
    bool complete = false;
    if (options.outputFolder.empty()) {
        JoinedOutput output(options.outputFile, failures, progress);
        stop = analysis.pipeline->run(source, output, error);
        if (stop != Pipeline::Stop::Done)
            failures.add(stop == Pipeline::Stop::WriteFailed ? ExitStatus::OutputFailed : ExitStatus::AnalysisFailed, error);
        complete = output.finish(stop == Pipeline::Stop::Done);
    } else {
        FolderOutputs outputs(options.outputFolder, inputs, failures, progress);
        BackgroundSink background(outputs);
        stop = analysis.pipeline->run(source, background, error);
        background.drain(); // the failures are all added
        if (stop != Pipeline::Stop::Done)
            failures.add(ExitStatus::AnalysisFailed, error);
        complete = stop == Pipeline::Stop::Done;
    }
    if (complete && !failures.first())
        progress.finish(source.bytesRead());
    return failures.first().value_or(ExitStatus::Success);
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
    return analyzeInputs(options);
}

} // namespace kotoka
