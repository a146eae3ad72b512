// kotoka's throughput against the engine's own command line, on the same
// few MB of Japanese prose in UTF-8: kotoka writes the window's six fields,
// mecab the same fields with its equivalent format. kotoka runs on one
// thread (goal: at least 0.95 times mecab's speed) and on two (goal: at
// least 1.7 times, on two cores), and on two again with progress reports
// to a file, whose cost is shown in CPU time (goal: at most 1%, shown but
// not checked: a shared machine's noise is of that size). Best of several
// interleaved runs each. Two threads must write the very bytes of one. The
// exit status is 0 when the checked goals are met. Also reports each run's
// peak memory. Last, what the window waits for on a short text: one
// sentence, kotoka (as the window runs it, one thread per core) from
// process start to exit against mecab on the same dictionary (goal: at most
// 1.2 times), the median of many interleaved runs each. Then UniDic, user
// words, and the prose as 1,000 files in one run (goal: at least 0.8 times
// the speed of the one file).

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/text/codepage.h"
#include "tests/support/prose.h"

extern char** environ;

namespace {

constexpr qsizetype corpusBytes = 4 * 1024 * 1024;
constexpr int rounds = 9; // the best of many: other work on a shared machine slows some
constexpr double oneThreadGoal = 0.95;
constexpr double twoThreadGoal = 1.7;
constexpr int startRounds = 61; // the median: robust against the runs other work slowed
constexpr double startGoal = 1.20;
constexpr double unidicSpeedGoal = 2.0;
constexpr double unidicMemoryGoal = 1.2;
constexpr double userWordGoal = 1.10;
constexpr int corpusFiles = 1000;
constexpr double manyFilesGoal = 0.8;

struct Measure {
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKilobytes = 0;
    int status = -1;
};

// The measuring side: runs `argv` to its end from this small, freshly
// started process, so that the peak memory the system reports for the child
// is the child's own and not inherited from the large benchmark process.
// Writes "seconds cpu-seconds peak-kilobytes status" to `resultFile`. With
// `progressFile`, the child writes its progress reports there.
int measureChild(const char* resultFile, const char* progressFile, char** argv)
{
    timespec start {}, end {};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t pid = fork();
    if (pid < 0)
        return 2;
    if (pid == 0) {
        if (progressFile) {
            const int fd = open(progressFile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || dup2(fd, 3) != 3 || setenv("KOTOKA_PROGRESS_FD", "3", 1) != 0)
                _exit(126);
        }
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
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    std::fprintf(out, "%.6f %.6f %ld %d\n",
                 double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) / 1e9,
                 seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss,
                 WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return std::fclose(out) == 0 ? 0 : 2;
}

// Runs a program through this benchmark's measuring side; "-" as
// `progressFile` asks for no progress reports.
Measure measure(const QString& self, const QString& resultFile, const QString& progressFile,
                const QStringList& command)
{
    std::vector<QByteArray> storage{self.toLocal8Bit(), QByteArrayLiteral("--measure"), resultFile.toLocal8Bit(),
                                    progressFile.toLocal8Bit()};
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
    if (std::fscanf(in, "%lf %lf %ld %d", &result.seconds, &result.cpuSeconds, &result.peakKilobytes, &result.status)
        != 4)
        result.status = -1;
    std::fclose(in);
    return result;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Run {
    const char* name;
    QStringList command;
    QString output;
    bool progress = false;
    Measure best;
};

// Runs each of `runs` `times` times, in turn; "{round}" in an argument
// becomes the round's number.
bool runAll(std::vector<Run>& runs, const QString& scratch, int times = rounds)
{
    for (Run& run : runs)
        run.best.seconds = run.best.cpuSeconds = 1e9;
    for (int round = 0; round < times; ++round) {
        for (Run& run : runs) {
            const QString progress = run.progress ? scratch + QStringLiteral("/progress.txt") : QStringLiteral("-");
            QStringList command = run.command;
            command.replaceInStrings(QStringLiteral("{round}"), QString::number(round));
            const Measure m = measure(QCoreApplication::applicationFilePath(), scratch + QStringLiteral("/measure.txt"),
                                      progress, command);
            if (m.status != 0) {
                std::fprintf(stderr, "kotoka_bench: %s failed with status %d\n", run.name, m.status);
                return false;
            }
            run.best.seconds = std::min(run.best.seconds, m.seconds);
            run.best.cpuSeconds = std::min(run.best.cpuSeconds, m.cpuSeconds);
            run.best.peakKilobytes = std::max(run.best.peakKilobytes, m.peakKilobytes);
        }
    }
    return true;
}

// The median seconds from start to exit of each command, run in turn
// startRounds times; empty when one fails.
std::vector<double> medianStarts(const std::vector<QStringList>& commands, const QString& scratch)
{
    std::vector<std::vector<double>> times(commands.size());
    for (int round = 0; round < startRounds; ++round) {
        for (std::size_t i = 0; i < commands.size(); ++i) {
            const Measure m = measure(QCoreApplication::applicationFilePath(), scratch + QStringLiteral("/measure.txt"),
                                      QStringLiteral("-"), commands[i]);
            if (m.status != 0)
                return {};
            times[i].push_back(m.seconds);
        }
    }
    std::vector<double> medians;
    for (std::vector<double>& samples : times) {
        std::nth_element(samples.begin(), samples.begin() + startRounds / 2, samples.end());
        medians.push_back(samples[startRounds / 2]);
    }
    return medians;
}

// A list of `count` user words, seeded by `seed`: a hundred taken from
// `prose` (so that they occur), the rest made-up katakana names.
QByteArray userWordList(const QString& prose, int count, unsigned seed)
{
    std::mt19937 random(seed);
    QByteArray list = "# made up for the benchmark\n";
    for (int i = 0; i < count; ++i) {
        QString word;
        if (i < 100) {
            const qsizetype at = qsizetype(random() % std::uint32_t(prose.size() - 8));
            word = prose.mid(at, 4);
            if (word.contains(u'\n') || word.contains(u',') || word.contains(u'"') || word.contains(u' '))
                word = QStringLiteral("ヨミカ");
        } else {
            for (unsigned n = 3 + random() % 4; n > 0; --n)
                word += QChar(0x30A2 + int(random() % 80));
        }
        list += word.toUtf8() + ',' + word.toUtf8() + '\n';
    }
    return list;
}

// The rows of UniDic against mecab, or of a skip when it is not installed.
// Returns whether the goals are met.
bool unidicRows(const QString& kotoka, const QString& mecab, const QString& input, double megabytes,
                const QTemporaryDir& dir)
{
    const QString unidic = QStringLiteral("/var/lib/mecab/dic/unidic");
    if (!QFile::exists(unidic + QStringLiteral("/sys.dic"))) {
        std::printf("RESULT|kotoka -j 2 throughput, UniDic|skipped||mecab, UniDic|||unidic-mecab not installed\n");
        std::printf("RESULT|kotoka -j 2 peak memory, UniDic|skipped||mecab, UniDic|||unidic-mecab not installed\n");
        return true;
    }
    const auto kotokaRun = [&](const char* name, const char* jobs) {
        const QString output = dir.filePath(QString::fromLatin1(name).replace(u' ', u'_'));
        return Run{name, {kotoka, QStringLiteral("-d"), QStringLiteral("unidic"), QStringLiteral("-j"),
                          QString::fromLatin1(jobs), QStringLiteral("-o"), output, input}, output, false, {}};
    };
    const QString mecabOutput = dir.filePath(QStringLiteral("mecab-unidic.out"));
    std::vector<Run> runs{kotokaRun("kotoka -j 1 UniDic", "1"), kotokaRun("kotoka -j 2 UniDic", "2"),
        Run{"mecab UniDic", {mecab, QStringLiteral("-d"), unidic, QStringLiteral("-r"), unidic + QStringLiteral("/dicrc"),
            QStringLiteral("-O"), QString(), QStringLiteral("--input-buffer-size=1048576"),
            QStringLiteral("--node-format=%m\\t%f[10]\\t%f[20]\\t%f[9]\\t%F-[0,1,2,3]\\t%f[4]\\t%f[5]\\n"),
            QStringLiteral("--unk-format=%m\\t%m\\t%m\\t%m\\t未知語\\t%f[4]\\t%f[5]\\n"),
            QStringLiteral("--eos-format=EOS\\n"), QStringLiteral("--output=") + mecabOutput, input}, mecabOutput, false, {}}};
    if (!runAll(runs, dir.path(), 3))
        return false;
    const QByteArray oneThread = readFile(runs[0].output);
    const bool same = readFile(runs[1].output) == oneThread && oneThread.count('\n') == readFile(mecabOutput).count('\n');
    for (const Run& run : runs)
        std::printf("  %-22s %6.3f s  %6.2f MB/s  peak memory %6.1f MB\n", run.name, run.best.seconds,
                    megabytes / run.best.seconds, double(run.best.peakKilobytes) / 1024);
    const double speed = runs[2].best.seconds / runs[1].best.seconds;
    const double memory = double(runs[1].best.peakKilobytes) / double(runs[2].best.peakKilobytes);
    std::printf("RESULT|kotoka -j 2 throughput, UniDic|%.2f|MB/s|mecab, UniDic|%.2f|MB/s|>= %.2f x\n",
                megabytes / runs[1].best.seconds, megabytes / runs[2].best.seconds, unidicSpeedGoal);
    std::printf("RESULT|kotoka -j 2 peak memory, UniDic|%.1f|MB|mecab, UniDic|%.1f|MB|<= %.2f x\n",
                double(runs[1].best.peakKilobytes) / 1024, double(runs[2].best.peakKilobytes) / 1024, unidicMemoryGoal);
    std::printf("UniDic: two threads %.3f times mecab's speed (goal >= %.2f), %.3f times its memory (goal <= %.2f)%s\n",
                speed, unidicSpeedGoal, memory, unidicMemoryGoal, same ? "" : "; THE OUTPUTS DIFFER");
    return same && speed >= unidicSpeedGoal && memory <= unidicMemoryGoal;
}

// The cost of 10,000 user words on one thread with IPADIC. Returns whether
// the goal is met.
bool userWordRow(const QString& kotoka, const QString& rc, const QString& input, const QString& prose,
                 const QTemporaryDir& dir)
{
    const unsigned seed = unsigned(std::time(nullptr));
    const QString list = dir.filePath(QStringLiteral("words.csv"));
    if (!writeFile(list, userWordList(prose, 10000, seed)))
        return false;
    const QString output = dir.filePath(QStringLiteral("words.out"));
    std::vector<Run> runs{
        Run{"kotoka -j 1", {kotoka, QStringLiteral("-r"), rc, QStringLiteral("-j1"), QStringLiteral("-o"), output, input},
            output, false, {}},
        Run{"kotoka -j 1 -u words", {kotoka, QStringLiteral("-r"), rc, QStringLiteral("-j1"), QStringLiteral("-u"), list,
            QStringLiteral("-o"), output, input}, output, false, {}}};
    if (!runAll(runs, dir.path()))
        return false;
    const double cost = runs[1].best.seconds / runs[0].best.seconds;
    std::printf("RESULT|kotoka -j 1 with 10,000 user words|%.3f|s|without|%.3f|s|<= %.2f x\n", runs[1].best.seconds,
                runs[0].best.seconds, userWordGoal);
    std::printf("User words (seed %u): 10,000 cost %+.1f%% (goal <= %+.0f%%)\n", seed, 100 * (cost - 1),
                100 * (userWordGoal - 1));
    return cost <= userWordGoal;
}

// The same prose as `corpusFiles` files of a few KB under one folder,
// analyzed into another by one kotoka, against the one file. Each round
// writes a new folder, as a corpus's first run does: replacing a thousand
// files, or removing them between rounds, has ext4 look for inodes it
// freed a moment ago with every file it makes, which measures the file
// system. Returns whether the goal is met and the outputs, joined in path
// order, are the same bytes.
bool manyFilesRow(const QString& kotoka, const QString& rc, const QString& input, const QByteArray& prose,
                  const QTemporaryDir& dir)
{
    const QString corpus = dir.filePath(QStringLiteral("corpus")), outputs = dir.filePath(QStringLiteral("outputs"));
    QStringList names;
    const qsizetype share = prose.size() / corpusFiles;
    for (qsizetype start = 0; start < prose.size();) {
        const qsizetype lineEnd = prose.indexOf('\n', std::min(start + share, prose.size() - 1));
        const qsizetype end = lineEnd < 0 ? prose.size() : lineEnd + 1;
        names.append(QStringLiteral("%1/%2.txt").arg(names.size() / 100, 2, 10, QChar(u'0')).arg(names.size(), 4, 10, QChar(u'0')));
        if (!QDir().mkpath(corpus + u'/' + names.back().section(u'/', 0, 0))
            || !writeFile(corpus + u'/' + names.back(), prose.mid(start, end - start)))
            return false;
        start = end;
    }
    const QString one = dir.filePath(QStringLiteral("one.out"));
    std::vector<Run> runs{
        Run{"kotoka -j 2, one file", {kotoka, QStringLiteral("-r"), rc, QStringLiteral("-j2"), QStringLiteral("-o"), one,
            input}, one, false, {}},
        Run{"kotoka -j 2, many files", {kotoka, QStringLiteral("-r"), rc, QStringLiteral("-j2"), corpus,
            QStringLiteral("--output-dir"), outputs + QStringLiteral("{round}")}, outputs, false, {}}};
    if (!runAll(runs, dir.path(), 5))
        return false;
    QByteArray joined;
    for (const QString& name : names)
        joined += readFile(outputs + u'0' + u'/' + name);
    const bool same = joined == readFile(one);
    const double ratio = runs[0].best.seconds / runs[1].best.seconds;
    std::printf("RESULT|kotoka -j 2 throughput, %lld files of %.1f KB|%.2f|MB/s|one file of the same text|%.2f|MB/s|>= %.2f x\n",
                static_cast<long long>(names.size()), double(prose.size()) / double(names.size()) / 1024,
                double(prose.size()) / 1e6 / runs[1].best.seconds, double(prose.size()) / 1e6 / runs[0].best.seconds,
                manyFilesGoal);
    std::printf("Many files: %.3f times the speed of one file (goal >= %.2f)%s\n", ratio, manyFilesGoal,
                same ? "" : "; THE OUTPUTS DIFFER");
    return same && ratio >= manyFilesGoal;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 4 && std::string_view(argv[1]) == "--measure")
        return measureChild(argv[2], std::string_view(argv[3]) == "-" ? nullptr : argv[3], argv + 4);
    QCoreApplication app(argc, argv);
    const QString kotoka = QStringLiteral(KOTOKA_PROGRAM);
    const QString dictionary = QStringLiteral(KOTOKA_DIC_DIR "/ipadic");
    const QString mecab = QStandardPaths::findExecutable(QStringLiteral("mecab"));
    if (mecab.isEmpty()) {
        std::fprintf(stderr, "kotoka_bench: mecab's command line is not installed\n");
        return 2;
    }
    const QByteArray utf8 = yomika::testsupport::manualPageProse(corpusBytes).toUtf8();
    if (utf8.isEmpty()) {
        std::fprintf(stderr, "kotoka_bench: no Japanese manual pages (manpages-ja) installed\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("prose.txt"));
    const QString rc = dir.filePath(QStringLiteral("kotokarc"));
    if (!dir.isValid() || !writeFile(input, utf8) || !writeFile(rc, "dicdir " + dictionary.toUtf8() + '\n')) {
        std::fprintf(stderr, "kotoka_bench: cannot write the test files\n");
        return 2;
    }
    // The default format: the window's six fields.
    const auto kotokaRun = [&](const char* name, const char* jobs, bool progress) {
        const QString output = dir.filePath(QString::fromLatin1(name).replace(u' ', u'_'));
        return Run{name, {kotoka, QStringLiteral("-r"), rc, QStringLiteral("-j"), QString::fromLatin1(jobs),
                          QStringLiteral("-o"), output, input}, output, progress, {}};
    };
    const QString mecabOutput = dir.filePath(QStringLiteral("mecab.out"));
    std::vector<Run> runs{
        kotokaRun("kotoka -j 1", "1", false), kotokaRun("kotoka -j 2", "2", false),
        kotokaRun("kotoka -j 2 progress", "2", true),
        Run{"mecab", {mecab, QStringLiteral("--dicdir=") + dictionary, QStringLiteral("--rcfile=") + dictionary
            + QStringLiteral("/dicrc"), QStringLiteral("--input-buffer-size=1048576"),
            QStringLiteral("--node-format=%m\\t%f[6]\\t%f[7]\\t%f[8]\\t%F-[0,1,2,3]\\t%f[4]\\t%f[5]\\n"),
            QStringLiteral("--unk-format=%m\\t%m\\t%m\\t%m\\t未知語\\t%f[4]\\t%f[5]\\n"),
            QStringLiteral("--eos-format=EOS\\n"), QStringLiteral("--output=") + mecabOutput, input}, mecabOutput, false, {}},
    };
    if (!runAll(runs, dir.path()))
        return 2;

    const QByteArray oneThread = readFile(runs[0].output);
    const qsizetype lines = oneThread.count('\n');
    if (readFile(runs[1].output) != oneThread || readFile(runs[2].output) != oneThread
        || readFile(runs[3].output).count('\n') != lines) {
        std::fprintf(stderr, "kotoka_bench: the outputs differ (two threads against one, or kotoka against mecab)\n");
        return 2;
    }
    const QList<QByteArray> reports = readFile(dir.filePath(QStringLiteral("progress.txt"))).trimmed().split('\n');
    if (reports.back().toLongLong() != utf8.size()) {
        std::fprintf(stderr, "kotoka_bench: the last progress report is not the input's size\n");
        return 2;
    }

    const double megabytes = double(utf8.size()) / 1e6;
    std::printf("Text: %.2f MB of Japanese prose in UTF-8, %lld lines of output, %d cores\n", megabytes,
                static_cast<long long>(lines), int(std::thread::hardware_concurrency()));
    std::printf("Best of %d runs each:\n", rounds);
    for (const Run& run : runs)
        std::printf("  %-22s %6.3f s  %6.2f MB/s  CPU %6.3f s  peak memory %6.1f MB\n", run.name, run.best.seconds,
                    megabytes / run.best.seconds, run.best.cpuSeconds, double(run.best.peakKilobytes) / 1024);
    const auto speed = [&](const Run& run) { return megabytes / run.best.seconds; };
    const double one = speed(runs[0]) / speed(runs[3]), two = speed(runs[1]) / speed(runs[3]);
    const double reportCost = runs[2].best.cpuSeconds / runs[1].best.cpuSeconds - 1;
    std::printf("RESULT|kotoka -j 1 throughput|%.2f|MB/s|mecab|%.2f|MB/s|>= %.2f x\n", speed(runs[0]), speed(runs[3]),
                oneThreadGoal);
    std::printf("RESULT|kotoka -j 2 throughput|%.2f|MB/s|mecab|%.2f|MB/s|>= %.2f x\n", speed(runs[1]), speed(runs[3]),
                twoThreadGoal);
    std::printf("RESULT|kotoka -j 2 CPU with progress reports|%.3f|s|without|%.3f|s|<= 1.01 x (not checked)\n",
                runs[2].best.cpuSeconds, runs[1].best.cpuSeconds);
    std::printf("Speed against mecab: one thread %.3f (goal >= %.2f), two threads %.3f (goal >= %.2f); "
                "progress reports %+.2f%% CPU\n", one, oneThreadGoal, two, twoThreadGoal, 100 * reportCost);

    const QString sentence = dir.filePath(QStringLiteral("sentence.txt"));
    const QString startOutput = dir.filePath(QStringLiteral("sentence.out"));
    if (!writeFile(sentence, QStringLiteral("吾輩は猫である。名前はまだ無い。\n").toUtf8())) {
        std::fprintf(stderr, "kotoka_bench: cannot write the test files\n");
        return 2;
    }
    const std::vector<double> starts = medianStarts(
        {{kotoka, QStringLiteral("-r"), rc, QStringLiteral("-o"), startOutput, sentence},
         {mecab, QStringLiteral("--dicdir=") + dictionary, QStringLiteral("--rcfile=") + dictionary
              + QStringLiteral("/dicrc"), QStringLiteral("--output=") + startOutput, sentence}},
        dir.path());
    if (starts.empty()) {
        std::fprintf(stderr, "kotoka_bench: a run on one sentence failed\n");
        return 2;
    }
    const double start = starts[0] / starts[1];
    std::printf("RESULT|kotoka start to exit, one sentence|%.2f|ms|mecab, same sentence and dictionary|%.2f|ms|<= %.2f x\n",
                1000 * starts[0], 1000 * starts[1], startGoal);
    std::printf("Start to exit against mecab, median of %d runs: %.3f (goal <= %.2f)\n", startRounds, start, startGoal);
    const bool unidicMet = unidicRows(kotoka, mecab, input, megabytes, dir);
    const bool wordsMet = userWordRow(kotoka, rc, input, QString::fromUtf8(utf8), dir);
    const bool filesMet = manyFilesRow(kotoka, rc, input, utf8, dir);
    return one >= oneThreadGoal && two >= twoThreadGoal && start <= startGoal && unidicMet && wordsMet && filesMet ? 0 : 1;
}
