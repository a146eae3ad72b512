#include "kotoka/options.h"

#include <charconv>

namespace kotoka {
namespace {

// Sets the option `letter` (or 'e' for --encoding) from `value`, or fails
// with the message.
yomika::Expected<void, std::string> setOption(Options& options, char letter, const std::string& value)
{
    using yomika::Unexpected;
    switch (letter) {
    case 'r': options.resourceFile = value; break;
    case 'd': options.dictionary = value; break;
    case 'u': options.userWordFiles.push_back(value); break;
    case 'o': options.outputFile = value; break;
    case 'F': options.format = value; break;
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
    default:
        if (!parseEncoding(value, options.encoding))
            return Unexpected("unknown encoding \"" + value + "\" (known: utf-8, windows-932)");
    }
    return {};
}

} // namespace

yomika::Expected<Options, std::string> parseOptions(const std::vector<std::string>& arguments)
{
    using yomika::Unexpected;
    Options options;
    bool haveInput = false;
    bool optionsEnded = false;
    const std::string encodingOption = "--encoding";

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() >= 2 && argument[0] == '-';
        if (isOption && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!isOption) {
            if (haveInput)
                return Unexpected("more than one input file: \"" + options.inputFile + "\" and \"" + argument + "\"");
            haveInput = true;
            options.inputFile = argument == "-" ? std::string() : argument;
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
        // The one long option with a value: --encoding NAME or --encoding=NAME.
        const bool isEncoding = argument.compare(0, encodingOption.size(), encodingOption) == 0
            && (argument.size() == encodingOption.size() || argument[encodingOption.size()] == '=');
        const char letter = isEncoding ? 'e' : argument[1];
        if (!isEncoding && std::string_view("rduoFj").find(letter) == std::string_view::npos)
            return Unexpected("unknown option \"" + argument + "\"");
        // A value glued to its option: -Ffmt, --encoding=utf-8.
        const std::size_t name = isEncoding ? encodingOption.size() : 2;
        std::string value;
        if (argument.size() > name) {
            value = argument.substr(name + (isEncoding ? 1 : 0));
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return Unexpected("option " + (isEncoding ? encodingOption : "-" + std::string(1, letter)) + " needs a value");
        }
        if (const auto set = setOption(options, letter, value); !set)
            return Unexpected(set.error());
    }
    return options;
}

std::string usageText()
{
    return "Usage: kotoka [-r RCFILE] [-d DICTIONARY] [-u USERWORDS]... [-o OUTFILE] [-F FORMAT]\n"
           "              [-j N] [--encoding NAME] [INPUTFILE]\n"
           "Analyzes Japanese text into morphemes (MeCab with IPADIC, NAIST-jdic or UniDic),\n"
           "each line as one sentence followed by a line EOS. Text is read and written in UTF-8.\n"
           "\n"
           "  -r RCFILE   resource file naming the dictionary (default: dic/kotokarc\n"
           "              in kotoka's folder); the user's own kotokarc is read after it\n"
           "  -d DICTIONARY\n"
           "              the dictionary: ipadic, naist-jdic, unidic or a folder\n"
           "  -u USERWORDS\n"
           "              a list of user words (CSV: surface,reading,part of speech,\n"
           "              base form,pronunciation); may be given more than once\n"
           "  -o OUTFILE  write to OUTFILE (default: standard output)\n"
           "  -F FORMAT   what to write for each morpheme (default:\n"
           "              %m\\t%M\\t%y1\\t%a1\\t%U(%P-)\\t%T \\t%F \\n)\n"
           "  -j N        analyze with N threads (default: one per core)\n"
           "  --encoding NAME\n"
           "              utf-8 (the default) or windows-932 for older files\n"
           "  -h          show this help\n"
           "  -v          show the version\n"
           "  --dictionary\n"
           "              show the dictionary the settings choose (its layout and folder)\n"
           "Without INPUTFILE, or with -, standard input is read.\n"
           "\n"
           "FORMAT directives:\n"
           "  %m surface form     %M base form     %y, %y1 reading     %a, %a1 pronunciation\n"
           "  %Pc  part-of-speech levels other than *, joined by the character c\n"
           "  %U(x)  \"未知語\" for an unknown word, otherwise x\n"
           "  %Tc  inflection type, or c     %Fc  inflection form, or c\n"
           "  %f[N]  feature column N     %Fc[N,M,...]  those columns other than *, joined by c\n"
           "  %%  percent sign     \\t tab     \\n line end     \\\\ backslash     \\\" quote\n";
}

} // namespace kotoka
