#pragma once

#include <QString>
#include <QStringList>

#include "core/files/programfiles.h"

// The analyzer's command line. It is composed as one string, as Windows
// starts it:
//   "D\kotoka.exe" -r "D\dic\kotokarc" -o "D\output.tmp" OPTIONS "D\input.tmp"
// Elsewhere the analyzer is executed directly, never through a shell: the
// fixed paths go as arguments of their own and only OPTIONS is split into
// arguments, by the rules of the Windows C runtime.

namespace yomika {

/// The command-line string for the program's `folders` and the option string
/// `options` (used unchanged, possibly empty).
QString buildCommandLine(const ProgramFolders& folders, const QString& options);

/// Splits a command line into arguments as the Windows C runtime does:
/// blanks and tabs separate; double quotes group; 2n backslashes before a
/// quote give n backslashes and the quote toggles quoting; 2n+1 give n
/// backslashes and a literal quote; other backslashes are literal; inside
/// quotes "" gives a literal quote and quoting goes on; an unterminated
/// quote runs to the end.
QStringList splitWindowsArguments(const QString& commandLine);

struct AnalyzerInvocation {
    QString program;       // the analyzer's full path
    QStringList arguments; // everything after the program name
};

/// The program and argument list that run the analyzer directly (without a
/// shell): "-r", the resource file, "-o", the output file, the split option
/// string, the input file.
AnalyzerInvocation analyzerInvocation(const ProgramFolders& folders, const QString& options);

} // namespace yomika
