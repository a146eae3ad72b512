// Whole-file text I/O on 40 MB of Japanese prose in UTF-8, against moving the
// same bytes without any conversion.
//
// The prose is the text of the Japanese manual pages, stripped of their
// formatting markup, with CR LF line ends, repeated up to 40 MB. Reading
// (bytes, the encoding decision over all of them, decoding) is timed against
// readWholeBytes, which does the same reads and keeps the bytes; writing
// (encoding, bytes, the new file replacing the old one after a sync) against
// QSaveFile writing the UTF-8 bytes, which also syncs and replaces. Each
// figure is the best of several runs, the two sides alternating; the goal is
// a ratio of at most 1.2.

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include "core/files/wholefile.h"
#include "tests/support/prose.h"

namespace {

constexpr qsizetype kFileBytes = 40 * 1000 * 1000;
constexpr int kRuns = 11;

struct Best {
    double ours = std::numeric_limits<double>::max();
    double plain = std::numeric_limits<double>::max();
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
Best bestOfRuns(const std::function<void()>& ours, const std::function<void()>& plain)
{
    Best best;
    for (int i = 0; i < kRuns; ++i) {
        best.ours = std::min(best.ours, milliseconds(ours));
        best.plain = std::min(best.plain, milliseconds(plain));
    }
    return best;
}

bool saveBytes(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void printResult(const char* figure, const char* plain, const Best& best)
{
    std::printf("RESULT|%s|%.1f|ms|%s|%.1f|ms|<= 1.2 x\n", figure, best.ours, plain, best.plain);
    std::printf("  ratio %.2f: %s\n", best.ours / best.plain, best.ours <= 1.2 * best.plain ? "met" : "MISSED");
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    const QString source = dir.filePath(QStringLiteral("prose-utf8.txt"));
    const QString written = dir.filePath(QStringLiteral("written.txt"));
    const QString plainWritten = dir.filePath(QStringLiteral("plain-written.txt"));

    const QByteArray prose = yomika::testsupport::manualPageProse(8 * 1000 * 1000, u"\r\n").toUtf8();
    if (prose.isEmpty())
        qFatal("no Japanese manual pages (package manpages-ja)");
    QByteArray bytes = yomika::testsupport::repeatTo(prose, kFileBytes);
    bytes.truncate(bytes.lastIndexOf("\r\n", kFileBytes - 2) + 2); // no character cut
    if (!saveBytes(source, bytes))
        qFatal("cannot write %s", qPrintable(source));

    yomika::Result<QString> result;
    QByteArray plainBytes;
    const Best read = bestOfRuns([&] { result = yomika::readWholeFile(source); },
                                 [&] { plainBytes = yomika::readWholeBytes(source).valueOr(QByteArray()); });
    yomika::Result<> writing;
    const Best write = bestOfRuns([&] { writing = yomika::writeWholeFile(written, result.valueOr(QString())); },
                                  [&] { saveBytes(plainWritten, plainBytes); });
    if (!result || !writing)
        qFatal("reading gave %d, writing %d", yomika::number(yomika::errorOf(result)),
               yomika::number(yomika::errorOf(writing)));

    std::printf("Whole-file text I/O, %lld bytes of UTF-8 prose (%lld UTF-16 units), best of %d runs\n",
                static_cast<long long>(bytes.size()), static_cast<long long>(result->size()), kRuns);
    printResult("read 40 MB of UTF-8 (bytes + decision + decoding)", "readWholeBytes", read);
    printResult("write 40 MB of UTF-8 (encoding + bytes, replace)", "QSaveFile of the bytes", write);
    const bool sameText = *result == QString::fromUtf8(bytes), sameBytes = readFile(written) == bytes;
    std::printf("text read equals the prose: %s; file written equals the source: %s\n", sameText ? "yes" : "NO",
                sameBytes ? "yes" : "NO");
    return sameText && sameBytes ? 0 : 1;
}
