#pragma once

#include <optional>

#include <QString>
#include <QStringView>

#include "core/files/errornumber.h"
#include "core/files/wholefile.h"
#include "core/files/wholefile_platform.h"

// The steps that replacing a file (wholefile.cc) and appending to one
// (wholefile_append.cc) share.

namespace yomika::wholefile {

/// Refuses what is not a regular file: IsDirectory or NotRegularFile.
Result<> kindCheck(const sys::Status& status);

/// What a file opened for writing is; fails as kindCheck() does, or with
/// the system's error.
Result<sys::Status> openedKind(const sys::File& file);

struct OpenedFile {
    sys::File file;
    sys::Status status;
};

/// `opened` with what it is, when it opened and is a regular file; its
/// error or kindCheck()'s otherwise.
Result<OpenedFile> regularOpened(Result<sys::File> opened);

/// Writes every piece, adding the bytes written to `total`; the first
/// failure of the pieces or of a write.
Result<> writePieces(const sys::File& file, ByteSource& pieces, qint64& total);

/// The target of a write, resolved to its real path, and what it is when it
/// exists (none when it does not); a failure to look, or kindCheck()'s.
Result<std::optional<sys::Status>> inspectTarget(sys::NativePath& target);

/// Appends `text` to the file at `path` (wholefile_append.cc).
Result<> appendFile(const QString& path, QStringView text);

} // namespace yomika::wholefile
