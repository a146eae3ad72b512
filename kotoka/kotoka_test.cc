#include <numeric>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "core/files/textcodec.h"
#include "kotoka/exitstatus.h"
#include "tests/support/prose.h"
#include "tests/support/programrun.h"

// These tests run the built kotoka as the window and a user do, on real
// text with the real dictionary.

using namespace kotoka;
using namespace std::string_view_literals;
using yomika::codepage::decode;
using yomika::codepage::encode;

namespace {

using yomika::testsupport::ProgramRun;
using yomika::testsupport::runProgram;
using yomika::testsupport::writeFile;

const QString dictionary = QStringLiteral(KOTOKA_DIC_DIR "/ipadic");

// The dictionary under another name: a symbolic link, or on Windows, where
// QFile::link makes a shortcut that only the shell follows, a copy.
bool placeDictionary(const QString& name)
{
#ifdef Q_OS_WIN
    if (!QDir().mkpath(name))
        return false;
    const QDir from(dictionary);
    for (const QString& file : from.entryList(QDir::Files))
        if (!QFile::copy(from.filePath(file), name + u'/' + file))
            return false;
    return true;
#else
    return QFile::link(dictionary, name);
#endif
}

} // namespace

class KotokaTest : public QObject {
    Q_OBJECT
private slots:
    void failures_data();
    void failures();
    void keepsText_data();
    void keepsText();
    void agreesWithTheEngineCommandLine();
    void analyzesFolders();
    void helpFitsATerminal();
};

void KotokaTest::failures_data()
{
    QTest::addColumn<QString>("rc"); // the resource file's text; "-": none, "/": a folder
    QTest::addColumn<QStringList>("command"); // run in a folder with kotokarc, input.tmp and broken/
    QTest::addColumn<int>("status"); // an exit code
    QTest::addColumn<QString>("message");
    const QString good = "dicdir " + dictionary;
    const QStringList run{KOTOKA_PROGRAM, "-r", "kotokarc", "-o"}, plain = run + QStringList{"out", "input.tmp"};
    const auto row = [&](const char* name, const QString& rc, const QStringList& command, ExitStatus status,
                         const QString& message) { QTest::newRow(name) << rc << command << exitCode(status) << message; };
    using enum ExitStatus;
    row("unknown option", good, plain + QStringList{"-x"}, UsageError, "unknown option \"-x\"");
    row("-F without value", good, plain + QStringList{"-F"}, UsageError, "option -F needs a value");
    row("no threads", good, plain + QStringList{"-j0"}, UsageError, "from 1 to 64, not \"0\"");
    row("too many threads", good, plain + QStringList{"-j", "65"}, UsageError, "from 1 to 64, not \"65\"");
    row("unknown encoding", good, plain + QStringList{"--encoding=cp932"}, UsageError, "unknown encoding \"cp932\"");
    row("-o and --output-dir", good, plain + QStringList{"--output-dir", "x"}, UsageError, "cannot be given together");
    row("--output-dir from standard input", good, run.first(3) + QStringList{"--output-dir", "x"}, UsageError,
        "not standard input");
    row("no resource file", "-", plain, ResourceUnreadable, "cannot be read");
    row("empty dicdir", "dicdir \"\"\n", plain, ResourceIncomplete, "names no folder");
    row("no dicdir", "# dicdir x\n", plain, ResourceIncomplete, "has no dicdir line");
    row("no dictionary", "dicdir nowhere", plain, DictionaryFailed, "no dictionary in");
    row("damaged dictionary", "dicdir broken", plain, DictionaryFailed, "cannot be loaded");
    row("no input", good, run + QStringList{"out", "no"}, InputUnreadable, "cannot be read");
    row("outputs onto the inputs", good, run.first(3) + QStringList{".", "--output-dir", "."}, OutputFailed,
        "is an input file");
    row("no output folder", good, run + QStringList{"no/out", "input.tmp"}, OutputFailed, "cannot be created");
    row("output is the input", good, run + QStringList{"input.tmp", "input.tmp"}, OutputFailed, "is the input file");
    // A file size limit stands in for a full disk: the partial output goes.
#ifndef Q_OS_WIN // Windows has no file size limit to stand in; the file layer's tests fill a small drive
    row("full disk", good, QStringList{"prlimit", "--fsize=100000"} + plain, OutputFailed, "writing out failed");
#endif
    // The format: what is wrong, and where, in characters from 1.
    const auto format = [&](const char* name, const QString& text, const QString& message) {
        row(name, good, plain + QStringList{"-F" + text}, FormatMalformed, "malformed format at position " + message);
    };
    format("unknown directive", "%m\\t%q", "5: unknown directive %q");
    format("counted in characters", u"日本%ｚ"_qs, u"3: unknown directive %ｚ"_qs);
    format("percent at the end", "%m%", "3: a percent sign ends");
    format("%U without (", "x%Um", "2: %U must be followed by (");
    format("%U( unclosed", "%m %U(%P-", "4: %U( has no closing parenthesis");
    format("%P takes the )", "%U(%P)", "1: %U( has no closing");
    format("unknown escape", "%F\\q", "3: unknown escape \\q");
}

void KotokaTest::failures()
{
    QFETCH(QString, rc);
    QFETCH(QStringList, command);
    QFETCH(int, status);
    QFETCH(QString, message);
    const QTemporaryDir dir;
    const QString input = dir.filePath("input.tmp"), output = dir.filePath("out");
    QVERIFY(QDir(dir.path()).mkpath("broken") && writeFile(dir.filePath("broken/sys.dic"), QByteArray(4096, 'x'))
            && writeFile(dir.filePath("broken/dicrc"), "cost-factor = 800\n"));
    QVERIFY(rc == "-" || writeFile(dir.filePath("kotokarc"), rc.toUtf8()));
    const QByteArray text = u"吾輩は猫である。名前はまだ無い。\r\n"_qs.repeated(3000).toUtf8();
    QVERIFY(writeFile(input, text));
    const ProgramRun result = runProgram(command, dir.path());
    QCOMPARE(result.status, status);
    QVERIFY2(result.err.startsWith("kotoka: ") && result.err.contains(message.toUtf8()), result.err);
    QVERIFY(result.out.isEmpty() && !QFile::exists(output));
    QFile kept(input);
    QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == text);
    if (command.first() == "prlimit") // without the limit the run succeeds: the limit was the cause
        QCOMPARE(runProgram(command.mid(2), dir.path()).status, exitCode(ExitStatus::Success));
}

void KotokaTest::keepsText_data()
{
    // The resource file names the dictionary through a folder 辞書 beside it.
    QTest::addColumn<QByteArray>("rc");
    QTest::addColumn<QString>("encoding"); // of the text; empty: the default
    QTest::addColumn<QString>("text");
    const QString rare = u"剝がす頰を𠮟る。塡😀한국어髙橋\r\n𠮟"_qs, rc = u"dicdir 辞書\n"_qs;
    QTest::newRow("UTF-8, its mark skipped") << rc.toUtf8() << QString() << u"\uFEFF"_qs + rare;
    QTest::newRow("Windows-932 when asked") << rc.toUtf8() << "windows-932" << u"髙橋は①㈱を～した。"_qs;
    QTest::newRow("resource file in Windows-932") << encode(rc) << QString() << rare;
    QTest::newRow("resource file in UTF-8 with its mark") << "\xEF\xBB\xBF" + rc.toUtf8() << QString() << rare;
    // The forms of a setting line: " = ", quotes around a value with blanks,
    // lines ended by CR alone, comments; the first dicdir line counts.
    const auto form = [&](const char* name, const char16_t* text) {
        QTest::newRow(name) << QString::fromUtf16(text).toUtf8() << QString() << rare;
    };
    form("name = value, CR line ends", u"; comment\rdicdir = 辞書\r");
    form("quoted value with blanks", u"# comment\r\ndicdir\t\"辞 書\"  \r\n");
    form("the first dicdir counts", u"dicdirs nowhere\ndicdir 辞書\ndicdir nowhere\n");
    // Until the window fills it in, the placeholder is the resource file's folder.
    form("placeholder as the build writes it", u"dicdir %KOTDIC%/辞書\n");
    form("placeholder, quoted with blanks", u"dicdir = \"%KOTDIC%/辞 書\"\n");
}

void KotokaTest::keepsText()
{
    // The morphemes' surfaces, known words and unknown ones, joined give
    // the text back, every character intact.
    QFETCH(QByteArray, rc);
    QFETCH(QString, encoding);
    QFETCH(QString, text);
    const bool windows932 = !encoding.isEmpty();
    const QTemporaryDir dir;
    QVERIFY(placeDictionary(dir.filePath(u"辞書"_qs)) && placeDictionary(dir.filePath(u"辞 書"_qs))
            && writeFile(dir.filePath("rc"), rc)
            && writeFile(dir.filePath("in"), windows932 ? encode(text) : text.toUtf8()));
    const QStringList command{KOTOKA_PROGRAM, "-r", "rc", "-F%m", "in"};
    const ProgramRun result = runProgram(command + (windows932 ? QStringList{"--encoding", encoding} : QStringList()), dir.path());
    QCOMPARE(result.status, exitCode(ExitStatus::Success));
    QString joined = windows932 ? decode(result.out) : QString::fromUtf8(result.out);
    // Output lines end as the system's text files do.
#ifdef Q_OS_WIN
    joined.replace(u"EOS\r\n"_qs, u"\n"_qs);
#else
    joined.replace(u"EOS\n"_qs, u"\n"_qs);
#endif
    QCOMPARE(joined, QString(text).remove(u'\uFEFF').replace(u"\r\n"_qs, u"\n"_qs) + u'\n');
}

void KotokaTest::agreesWithTheEngineCommandLine()
{
    // Real prose: kotoka's fields against the engine's own command line with
    // the equivalent format on the same dictionary (the engine shows an
    // inflection of "*" as nothing, kotoka's %T* and %F* as "*"). On two
    // threads kotoka writes the same bytes, and reports its progress: the
    // input bytes consumed, never fewer than before, last the whole input.
    const QString mecab = QStandardPaths::findExecutable("mecab");
    const QByteArray prose = yomika::testsupport::manualPageProse(400000).toUtf8();
    if (mecab.isEmpty() || prose.isEmpty())
        QSKIP("mecab's command line or the Japanese manual pages are not installed");
    const QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("input.tmp"), prose) && writeFile(dir.filePath("rc"), "dicdir " + dictionary.toUtf8()));
    const QStringList command{KOTOKA_PROGRAM, "-r", "rc", "-F%m\\t%M\\t%y1\\t%a1\\t%U(%P-)\\t%T*\\t%F*\\n", "input.tmp"};
    const ProgramRun ours = runProgram(command + QStringList{"-j1"}, dir.path());
    const ProgramRun threads = runProgram(QStringList{"env", "KOTOKA_PROGRESS_FD=2"} + command + QStringList{"-j2"}, dir.path());
    const ProgramRun theirs = runProgram({mecab, "--dicdir=" + dictionary, "--rcfile=" + dictionary + "/dicrc",
        "--input-buffer-size=1048576", "--node-format=%m\\t%f[6]\\t%f[7]\\t%f[8]\\t%F-[0,1,2,3]\\t%f[4]\\t%f[5]\\n",
        u"--unk-format=%m\\t%m\\t%m\\t%m\\t未知語\\t%f[4]\\t%f[5]\\n"_qs, "--eos-format=EOS\\n", "input.tmp"}, dir.path());
    QCOMPARE(ours.status, exitCode(ExitStatus::Success));
    QCOMPARE(theirs.status, 0);
    QStringList theirLines = QString::fromUtf8(theirs.out).split(u'\n');
    QVERIFY(theirLines.size() > 20000);
    for (QString& line : theirLines) {
        QStringList fields = line.split(u'\t');
        for (qsizetype field = 5; fields.size() == 7 && field < 7; ++field)
            fields[field] = fields[field].isEmpty() ? u"*"_qs : fields[field];
        line = fields.join(u'\t');
    }
    QCOMPARE(QString::fromUtf8(ours.out).split(u'\n'), theirLines);
    QVERIFY(ours.err.isEmpty());

    QCOMPARE(threads.status, exitCode(ExitStatus::Success));
    QVERIFY(threads.out == ours.out);
    const QList<QByteArray> reports = threads.err.split('\n');
    QCOMPARE(reports.back(), QByteArray());
    qint64 last = 0;
    for (const QByteArray& report : reports.first(reports.size() - 1)) {
        bool isNumber = false;
        QVERIFY2(report.toLongLong(&isNumber) >= last && isNumber, threads.err);
        last = report.toLongLong();
    }
    QCOMPARE(last, prose.size());
}

void KotokaTest::analyzesFolders()
{
    // A folder of files in the encodings the window reads, each analyzed as
    // kotoka analyzes it alone when told its encoding; one output that
    // cannot be put in place (a folder holds its name) and one input that
    // does not exist are reported, the rest done. On two threads, with a
    // file large enough that the threads start and batches span files.
    const QTemporaryDir dir;
    const QString text = u"吾輩は猫である。\r\n名前は𠮟まだ無い。\n髙橋①"_qs;
    const auto utf16 = [&](bool bigEndian) {
        QByteArray bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const QChar c : text) {
            const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
            bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
        }
        return bytes;
    };
    struct File { const char* name; QByteArray bytes; const char* encoding; };
    const QList<File> files{
        {"a.txt", text.toUtf8(), "utf-8"},
        {"b/big.txt", text.repeated(2000).toUtf8(), "utf-8"},
        {"b/mark.txt", "\xEF\xBB\xBF" + text.toUtf8(), "utf-8"},
        {"b/unplaced.txt", text.toUtf8(), "utf-8"},
        {"c/be.txt", utf16(true), "utf-16be"},
        {"c/empty.txt", {}, "utf-8"},
        {"c/le.txt", utf16(false), "utf-16le"},
        {"c/古い.txt", encode(text), "windows-932"},
    };
    for (const File& file : files)
        QVERIFY(writeFile(dir.filePath(u"in/"_qs + QString::fromUtf8(file.name)), file.bytes));
    QVERIFY(writeFile(dir.filePath("rc"), "dicdir " + dictionary.toUtf8())
            && QDir(dir.path()).mkpath("out/b/unplaced.txt") && writeFile(dir.filePath("out/a.txt"), "old"));
    const QStringList kotoka{KOTOKA_PROGRAM, "-r", "rc", "-F%m|%y1\\n"};

    const ProgramRun folder = runProgram(kotoka + QStringList{"-j2", "in", "missing.txt", "--output-dir", "out"}, dir.path());
    QCOMPARE(folder.status, exitCode(ExitStatus::OutputFailed));
    QVERIFY2(folder.err.contains("unplaced.txt") && folder.err.contains("missing.txt cannot be read"), folder.err);
    QByteArray joined;
    for (const File& file : files) {
        const QString name = QString::fromUtf8(file.name);
        const ProgramRun alone = runProgram(kotoka + QStringList{"-j1", "--encoding", file.encoding, "in/" + name}, dir.path());
        QCOMPARE(alone.status, exitCode(ExitStatus::Success));
        // Told Windows-932, kotoka writes it too; found, it writes UTF-8.
        const QByteArray expected = file.encoding == "windows-932"sv ? decode(alone.out).toUtf8() : alone.out;
        QVERIFY2(!expected.contains("\xEF\xBF\xBD"), qPrintable(name)); // no U+FFFD: the encoding was right
        joined += expected;
        QFile output(dir.filePath("out/" + name));
        QVERIFY2(name == "b/unplaced.txt" ? QFileInfo(output).isDir()
                                          : output.open(QIODevice::ReadOnly) && output.readAll() == expected,
                 qPrintable(name));
    }
    QCOMPARE(QDir(dir.filePath("out/b")).entryList(QDir::Files | QDir::Hidden).size(), 2); // no part left behind

    // Without --output-dir the inputs follow one another; the progress
    // counts the bytes of them all (on Windows its channel is a handle's
    // number, which this test cannot pass).
#ifdef Q_OS_WIN
    const ProgramRun all = runProgram(kotoka + QStringList{"-j2", "in"}, dir.path());
#else
    const ProgramRun all = runProgram(QStringList{"env", "KOTOKA_PROGRESS_FD=2"} + kotoka + QStringList{"-j2", "in"}, dir.path());
    QCOMPARE(all.err.trimmed().split('\n').last(), QByteArray::number(std::accumulate(
        files.begin(), files.end(), qsizetype(0), [](qsizetype n, const File& file) { return n + file.bytes.size(); })));
#endif
    QCOMPARE(all.status, exitCode(ExitStatus::Success));
    QVERIFY(all.out == joined);
}

void KotokaTest::helpFitsATerminal()
{
    const ProgramRun help = runProgram({KOTOKA_PROGRAM, "--help"}, QDir::currentPath());
    QCOMPARE(help.status, exitCode(ExitStatus::Success));
    const QStringList lines = QString::fromUtf8(help.out).remove(u'\r').split(u'\n'); // CR LF on Windows
    QVERIFY(lines.size() > 20);
    for (const QString& line : lines)
        QVERIFY2(line.size() <= 80, qPrintable(line));
}

QTEST_GUILESS_MAIN(KotokaTest)
#include "kotoka_test.moc"
