// A stand-in for the analyzer that lets every branch of an analyzer run be
// tried with a real process. It takes the analyzer's command line
//   -r RESOURCE -o OUTPUT [OPTIONS...] INPUT
// reads INPUT as bytes and picks its behaviour from words in them:
//   @slow=MS     sleep MS milliseconds before doing anything else
//   @flood       first write 8 MB to standard output and 8 MB to standard error
//   @nooutput    never create OUTPUT
//   @exit=N      end with status N (also after writing OUTPUT)
//   @hold=MS     create OUTPUT, keep it open and empty for MS milliseconds, then write it
//   @crash       write part of OUTPUT, then die by SIGSEGV
//   @big=N       write N bytes of text instead of the echo
//   otherwise    write INPUT's bytes, then one line with every argument in brackets
// A command line of another shape ends with status 64 and no output.
// Standard C++ only: it starts as fast as a small console program can.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

// The number after `word` in `text`, or -1 when the word is absent.
long long numberAfter(const std::string& text, const std::string& word)
{
    const auto at = text.find(word);
    if (at == std::string::npos)
        return -1;
    return std::strtoll(text.c_str() + at + word.size(), nullptr, 10);
}

bool has(const std::string& text, const char* word)
{
    return text.find(word) != std::string::npos;
}

void sleepMilliseconds(long long ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void flood()
{
    const std::string block(64 * 1024, 'x');
    for (int i = 0; i < 128; ++i) {
        std::fwrite(block.data(), 1, block.size(), stdout);
        std::fwrite(block.data(), 1, block.size(), stderr);
    }
    std::fflush(stdout);
    std::fflush(stderr);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 6 || std::strcmp(argv[1], "-r") != 0 || std::strcmp(argv[3], "-o") != 0)
        return 64;
    const char* outputPath = argv[4];
    const char* inputPath = argv[argc - 1];

    std::ifstream inputFile(inputPath, std::ios::binary);
    if (!inputFile)
        return 66;
    const std::string input((std::istreambuf_iterator<char>(inputFile)), std::istreambuf_iterator<char>());

    sleepMilliseconds(numberAfter(input, "@slow="));
    if (has(input, "@flood"))
        flood();

    const long long exitStatus = numberAfter(input, "@exit=");
    const int status = exitStatus < 0 ? 0 : int(exitStatus);
    if (has(input, "@nooutput"))
        return status;

    std::FILE* output = std::fopen(outputPath, "wb");
    if (!output)
        return 73;
    sleepMilliseconds(numberAfter(input, "@hold="));

    if (has(input, "@crash")) {
        const std::string part = input.substr(0, input.size() / 2);
        std::fwrite(part.data(), 1, part.size(), output);
        std::fflush(output);
        std::signal(SIGSEGV, SIG_DFL);
        std::raise(SIGSEGV);
        return 70; // not reached
    }

    const long long big = numberAfter(input, "@big=");
    if (big >= 0) {
        const std::string line = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n";
        for (long long left = big; left > 0; left -= (long long)line.size())
            std::fwrite(line.data(), 1, left < (long long)line.size() ? size_t(left) : line.size(), output);
    } else {
        std::fwrite(input.data(), 1, input.size(), output);
        std::string arguments;
        for (int i = 1; i < argc; ++i)
            arguments += std::string("[") + argv[i] + "]";
        arguments += "\n";
        std::fwrite(arguments.data(), 1, arguments.size(), output);
    }
    if (std::fclose(output) != 0)
        return 74;
    return status;
}
