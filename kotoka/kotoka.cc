#include "kotoka/kotoka.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "core/files/fixednames.h"
#include "kotoka/codec.h"
#include "kotoka/engine.h"
#include "kotoka/exitstatus.h"
#include "kotoka/format.h"
#include "kotoka/linereader.h"
#include "kotoka/options.h"
#include "kotoka/pipeline.h"
#include "kotoka/progress.h"
#include "kotoka/resourcefile.h"
#include "kotoka/system.h"

namespace kotoka {
namespace {

// The resource file is a few lines; anything this large is not one.
constexpr std::size_t resourceFileLimit = 1024 * 1024;

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

// Reads the whole resource file and decodes it, or fails with the message.
Expected<std::string, std::string> readResourceFile(const std::string& path)
{
    const std::string unreadable = "the resource file " + path + " cannot be read: ";
    if (!sys::isRegularFile(path))
        return Unexpected(unreadable + "it is missing or not a file");
    sys::InputFile file;
    std::string error;
    if (!file.open(path, error))
        return Unexpected(unreadable + error);
    std::string bytes;
    char buffer[4096];
    for (;;) {
        const long count = file.read(buffer, sizeof buffer, error);
        if (count < 0)
            return Unexpected(unreadable + error);
        if (count == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(count));
        if (bytes.size() > resourceFileLimit)
            return Unexpected("the resource file " + path + " is too large to be one");
    }
    std::string text;
    decodeResourceText(bytes, text);
    return text;
}

// Reads the resource file and loads the dictionary it names.
Expected<void, Failure> loadDictionary(const Options& options, Engine& engine)
{
    std::string resourcePath = options.resourceFile;
    if (resourcePath.empty()) {
        const std::string folder = sys::executableDirectory();
        resourcePath = sys::joinPath(sys::joinPath(folder.empty() ? "." : folder, yomika::fixedname::dictionaryFolder),
                                     yomika::fixedname::resourceFile);
    }
    const auto text = readResourceFile(resourcePath);
    if (!text)
        return fail(ExitStatus::ResourceUnreadable, text.error());
    const auto dicdir = parseResourceFile(*text, resourcePath);
    if (!dicdir)
        return fail(ExitStatus::ResourceIncomplete, dicdir.error());
    if (const auto loaded = engine.load(*dicdir); !loaded)
        return fail(ExitStatus::DictionaryFailed, loaded.error());
    return {};
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
    const std::optional<Format> format =
        Format::compile(options.format.value_or(std::string(defaultFormat)), sys::lineEnd(), error);
    if (!format)
        return fail(ExitStatus::FormatMalformed, error);

    Engine engine;
    if (auto loaded = loadDictionary(options, engine); !loaded)
        return loaded;
    Pipeline pipeline(*format, options.encoding, "EOS" + std::string(sys::lineEnd()));
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
    if (const auto analyzed = analyzeFiles(options); !analyzed)
        return reported(analyzed.error());
    return ExitStatus::Success;
}

} // namespace kotoka
