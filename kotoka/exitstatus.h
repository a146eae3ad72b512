#pragma once

// kotoka's exit statuses, one per cause, so that a caller that only sees the
// status (the window shows 1100 + status when no output file appeared) can
// tell what went wrong. README.md lists them; keep the two in step.

#include <string>

namespace kotoka {

enum class ExitStatus : int {
    Success = 0,
    UsageError = 1,          // unknown option, missing argument, --output-dir with -o or standard input
    ResourceUnreadable = 2,  // the file named after -r cannot be read
    ResourceIncomplete = 3,  // no dicdir line, or it names no folder
    DictionaryFailed = 4,    // the dictionary is missing, damaged, not UTF-8 or of unknown layout
    InputUnreadable = 5,     // an input file or folder cannot be opened or read
    OutputFailed = 6,        // the output cannot be created or written; a partial file is removed
    FormatMalformed = 7,     // the -F format is not valid
    AnalysisFailed = 8,      // the engine failed on a line
    UserWordsBroken = 9,     // a list of user words cannot be read, or has a broken line
};

/// The process exit code of `status`; cannot fail.
constexpr int exitCode(ExitStatus status)
{
    return static_cast<int>(status);
}

/// Why a run stopped: its status and the one message kotoka writes for it.
struct Failure {
    ExitStatus status;
    std::string message;
};

} // namespace kotoka
