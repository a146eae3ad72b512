#pragma once

#include <cstddef>
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What kotoka needs of the system. The files are system.cc's on every
// system, over the calls of system_platform.h; the rest comes from the
// system's own source file (system_posix.cc or system_win.cc), chosen by
// CMake. Paths and arguments are UTF-8 text inside kotoka on every system.

namespace kotoka::sys {

/// What ends an output line: CR LF on Windows, LF elsewhere.
std::string_view lineEnd();

/// Sets the process up before any work: a write past a file size limit
/// must fail as an error, not end the process unseen.
void prepareProcess();

/// The command-line arguments after the program name, as UTF-8.
std::vector<std::string> arguments(int argc, char** argv);

/// The folder that holds kotoka's executable, or the empty string when the
/// system does not say.
std::string executableDirectory();

/// Whether `path` is absolute (then it does not depend on the working folder).
bool isAbsolutePath(std::string_view path);

/// `path` without its last component ("dic/kotokarc" gives "dic"; a bare
/// name gives ".").
std::string parentPath(std::string_view path);

/// Joins a folder and a relative path with the system's separator.
std::string joinPath(std::string_view folder, std::string_view relative);

/// The user's own resource file: yomika/kotokarc in the user's settings
/// folder ($XDG_CONFIG_HOME or ~/.config), Yomika\kotokarc in %APPDATA% on
/// Windows; the empty string when the system names no such folder.
std::string userResourceFile();

/// Whether `path` names an existing folder.
bool isFolder(const std::string& path);

/// Whether `path` names an existing regular file.
bool isRegularFile(const std::string& path);

/// What tells one existing file from every other on the system: its
/// volume and its number there (hard links share them).
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t number = 0;
    friend auto operator<=>(const FileIdentity&, const FileIdentity&) = default;
};

/// The identity of the file `path` names. Returns false when there is no
/// such file or the system does not tell.
bool fileIdentity(const std::string& path, FileIdentity& identity);

/// Whether both paths name the same existing file (hard links included).
bool sameFile(const std::string& a, const std::string& b);

/// The last component of `path` ("dic/kotokarc" gives "kotokarc").
std::string fileName(std::string_view path);

/// A file read from the start to the end, or standard input.
class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    /// Opens `path`; an empty path means standard input. Returns false with
    /// `error` set to the system's reason when it cannot be opened.
    bool open(const std::string& path, std::string& error);

    /// Moves to `offset` bytes from the start of the file. Returns false
    /// with `error` set when the file cannot seek (standard input, a pipe).
    bool seek(std::uint64_t offset, std::string& error);

    /// Reads up to `size` bytes into `buffer`. Returns the number read, 0 at
    /// the end, or -1 with `error` set on a read error (a folder, a device fault).
    long read(char* buffer, std::size_t size, std::string& error);

private:
    std::intptr_t m_handle = -1; // a platform::Handle
    bool m_owned = false;
};

/// The output file, created at the start and held open until it is complete,
/// or standard output.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    /// Closes the file; an output that was neither closed nor discarded is discarded.
    ~OutputFile();

    /// Creates (or empties) `path`; an empty path means standard output.
    /// Returns false with `error` set when it cannot be created.
    bool create(const std::string& path, std::string& error);

    /// Writes to a new file beside `path`, which close() puts in place of
    /// `path` in one step: until then `path` keeps what it held, and a
    /// discarded output leaves it untouched. Returns false with `error` set
    /// when the new file cannot be created.
    bool createReplacing(const std::string& path, std::string& error);

    /// Writes all of `bytes`. Returns false with `error` set when the system
    /// refuses part of it (a full disk, a size limit, a closed pipe).
    bool write(std::string_view bytes, std::string& error);

    /// Closes the file, which releases it to whoever waits for it (and puts
    /// a replacing output in place). Returns false with `error` set when the
    /// last of it could not be written or put in place; a replacing output
    /// is then discarded.
    bool close(std::string& error);

    /// Closes the file and removes it when kotoka created it as a regular
    /// file, so that no torn output is left behind; a replacing output only
    /// removes its new file.
    void discard();

private:
    std::intptr_t m_handle = -1;
    std::string m_path;
    std::string m_target; // a replacing output's destination
    bool m_open = false;
    bool m_removable = false; // a regular file named by -o, not standard output or a device
};

} // namespace kotoka::sys
