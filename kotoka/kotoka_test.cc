#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "kotoka/codec.h"
#include "kotoka/exitstatus.h"
#include "tests/support/prose.h"

// These tests run the built kotoka as the window and a user do, on real
// text with the real dictionary.

namespace {

const QString program = QStringLiteral(KOTOKA_PROGRAM);
const QString dictionaryFolder = QStringLiteral(KOTOKA_DIC_DIR "/ipadic");

struct Result {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Result runProgram(const QString& executable, const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.start(executable, arguments);
    if (!process.waitForStarted())
        return {};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    Result result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QByteArray toCodePage(const QString& text)
{
    std::string bytes;
    kotoka::encodeOutput(text.toStdString(), bytes);
    return QByteArray::fromStdString(bytes);
}

QString fromCodePage(const QByteArray& bytes)
{
    std::string text;
    kotoka::decodeInput(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), text, true);
    return QString::fromStdString(text);
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

} // namespace

class KotokaTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void analyzes_data();
    void analyzes();
    void exactBytesInWindows932();
    void roundTripsWindows932();
    void failures_data();
    void failures();
    void fullDiskRemovesPartialOutput();
    void outputIsNotTheInput();
    void longLinesAreAnalyzedWhole();
    void agreesWithTheEngineCommandLine();
    void runsAsTheWindowStartsIt();
    void helpAndVersion();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    // kotoka -r rc -o out [-F format] in, with `text` as the input file.
    Result analyze(const QString& text, const QStringList& formatArguments);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_resourceFile;
};

void KotokaTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_resourceFile = path(QStringLiteral("kotokarc"));
    QVERIFY(writeFile(m_resourceFile, toCodePage(u"# test\r\ndicdir "_qs + dictionaryFolder + u"\r\n"_qs)));
}

Result KotokaTest::analyze(const QString& text, const QStringList& formatArguments)
{
    const QString input = path(QStringLiteral("input.tmp"));
    const QString output = path(QStringLiteral("output.tmp"));
    QFile::remove(output);
    if (!writeFile(input, toCodePage(text)))
        return {};
    Result result = runProgram(program, QStringList{u"-r"_qs, m_resourceFile, u"-o"_qs, output}
                                           + formatArguments + QStringList{input});
    result.out = readFile(output);
    return result;
}

void KotokaTest::analyzes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("format");
    QTest::addColumn<QString>("expected");

    QTest::newRow("reading, pronunciation, part of speech")
        << u"東京"_qs << QStringList{u"-F"_qs, u"%m\\t%y1\\t%a1\\t%U(%P-)\\n"_qs}
        << u"東京\tトウキョウ\tトーキョー\t名詞-固有名詞-地域-一般\nEOS\n"_qs;
    QTest::newRow("default format, inflected verb")
        << u"行った"_qs << QStringList{}
        << u"行っ\t行く\tイッ\tイッ\t動詞-自立\t五段・カ行促音便\t連用タ接続\n"
           u"た\tた\tタ\tタ\t助動詞\t特殊・タ\t基本形\nEOS\n"_qs;
    QTest::newRow("default format, unknown word")
        << u"ぴょこたん"_qs << QStringList{}
        << u"ぴょこたん\tぴょこたん\tぴょこたん\tぴょこたん\t未知語\t \t \nEOS\n"_qs;
    QTest::newRow("unknown word's part of speech outside %U")
        << u"xyzzy"_qs << QStringList{u"-F%m/%M/%y/%a/%P-/%U(%P-)\\n"_qs}
        << u"xyzzy/xyzzy/xyzzy/xyzzy/名詞-固有名詞-組織/未知語\nEOS\n"_qs;
    QTest::newRow("the window's first option string")
        << u"東京に行った。"_qs << QStringList{u"-F"_qs, u"%m\\n"_qs}
        << u"東京\nに\n行っ\nた\n。\nEOS\n"_qs;
    QTest::newRow("comma delimiter, base form")
        << u"食べました"_qs << QStringList{u"-F"_qs, u"%m,%M,%T ,%F \\n"_qs}
        << u"食べ,食べる,一段,連用形\nまし,ます,特殊・マス,連用形\nた,た,特殊・タ,基本形\nEOS\n"_qs;
    QTest::newRow("each line a sentence, every line end kind")
        << u"猫\r\n\r\n犬\n鳥\r"_qs << QStringList{u"-F"_qs, u"%m\\n"_qs}
        << u"猫\nEOS\nEOS\n犬\nEOS\n鳥\nEOS\n"_qs;
    QTest::newRow("blank-only line") << u"  \n"_qs << QStringList{u"-F%m\\n"_qs} << u"EOS\n"_qs;
    QTest::newRow("empty input, empty output") << QString() << QStringList{} << QString();
    QTest::newRow("empty format") << u"東京\n東京"_qs << QStringList{u"-F"_qs, QString()} << u"EOS\nEOS\n"_qs;
}

void KotokaTest::analyzes()
{
    QFETCH(QString, text);
    QFETCH(QStringList, format);
    QFETCH(QString, expected);
    const Result result = analyze(text, format);
    QVERIFY2(result.status == kotoka::Success, result.err.constData());
    QVERIFY(result.err.isEmpty());
    QCOMPARE(fromCodePage(result.out), expected);
}

void KotokaTest::exactBytesInWindows932()
{
    // 東京 in, 東京 and トウキョウ out, as Windows-932 bytes with LF line ends.
    const QString input = path(u"in.txt"_qs), output = path(u"out.txt"_qs);
    QVERIFY(writeFile(input, QByteArray("\x93\x8C\x8B\x9E\r\n")));
    const Result result = runProgram(program, {u"-r"_qs, m_resourceFile, u"-o"_qs, output, u"-F"_qs, u"%m %y\\n"_qs, input});
    QCOMPARE(result.status, int(kotoka::Success));
    QCOMPARE(readFile(output), QByteArray("\x93\x8C\x8B\x9E \x83\x67\x83\x45\x83\x4C\x83\x87\x83\x45\nEOS\n"));
}

void KotokaTest::roundTripsWindows932()
{
    // Characters particular to Windows-932 (NEC and IBM extensions,
    // half-width kana, the wave dash) come back as the bytes they went in as.
    const QByteArray text("\x87\x40\x87\x54\xFA\x40\xB6\xDE\xB7\xDE\x81\x60\x88\x9F\x82\xA0\x83\x41\x81\x5B");
    const QString input = path(u"in.txt"_qs);
    QVERIFY(writeFile(input, text + "\r\n" + text));
    const Result result = runProgram(program, {u"-r"_qs, m_resourceFile, u"-F%m"_qs, input});
    QCOMPARE(result.status, int(kotoka::Success));
    QCOMPARE(result.out, text + "EOS\n" + text + "EOS\n");
}

void KotokaTest::failures_data()
{
    QTest::addColumn<QString>("resource");   // contents of the resource file; "-" none, "/" a folder
    QTest::addColumn<QStringList>("options"); // "OUT" the output file, "IN" the input, else last
    QTest::addColumn<QString>("inputKind");   // "file", "missing" or "folder"
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    const QString good = u"dicdir "_qs + dictionaryFolder;
    const QStringList plain{u"-o"_qs, u"OUT"_qs};
    QTest::newRow("unknown option") << good << QStringList{u"-o"_qs, u"OUT"_qs, u"-x"_qs} << u"file"_qs
                                    << int(kotoka::UsageError) << u"unknown option \"-x\""_qs;
    QTest::newRow("-F without its value") << good << QStringList{u"-o"_qs, u"OUT"_qs, u"IN"_qs, u"-F"_qs}
                                          << u"file"_qs << int(kotoka::UsageError) << u"needs a value"_qs;
    QTest::newRow("resource file missing") << u"-"_qs << plain << u"file"_qs << int(kotoka::ResourceUnreadable)
                                           << u"cannot be read"_qs;
    QTest::newRow("resource file is a folder") << u"/"_qs << plain << u"file"_qs
                                               << int(kotoka::ResourceUnreadable) << u"cannot be read"_qs;
    QTest::newRow("placeholder not filled") << u"dicdir %KOTDIC%/ipadic\r\n"_qs << plain << u"file"_qs
                                            << int(kotoka::ResourceIncomplete) << u"still holds the placeholder"_qs;
    QTest::newRow("no dicdir line") << u"# nothing\n"_qs << plain << u"file"_qs
                                    << int(kotoka::ResourceIncomplete) << u"has no dicdir line"_qs;
    QTest::newRow("dictionary missing") << u"dicdir nowhere"_qs << plain << u"file"_qs
                                        << int(kotoka::DictionaryFailed) << u"no dictionary in"_qs;
    QTest::newRow("dictionary damaged") << u"dicdir broken"_qs << plain << u"file"_qs
                                        << int(kotoka::DictionaryFailed) << u"cannot be loaded"_qs;
    QTest::newRow("input missing") << good << plain << u"missing"_qs << int(kotoka::InputUnreadable)
                                   << u"cannot be read"_qs;
    QTest::newRow("input is a folder") << good << plain << u"folder"_qs << int(kotoka::InputUnreadable)
                                       << u"cannot be read"_qs;
    QTest::newRow("output folder missing") << good << QStringList{u"-o"_qs, u"no/such/OUT"_qs} << u"file"_qs
                                           << int(kotoka::OutputFailed) << u"cannot be created"_qs;
    QTest::newRow("unknown directive") << good << QStringList{u"-o"_qs, u"OUT"_qs, u"-F"_qs, u"%m\\t%q"_qs}
                                       << u"file"_qs << int(kotoka::FormatMalformed) << u"position 5"_qs;
    QTest::newRow("%U( unclosed") << good << QStringList{u"-o"_qs, u"OUT"_qs, u"-F%U(%P-\\n"_qs} << u"file"_qs
                                  << int(kotoka::FormatMalformed) << u"position 1: %U( has no closing"_qs;
}

void KotokaTest::failures()
{
    QFETCH(QString, resource);
    QFETCH(QStringList, options);
    QFETCH(QString, inputKind);
    QFETCH(int, status);
    QFETCH(QString, message);

    const QString rc = path(u"rc/kotokarc"_qs);
    QVERIFY(QDir().mkpath(path(u"rc/broken"_qs)));
    QVERIFY(writeFile(path(u"rc/broken/sys.dic"_qs), QByteArray(4096, 'x')));
    QVERIFY(writeFile(path(u"rc/broken/dicrc"_qs), QByteArray("cost-factor = 800\n")));
    if (resource == u"/")
        QVERIFY(QDir().mkpath(rc));
    else if (resource != u"-")
        QVERIFY(writeFile(rc, toCodePage(resource)));

    const QString input = path(u"input.tmp"_qs);
    if (inputKind == u"file")
        QVERIFY(writeFile(input, toCodePage(u"東京に行った。\n"_qs)));
    else if (inputKind == u"folder")
        QVERIFY(QDir().mkpath(input));
    const QString output = path(u"OUT"_qs);
    const bool inputPlaced = options.contains(u"IN"_qs);
    for (QString& option : options)
        option = option == u"IN" ? input : QString(option).replace(u"OUT"_qs, output);
    if (!inputPlaced)
        options << input;

    const Result result = runProgram(program, QStringList{u"-r"_qs, rc} + options);
    QCOMPARE(result.status, status);
    QVERIFY2(QString::fromUtf8(result.err).contains(message), result.err.constData());
    QVERIFY(result.err.startsWith("kotoka: "));
    QVERIFY(result.out.isEmpty());
    QVERIFY(!QFile::exists(output));
}

void KotokaTest::fullDiskRemovesPartialOutput()
{
    // A file size limit stands in for a full disk: the write fails part-way.
    const QString limiter = QStandardPaths::findExecutable(u"prlimit"_qs);
    if (limiter.isEmpty())
        QSKIP("prlimit (util-linux) is not installed");
    QString text;
    for (int i = 0; i < 2000; ++i)
        text += u"吾輩は猫である。名前はまだ無い。\n"_qs;
    const QString input = path(u"input.tmp"_qs), output = path(u"output.tmp"_qs);
    QVERIFY(writeFile(input, toCodePage(text)));

    const Result result = runProgram(limiter, {u"--fsize=100000"_qs, program, u"-r"_qs, m_resourceFile,
                                               u"-o"_qs, output, input});
    QCOMPARE(result.status, int(kotoka::OutputFailed));
    QVERIFY2(result.err.contains("writing " + output.toUtf8() + " failed"), result.err.constData());
    QVERIFY(!QFile::exists(output));

    // The same run without the limit succeeds, so the limit was the cause.
    const Result unlimited = runProgram(program, {u"-r"_qs, m_resourceFile, u"-o"_qs, output, input});
    QCOMPARE(unlimited.status, int(kotoka::Success));
    QVERIFY(QFileInfo(output).size() > 100000);
}

void KotokaTest::outputIsNotTheInput()
{
    const QString input = path(u"input.tmp"_qs);
    const QByteArray text = toCodePage(u"東京\n"_qs);
    QVERIFY(writeFile(input, text));
    const Result result = runProgram(program, {u"-r"_qs, m_resourceFile, u"-o"_qs, input, input});
    QCOMPARE(result.status, int(kotoka::OutputFailed));
    QCOMPARE(readFile(input), text);
}

void KotokaTest::longLinesAreAnalyzedWhole()
{
    // Lines far past the piece bound, one with sentence ends and one with
    // no break at all: every character comes out, and each line ends in
    // exactly one EOS.
    QString prose;
    while (prose.size() < 400000)
        prose += u"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"_qs;
    const QString unbroken = QString(300000, QChar(u'あ'));
    const Result result = analyze(prose + u"\r\n"_qs + unbroken + u"\r\n短い行"_qs, {u"-F%m\\n"_qs});
    QCOMPARE(result.status, int(kotoka::Success));
    const QStringList lines = fromCodePage(result.out).split(u'\n');
    QStringList sentences;
    QString current;
    for (const QString& line : lines) {
        if (line == u"EOS") {
            sentences << current;
            current.clear();
        } else {
            current += line;
        }
    }
    QCOMPARE(sentences.size(), 3);
    QCOMPARE(sentences[0], prose);
    QCOMPARE(sentences[1], unbroken);
    QCOMPARE(sentences[2], u"短い行"_qs);
}

void KotokaTest::agreesWithTheEngineCommandLine()
{
    // A few pages of real prose: kotoka's fields against the engine's own
    // command line with the equivalent format on the same dictionary. The
    // engine shows an inflection of "*" as nothing, kotoka's %T* and %F* as
    // "*". The engine's UTF-8 is compared as it reads in Windows-932, where
    // the dictionary's U+2212 of サ変・−スル becomes the code page's minus.
    const QString mecab = QStandardPaths::findExecutable(u"mecab"_qs);
    if (mecab.isEmpty())
        QSKIP("mecab's command line is not installed");
    const QString prose = yomika::testsupport::manualPageProse(60000);
    if (prose.isEmpty())
        QSKIP("no Japanese manual pages installed");

    const Result ours = analyze(prose, {u"-F"_qs, u"%m\\t%M\\t%y1\\t%a1\\t%U(%P-)\\t%T*\\t%F*\\n"_qs});
    QCOMPARE(ours.status, int(kotoka::Success));

    const QString utf8Input = path(u"utf8.txt"_qs);
    QVERIFY(writeFile(utf8Input, prose.toUtf8()));
    const Result theirs = runProgram(mecab, {
        u"--dicdir="_qs + dictionaryFolder, u"--rcfile="_qs + dictionaryFolder + u"/dicrc"_qs,
        u"--input-buffer-size=1048576"_qs,
        u"--node-format=%m\\t%f[6]\\t%f[7]\\t%f[8]\\t%F-[0,1,2,3]\\t%f[4]\\t%f[5]\\n"_qs,
        u"--unk-format=%m\\t%m\\t%m\\t%m\\t未知語\\t%f[4]\\t%f[5]\\n"_qs,
        u"--eos-format=EOS\\n"_qs, utf8Input});
    QCOMPARE(theirs.status, 0);

    const QStringList ourLines = fromCodePage(ours.out).split(u'\n');
    QStringList theirLines = QString::fromUtf8(theirs.out).split(u'\n');
    for (QString& line : theirLines) {
        QStringList fields = line.split(u'\t');
        if (fields.size() == 7) {
            for (int i = 5; i < 7; ++i) {
                if (fields[i].isEmpty())
                    fields[i] = u"*"_qs;
            }
            line = fields.join(u'\t');
        }
        line = fromCodePage(toCodePage(line));
    }
    QVERIFY(ourLines.size() > 5000);
    QCOMPARE(ourLines.size(), theirLines.size());
    for (qsizetype i = 0; i < ourLines.size(); ++i)
        QCOMPARE(ourLines[i], theirLines[i]);
}

void KotokaTest::runsAsTheWindowStartsIt()
{
    // The program directory as the build lays it out, in a folder whose name
    // holds a blank: kotoka, dic/kotokarc with its placeholder, dic/ipadic.
    const QString folder = path(u"Program Files/Yomika"_qs);
    QVERIFY(QDir().mkpath(folder + u"/dic"_qs));
    const QString copy = folder + u"/kotoka"_qs;
    QVERIFY(QFile::copy(program, copy));
    QVERIFY(QFile::link(dictionaryFolder, folder + u"/dic/ipadic"_qs));
    // The resource file as the build lays it out, before any start (the
    // build's own program directory may have been started already).
    QByteArray rc = readFile(QStringLiteral(YOMIKA_SOURCE_DIR "/kotoka/kotokarc"));
    QVERIFY(rc.contains("%KOTDIC%"));

    // Before the window's first start the placeholder stands: no output.
    QVERIFY(writeFile(folder + u"/dic/kotokarc"_qs, rc));
    const QStringList arguments{u"-r"_qs, folder + u"/dic/kotokarc"_qs, u"-o"_qs, folder + u"/output.tmp"_qs,
                                u"-F"_qs, u"%m\\t%y1\\n"_qs, folder + u"/input.tmp"_qs};
    QVERIFY(writeFile(folder + u"/input.tmp"_qs, toCodePage(u"東京\r\n"_qs)));
    QCOMPARE(runProgram(copy, arguments).status, int(kotoka::ResourceIncomplete));
    QVERIFY(!QFile::exists(folder + u"/output.tmp"_qs));

    // The window replaces the first placeholder with the dic folder.
    rc.replace(rc.indexOf("%KOTDIC%"), 8, (folder + u"/dic"_qs).toUtf8());
    QVERIFY(writeFile(folder + u"/dic/kotokarc"_qs, rc));
    const Result result = runProgram(copy, arguments);
    QCOMPARE(result.status, int(kotoka::Success));
    QCOMPARE(fromCodePage(readFile(folder + u"/output.tmp"_qs)), u"東京\tトウキョウ\nEOS\n"_qs);

    // Without -r and -o, kotoka finds dic/kotokarc beside itself and
    // serves as a filter from standard input to standard output.
    const Result filter = runProgram(copy, {u"-F%m|"_qs}, toCodePage(u"猫と犬\n"_qs));
    QCOMPARE(filter.status, int(kotoka::Success));
    QCOMPARE(fromCodePage(filter.out), u"猫|と|犬|EOS\n"_qs);
}

void KotokaTest::helpAndVersion()
{
    const Result help = runProgram(program, {u"-h"_qs});
    QCOMPARE(help.status, int(kotoka::Success));
    QVERIFY(help.out.startsWith("Usage: kotoka "));
    const Result version = runProgram(program, {u"-v"_qs});
    QCOMPARE(version.status, int(kotoka::Success));
    QVERIFY(version.out.startsWith("kotoka " YOMIKA_VERSION " (MeCab "));
    const Result bad = runProgram(program, {u"-q"_qs});
    QCOMPARE(bad.status, int(kotoka::UsageError));
    QVERIFY(bad.err.contains("Usage: kotoka "));
}

QTEST_GUILESS_MAIN(KotokaTest)
#include "kotoka_test.moc"
