#include "kotoka/options.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>

namespace kotoka {
namespace {

// The long options with a value, and the letter each stands for here.
constexpr std::pair<std::string_view, char> longOptions[] = {{"--encoding", 'e'}, {"--output-dir", 'O'}};

// The letter of the long option `argument` begins with (--encoding or
// --encoding=...), 0 for none; `name` is then its length.
char longOption(std::string_view argument, std::size_t& name)
{
    for (const auto& [option, letter] : longOptions)
        if (argument.substr(0, option.size()) == option
            && (argument.size() == option.size() || argument[option.size()] == '=')) {
            name = option.size();
            return letter;
        }
    return 0;
}

// Refuses what the options cannot mean together.
yomika::Expected<void, std::string> checkTogether(const Options& options)
{
    using yomika::Unexpected;
    if (options.outputFolder.empty())
        return {};
    if (!options.outputFile.empty())
        return Unexpected(std::string("-o and --output-dir cannot be given together"));
    const bool readsStandardInput = options.inputs.empty()
        || std::find(options.inputs.begin(), options.inputs.end(), std::string()) != options.inputs.end();
    if (readsStandardInput)
        return Unexpected(std::string("--output-dir needs files or folders to read, not standard input"));
    return {};
}

// Sets the option `letter` (or 'e' for --encoding, 'O' for --output-dir)
// from `value`, or fails with the message.
yomika::Expected<void, std::string> setOption(Options& options, char letter, const std::string& value)
{
    using yomika::Unexpected;
    switch (letter) {
    case 'r': options.resourceFile = value; break;
    case 'd': options.dictionary = value; break;
    case 'u': options.userWordFiles.push_back(value); break;
    case 'o': options.outputFile = value; break;
    case 'F': options.format = value; break;
    case 'O': options.outputFolder = value; break;
    case 'j': {
        unsigned jobs = 0;
        const char* end = value.data() + value.size();
        const auto [stop, fault] = std::from_chars(value.data(), end, jobs);
        if (fault != std::errc() || stop != end || jobs < 1 || jobs > maximumJobs)
            return Unexpected("option -j needs a number of threads from 1 to " + std::to_string(maximumJobs) + ", not \""
                + value + "\"");
        options.jobs = jobs;
        break;
    }
    default: {
        Encoding encoding = Encoding::Utf8;
        if (!parseEncoding(value, encoding))
            return Unexpected("unknown encoding \"" + value + "\" (known: utf-8, utf-16le, utf-16be, windows-932)");
        options.encoding = encoding;
    }
    }
    return {};
}

} // namespace

yomika::Expected<Options, std::string> parseOptions(const std::vector<std::string>& arguments)
{
    using yomika::Unexpected;
    Options options;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() >= 2 && argument[0] == '-';
        if (isOption && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!isOption) {
            options.inputs.push_back(argument == "-" ? std::string() : argument);
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            options.help = true;
            continue;
        }
        if (argument == "--dictionary") {
            options.dictionaryInfo = true;
            continue;
        }
        if (argument == "-v" || argument == "--version") {
            options.version = true;
            continue;
        }
        std::size_t name = 2;
        const char longLetter = longOption(argument, name);
        const char letter = longLetter ? longLetter : argument[1];
        if (!longLetter && (argument[1] == '-' || std::string_view("rduoFj").find(letter) == std::string_view::npos))
            return Unexpected("unknown option \"" + argument + "\"");
        // A value glued to its option: -Ffmt, --encoding=utf-8.
        std::string value;
        if (argument.size() > name) {
            value = argument.substr(name + (longLetter ? 1 : 0));
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return Unexpected("option " + argument.substr(0, name) + " needs a value");
        }
        if (const auto set = setOption(options, letter, value); !set)
            return Unexpected(set.error());
    }
    if (const auto together = checkTogether(options); !together)
        return Unexpected(together.error());
    return options;
}

std::string usageText()
{
    return "Usage: kotoka [-r RCFILE] [-d DICTIONARY] [-u USERWORDS]... [-F FORMAT] [-j N]\n"
           "              [--encoding NAME] [-o OUTFILE | --output-dir FOLDER] [INPUT]...\n"
           "Analyzes Japanese text into morphemes (MeCab with IPADIC, NAIST-jdic or UniDic),\n"
           "each line as one sentence followed by a line EOS. The output is UTF-8.\n"
           "\n"
           "  -r RCFILE   resource file naming the dictionary (default: dic/kotokarc\n"
           "              in kotoka's folder); the user's own kotokarc is read after it\n"
           "  -d DICTIONARY\n"
           "              the dictionary: ipadic, naist-jdic, unidic or a folder\n"
           "  -u USERWORDS\n"
           "              a list of user words (CSV: surface,reading,part of speech,\n"
           "              base form,pronunciation); may be given more than once\n"
           "  -o OUTFILE  write to OUTFILE (default: standard output)\n"
           "  --output-dir FOLDER\n"
           "              write each input file's analysis to FOLDER under its name\n"
           "              (a folder's files under their paths inside it)\n"
           "  -F FORMAT   what to write for each morpheme (default:\n"
           "              %m\\t%M\\t%y1\\t%a1\\t%U(%P-)\\t%T \\t%F \\n)\n"
           "  -j N        analyze with N threads (default: one per core)\n"
           "  --encoding NAME\n"
           "              read the input in utf-8, utf-16le, utf-16be or windows-932\n"
           "              (default: as its bytes show; standard input: utf-8);\n"
           "              windows-932 also writes the output in it\n"
           "  -h          show this help\n"
           "  -v          show the version\n"
           "  --dictionary\n"
           "              show the dictionary the settings choose (its layout and folder)\n"
           "An INPUT is a file or a folder (its files, recursively, in path order);\n"
           "without INPUT, or with -, standard input is read. Several inputs without\n"
           "--output-dir are written one after the other. A file or output that fails\n"
           "is reported and the others go on; the status is the first failure's.\n"
           "\n"
           "FORMAT directives:\n"
           "  %m surface form     %M base form     %y, %y1 reading     %a, %a1 pronunciation\n"
           "  %Pc  part-of-speech levels other than *, joined by the character c\n"
           "  %U(x)  \"未知語\" for an unknown word, otherwise x\n"
           "  %Tc  inflection type, or c     %Fc  inflection form, or c\n"
           "  %f[N]  feature column N\n"
           "  %Fc[N,M,...]  those feature columns other than *, joined by the character c\n"
           "  %%  percent sign     \\t tab     \\n line end     \\\\ backslash     \\\" quote\n";
}

} // namespace kotoka
