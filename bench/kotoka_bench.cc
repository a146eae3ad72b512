// kotoka's throughput against the engine's own command line, on the same
// few MB of Japanese prose, in one run: kotoka reads it as Windows-932 and
// writes the window's six fields; mecab reads it as UTF-8 and writes the
// same fields with its equivalent format. Best of several interleaved runs
// each. The goal is at least 0.95 times mecab's speed; the exit status is
// 0 when it is met. Also reports each program's peak memory.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string_view>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/codepage.h"
#include "tests/support/prose.h"

extern char** environ;

namespace {

constexpr qsizetype corpusBytes = 4 * 1024 * 1024;
constexpr int rounds = 5;
constexpr double goal = 0.95;

struct Measure {
    double seconds = 0;
    long peakKilobytes = 0;
    int status = -1;
};

// The measuring side: runs `argv` to its end from this small, freshly
// started process, so that the peak memory the system reports for the child
// is the child's own and not inherited from the large benchmark process.
// Writes "seconds peak-kilobytes status" to `resultFile`.
int measureChild(const char* resultFile, char** argv)
{
    timespec start {}, end {};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t pid = fork();
    if (pid < 0)
        return 2;
    if (pid == 0) {
        execv(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid)
        return 2;
    clock_gettime(CLOCK_MONOTONIC, &end);
    FILE* out = std::fopen(resultFile, "w");
    if (!out)
        return 2;
    std::fprintf(out, "%.6f %ld %d\n",
                 double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) / 1e9,
                 usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return std::fclose(out) == 0 ? 0 : 2;
}

// Runs a program through this benchmark's measuring side.
Measure measure(const QString& self, const QString& resultFile, const QStringList& command)
{
    std::vector<QByteArray> storage{self.toLocal8Bit(), QByteArrayLiteral("--measure"), resultFile.toLocal8Bit()};
    for (const QString& part : command)
        storage.push_back(part.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& part : storage)
        argv.push_back(part.data());
    argv.push_back(nullptr);

    Measure result;
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0
        || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return result;
    FILE* in = std::fopen(resultFile.toLocal8Bit().constData(), "r");
    if (!in)
        return result;
    if (std::fscanf(in, "%lf %ld %d", &result.seconds, &result.peakKilobytes, &result.status) != 3)
        result.status = -1;
    std::fclose(in);
    return result;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

qsizetype lineCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().count('\n');
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 3 && std::string_view(argv[1]) == "--measure")
        return measureChild(argv[2], argv + 3);
    QCoreApplication app(argc, argv);
    const QString kotoka = QStringLiteral(KOTOKA_PROGRAM);
    const QString dictionary = QStringLiteral(KOTOKA_DIC_DIR "/ipadic");
    const QString mecab = QStandardPaths::findExecutable(QStringLiteral("mecab"));
    if (mecab.isEmpty()) {
        std::fprintf(stderr, "kotoka_bench: mecab's command line is not installed\n");
        return 2;
    }

    const QString prose = yomika::testsupport::manualPageProse(corpusBytes);
    if (prose.isEmpty()) {
        std::fprintf(stderr, "kotoka_bench: no Japanese manual pages (manpages-ja) installed\n");
        return 2;
    }
    QTemporaryDir dir;
    const QByteArray utf8 = prose.toUtf8();
    const QByteArray windows932 = yomika::codepage::encode(prose);
    const QString utf8Input = dir.filePath(QStringLiteral("prose.utf8.txt"));
    const QString windows932Input = dir.filePath(QStringLiteral("prose.cp932.txt"));
    const QString rc = dir.filePath(QStringLiteral("kotokarc"));
    if (!dir.isValid() || !writeFile(utf8Input, utf8) || !writeFile(windows932Input, windows932)
        || !writeFile(rc, (QStringLiteral("dicdir ") + dictionary + u'\n').toLocal8Bit())) {
        std::fprintf(stderr, "kotoka_bench: cannot write the test files\n");
        return 2;
    }
    const QString kotokaOutput = dir.filePath(QStringLiteral("kotoka.out"));
    const QString mecabOutput = dir.filePath(QStringLiteral("mecab.out"));

    const QStringList kotokaCommand{kotoka, QStringLiteral("-r"), rc, QStringLiteral("-o"), kotokaOutput,
                                    windows932Input}; // the default format: the window's six fields
    const QStringList mecabCommand{
        mecab, QStringLiteral("--dicdir=") + dictionary, QStringLiteral("--rcfile=") + dictionary + QStringLiteral("/dicrc"),
        QStringLiteral("--input-buffer-size=1048576"),
        QStringLiteral("--node-format=%m\\t%f[6]\\t%f[7]\\t%f[8]\\t%F-[0,1,2,3]\\t%f[4]\\t%f[5]\\n"),
        QStringLiteral("--unk-format=%m\\t%m\\t%m\\t%m\\t未知語\\t%f[4]\\t%f[5]\\n"),
        QStringLiteral("--eos-format=EOS\\n"), QStringLiteral("--output=") + mecabOutput, utf8Input};

    Measure bestKotoka, bestMecab;
    bestKotoka.seconds = bestMecab.seconds = 1e9;
    for (int round = 0; round < rounds; ++round) {
        for (bool isKotoka : {true, false}) {
            const Measure m = measure(QCoreApplication::applicationFilePath(), dir.filePath(QStringLiteral("measure.txt")),
                                      isKotoka ? kotokaCommand : mecabCommand);
            if (m.status != 0) {
                std::fprintf(stderr, "kotoka_bench: %s failed with status %d\n", isKotoka ? "kotoka" : "mecab",
                             m.status);
                return 2;
            }
            Measure& best = isKotoka ? bestKotoka : bestMecab;
            best.seconds = std::min(best.seconds, m.seconds);
            best.peakKilobytes = std::max(best.peakKilobytes, m.peakKilobytes);
        }
    }
    const qsizetype kotokaLines = lineCount(kotokaOutput);
    const qsizetype mecabLines = lineCount(mecabOutput);
    if (kotokaLines != mecabLines) {
        std::fprintf(stderr, "kotoka_bench: the outputs differ in length (%lld and %lld lines)\n",
                     static_cast<long long>(kotokaLines), static_cast<long long>(mecabLines));
        return 2;
    }

    const double megabytes = double(utf8.size()) / 1e6;
    const double ratio = bestMecab.seconds / bestKotoka.seconds;
    std::printf("Text: %.2f MB of Japanese prose as UTF-8 (%.2f MB as Windows-932), %lld lines of output\n",
                megabytes, double(windows932.size()) / 1e6, static_cast<long long>(kotokaLines));
    std::printf("Best of %d runs each, throughput in MB of UTF-8 text per second:\n", rounds);
    std::printf("  kotoka  %6.3f s  %6.2f MB/s  peak memory %6.1f MB\n", bestKotoka.seconds,
                megabytes / bestKotoka.seconds, double(bestKotoka.peakKilobytes) / 1024);
    std::printf("  mecab   %6.3f s  %6.2f MB/s  peak memory %6.1f MB\n", bestMecab.seconds,
                megabytes / bestMecab.seconds, double(bestMecab.peakKilobytes) / 1024);
    std::printf("Ratio kotoka/mecab speed: %.3f (goal >= %.2f): %s\n", ratio, goal,
                ratio >= goal ? "met" : "NOT MET");
    return ratio >= goal ? 0 : 1;
}
