#pragma once

#include <QString>

// Real Japanese prose for kotoka's tests and benchmark, made at run time
// from the installed Japanese manual pages (Debian's manpages-ja).

namespace kotoka::testdata {

/// Lines of Japanese prose from the manual pages, roff markup removed, each
/// ended by "\n", about `bytes` bytes of UTF-8 in all (less when fewer are
/// installed). Only lines that Windows-932 holds whole are taken. Empty when
/// no pages are installed or gzip cannot be run.
QString manualPageProse(qsizetype bytes);

} // namespace kotoka::testdata
