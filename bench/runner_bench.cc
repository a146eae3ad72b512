// What an analyzer run costs the front-end, measured with the fake analyzer
// (tests/fakeanalyzer) in a temporary program directory:
//  - the time of a whole run through AnalyzerRun (which writes input.tmp),
//    with output.tmp read back, beside the same analyzer
//    started directly on the same input file and waited for, for a 1 KB and a
//    1 MB text of Japanese prose; goal: at most 1.05 times plus 15 ms;
//  - the CPU time the front-end uses while the analyzer sleeps 2 s; goal: at
//    most 2 % of the wait;
//  - how soon a run cancelled while the analyzer sleeps returns, the analyzer
//    killed and reaped; goal: at most 3 s, so that the window never hangs.
// output.tmp is read with QFile here, as whole-file I/O is measured on its own.
// Linux only (getrusage).

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/resource.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "core/analysis/analyzerrun.h"
#include "core/analysis/commandline.h"
#include "core/files/platform.h"
#include "tests/support/prose.h"

using namespace yomika;

namespace {

// `bytes` of Japanese prose, cut at a line end so that no character is split.
QByteArray japaneseProse(qsizetype bytes)
{
    QByteArray prose = testsupport::manualPageProse(bytes, u"\r\n").toUtf8();
    if (prose.isEmpty())
        prose = QStringLiteral(u"吾輩は猫である。名前はまだ無い。\r\n").toUtf8();
    prose = testsupport::repeatTo(prose, bytes);
    prose.truncate(bytes);
    const qsizetype lastLine = prose.lastIndexOf('\n');
    if (lastLine > 0)
        prose.truncate(lastLine + 1);
    return prose;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A whole run on `text`, waited for as the window's event loop waits.
AnalyzerRun::Outcome runOnce(AnalyzerRun& run, const QByteArray& text, const QString& options)
{
    AnalyzerRun::Outcome outcome;
    QEventLoop loop;
    const QMetaObject::Connection done = QObject::connect(&run, &AnalyzerRun::finished, &loop,
        [&](const AnalyzerRun::Outcome& o) { outcome = o, loop.quit(); });
    if (run.start({TextPiece{QString::fromUtf8(text), {}, {}}}, options) && run.isRunning())
        loop.exec();
    QObject::disconnect(done);
    return outcome;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir base;
    const QString dir = base.path() + QStringLiteral(u"/読み 取り");
    QDir().mkpath(dir + QStringLiteral("/dic"));
    const QString analyzer = platform::joinPath(dir, platform::analyzerFileName());
    const QString output = platform::joinPath(dir, QStringLiteral("output.tmp"));
    if (!QFile::copy(QStringLiteral(FAKE_ANALYZER_PATH), analyzer)) {
        std::fprintf(stderr, "cannot copy the fake analyzer\n");
        return 1;
    }
    const QString options = QStringLiteral("-F \"%m\\t%y1\\n\"");
    const AnalyzerInvocation invocation = analyzerInvocation(ProgramFolders::portable(dir), options);
    AnalyzerRun process(ProgramFolders::portable(dir));
    bool allMet = true;

    std::printf("Analyzer run: AnalyzerRun with its file steps against the analyzer started directly\n");
    std::printf("%-8s %12s %12s %8s %14s\n", "text", "run (ms)", "direct (ms)", "ratio", "goal (ms)");
    for (const qsizetype size : {qsizetype(1024), qsizetype(1024 * 1024)}) {
        const QByteArray text = japaneseProse(size);
        const int rounds = size < 100000 ? 41 : 15;
        std::vector<double> viaProcess, direct;
        for (int round = 0; round < rounds; ++round) {
            // The whole run as the window does it: input.tmp written, output.tmp
            // read back, the analyzer run in between.
            QElapsedTimer clock;
            clock.start();
            const AnalyzerRun::Outcome outcome = runOnce(process, text, options);
            const QByteArray result = readFile(output);
            viaProcess.push_back(clock.nsecsElapsed() / 1e6);
            if (outcome.error != ErrorNumber::NoError || result.size() < text.size()) {
                std::fprintf(stderr, "run failed: error %d\n", number(outcome.error));
                return 1;
            }

            QFile::remove(output);
            clock.start();
            QProcess plain;
            plain.start(invocation.program, invocation.arguments);
            plain.waitForFinished(-1);
            direct.push_back(clock.nsecsElapsed() / 1e6);
        }
        const double run = median(viaProcess);
        const double plainRun = median(direct);
        const double goal = 1.05 * plainRun + 15.0;
        allMet = allMet && run <= goal;
        std::printf("%-8s %12.2f %12.2f %8.3f %9.2f %s\n", size < 100000 ? "1 KB" : "1 MB", run, plainRun,
                    run / plainRun, goal, run <= goal ? "met" : "MISSED");
    }

    // The front-end's own CPU while it waits for a sleeping analyzer.
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = cpuSeconds();
    const AnalyzerRun::Outcome outcome = runOnce(process, QByteArray("@slow=2000 ") + japaneseProse(1024), options);
    const double cpu = cpuSeconds() - cpuBefore;
    const double wall = clock.nsecsElapsed() / 1e9;
    const double percent = 100.0 * cpu / wall;
    allMet = allMet && outcome.error == ErrorNumber::NoError && percent <= 2.0;
    std::printf("\nWaiting for a 2 s analyzer: front-end CPU %.2f ms in %.3f s wall = %.3f %% (goal <= 2 %%) %s\n",
                cpu * 1000, wall, percent, percent <= 2.0 ? "met" : "MISSED");

    // A cancel from the window's event loop while the analyzer sleeps.
    QElapsedTimer cancelClock;
    QTimer::singleShot(200, &process, [&] {
        cancelClock.start();
        process.cancel();
    });
    const bool cancelled = runOnce(process, QByteArray("@slow=20000 ") + japaneseProse(1024), options).cancelled;
    const double cancelMs = cancelClock.nsecsElapsed() / 1e6;
    const bool cancelMet = cancelled && cancelMs <= 3000.0;
    allMet = allMet && cancelMet;
    std::printf("Cancelling a sleeping analyzer: the run ended %.2f ms after cancel() (goal <= 3000 ms) %s\n",
                cancelMs, cancelMet ? "met" : "MISSED");
    return allMet ? 0 : 2;
}
