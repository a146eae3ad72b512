#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/expected.h"
#include "kotoka/codec.h"

// kotoka's command line:
//   kotoka [-r RCFILE] [-d DICTIONARY] [-u USERWORDS]... [-F FORMAT] [-j N]
//          [--encoding NAME] [-o OUTFILE | --output-dir FOLDER] [INPUT]...
// Options come in any order; a value follows its option as the next
// argument or glued to it (-Ffmt, -ooutput.txt, --encoding=utf-8). An INPUT
// is a file or a folder; "-" or no INPUT reads standard input; no -o and no
// --output-dir writes standard output.

namespace kotoka {

struct Options {
    std::string resourceFile;          // empty: dic/kotokarc beside the executable
    std::optional<std::string> dictionary; // -d: a dictionary's name or folder
    std::vector<std::string> userWordFiles; // -u, each time it is given
    std::string outputFile;            // empty: standard output
    std::optional<std::string> format; // none: the default format
    std::string outputFolder;          // --output-dir: one output per input file there
    std::vector<std::string> inputs;   // files and folders; "" is standard input; none: standard input
    std::optional<Encoding> encoding;  // --encoding; none: each file's own, UTF-8 output
    unsigned jobs = 0;                 // analyzing threads; 0: one per core
    bool help = false;
    bool version = false;
    bool dictionaryInfo = false;       // --dictionary: name the dictionary chosen and exit
};

/// The most threads -j accepts.
inline constexpr unsigned maximumJobs = 64;

/// Parses the arguments after the program name. Fails, with the message,
/// for an unknown option, an option without its value, a -j outside 1 to
/// maximumJobs, an unknown encoding, or --output-dir with -o or with
/// standard input.
yomika::Expected<Options, std::string> parseOptions(const std::vector<std::string>& arguments);

/// The usage text shown by -h and after a command-line error.
std::string usageText();

} // namespace kotoka
