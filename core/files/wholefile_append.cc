// Appending to a file: in the encoding of the bytes it holds, all of the
// text or, when the write fails, none of it.

#include <memory>

#include "core/files/textcodec.h"
#include "core/files/wholefile_pieces.h"
#include "core/files/wholefile_platform.h"
#include "core/files/wholefile_steps.h"

namespace yomika::wholefile {

using sys::File;
using sys::Mode;
using sys::NativePath;
using sys::Status;

namespace {

// Puts a file an append failed on back as it was: removes it when the append
// created it, or cuts it back to its old length.
void cutBack(const NativePath& target, File& file, bool created, qint64 length)
{
    if (created) {
        static_cast<void>(file.close());
        sys::removeFile(target);
        return;
    }
    if (!file.isOpen())
        if (Result<File> reopened = sys::openFile(target, Mode::Write, ErrorNumber::WriteFailed))
            file = std::move(*reopened);
    if (file.isOpen())
        static_cast<void>(sys::truncateAt(file, length)); // a failure here changes nothing of what is reported
}

// The encoding an append goes on in: that of the file's bytes so far, found
// by reading them through once; UTF-8 for a file that is new, or that cannot
// be opened for reading (a write-only file shows nothing of its encoding).
Result<TextEncoding> appendEncoding(const NativePath& target, bool exists)
{
    if (!exists)
        return TextEncoding::Utf8;
    const Result<File> file = sys::openFile(target, Mode::Read, ErrorNumber::ReadFailed);
    if (!file)
        return TextEncoding::Utf8;
    const Result<Status> status = sys::statusOf(*file, ErrorNumber::ReadFailed);
    if (!status)
        return failure(status.error());
    if (const Result<> kind = kindCheck(*status); !kind)
        return failure(kind.error());
    EncodingProbe probe;
    const std::unique_ptr<char[]> piece(new char[kPieceBytes]);
    for (std::size_t got = 1; got > 0;) {
        const Result<std::size_t> read = sys::readSome(*file, piece.get(), kPieceBytes);
        if (!read)
            return failure(read.error());
        got = *read;
        probe.add(piece.get(), got);
    }
    return probe.encoding();
}

// Opens `target` for appending, creating it when missing; `created` tells.
Result<File> openForAppend(const NativePath& target, bool& created)
{
    created = false;
    Result<File> file = sys::openFile(target, Mode::Append, ErrorNumber::WriteFailed);
    if (!file && file.error() == ErrorNumber::FileNotFound) {
        file = sys::openFile(target, Mode::CreateAppend, ErrorNumber::WriteFailed);
        created = file.hasValue();
    }
    return file;
}

} // namespace

Result<> appendFile(const QString& path, QStringView text)
{
    NativePath target = sys::nativePath(path);
    const Result<std::optional<Status>> inspected = inspectTarget(target);
    if (!inspected)
        return failure(inspected.error());
    const Result<TextEncoding> encoding = appendEncoding(target, inspected->has_value());
    if (!encoding)
        return failure(encoding.error());
    // Text the file's code page cannot hold is refused whole: a "?" in place
    // of a character would lose it without a word.
    if (*encoding == TextEncoding::Windows932 && !codepage::holds(text))
        return failure(ErrorNumber::NoMappingForText);
    EncodedPieces pieces(text, *encoding);

    bool created = false;
    Result<OpenedFile> opened = regularOpened(openForAppend(target, created));
    if (!opened)
        return failure(opened.error());
    File& file = opened->file;

    qint64 written = 0;
    Result<> done = writePieces(file, pieces, written);
    if (done)
        done = sys::syncData(file);
    if (done)
        done = file.close();
    if (!done)
        cutBack(target, file, created, opened->status.size);
    return done;
}

} // namespace yomika::wholefile
