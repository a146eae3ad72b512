#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "core/errornumber.h"

// Whole-file text I/O: a whole text moves between a file and a string,
// exactly: no line end is added, removed or translated, no byte-order mark is
// written. Files are read in the encoding their bytes show and written in
// UTF-8 (textencoding.h has the rules). Each call opens its file, does its
// work and closes it on every path; no handle stays open.
// The busy pointer is the caller's (the window wraps these calls).

namespace yomika {

struct ReadResult {
    QString text;   // empty on failure
    ErrorNumber error = NoError;
};

/// Reads the whole file at `path` and decodes it by decodeText(), to its end even when it grows or shows a
/// size of 0. A missing, unreadable or non-regular path (a directory, a FIFO,
/// a device) gives the empty text and a non-zero error number at once,
/// without blocking; so does a file above 1 GiB (FileTooLarge), a name
/// holding a NUL character (InvalidName) and a failing read. An empty file gives the empty text and 0.
ReadResult readWholeFile(const QString& path);

struct BytesResult {
    QByteArray bytes; // empty on failure
    ErrorNumber error = NoError;
};

/// Reads the bytes of the file at `path` whole, undecoded, for callers that
/// choose the encoding themselves. The same refusals, size limit and error
/// numbers as readWholeFile; an empty file gives no bytes and 0.
BytesResult readWholeBytes(const QString& path);

/// Replaces the contents of `path` with `text` in UTF-8. The new contents are
/// written beside the file and replace it only when complete, keeping the old file's
/// permissions; where the folder cannot take a new file but the file itself
/// is writable, the file is written in place, and its old contents are put
/// back when that write fails. A target that exists but is not a regular file
/// is refused with NotRegularFile, a read-only file with AccessDenied; both
/// are left alone. A symbolic link is written through to the file it names.
/// A name holding a NUL character is refused with InvalidName. Returns
/// NoError or the ErrorNumber of the failure; on failure an earlier file at
/// `path` keeps its contents.
ErrorNumber writeWholeFile(const QString& path, QStringView text);

/// Adds `text` after the last byte of `path`, creating the file when missing,
/// in the encoding of the file's bytes so far (UTF-8 for a new, empty or
/// ASCII-only file). When that is Windows-932 and the text holds a character
/// the code page lacks, nothing is written and NoMappingForText is returned;
/// a failing read of the old bytes returns its error, also writing nothing.
/// A failure part-way (a write, or the flush to disk) cuts the file back to
/// its old length, or removes the file it created, so the old contents are
/// never damaged. A target that is not a regular file is refused with
/// NotRegularFile, a name holding a NUL character with InvalidName. Returns
/// NoError or the ErrorNumber of the failure.
ErrorNumber appendWholeFile(const QString& path, QStringView text);

} // namespace yomika
