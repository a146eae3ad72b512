#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/expected.h"
#include "kotoka/codec.h"

// kotoka's command line:
//   kotoka [-r RCFILE] [-d DICTIONARY] [-u USERWORDS]... [-o OUTFILE] [-F FORMAT]
//          [-j N] [--encoding NAME] [INPUTFILE]
// Options come in any order; a value follows its option as the next
// argument or glued to it (-Ffmt, -ooutput.txt, --encoding=utf-8). "-" or no
// INPUTFILE reads standard input; no -o writes standard output.

namespace kotoka {

struct Options {
    std::string resourceFile;          // empty: dic/kotokarc beside the executable
    std::optional<std::string> dictionary; // -d: a dictionary's name or folder
    std::vector<std::string> userWordFiles; // -u, each time it is given
    std::string outputFile;            // empty: standard output
    std::optional<std::string> format; // none: the default format
    std::string inputFile;             // empty: standard input
    Encoding encoding = Encoding::Utf8; // of the input and output files
    unsigned jobs = 0;                 // analyzing threads; 0: one per core
    bool help = false;
    bool version = false;
    bool dictionaryInfo = false;       // --dictionary: name the dictionary chosen and exit
};

/// The most threads -j accepts.
inline constexpr unsigned maximumJobs = 64;

/// Parses the arguments after the program name. Fails, with the message,
/// for an unknown option, an option without its value, a -j outside 1 to
/// maximumJobs, an unknown encoding, or a second input file.
yomika::Expected<Options, std::string> parseOptions(const std::vector<std::string>& arguments);

/// The usage text shown by -h and after a command-line error.
std::string usageText();

} // namespace kotoka
