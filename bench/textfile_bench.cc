// Opening a user's text file (bytes, encoding check, decoding) against the
// plain reads it replaces, on the same 40 MB of Japanese prose.
//
// The prose is the text of the Japanese manual pages with CR LF line ends,
// repeated up to 40 MB, once in Windows-932 and once in UTF-8. A Windows-932
// file is read by readTextFile and compared with readWholeFile, which reads
// it in the code page without looking at the encoding; a UTF-8 file is
// compared with QFile::readAll followed by QString::fromUtf8. Each figure is
// the best of several runs; the goal is a ratio (ours / plain read) of at
// most 1.5 for Windows-932 (the bytes are kept whole before decoding) and
// 1.2 for UTF-8.

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "core/wholefile.h"
#include "core/textfile.h"
#include "tests/support/prose.h"

namespace {

constexpr qsizetype kFileBytes = 40 * 1000 * 1000;
constexpr int kRuns = 9;

double bestMilliseconds(const std::function<qsizetype()>& work)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        const qsizetype length = work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        if (length <= 0)
            qFatal("nothing read");
    }
    return best;
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

using namespace yomika;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString prose = testsupport::manualPageProse(4 * 1000 * 1000, u"\r\n");
    if (prose.isEmpty())
        qFatal("no Japanese manual pages (package manpages-ja)");
    QTemporaryDir dir;
    const QString cp932Path = dir.filePath(QStringLiteral("cp932.txt"));
    const QString utf8Path = dir.filePath(QStringLiteral("utf8.txt"));
    if (writeWholeFile(cp932Path, prose) != 0)
        qFatal("cannot write the Windows-932 file");
    const QByteArray cp932 = testsupport::repeatTo(readBytes(cp932Path), kFileBytes);
    const QByteArray utf8 = testsupport::repeatTo(prose.toUtf8(), kFileBytes);
    if (!writeFile(cp932Path, cp932) || !writeFile(utf8Path, utf8))
        qFatal("cannot write the test files");

    // The same text either way, or the comparison means nothing.
    if (readTextFile(cp932Path).text != readWholeFile(cp932Path).text)
        qFatal("Windows-932 file read differently");
    if (readTextFile(utf8Path).text != QString::fromUtf8(readBytes(utf8Path)))
        qFatal("UTF-8 file read differently");

    const double cp932Ours = bestMilliseconds([&] { return readTextFile(cp932Path).text.size(); });
    const double cp932Plain = bestMilliseconds([&] { return readWholeFile(cp932Path).text.size(); });
    const double utf8Ours = bestMilliseconds([&] { return readTextFile(utf8Path).text.size(); });
    const double utf8Plain =
        bestMilliseconds([&] { return QString::fromUtf8(readBytes(utf8Path)).size(); });

    std::printf("%-34s %10s %10s %8s %6s\n", "opening a text file (best of 9)", "ours ms", "plain ms",
                "ratio", "goal");
    std::printf("%-34s %10.1f %10.1f %8.2f %6.1f\n", "Windows-932, 40 MB vs readWholeFile", cp932Ours,
                cp932Plain, cp932Ours / cp932Plain, 1.5);
    std::printf("%-34s %10.1f %10.1f %8.2f %6.1f\n", "UTF-8, 40 MB vs readAll+fromUtf8", utf8Ours,
                utf8Plain, utf8Ours / utf8Plain, 1.2);
    return 0;
}
