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
//   @stray       make the last byte written 0x82, which no UTF-8 text ends in
//   @progress    report half of INPUT's bytes, then all, on KOTOKA_PROGRESS_FD
//   otherwise    write INPUT's bytes, then one line with every argument in brackets
// A command line of another shape ends with status 64 and no output.
// Standard C++ (and POSIX fdopen): it starts as fast as a small console program can.
// On Windows it takes its arguments and opens its files in UTF-16, as the
// analyzer does, so that a program folder with any name works there.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>

#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The number after `word` in `text`, or -1 when the word is absent.
long long numberAfter(const std::string& text, const std::string& word)
{
    const auto at = text.find(word);
    return at == std::string::npos ? -1 : std::strtoll(text.c_str() + at + word.size(), nullptr, 10);
}

// Opens the file named by the UTF-8 `name`.
std::FILE* openFile(const std::string& name, const char* mode)
{
#ifdef _WIN32
    const auto wide = [](const std::string& text) {
        std::wstring out(text.size() + 1, L'\0');
        out.resize(std::size_t(MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), int(out.size()))));
        return out;
    };
    return _wfopen(wide(name).c_str(), wide(mode).c_str());
#else
    return std::fopen(name.c_str(), mode);
#endif
}

std::string readAll(const std::string& name, bool& ok)
{
    std::string bytes;
    std::FILE* file = openFile(name, "rb");
    ok = file != nullptr;
    if (!file)
        return bytes;
    char piece[65536];
    for (std::size_t got; (got = std::fread(piece, 1, sizeof piece, file)) > 0;)
        bytes.append(piece, got);
    std::fclose(file);
    return bytes;
}

void sleepMilliseconds(long long ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

int run(const std::vector<std::string>& argv)
{
    const int argc = int(argv.size());
    if (argc < 6 || argv[1] != "-r" || argv[3] != "-o")
        return 64;
    bool readable = false;
    const std::string input = readAll(argv[argc - 1], readable);
    if (!readable)
        return 66;

    sleepMilliseconds(numberAfter(input, "@slow="));
    if (input.find("@flood") != std::string::npos) {
        const std::string block(8 * 1024 * 1024, 'x');
        std::fwrite(block.data(), 1, block.size(), stdout);
        std::fwrite(block.data(), 1, block.size(), stderr);
        std::fflush(stdout);
    }
    const int status = int(std::max(0LL, numberAfter(input, "@exit=")));
    if (input.find("@nooutput") != std::string::npos)
        return status;

    std::FILE* output = openFile(argv[4], "wb");
    if (!output)
        return 73;
    sleepMilliseconds(numberAfter(input, "@hold="));

    std::string text = input;
    if (input.find("@crash") != std::string::npos) {
        std::fwrite(input.data(), 1, input.size() / 2, output);
        std::fflush(output);
#ifdef _WIN32
        // The C runtime ends a raised SIGSEGV with exit code 3, a normal end:
        // end as an access violation does.
        TerminateProcess(GetCurrentProcess(), 0xC0000005);
#else
        std::signal(SIGSEGV, SIG_DFL);
        std::raise(SIGSEGV);
#endif
        return 70; // not reached
    } else if (const long long big = numberAfter(input, "@big="); big >= 0) {
        const std::string line = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n";
        for (text.clear(); text.size() < std::size_t(big);)
            text += line;
        text.resize(std::size_t(big));
    } else {
        for (int i = 1; i < argc; ++i)
            text += std::string("[") + argv[i] + "]";
        text += "\n";
    }
    if (input.find("@stray") != std::string::npos && !text.empty())
        text.back() = '\x82';
    std::fwrite(text.data(), 1, text.size(), output);
    if (const char* fd = std::getenv("KOTOKA_PROGRESS_FD"); fd && input.find("@progress") != std::string::npos) {
        if (std::FILE* progress = fdopen(std::atoi(fd), "w"))
            std::fprintf(progress, "%zu\n%zu\n", input.size() / 2, input.size()), std::fclose(progress);
    }
    return std::fclose(output) == 0 ? status : 74;
}

#ifdef _WIN32
// The arguments as the C runtime splits the command line, in UTF-8.
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(std::size_t(size > 0 ? size : 1), '\0');
        WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, argument.data(), size, nullptr, nullptr);
        argument.resize(argument.size() - 1);
        arguments.push_back(argument);
    }
    return run(arguments);
}
#else
int main(int argc, char** argv)
{
    return run(std::vector<std::string>(argv, argv + argc));
}
#endif
