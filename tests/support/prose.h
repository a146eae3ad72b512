#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Real Japanese prose for tests and benchmarks, made at run time from the
// installed Japanese manual pages (Debian's manpages-ja).

namespace yomika::testsupport {

/// Lines of Japanese prose from the manual pages, roff markup removed, each
/// ended by `lineEnd`, about `bytes` bytes of UTF-8 in all (fewer when fewer
/// pages are installed). Only lines that hold Japanese and that the code
/// page holds whole are taken. Empty when no pages are installed or gzip
/// cannot be run.
QString manualPageProse(qsizetype bytes, QStringView lineEnd = u"\n");

/// `piece` repeated until the whole is at least `size` bytes long; empty when
/// `piece` is.
QByteArray repeatTo(const QByteArray& piece, qsizetype size);

} // namespace yomika::testsupport
