#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The system calls under system.h's files, one set per system
// (system_posix.cc or system_win.cc). What kotoka does with them (which
// handle is owned, when a partial output is removed) is system.cc's, once
// for every system.

namespace kotoka::sys::platform {

/// A descriptor, or a HANDLE on Windows.
using Handle = std::intptr_t;

/// The separator joinPath puts between a folder and a relative path.
char separator();

/// Whether `c` separates path components ('/' and, on Windows, '\').
bool isSeparator(char c);

/// Standard input and standard output; kotoka never closes them.
Handle standardInput();
Handle standardOutput();

/// Opens an existing file to read. Returns false with `error` set to the
/// system's reason.
bool openToRead(const std::string& path, Handle& handle, std::string& error);

/// Creates or empties a file to write; `removable` tells whether it is a
/// regular file (not a device) that may be removed again. Returns false with
/// `error` set.
bool createToWrite(const std::string& path, Handle& handle, bool& removable, std::string& error);

/// Creates `path` to write, only when no file of that name exists; `exists`
/// tells whether that was why it failed. Returns false with `error` set.
bool createNew(const std::string& path, Handle& handle, bool& exists, std::string& error);

/// Renames `from` to `to`, replacing the file `to` names in one step.
/// Returns false with `error` set.
bool replaceFile(const std::string& from, const std::string& to, std::string& error);

/// Reads up to `size` bytes: the number read, 0 at the end, or -1 with
/// `error` set. An interrupted call is retried.
long readSome(Handle handle, char* buffer, std::size_t size, std::string& error);

/// Moves the read position of `handle` to `offset` bytes from the start.
/// Returns false with `error` set (a pipe cannot seek).
bool seekTo(Handle handle, std::uint64_t offset, std::string& error);

/// The folder of the user's own settings of Yomika, the window's and the
/// analyzer's: $XDG_CONFIG_HOME/yomika (else ~/.config/yomika), on Windows
/// %APPDATA%\Yomika; the empty string when the system names no such folder.
std::string userSettingsFolder();

/// Writes part of `size` bytes: the number written, or -1 with `error` set.
/// An interrupted call is retried.
long writeSome(Handle handle, const char* bytes, std::size_t size, std::string& error);

/// Closes `handle`. Returns false with `error` set when the system reports
/// a failure (some file systems report a full disk only then).
bool closeHandle(Handle handle, std::string& error);

/// The handle whose number is the decimal `number`, when it is open and
/// can be written (on Windows: when it is open). Returns false otherwise.
bool writableHandle(const char* number, Handle& handle);

/// Removes the file `path`; a failure is passed over (nothing more can be done).
void removeFile(const std::string& path);

} // namespace kotoka::sys::platform
