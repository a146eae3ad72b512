#include "kotoka/kotoka.h"

#include <cstdio>

#include "kotoka/codec.h"
#include "kotoka/engine.h"
#include "kotoka/exitstatus.h"
#include "kotoka/format.h"
#include "kotoka/linereader.h"
#include "kotoka/options.h"
#include "kotoka/resourcefile.h"
#include "kotoka/system.h"

namespace kotoka {
namespace {

// The resource file is a few lines; anything this large is not one.
constexpr std::size_t resourceFileLimit = 1024 * 1024;
// Output is encoded and written in pieces of about this size.
constexpr std::size_t outputFlushSize = 256 * 1024;

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
    decodeInput(bytes, text, true);
    return true;
}

// Buffers UTF-8 output, encodes it into the code page and writes it.
class OutputWriter {
public:
    explicit OutputWriter(sys::OutputFile& file) : m_file(file) { m_text.reserve(outputFlushSize * 2); }

    std::string& text() { return m_text; }

    bool flushIfFull(std::string& error) { return m_text.size() < outputFlushSize || flush(error); }

    bool flush(std::string& error)
    {
        m_bytes.clear();
        encodeOutput(m_text, m_bytes);
        m_text.clear();
        return m_file.write(m_bytes, error);
    }

private:
    sys::OutputFile& m_file;
    std::string m_text;
    std::string m_bytes;
};

// Reads the resource file and loads the dictionary it names. Returns
// Success, or the failure's status once it has been reported.
int loadDictionary(const Options& options, Engine& engine)
{
    std::string resourcePath = options.resourceFile;
    if (resourcePath.empty()) {
        const std::string folder = sys::executableDirectory();
        resourcePath = sys::joinPath(sys::joinPath(folder.empty() ? "." : folder, "dic"), "kotokarc");
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
int analyzeAll(Engine& engine, const Format& format, sys::InputFile& input, sys::OutputFile& output,
               const std::string& outputName)
{
    OutputWriter writer(output);
    std::string& text = writer.text();
    const std::string endOfSentence = "EOS" + std::string(sys::lineEnd());
    InputSource source(input);
    LineReader reader(source, decodeInput);
    bool writeFailed = false;
    std::string writeError;
    auto visit = [&](const Morpheme& morpheme) {
        format.render(morpheme, text);
        if (!writeFailed && !writer.flushIfFull(writeError))
            writeFailed = true;
    };

    std::string error;
    for (;;) {
        std::string_view piece;
        bool endsLine = false;
        const LineReader::Status status = reader.next(piece, endsLine, error);
        if (status == LineReader::Status::End)
            break;
        if (status == LineReader::Status::Error) {
            output.discard();
            return fail(InputUnreadable, "the input cannot be read: " + error);
        }
        if (!engine.analyze(piece, visit, error)) {
            output.discard();
            return fail(AnalysisFailed, error);
        }
        if (endsLine)
            text += endOfSentence;
        if (writeFailed || !writer.flushIfFull(writeError)) {
            output.discard();
            return fail(OutputFailed, "writing " + outputName + " failed: " + writeError);
        }
    }
    if (!writer.flush(error) || !output.close(error)) {
        output.discard();
        return fail(OutputFailed, "writing " + outputName + " failed: " + error);
    }
    return Success;
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
    return analyzeAll(engine, *format, input, output, outputName);
}

} // namespace kotoka
