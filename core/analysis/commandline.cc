#include "core/analysis/commandline.h"

#include "core/files/platform.h"

namespace yomika {

namespace {

QString quoted(const QString& path)
{
    return QLatin1Char('"') + path + QLatin1Char('"');
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

QString buildCommandLine(const ProgramFolders& folders, const QString& options)
{
    // The option string goes in as the user left it: not quoted, not trimmed,
    // so an empty one leaves two blanks before the input file.
    return quoted(folders.analyzer())
        + QStringLiteral(" -r ") + quoted(folders.file(programfile::resourceFile))
        + QStringLiteral(" -o ") + quoted(folders.file(programfile::outputFile))
        + QLatin1Char(' ') + options
        + QLatin1Char(' ') + quoted(folders.file(programfile::inputFile));
}

QStringList splitWindowsArguments(const QString& commandLine)
{
    QStringList arguments;
    QString current;
    bool inArgument = false; // a quoted empty argument ("") still counts
    bool inQuotes = false;
    const qsizetype n = commandLine.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = commandLine.at(i);
        if (!inQuotes && isBlank(c)) {
            if (inArgument) {
                arguments.append(current);
                current.clear();
                inArgument = false;
            }
            ++i;
            continue;
        }
        inArgument = true;
        if (c == QLatin1Char('\\')) {
            qsizetype end = i;
            while (end < n && commandLine.at(end) == QLatin1Char('\\'))
                ++end;
            const qsizetype count = end - i;
            if (end < n && commandLine.at(end) == QLatin1Char('"')) {
                current.append(QString(count / 2, QLatin1Char('\\')));
                if (count % 2 == 1) {
                    current.append(QLatin1Char('"'));
                    ++end; // the escaped quote is taken
                }
                // With an even count the quote is left for the next pass,
                // where it groups like any other quote.
            } else {
                current.append(QString(count, QLatin1Char('\\')));
            }
            i = end;
            continue;
        }
        if (c == QLatin1Char('"')) {
            if (inQuotes && i + 1 < n && commandLine.at(i + 1) == QLatin1Char('"')) {
                current.append(QLatin1Char('"'));
                i += 2; // quoting goes on
            } else {
                inQuotes = !inQuotes;
                ++i;
            }
            continue;
        }
        current.append(c);
        ++i;
    }
    if (inArgument)
        arguments.append(current);
    return arguments;
}

AnalyzerInvocation analyzerInvocation(const ProgramFolders& folders, const QString& options)
{
    AnalyzerInvocation invocation;
    invocation.program = folders.analyzer();
    invocation.arguments << QStringLiteral("-r") << folders.file(programfile::resourceFile)
                         << QStringLiteral("-o") << folders.file(programfile::outputFile);
    invocation.arguments << splitWindowsArguments(options);
    invocation.arguments << folders.file(programfile::inputFile);
    return invocation;
}

} // namespace yomika
