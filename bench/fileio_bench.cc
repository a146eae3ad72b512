// Whole-file text I/O against iconv on the same 40 MB of Japanese prose.
//
// The prose is the text of the Japanese manual pages, stripped of their
// formatting markup, with CR LF line ends, converted to Windows-932 by
// iconv and repeated up to 40 MB. Reading (bytes and decoding) is timed
// against `iconv -f CP932 -t UTF-16LE file > /dev/null`; writing (encoding
// and bytes, the new file replacing the old one) against
// `iconv -f UTF-16LE -t CP932 file > file` in the same folder. Each figure
// is the best of several runs; the goal is a ratio (ours / iconv) of at
// most 1.2.

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "core/wholefile.h"
#include "tests/support/prose.h"

namespace {

constexpr qsizetype kFileBytes = 40 * 1000 * 1000;
constexpr int kRuns = 11;
constexpr double kGoal = 1.2;

// Runs a program with an argument list, feeding `input`; returns its output.
QByteArray runProgram(const QString& program, const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted())
        qFatal("cannot start %s", qPrintable(program));
    process.write(input);
    process.closeWriteChannel();
    QByteArray output;
    while (process.waitForReadyRead(-1))
        output += process.readAllStandardOutput();
    process.waitForFinished(-1);
    return output + process.readAllStandardOutput();
}

QByteArray makeWindows932File()
{
    const QByteArray prose = runProgram(
        QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"),
                                  QStringLiteral("CP932"), QStringLiteral("-c")},
        yomika::testsupport::manualPageProse(8 * 1000 * 1000, u"\r\n").toUtf8());
    if (prose.isEmpty())
        qFatal("no Japanese manual pages (package manpages-ja), or iconv gave no text");
    QByteArray bytes = yomika::testsupport::repeatTo(prose, kFileBytes);
    // End at a line end, so that no character is cut.
    bytes.truncate(bytes.lastIndexOf("\r\n", kFileBytes - 2) + 2);
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Best {
    double ours = std::numeric_limits<double>::max();
    double iconv = std::numeric_limits<double>::max();
};

double milliseconds(const std::function<void()>& run)
{
    QElapsedTimer timer;
    timer.start();
    run();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// The runs of the two sides alternate, so that both meet the same load of
// the machine.
Best bestOfRuns(const std::function<void()>& ours, const std::function<void()>& iconv)
{
    Best best;
    for (int i = 0; i < kRuns; ++i) {
        best.ours = std::min(best.ours, milliseconds(ours));
        best.iconv = std::min(best.iconv, milliseconds(iconv));
    }
    return best;
}

// Runs iconv with its output going to `output`, as a shell redirection would.
void runIconv(const QString& from, const QString& to, const QString& input, const QString& output)
{
    QProcess process;
    process.setStandardOutputFile(output);
    process.start(QStringLiteral("iconv"), {QStringLiteral("-f"), from, QStringLiteral("-t"), to, input});
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        qFatal("iconv failed on %s", qPrintable(input));
}

void printFigure(const char* figure, double ours, double iconv)
{
    const double ratio = ours / iconv;
    std::printf("%-34s %10.1f %10.1f %8.2f   %s\n", figure, ours, iconv, ratio,
                ratio <= kGoal ? "met (<= 1.2)" : "MISSED (> 1.2)");
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    const QString source = dir.filePath(QStringLiteral("prose-932.txt"));
    const QString utf16 = dir.filePath(QStringLiteral("prose-utf16le.txt"));
    const QString written = dir.filePath(QStringLiteral("written.txt"));
    const QString iconvWritten = dir.filePath(QStringLiteral("iconv-written.txt"));

    const QByteArray bytes = makeWindows932File();
    if (!writeFile(source, bytes))
        qFatal("cannot write %s", qPrintable(source));

    // Reading.
    yomika::ReadResult result;
    const Best read = bestOfRuns([&] { result = yomika::readWholeFile(source); }, [&] {
        runIconv(QStringLiteral("CP932"), QStringLiteral("UTF-16LE"), source, QProcess::nullDevice());
    });
    if (result.error != 0)
        qFatal("readWholeFile failed with %d", result.error);
    runIconv(QStringLiteral("CP932"), QStringLiteral("UTF-16LE"), source, utf16);
    const QByteArray iconvText = readFile(utf16);
    const bool sameText = iconvText.size() == result.text.size() * 2
        && std::equal(iconvText.cbegin(), iconvText.cend(), reinterpret_cast<const char*>(result.text.utf16()));

    // Writing: each run replaces the file the run before wrote.
    int error = 0;
    const Best write = bestOfRuns([&] { error = yomika::writeWholeFile(written, result.text); }, [&] {
        runIconv(QStringLiteral("UTF-16LE"), QStringLiteral("CP932"), utf16, iconvWritten);
    });
    if (error != 0)
        qFatal("writeWholeFile failed with %d", error);
    const bool sameBytes = readFile(written) == bytes && readFile(iconvWritten) == bytes;

    std::printf("Whole-file text I/O, %lld bytes of Windows-932 prose (%lld UTF-16 units), best of %d runs\n",
                static_cast<long long>(bytes.size()), static_cast<long long>(result.text.size()), kRuns);
    std::printf("%-34s %10s %10s %8s   %s\n", "figure", "ours ms", "iconv ms", "ratio", "goal");
    printFigure("read (bytes + decode)", read.ours, read.iconv);
    printFigure("write (encode + bytes, replace)", write.ours, write.iconv);
    std::printf("text read equals iconv's: %s; file written equals the source: %s\n", sameText ? "yes" : "NO",
                sameBytes ? "yes" : "NO");
    return sameText && sameBytes ? 0 : 1;
}
