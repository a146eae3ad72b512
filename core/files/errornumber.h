#pragma once

#include "core/expected.h"

// Error numbers shown to the user after the fixed text of a failure message
// ("データを読み込めません 2"). They are stable: README.md and README.TXT list
// them so that a user can look a number up. 0 always means no failure.
// The file numbers follow the Windows system error codes of the same causes,
// so a number reads the same on every platform.

namespace yomika {

enum class ErrorNumber : int {
    NoError = 0,

    // Files (whole-file operations, the settings file, the resource file).
    FileNotFound = 2,          // the file does not exist
    FolderNotFound = 3,        // a folder on the path does not exist, or is not a folder
    TooManyOpenFiles = 4,
    AccessDenied = 5,          // no permission
    OutOfMemory = 8,
    ReadOnlyFileSystem = 19,
    WriteFailed = 29,          // a write failed for another reason
    ReadFailed = 30,           // a read failed for another reason
    FileInUse = 32,            // another program holds the file
    NotRegularFile = 50,       // a device, a FIFO, a socket: never read or replaced
    DiskFull = 112,
    InvalidName = 123,         // a name the file system refuses
    NameTooLong = 206,
    FileTooLarge = 223,        // above 1 GiB to read, or beyond what the file system allows to write
    IsDirectory = 267,
    NoMappingForText = 1113,   // the append file's encoding cannot hold the text
    DeviceError = 1117,        // the disk reported an input/output error
    SymlinkLoop = 1921,        // the path runs through too many symbolic links

    // The analyzer run.
    AnalyzerMissing = 1001,        // no analyzer in the program directory
    AnalyzerNotStartable = 1002,   // present but cannot be executed
    AnalyzerWaitFailed = 1003,     // the output file could not be looked for
    AnalyzerCrashed = 1004,        // ended by a signal or a crash
    // The analyzer ended normally without writing its output file:
    // AnalyzerNoOutputBase + its exit status (1100 to 1355). kotoka's exit
    // statuses are listed in README.md, so 1104 reads "kotoka exit status 4".
    AnalyzerNoOutputBase = 1100,
};

/// What a file or process operation gives: its value, or the ErrorNumber of
/// the cause that stopped it. NoError is never an error.
template <typename T = void>
using Result = Expected<T, ErrorNumber>;

/// The number a message shows for `error`.
inline int number(ErrorNumber error) { return static_cast<int>(error); }

/// The ErrorNumber of `result`, NoError for a value: for the sources that
/// keep the failure that ended them.
template <typename T>
ErrorNumber errorOf(const Result<T>& result) { return result ? ErrorNumber::NoError : result.error(); }

/// The error side of a Result.
inline Unexpected<ErrorNumber> failure(ErrorNumber error) { return Unexpected(error); }

} // namespace yomika
