// Opening a user's text file (bytes, the encoding decision, decoding) against
// reads that know the encoding beforehand, on the same 40 MB of Japanese prose.
//
// The prose is the text of the Japanese manual pages with CR LF line ends,
// repeated up to 40 MB, once in Windows-932 (as an earlier version wrote it)
// and once in UTF-8. readWholeFile on the Windows-932 file is compared with
// its bytes decoded in the code page straight away; on the UTF-8 file with
// QFile::readAll followed by QString::fromUtf8, which checks nothing. Each
// figure is the best of several runs; the goal is a ratio of at most 1.2.

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "core/files/textcodec.h"
#include "core/files/wholefile.h"
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
    const QByteArray cp932 = testsupport::repeatTo(codepage::encode(prose), kFileBytes);
    const QByteArray utf8 = testsupport::repeatTo(prose.toUtf8(), kFileBytes);
    if (!writeFile(cp932Path, cp932) || !writeFile(utf8Path, utf8))
        qFatal("cannot write the test files");

    // The same text either way, or the comparison means nothing.
    const auto plain = [](const QString& path) { return codepage::decode(readWholeBytes(path).valueOr(QByteArray())); };
    if (readWholeFile(cp932Path).valueOr(QString()) != plain(cp932Path))
        qFatal("Windows-932 file read differently");
    if (readWholeFile(utf8Path).valueOr(QString()) != QString::fromUtf8(readBytes(utf8Path)))
        qFatal("UTF-8 file read differently");

    const double cp932Ours = bestMilliseconds([&] { return readWholeFile(cp932Path)->size(); });
    const double cp932Plain = bestMilliseconds([&] { return plain(cp932Path).size(); });
    const double utf8Ours = bestMilliseconds([&] { return readWholeFile(utf8Path)->size(); });
    const double utf8Plain = bestMilliseconds([&] { return QString::fromUtf8(readBytes(utf8Path)).size(); });
    std::printf("RESULT|opening a text file, Windows-932, 40 MB|%.1f|ms|bytes decoded in the code page|%.1f|ms|<= 1.2 x\n",
                cp932Ours, cp932Plain);
    std::printf("RESULT|opening a text file, UTF-8, 40 MB|%.1f|ms|readAll + fromUtf8, unchecked|%.1f|ms|<= 1.2 x\n",
                utf8Ours, utf8Plain);
    return 0;
}
