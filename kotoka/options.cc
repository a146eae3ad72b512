#include "kotoka/options.h"

namespace kotoka {

ParsedOptions parseOptions(const std::vector<std::string>& arguments)
{
    ParsedOptions parsed;
    Options& options = parsed.options;
    bool haveInput = false;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() >= 2 && argument[0] == '-';
        if (isOption && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!isOption) {
            if (haveInput) {
                parsed.error = "more than one input file: \"" + options.inputFile + "\" and \"" + argument + "\"";
                return parsed;
            }
            haveInput = true;
            options.inputFile = argument == "-" ? std::string() : argument;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            options.help = true;
            continue;
        }
        if (argument == "-v" || argument == "--version") {
            options.version = true;
            continue;
        }
        const char letter = argument[1];
        if (letter != 'r' && letter != 'o' && letter != 'F') {
            parsed.error = "unknown option \"" + argument + "\"";
            return parsed;
        }
        std::string value;
        if (argument.size() > 2) {
            value = argument.substr(2);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            parsed.error = "option -" + std::string(1, letter) + " needs a value";
            return parsed;
        }
        if (letter == 'r')
            options.resourceFile = value;
        else if (letter == 'o')
            options.outputFile = value;
        else
            options.format = value;
    }
    return parsed;
}

std::string usageText()
{
    return "Usage: kotoka [-r RCFILE] [-o OUTFILE] [-F FORMAT] [INPUTFILE]\n"
           "Analyzes Japanese text into morphemes (MeCab with IPADIC), each line as one\n"
           "sentence followed by a line EOS. Text is read and written in Windows-932.\n"
           "\n"
           "  -r RCFILE   resource file naming the dictionary (default: dic/kotokarc\n"
           "              in kotoka's folder)\n"
           "  -o OUTFILE  write to OUTFILE (default: standard output)\n"
           "  -F FORMAT   what to write for each morpheme (default:\n"
           "              %m\\t%M\\t%y1\\t%a1\\t%U(%P-)\\t%T \\t%F \\n)\n"
           "  -h          show this help\n"
           "  -v          show the version\n"
           "Without INPUTFILE, or with -, standard input is read.\n"
           "\n"
           "FORMAT directives:\n"
           "  %m surface form     %M base form     %y, %y1 reading     %a, %a1 pronunciation\n"
           "  %Pc  part-of-speech levels other than *, joined by the character c\n"
           "  %U(x)  \"未知語\" for an unknown word, otherwise x\n"
           "  %Tc  inflection type, or c     %Fc  inflection form, or c\n"
           "  %%  percent sign     \\t tab     \\n line end     \\\\ backslash     \\\" quote\n";
}

} // namespace kotoka
