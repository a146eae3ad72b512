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

int fail(int status, const std::string& message)
{
    std::fprintf(stderr, "kotoka: %s\n", message.c_str());
    return status;
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

// Reads the whole resource file and decodes it. Returns false with `error` set.
bool readResourceFile(const std::string& path, std::string& text, std::string& error)
{
    sys::InputFile file;
    if (!sys::isRegularFile(path)) {
        error = "the resource file " + path + " cannot be read: it is missing or not a file";
        return false;
    }
    if (!file.open(path, error)) {
        error = "the resource file " + path + " cannot be read: " + error;
        return false;
    }
    std::string bytes;
    char buffer[4096];
    for (;;) {
        const long count = file.read(buffer, sizeof buffer, error);
        if (count < 0) {
            error = "the resource file " + path + " cannot be read: " + error;
            return false;
        }
        if (count == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(count));
        if (bytes.size() > resourceFileLimit) {
            error = "the resource file " + path + " is too large to be one";
            return false;
        }
    }
    decodeResourceText(bytes, text);
    return true;
}

// Reads the resource file and loads the dictionary it names. Returns
// Success, or the failure's status once it has been reported.
int loadDictionary(const Options& options, Engine& engine)
{
    std::string resourcePath = options.resourceFile;
    if (resourcePath.empty()) {
        const std::string folder = sys::executableDirectory();
        resourcePath = sys::joinPath(sys::joinPath(folder.empty() ? "." : folder, yomika::fixedname::dictionaryFolder),
                                     yomika::fixedname::resourceFile);
    }
    std::string resourceText;
    std::string error;
    if (!readResourceFile(resourcePath, resourceText, error))
        return fail(ResourceUnreadable, error);
    const ResourceSettings settings = parseResourceFile(resourceText, resourcePath);
    if (settings.dicdir.empty())
        return fail(ResourceIncomplete, settings.error);
    if (!engine.load(settings.dicdir, error))
        return fail(DictionaryFailed, error);
    return Success;
}

// Writes the analysis of every line of `input` to `output`, each line a
// sentence ended by EOS. Returns Success, or the failure's status once it
// has been reported and the output discarded.
int analyzeAll(Pipeline& pipeline, Encoding encoding, sys::InputFile& input, sys::OutputFile& output,
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
        return fail(InputUnreadable, "the input cannot be read: " + error);
    case Pipeline::Stop::AnalysisFailed:
        output.discard();
        return fail(AnalysisFailed, error);
    case Pipeline::Stop::WriteFailed:
        output.discard();
        return fail(OutputFailed, "writing " + outputName + " failed: " + error);
    }
    if (!output.close(error)) {
        output.discard();
        return fail(OutputFailed, "writing " + outputName + " failed: " + error);
    }
    progress.finish(reader.bytesRead());
    return Success;
}

// The threads -j asks for, or one per core.
unsigned jobsFor(const Options& options)
{
    if (options.jobs > 0)
        return options.jobs;
    return std::clamp(std::thread::hardware_concurrency(), 1u, maximumJobs);
}

} // namespace

int run(const std::vector<std::string>& arguments)
{
    sys::prepareProcess();

    const ParsedOptions parsed = parseOptions(arguments);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "kotoka: %s\n%s", parsed.error.c_str(), usageText().c_str());
        return UsageError;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::fputs(usageText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? Success : OutputFailed;
    }
    if (options.version) {
        std::printf("kotoka %s (MeCab %s)\n", YOMIKA_VERSION, Engine::version().c_str());
        return std::fflush(stdout) == 0 ? Success : OutputFailed;
    }

    std::string error;
    const std::optional<Format> format =
        Format::compile(options.format.value_or(std::string(defaultFormat)), sys::lineEnd(), error);
    if (!format)
        return fail(FormatMalformed, error);

    Engine engine;
    if (const int status = loadDictionary(options, engine); status != Success)
        return status;
    Pipeline pipeline(*format, options.encoding, "EOS" + std::string(sys::lineEnd()));
    if (!pipeline.start(engine, jobsFor(options), error))
        return fail(DictionaryFailed, error);

    sys::InputFile input;
    if (!input.open(options.inputFile, error))
        return fail(InputUnreadable, "the input file " + options.inputFile + " cannot be read: " + error);
    if (!options.outputFile.empty() && !options.inputFile.empty()
        && sys::sameFile(options.inputFile, options.outputFile))
        return fail(OutputFailed, "the output file " + options.outputFile + " is the input file");

    // From here on the output exists: every failure removes it, so whoever
    // waits for it never takes a torn result for a whole one.
    sys::OutputFile output;
    if (!output.create(options.outputFile, error))
        return fail(OutputFailed, "the output file " + options.outputFile + " cannot be created: " + error);
    const std::string outputName = options.outputFile.empty() ? "standard output" : options.outputFile;
    return analyzeAll(pipeline, options.encoding, input, output, outputName);
}

} // namespace kotoka
